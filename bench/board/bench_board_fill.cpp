// Times the board's fill and drawing at the sizes and extremes the board can
// meet, and sets the fill beside ImageMagick's flood fill of the same image.
// Run: bench_board_fill [repetitions]

#include "boardsurface.h"
#include "bruvela.h"
#include "filltarget.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

using board::BoardSurface;

namespace {

class ImageTarget : public fill::FillTarget
{
public:
    explicit ImageTarget(QImage img)
        : image(std::move(img))
    {
    }
    QImage *fillImage() override { return &image; }
    quint32 FillColor() const override { return colour; }
    void setFillColor(quint32 c) override { colour = c; }
    void fillChanged(const QRect &) override {}
    QImage image;
    quint32 colour = 0;
};

void report(const char *what, qint64 nanos, int count)
{
    std::printf("%-58s %10.3f ms/op  (%d ops)\n", what, nanos / 1e6 / count, count);
}

/// Alternates two colours so every fill repaints the whole connected area.
qint64 timeFills(fill::FillTarget &target, int x, int y, int count)
{
    fill::Bruvela b;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        b.setColore(i % 2 ? 0x00FFFFFF : 0x000000FF);
        b.fill(&target, float(x), float(y));
    }
    return t.nsecsElapsed();
}

/// A board-sized maze of corridors: walls on every other row, each with one gap
/// at alternating ends, so the fill winds through the whole board.
QImage serpentine(int size)
{
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(0xFFFFFFFF);
    for (int y = 1; y < size; y += 2) {
        const int gap = (y / 2) % 2 == 0 ? size - 1 : 0;
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < size; ++x)
            if (x != gap)
                row[x] = 0xFF000000;
    }
    return img;
}

/// Runs ImageMagick @p count times and returns the mean wall time per run.
qint64 timeConvert(const QStringList &args, int count, bool *ok)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        QProcess p;
        p.start(QStringLiteral("convert"), args);
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            *ok = false;
            return 0;
        }
    }
    *ok = true;
    return t.nsecsElapsed() / count;
}

void compareWithImageMagick(int reps)
{
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty()) {
        std::printf("ImageMagick convert not found: comparison skipped\n");
        return;
    }
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("board.ppm"));
    const QString plain = dir.filePath(QStringLiteral("copy.ppm"));
    const QString filled = dir.filePath(QStringLiteral("filled.ppm"));
    for (const auto &[name, image] : {std::pair{"empty board", QImage()}, std::pair{"maze board", serpentine(800)}}) {
        QImage img = image;
        if (img.isNull()) {
            img = QImage(800, 800, QImage::Format_RGB32);
            img.fill(0xFFFFFFFF);
        }
        img.save(in);
        bool ok = false;
        // Reading and writing the file alone, to take the process and I/O out.
        const qint64 base = timeConvert({in, plain}, reps, &ok);
        const qint64 withFill = ok ? timeConvert({in, QStringLiteral("-fill"), QStringLiteral("red"),
                                                  QStringLiteral("-draw"), QStringLiteral("color 0,0 floodfill"), filled},
                                                 reps, &ok)
                                   : 0;
        if (!ok) {
            std::printf("ImageMagick failed: comparison skipped\n");
            return;
        }
        ImageTarget ours(img);
        const qint64 ourFill = timeFills(ours, 0, 0, 20) / 20;
        const double imFill = double(withFill - base);
        std::printf("%s 800x800: ImageMagick run %.3f ms, of which plain copy %.3f ms, fill alone ~%.3f ms;"
                    " ours %.3f ms; ratio (ImageMagick fill / ours) %.1f\n",
                    name, withFill / 1e6, base / 1e6, imFill / 1e6, ourFill / 1e6,
                    ourFill > 0 ? imFill / double(ourFill) : 0.0);

        // Same pixels painted?
        ImageTarget check(img);
        fill::Bruvela b;
        b.setColore(0x000000FF);
        b.fill(&check, 0, 0);
        const QImage theirs = QImage(filled).convertToFormat(QImage::Format_RGB32);
        int differ = 0;
        for (int y = 0; y < 800; ++y)
            for (int x = 0; x < 800; ++x)
                differ += theirs.pixel(x, y) != check.image.pixel(x, y);
        std::printf("  pixels that differ from ImageMagick's result: %d\n", differ);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    {
        BoardSurface board;
        report("fill, whole empty board 800x800", timeFills(board, 400, 400, reps), reps);
    }
    {
        ImageTarget maze(serpentine(800));
        report("fill, maze board 800x800 (400 corridors)", timeFills(maze, 0, 0, reps), reps);
    }
    {
        QImage big(4000, 4000, QImage::Format_RGB32);
        big.fill(0xFFFFFFFF);
        ImageTarget target(big);
        const int n = std::max(1, reps / 4);
        report("fill, empty image 4000x4000", timeFills(target, 2000, 2000, n), n);
    }
    {
        ImageTarget maze(serpentine(4000));
        const int n = std::max(1, reps / 4);
        report("fill, maze image 4000x4000 (2000 corridors)", timeFills(maze, 0, 0, n), n);
    }

    // What a peer can send at the limits.
    BoardSurface board;
    board.setScaleMode(BoardSurface::Pixels);
    board.setDrawWidth(30000); // clamped
    QElapsedTimer t;
    const int n = 200;
    t.start();
    for (int i = 0; i < n; ++i)
        board.circle(QPointF(400, 400), 1e9, 0);
    report("circle radius 1e9 centred on the board, width 30000", t.nsecsElapsed(), n);
    t.restart();
    for (int i = 0; i < n; ++i)
        board.circle(QPointF(400.5 + 1e9, 400), 1e9, quint32(i));
    report("circle radius 1e9 whose rim crosses the board", t.nsecsElapsed(), n);
    board.setFillStyle(BoardSurface::FillSolid);
    t.restart();
    for (int i = 0; i < n; ++i)
        board.circle(QPointF(400, 400), 1e9, quint32(i));
    report("filled circle radius 1e9 (covers the board)", t.nsecsElapsed(), n);
    board.setFillStyle(BoardSurface::FillTransparent);
    t.restart();
    for (int i = 0; i < n; ++i)
        board.line(QPointF(-1e10, -1e10), QPointF(1e10, 1e10), quint32(i));
    report("line -1e10 -> 1e10, width 30000", t.nsecsElapsed(), n);
    board.setDrawWidth(1);
    t.restart();
    for (int i = 0; i < n; ++i)
        board.line(QPointF(-1e10, 3), QPointF(1e10, 797), quint32(i));
    report("line -1e10 -> 1e10, width 1", t.nsecsElapsed(), n);
    board.setDrawMode(BoardSurface::Invert);
    board.setDrawWidth(255);
    t.restart();
    for (int i = 0; i < n; ++i)
        board.line(QPointF(0, 0), QPointF(799, 799));
    report("invert line across the board, width 255", t.nsecsElapsed(), n);
    board.setDrawMode(BoardSurface::CopyPen);

    // A stream of freehand segments as received.
    QRandomGenerator rng(5);
    const int segments = 100000;
    QPointF p(6000, 6000);
    BoardSurface stream;
    t.restart();
    for (int i = 0; i < segments; ++i) {
        const QPointF q(std::clamp(p.x() + rng.bounded(300.0) - 150, 0.0, 12000.0),
                        std::clamp(p.y() + rng.bounded(300.0) - 150, 0.0, 12000.0));
        stream.setDrawWidth(1 + int(rng.bounded(25)));
        stream.line(p, q, quint32(i * 2654435761u));
        p = q;
    }
    report("freehand segment (twips, widths 1..25)", t.nsecsElapsed(), segments);

    compareWithImageMagick(std::max(3, reps / 4));
    return 0;
}
