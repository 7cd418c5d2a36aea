// Runs the clock and bell alone in an idle event loop and reports the CPU
// time it used and how many times the clock text changed.
//
// Usage: bench_conversation_clock [seconds]   (default 20)

#include "clockbell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <cstdio>

static double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
           u.ru_stime.tv_usec / 1e6;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;

    QWidget window;
    window.resize(200, 100);
    conversation::ClockBell bell(&window);
    window.show();
    QCoreApplication::processEvents();

    int changes = 0;
    QObject::connect(bell.clock(), &conversation::BellClock::textChanged, [&] { ++changes; });

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = wall.nsecsElapsed() / 1e9;

    std::printf("clock alone, idle loop: %.1f s wall, %.3f s CPU = %.3f%% of a core\n", elapsed,
                cpu, 100.0 * cpu / elapsed);
    std::printf("clock text changes: %d (last shown %s)\n", changes, qPrintable(bell.clockText()));
    return 0;
}
