// Times Resample of an 800 x 800 picture (the board's size) to 1600 x 1600
// and to 400 x 400, and the whole "cmdRidim" step (clipboard copy included).
// Run: bench_board_resample [repetitions]

#include "boardimages.h"
#include "boardsurface.h"
#include "cdibsection.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>

#include <cstdio>

using board::cDIBSection;

namespace
{

void report(const char *what, qint64 nanos, int count)
{
    std::printf("%-52s %10.3f ms/op  (%d ops)\n", what, nanos / 1e6 / count, count);
}

QImage noise(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator rng(42);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, rng.generate() | 0xFF000000u);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    cDIBSection source;
    if (!source.CreateFromPicture(noise(800)))
        return 1;

    for (const int side : {1600, 400}) {
        quint64 sink = 0;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < reps; ++i) {
            const cDIBSection out = source.Resample(side, side);
            sink += out.byteAt(i % side, side / 2, i % 3);
        }
        const qint64 ns = t.nsecsElapsed();
        report(qPrintable(QStringLiteral("Resample 800x800 -> %1x%1").arg(side)), ns, reps);
        if (sink == 0xFFFFFFFF)
            std::printf("%llu\n", static_cast<unsigned long long>(sink));
    }

    board::BoardSurface surface;
    board::BoardImages images(&surface);
    images.loadPicture(noise(800));
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < reps; ++i) {
        // Alternating keeps every step a real resample of the last result.
        const QString side = i % 2 ? QStringLiteral("800") : QStringLiteral("1600");
        images.cmdRidim(side, side);
    }
    report("cmdRidim 800 <-> 1600 (copy, resample, paint)", t.nsecsElapsed(), reps);
    return 0;
}
