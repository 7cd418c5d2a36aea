// Searches a long conversation pane with the find dialog's search and
// reports the time per search, up and down, found near the caret and not
// found at all (the whole pane read).
//
// Usage: bench_conversation_find [lines]   (default 100000)
// Run with QT_QPA_PLATFORM=offscreen when there is no display.

#include "dialogpane.h"
#include "findindialog.h"
#include "frmfind.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QPlainTextEdit>
#include <QWidget>

#include <cstdio>

namespace
{

double perSearchMs(QPlainTextEdit *pane, conversation::FindSettings &settings, int direction,
                   const QString &text, int runs, int caret)
{
    settings.gFindText = text;
    settings.gFindDirection = direction;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < runs; ++i) {
        QTextCursor c = pane->textCursor();
        c.setPosition(caret);
        pane->setTextCursor(c);
        settings.lLastFindPos = -1; // as if the caret had moved by hand
        conversation::frmFind::FindInDialog(settings, pane, nullptr);
    }
    return t.nsecsElapsed() / 1e6 / runs;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100000;
    QWidget window;
    conversation::DialogPane pane(&window);
    for (int i = 0; i < lines; ++i)
        pane.UpdateDialog(
            QStringLiteral("Brom: riga numero %1 della serata, si parla d'altro").arg(i));
    pane.UpdateDialog(QStringLiteral("Ada: ecco il drago"));
    QPlainTextEdit *txt = pane.txtDialog();
    const int end = txt->toPlainText().size();
    std::printf("pane: %d lines, %d characters\n", lines + 1, end);

    conversation::FindSettings settings;
    const int runs = 20;
    std::printf("up, found in the last line:     %8.2f ms per search\n",
                perSearchMs(txt, settings, 0, QStringLiteral("drago"), runs, end));
    std::printf("down, found in the last line:   %8.2f ms per search\n",
                perSearchMs(txt, settings, 1, QStringLiteral("drago"), runs, 0));
    std::printf("up, not found (whole pane):     %8.2f ms per search\n",
                perSearchMs(txt, settings, 0, QStringLiteral("grifone"), runs, end));
    std::printf("down, not found (whole pane):   %8.2f ms per search\n",
                perSearchMs(txt, settings, 1, QStringLiteral("grifone"), runs, 0));
    return 0;
}
