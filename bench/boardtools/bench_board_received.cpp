// Times the rendering of received drawing messages through the drawing
// tools, the extremes a hostile peer can send included, and a long run of
// ordinary freehand segments. Prints one line per case: the worst and the
// mean time of one message.

#include "boardsurface.h"
#include "bruvela.h"
#include "drawingtools.h"
#include "palette.h"
#include "sinks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <functional>
#include <limits>

namespace
{

struct Rig {
    board::BoardSurface surface;
    board::Palette palette;
    fill::Bruvela bruvela;
    board::DrawingTools tools{&surface, &palette, &bruvela};
    Rig()
    {
        tools.setBroadcaster([](const QString &) {});
    }
};

void run(QTextStream &out, const char *name, int repeats,
         const std::function<void(Rig &, int)> &step)
{
    Rig rig;
    qint64 worst = 0;
    qint64 total = 0;
    QElapsedTimer timer;
    for (int i = 0; i < repeats; ++i) {
        timer.start();
        step(rig, i);
        const qint64 ns = timer.nsecsElapsed();
        worst = std::max(worst, ns);
        total += ns;
    }
    out << QString::asprintf("%-44s n=%-7d worst %9.3f ms   mean %9.4f ms\n", name, repeats,
                             worst / 1e6, total / 1e6 / repeats);
    out.flush();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const float big = 9999999999.0f;
    const float small = -999999999.0f;

    run(out, "line across the field range, width 30000", 50, [&](Rig &r, int) {
        r.tools.receiveLine(session::DrawFields{small, small, big, big, 255, 30000, 3});
    });
    run(out, "line far outside the board", 50, [&](Rig &r, int) {
        r.tools.receiveLine(session::DrawFields{big, big, big, small, 255, 25, 1});
    });
    run(out, "circle radius 1e9 crossing the board, w 30000", 50, [&](Rig &r, int) {
        r.tools.receiveCircle(session::DrawFields{1e9f, 400, 0, 400, 255, 30000, 3});
    });
    run(out, "circle radius 1e9 around the board", 50, [&](Rig &r, int) {
        r.tools.receiveCircle(session::DrawFields{400, 400, 1e9f, 400, 255, 30000, 3});
    });
    run(out, "circle radius 600 px, width 30000", 50, [&](Rig &r, int) {
        r.tools.receiveCircle(session::DrawFields{400, 400, 1000, 400, 255, 30000, 3});
    });
    run(out, "fill of the whole empty board (alternating)", 50,
        [&](Rig &r, int i) { r.tools.receiveFill(10, 10, (i % 2) ? 0x00FFFFFF : 0x000000FF); });
    run(out, "fill outside the board", 50,
        [&](Rig &r, int) { r.tools.receiveFill(big, small, -1); });
    run(out, "freehand segment, width 3, twips", 100000, [&](Rig &r, int i) {
        const float x = float((i * 37) % 12000);
        const float y = float((i * 53) % 12000);
        r.tools.receiveLine(session::DrawFields{x, y, x + 45, y + 30, 0x00FF0000, 3, 1});
    });
    run(out, "local freehand move (draw + message)", 100000, [&](Rig &r, int i) {
        if (i == 0) {
            r.palette.picSelColor_Click(5);
            r.tools.mousePress(1, false, 0, 0);
        }
        r.tools.mouseMove(1, false, float((i * 37) % 12000), float((i * 53) % 12000));
    });
    return 0;
}
