// Times received texts: 1,000 complete sets through the board's receiver
// (palette borrowed and restored, text drawn), and single hostile sets: the
// largest sizes at awkward angles, a 1 MiB text, unknown fonts, far anchors.
// Run: QT_QPA_PLATFORM=offscreen bench_board_text [sets]

#include "boardsurface.h"
#include "drawingtools.h"
#include "palette.h"
#include "sinks.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <vector>

using board::BoardSurface;
using board::DrawingTools;

namespace
{

struct Rig {
    BoardSurface surface;
    board::Palette palette;
    DrawingTools tools{&surface, &palette, nullptr};
    Rig()
    {
        tools.setBroadcaster([](const QString &) {});
        palette.picSelColor_Click(3);
    }
};

session::TextSet typical(QRandomGenerator &rng)
{
    static const QStringList fonts{QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif"),
                                   QStringLiteral("Nimbus Roman"), QStringLiteral("URW Gothic")};
    session::TextSet t;
    t.Text = QStringLiteral("Il drago dorme sotto la montagna %1").arg(rng.bounded(1000));
    t.x = rng.bounded(12000);
    t.Y = rng.bounded(12000);
    t.Underlined = rng.bounded(2);
    t.Italic = rng.bounded(2);
    t.Strike = rng.bounded(4) == 0;
    t.Height = qint16(2 + rng.bounded(149));
    t.Width = qint16(2 + rng.bounded(149));
    t.angle = qint16(rng.bounded(360));
    t.FWidth = 100 * (1 + rng.bounded(9));
    t.FName = fonts.at(rng.bounded(int(fonts.size())));
    return t;
}

void timeOne(Rig &rig, const char *what, const session::TextSet &t, int reps)
{
    std::vector<qint64> times;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer timer;
        timer.start();
        rig.tools.receiveText(t, qint16(i % 26), 1);
        times.push_back(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    std::printf("%-52s median %8.3f ms  max %8.3f ms  (%d ops)\n", what,
                times[times.size() / 2] / 1e6, times.back() / 1e6, reps);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int sets = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;

    Rig rig;
    QRandomGenerator rng(7);
    std::vector<session::TextSet> texts;
    for (int i = 0; i < sets; ++i)
        texts.push_back(typical(rng));
    std::vector<qint64> times;
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < sets; ++i) {
        QElapsedTimer t;
        t.start();
        rig.tools.receiveText(texts[size_t(i)], qint16(i % 26), 1);
        times.push_back(t.nsecsElapsed());
    }
    const qint64 total = all.nsecsElapsed();
    std::sort(times.begin(), times.end());
    std::printf("%d received text sets, random sizes/angles/fonts: %.1f ms total, "
                "%.3f ms/set, median %.3f ms, max %.3f ms\n",
                sets, total / 1e6, total / 1e6 / sets, times[times.size() / 2] / 1e6,
                times.back() / 1e6);

    session::TextSet t;
    t.x = 100;
    t.Y = 6000;
    t.Height = 150;
    t.Width = 150;
    t.angle = 33;
    t.FWidth = 900;
    t.Text = QString(200, QLatin1Char('W'));
    t.FName = QStringLiteral("DejaVu Serif");
    timeOne(rig, "largest size, 200 chars, 33 degrees", t, 20);

    QString huge;
    while (huge.size() < (1 << 20))
        huge += QStringLiteral("Il drago dorme sotto la montagna. ");
    huge.truncate(1 << 20);
    t.Text = huge;
    t.Height = 2;
    t.Width = 2;
    t.angle = 45;
    t.x = 0;
    t.Y = 12000;
    timeOne(rig, "1 MiB text, smallest size, across the diagonal", t, 20);
    t.Height = 150;
    t.Width = 150;
    timeOne(rig, "1 MiB text, largest size", t, 20);
    t.Height = 13;
    t.Width = 4;
    t.angle = 0;
    t.Y = 100;
    timeOne(rig, "1 MiB text, start size, level", t, 20);
    t.Height = 150;
    t.Width = 2;
    t.Y = 6000;
    timeOne(rig, "1 MiB text, tallest and narrowest, level", t, 20);
    // The slowest character the single-byte wire can carry, found by trying
    // every byte: a vertical tab.
    t.Text = QString(1 << 20, QChar(0x0B));
    t.Underlined = t.Italic = t.Strike = true;
    timeOne(rig, "1 MiB of vertical tabs, every style", t, 20);
    t.Underlined = t.Italic = t.Strike = false;
    t.Text = huge;
    t.Height = 13;
    t.Width = 4;
    t.Y = 100;
    t.FName = QString(1 << 20, QLatin1Char('F'));
    timeOne(rig, "1 MiB text and 1 MiB font name", t, 20);
    t.FName = QStringLiteral("Nessuna Fonte");
    t.x = -2000000000;
    timeOne(rig, "1 MiB text anchored far off the board", t, 20);
    t.x = 100;
    t.angle = 3277;
    timeOne(rig, "angle beyond 3276.7 (refused)", t, 20);
    return 0;
}
