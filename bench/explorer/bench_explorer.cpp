// Times the image explorer's work on large pictures: laying the grid of
// inverted dots (against plotting the same dots one by one through the
// surface), one rubber-band step of a mouse move on the picture and the
// board together, and a finished line.
// Run: QT_QPA_PLATFORM=offscreen bench_explorer [repetitions]

#include "boardsurface.h"
#include "explorerengine.h"
#include "palette.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using board::BoardSurface;
using explorer::ExplorerEngine;

namespace
{

void report(const char *what, qint64 nanos, int count)
{
    std::printf("%-58s %10.3f ms/op  (%d ops)\n", what, nanos / 1e6 / count, count);
}

QImage picture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(200, 180, 90));
    return img;
}

qint64 grid(BoardSurface &board, board::Palette &palette, QSize size, int step, int reps)
{
    ExplorerEngine engine(&board, &palette);
    engine.setPicture(picture(size.width(), size.height()));
    engine.setGridSpacing(ExplorerEngine::spacingFromText(QString::number(step)));
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < reps; ++i)
        engine.DrawGrid();
    return t.nsecsElapsed();
}

qint64 dotByDot(QSize size, int step, int reps)
{
    BoardSurface s(size);
    s.setPicture(picture(size.width(), size.height()));
    s.setDrawMode(BoardSurface::Invert);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < reps; ++i) {
        BoardSurface::ChangeBatch batch(s);
        for (int r = 1; r <= int(s.scaleHeight() / step); ++r)
            for (int c = 1; c <= int(s.scaleWidth() / step); ++c)
                s.pset(QPointF(c * step, r * step));
    }
    return t.nsecsElapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    BoardSurface board;
    board::Palette palette;
    palette.picSelColor_Click(5);

    report("grid, 800 x 800 px, step 120 twips", grid(board, palette, {800, 800}, 120, reps * 10),
           reps * 10);
    report("grid, 800 x 800 px, step 25 twips", grid(board, palette, {800, 800}, 25, reps * 10),
           reps * 10);
    report("same dots one by one through the surface, step 25", dotByDot({800, 800}, 25, reps),
           reps);
    report("grid, 4000 x 3000 px, step 25 twips", grid(board, palette, {4000, 3000}, 25, reps),
           reps);
    report("grid, 16384 x 4096 px, step 25 twips",
           grid(board, palette, {16384, 4096}, 25, std::max(1, reps / 5)), std::max(1, reps / 5));

    // One mouse move with a line pending: the old band inverted away and the
    // new one inverted on, on the picture and on the board.
    {
        ExplorerEngine engine(&board, &palette);
        engine.setPicture(picture(4000, 3000));
        engine.mouseDown(ExplorerEngine::Left, 15, 15);
        const int moves = reps * 200;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < moves; ++i)
            engine.mouseMove(float(59000 - (i % 100) * 15), float(44000 - (i % 77) * 15));
        report("band move, diagonal of a 4000 x 3000 px picture", t.nsecsElapsed(), moves);

        t.restart();
        for (int i = 0; i < moves; ++i) {
            engine.mouseDown(ExplorerEngine::Left, float(59000 - (i % 100) * 15), 44000);
            engine.mouseDown(ExplorerEngine::Left, 15, float(15 + (i % 50) * 15));
        }
        report("finished line (2 clicks), same diagonal", t.nsecsElapsed(), moves);
    }
    return 0;
}
