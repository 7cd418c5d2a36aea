// Times the densest grids on the standard board (steps of one unit, 25
// twips): "Puntiforme" and "Lineare", as the engine paints them and through
// the dialog's "OK" with its progress bar, and the dot-by-dot plotting the
// line drawing stands in for.
// Run: QT_QPA_PLATFORM=offscreen bench_board_grid [repetitions]

#include "boardpanel.h"
#include "boardsurface.h"
#include "gridpainter.h"
#include "palette.h"
#include "reticolobox.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <cstdio>

using board::BoardSurface;
using board::GridPainter;

namespace
{

void report(const char *what, qint64 nanos, int count, const char *extra = "")
{
    std::printf("%-52s %10.3f ms/op  (%d ops)%s\n", what, nanos / 1e6 / count, count, extra);
}

qint64 engine(const QString &kind, GridPainter::Plot plot, int count, int &progressCalls)
{
    qint64 total = 0;
    for (int i = 0; i < count; ++i) {
        BoardSurface surface;
        board::Palette palette;
        palette.picSelColor_Click(i % 2 ? 5 : 15);
        GridPainter painter(&surface, &palette);
        painter.setPlot(plot);
        progressCalls = 0;
        QElapsedTimer t;
        t.start();
        painter.paint(kind, QStringLiteral("1"), QStringLiteral("1"),
                      [&](int, int) { ++progressCalls; });
        total += t.nsecsElapsed();
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    int calls = 0;
    char note[64];

    for (const char *kind : {"Puntiforme", "Lineare"}) {
        const qint64 ns = engine(QString::fromLatin1(kind), GridPainter::Plot::Lines, reps, calls);
        std::snprintf(note, sizeof note, "  %d progress steps", calls);
        report(qPrintable(QStringLiteral("engine, densest %1").arg(QLatin1String(kind))), ns, reps,
               note);
    }
    // Dot by dot, one dot at every twip of every line: 12001 per line.
    const int pointReps = std::max(1, reps / 10);
    report("engine, densest Lineare dot by dot (reference)",
           engine(QStringLiteral("Lineare"), GridPainter::Plot::Points, pointReps, calls),
           pointReps);

    // Through the dialog on a window: the board's view repaints what changed
    // and the progress bar follows every line.
    QWidget window;
    window.resize(700, 420);
    board::Palette palette;
    palette.picSelColor_Click(5);
    board::BoardPanel panel(&window, &palette);
    window.show();
    board::reticolobox *dialog = panel.gridDialog();
    int barSteps = 0;
    QObject::connect(dialog, &board::reticolobox::progressed, [&](int, int) { ++barSteps; });
    for (const char *kind : {"Puntiforme", "Lineare"}) {
        qint64 total = 0;
        for (int i = 0; i < reps; ++i) {
            panel.surface()->clear();
            panel.reticolo_Click();
            dialog->tipo->setCurrentText(QString::fromLatin1(kind));
            dialog->passi1->setText(QStringLiteral("1"));
            dialog->passi2->setText(QStringLiteral("1"));
            barSteps = 0;
            QElapsedTimer t;
            t.start();
            dialog->retOK->click();
            app.processEvents(); // the board's repaint of the grid
            total += t.nsecsElapsed();
        }
        std::snprintf(note, sizeof note, "  %d bar steps", barSteps);
        report(qPrintable(QStringLiteral("dialog OK with repaint, densest %1").arg(QLatin1String(kind))),
               total, reps, note);
    }
    return 0;
}
