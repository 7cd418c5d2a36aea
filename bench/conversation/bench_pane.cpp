// Appends 100,000 coloured lines to the conversation pane and reports the
// time per line of the first and of the last thousand, to show that a line
// costs the same however long the pane already is.
//
// Usage: bench_conversation_pane [lines] [--hidden]
// The pane is shown, as in use, unless --hidden is given: then the lines go
// into a document nobody lays out for the screen.
// Run with QT_QPA_PLATFORM=offscreen when there is no display.

#include "dialogpane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int lines = 100000;
    bool shown = true;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--hidden"))
            shown = false;
        else if (arg == QLatin1String("--shown"))
            shown = true;
        else if (arg.toInt() > 0)
            lines = arg.toInt();
    }
    const int batch = 1000;

    QWidget window;
    window.resize(640, 480);
    conversation::DialogPane pane(&window);
    const QStringList names{"Brom", "Lia", "Ugo", "Al", "Alma"};
    pane.setNames([&] { return names; });
    pane.setClockText([] { return QStringLiteral("14.05.00"); });
    pane.Command19_Click(); // colouring on
    pane.Command21_Click(); // time stamps on
    if (shown)
        window.show();

    const QStringList shapes{
        "Brom: una riga di conversazione numero %1",
        "*Lia*: un sussurro numero %1",
        "Ugo si alza e cammina, passo %1",
        "Alma lancia 3d6 ed ottiene %1.\n\u00ab 4, 1, 6 \u00bb",
        "Cala la notte sulla locanda, ora %1",
    };

    QElapsedTimer total;
    total.start();
    double firstMs = 0, lastMs = 0;
    int firstLines = 0, lastLines = 0;
    for (int done = 0; done < lines; done += batch) {
        QElapsedTimer t;
        t.start();
        const int n = qMin(batch, lines - done);
        for (int i = 0; i < n; ++i)
            pane.UpdateDialog(shapes[(done + i) % shapes.size()].arg(done + i));
        // the deferred scroll and any repaint belong to the cost of the batch
        QCoreApplication::processEvents();
        const double ms = t.nsecsElapsed() / 1e6;
        if (done == 0) {
            firstMs = ms;
            firstLines = n;
        }
        lastMs = ms;
        lastLines = n;
    }
    std::printf("lines: %d (%s)\n", lines, shown ? "pane shown" : "pane hidden");
    // a short last batch is divided by its own count
    std::printf("first %d lines: %.2f us/line\n", firstLines,
                firstLines ? firstMs * 1000.0 / firstLines : 0.0);
    std::printf("last %d lines:  %.2f us/line\n", lastLines,
                lastLines ? lastMs * 1000.0 / lastLines : 0.0);
    std::printf("total: %.2f s, blocks in the pane: %d\n", total.nsecsElapsed() / 1e9,
                pane.txtDialog()->document()->blockCount());
    return 0;
}
