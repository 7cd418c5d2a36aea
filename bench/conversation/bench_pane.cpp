// The conversation pane under load, in two parts.
//
// Cost per line: appends 100,000 coloured, stamped lines in reads of 200
// lines (one event-loop turn each, as a relay delivers them) and reports the
// time per line of the first and of the last thousand, the pace of the
// whole run, and the process's peak memory, to show that a line costs the
// same however long the pane already is.
//
// Burst: 10,000 lines arrive at once (all in one turn, then in reads of 200
// lines) and the longest gap between two turns of the event loop is
// reported: input and painting wait at most that long.
//
// Memory (--memory): hands over lines of a chat bench's shape, short and of
// 4 KB, in turns as a relay delivers them, far past the pane's ceiling, and
// reports the heap in use (mallinfo2) against the characters shown, and
// after the pane is emptied.
//
// Usage: bench_conversation_pane [lines] [--hidden] [--plain] [--edit-per-line]
//        bench_conversation_pane --memory [lines]
//   --plain          no time stamps and no colours (the switches' start state)
//   --hidden         the pane is not shown (nobody lays it out for a screen)
//   --edit-per-line  every line goes into the document on its own, as the
//                    pane did before lines of one turn were put in together
// Run with QT_QPA_PLATFORM=offscreen when there is no display.

#include "dialogpane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>

namespace
{

const QStringList kShapes{
    "Brom: una riga di conversazione numero %1",
    "*Lia*: un sussurro numero %1",
    "Ugo si alza e cammina, passo %1",
    "Alma lancia 3d6 ed ottiene %1.\n\u00ab 4, 1, 6 \u00bb",
    "Cala la notte sulla locanda, ora %1",
};

QString lineNumber(int i)
{
    return kShapes[i % kShapes.size()].arg(i);
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs the event loop until the pane holds every line and has scrolled.
void settle(conversation::DialogPane &pane)
{
    while (pane.waitingLines() > 0)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents(); // the scroll after the last slice
}

// Records the longest time between two turns of the event loop: a zero
// timer runs once per turn.
struct TurnWatch {
    QElapsedTimer clock;
    QTimer tick;
    qint64 last = 0;
    qint64 longest = 0;
    int turns = 0;
    TurnWatch()
    {
        tick.setInterval(0);
        QObject::connect(&tick, &QTimer::timeout, [this] { mark(); });
    }
    void start()
    {
        longest = 0;
        turns = 0;
        clock.start();
        last = 0;
        tick.start();
    }
    void mark()
    {
        const qint64 now = clock.nsecsElapsed();
        longest = qMax(longest, now - last);
        last = now;
        ++turns;
    }
    void stop()
    {
        mark();
        tick.stop();
    }
};

// One line of @p size characters without a space between two short ones:
// the longest gap between turns while the pane takes it.
void hugeLine(conversation::DialogPane &pane, int size)
{
    TurnWatch watch;
    QElapsedTimer total;
    watch.start();
    total.start();
    QTimer::singleShot(0, [&] {
        pane.UpdateDialog(QStringLiteral("prima"));
        pane.UpdateDialog(QStringLiteral("Brom: ") + QString(size, QLatin1Char('x')));
        pane.UpdateDialog(QStringLiteral("dopo"));
    });
    QCoreApplication::processEvents();
    while (pane.waitingLines() > 0)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    watch.stop();
    std::printf("one line of %d characters: shown after %.1f ms, longest gap between turns %.1f ms\n",
                size, total.nsecsElapsed() / 1e6, watch.longest / 1e6);
}

// 10,000 lines handed over in reads of @p perRead lines, each read in a
// turn of its own; returns the longest gap between turns, in ms.
void burst(conversation::DialogPane &pane, int lines, int perRead, int &counter)
{
    TurnWatch watch;
    QElapsedTimer total;
    watch.start();
    total.start();
    int handed = 0;
    QTimer reads;
    reads.setInterval(0);
    QObject::connect(&reads, &QTimer::timeout, [&] {
        const int n = qMin(perRead, lines - handed);
        for (int i = 0; i < n; ++i)
            pane.UpdateDialog(lineNumber(counter++));
        handed += n;
        if (handed >= lines)
            reads.stop();
    });
    reads.start();
    while (handed < lines || pane.waitingLines() > 0)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    watch.stop();
    std::printf("burst of %d lines in reads of %d: shown after %.1f ms, %d turns, "
                "longest gap between turns %.1f ms\n",
                lines, perRead, total.nsecsElapsed() / 1e6, watch.turns, watch.longest / 1e6);
}

double heapMb()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

// Lines of @p pad characters after a short head, as the hardening bench's
// clients send them, until @p lines were shown; the heap against the text.
void memory(conversation::DialogPane &pane, int lines, int pad)
{
    const double before = heapMb();
    double peak = before;
    for (int done = 0; done < lines;) {
        for (int i = 0; i < 200 && done < lines; ++i, ++done)
            pane.UpdateDialog(QStringLiteral("P7: P7:%1:1733650000000000:").arg(done) +
                              QString(pad, QLatin1Char('x')));
        settle(pane);
        peak = qMax(peak, heapMb());
    }
    const QTextDocument *doc = pane.txtDialog()->document();
    const double shown = double(doc->characterCount()) * 2 / (1024.0 * 1024.0);
    const double held = heapMb() - before;
    std::printf("%d lines of %d+ characters: the pane shows %d characters in %d blocks (%.1f MB of "
                "UTF-16); heap in use %.1f MB more than before (%.1f times the text), at most "
                "%.1f MB more\n",
                lines, pad + 30, doc->characterCount(), doc->blockCount(), shown, held, held / shown,
                peak - before);
    pane.clearDialog();
    settle(pane);
    malloc_trim(0);
    std::printf("  emptied: heap in use %.1f MB more than before\n", heapMb() - before);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int lines = 100000;
    bool shown = true;
    bool editPerLine = false;
    bool plain = false;
    bool measureMemory = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--hidden"))
            shown = false;
        else if (arg == QLatin1String("--shown"))
            shown = true;
        else if (arg == QLatin1String("--plain"))
            plain = true;
        else if (arg == QLatin1String("--edit-per-line"))
            editPerLine = true;
        else if (arg == QLatin1String("--memory"))
            measureMemory = true;
        else if (arg.toInt() > 0)
            lines = arg.toInt();
    }
    const int perRead = 200;
    const int measured = 1000;

    QWidget window;
    window.resize(640, 480);
    conversation::DialogPane pane(&window);
    const QStringList names{"Brom", "Lia", "Ugo", "Al", "Alma"};
    pane.setNames([&] { return names; });
    pane.setClockText([] { return QStringLiteral("14.05.00"); });
    if (!plain) {
        pane.Command19_Click(); // colouring on
        pane.Command21_Click(); // time stamps on
    }
    if (shown)
        window.show();
    QCoreApplication::processEvents();
    if (measureMemory) {
        memory(pane, lines, 0);
        memory(pane, lines / 10, 4096);
        return 0;
    }

    const long rssBefore = peakRssKb();
    QElapsedTimer total;
    total.start();
    double firstMs = 0, lastMs = 0;
    int firstLines = 0, lastLines = 0;
    for (int done = 0; done < lines; done += measured) {
        QElapsedTimer t;
        t.start();
        const int n = qMin(measured, lines - done);
        for (int read = 0; read < n; read += perRead) {
            for (int i = read; i < qMin(n, read + perRead); ++i) {
                pane.UpdateDialog(lineNumber(done + i));
                if (editPerLine)
                    pane.showWaitingLines();
            }
            // the read is over: the pane's slices, the scroll and any
            // repaint belong to the cost of these lines
            settle(pane);
        }
        const double ms = t.nsecsElapsed() / 1e6;
        if (done == 0) {
            firstMs = ms;
            firstLines = n;
        }
        lastMs = ms;
        lastLines = n;
    }
    const double totalS = total.nsecsElapsed() / 1e9;
    std::printf("lines: %d (%s, %s, %s)\n", lines, shown ? "pane shown" : "pane hidden",
                plain ? "no stamps or colours" : "stamped and coloured",
                editPerLine ? "one edit per line" : "one edit per turn");
    // a short last batch is divided by its own count
    std::printf("first %d lines: %.2f us/line\n", firstLines,
                firstLines ? firstMs * 1000.0 / firstLines : 0.0);
    std::printf("last %d lines:  %.2f us/line\n", lastLines,
                lastLines ? lastMs * 1000.0 / lastLines : 0.0);
    std::printf("total: %.2f s (%.2f us/line), blocks in the pane: %d\n", totalS,
                totalS * 1e6 / qMax(1, lines), pane.txtDialog()->document()->blockCount());
    std::printf("peak RSS: %ld kB before the lines, %ld kB after\n", rssBefore, peakRssKb());

    if (!editPerLine) {
        int counter = lines;
        burst(pane, 10000, 10000, counter);
        burst(pane, 10000, perRead, counter);
        hugeLine(pane, 64 * 1024);
        hugeLine(pane, 1024 * 1024);
    }
    return 0;
}
