// The cost of one look for a program's window on X11, the work the program
// panel repeats every 100 ms for up to 10 seconds after a launch: with many
// top-level windows on the display, a look for a process that has none
// reads them all.
//
// Usage: bench_panel_windowsearch [windows]   (default 200)
// Needs an X server, e.g. Xvfb :77 & DISPLAY=:77 bench_panel_windowsearch

#include "windowsearch.h"
#include "x11windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    if (!panel::X11Windows::available()) {
        std::fprintf(stderr, "no X11 connection\n");
        return 1;
    }
    const int count = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 200;
    std::vector<std::unique_ptr<QWindow>> windows;
    for (int i = 0; i < count; ++i) {
        auto w = std::make_unique<QWindow>();
        w->setGeometry(10 + i % 50, 10 + i % 40, 60, 40);
        w->show();
        windows.push_back(std::move(w));
    }
    // Let the server map them all.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    const qint64 self = QCoreApplication::applicationPid();
    QElapsedTimer t;
    t.start();
    const quint64 own = panel::X11Windows::findWindowOfProcess(self);
    const double foundMs = t.nsecsElapsed() / 1e6;

    const int runs = 50;
    t.restart();
    for (int i = 0; i < runs; ++i)
        panel::X11Windows::findWindowOfProcess(999999); // nobody's
    const double missMs = t.nsecsElapsed() / 1e6 / runs;
    std::printf("%d top-level windows of our own on the display\n", count);
    std::printf("look that finds ours (first match):  %.3f ms (window %s)\n", foundMs,
                own ? "found" : "not found");
    std::printf("look that finds nothing (all read):  %.3f ms\n", missMs);
    std::printf("share of a core while searching every %d ms: %.2f%%\n",
                panel::WindowSearch::kDefaultInterval,
                100.0 * missMs / panel::WindowSearch::kDefaultInterval);
    return 0;
}
