// The image explorer's engine: the grid step it takes from the grid
// dialog, snapping, the grid of inverted dots, the rubber band, connected
// lines, the right-click cancel and what reaches the main board.

#include "boardsurface.h"
#include "explorerengine.h"
#include "messagerecorder.h"
#include "palette.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>

using board::BoardSurface;
using explorer::ExplorerEngine;

namespace
{

constexpr quint32 kRed = 0x000000FF;
constexpr int kRedIndex = 5;
constexpr int kTw = ExplorerEngine::kTwipsPerPixel;

/// A picture whose every pixel differs from its neighbours, so a stray
/// inverted or painted pixel anywhere shows.
QImage pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 13) & 0xFF, (x * y + 40) & 0xFF));
    return img;
}

/// The main board, the palette and an engine exploring a picture.
struct Rig {
    BoardSurface board;
    board::Palette palette;
    MessageRecorder boxes;
    QImage original;
    std::unique_ptr<ExplorerEngine> engine;

    explicit Rig(QSize picture = QSize(120, 90), float spacing = 0.25f)
        : original(pattern(picture.width(), picture.height()))
    {
        palette.picSelColor_Click(kRedIndex);
        engine = std::make_unique<ExplorerEngine>(&board, &palette);
        engine->setMessageService(&boxes);
        engine->setPicture(original);
        engine->setGridSpacing(spacing);
    }
    QImage picture() const { return engine->picture()->image(); }
    void click(float x, float y) { engine->mouseDown(ExplorerEngine::Left, x, y); }
    void rightClick(float x, float y) { engine->mouseDown(ExplorerEngine::Right, x, y); }
};

/// What a surface of @p picture looks like with @p lines drawn on it in red.
QImage expected(const QImage &picture, const QList<QLineF> &lines, int width = 1)
{
    BoardSurface s(picture.size());
    s.setPicture(picture);
    s.setDrawWidth(width);
    for (const QLineF &l : lines)
        s.line(l.p1(), l.p2(), kRed);
    return s.image();
}

QImage whiteBoard(const QList<QLineF> &lines = {}, int width = 1)
{
    BoardSurface s;
    s.setDrawWidth(width);
    for (const QLineF &l : lines)
        s.line(l.p1(), l.p2(), kRed);
    return s.image();
}

/// The same with one band (start→end) inverted over it.
QImage withBand(QImage image, const QLineF &band, int width = 1)
{
    BoardSurface s(image.size());
    s.paintOn([&image](QImage &target) {
        target = image;
        return target.rect();
    });
    s.setDrawWidth(width);
    s.setDrawMode(BoardSurface::Invert);
    s.line(band.p1(), band.p2());
    return s.image();
}

int differingPixels(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

class TestExplorerEngine : public QObject
{
    Q_OBJECT
private slots:
    // grid step and snapping
    void snap_data();
    void snap();
    void spacingFromText_data();
    void spacingFromText();
    void snappedPointsLieOnTheGridDots_data();
    void snappedPointsLieOnTheGridDots();

    // the grid
    void gridDots_data();
    void gridDots();
    void gridMatchesDotByDot_data();
    void gridMatchesDotByDot();
    void gridTwiceRestoresThePicture_data();
    void gridTwiceRestoresThePicture();
    void gridKeepsPenAndDrawMode();
    void zeroStepLaysNoGridAndSnapsNothing();

    // lines
    void twoClicksDrawOnBothSurfaces();
    void snappedLineAndItsBand();
    void connectedLinesJoinAndBandFollows();
    void connectedSnappedLinesStartAtTheSnappedEnd();
    void boardInPixelsGetsTheSameCoordinates();
    void widePenOnTheBoard();

    // cancelling
    void rightClickLeavesNoTrace_data();
    void rightClickLeavesNoTrace();
    void connectedLinesOffCancelsThePendingLine();
    void boardWipedWhileALineIsPending();
    void clearDrawingRestoresThePicture();

    // other
    void titleWhileALineIsPending();
    void noColourTellsAndDrawsNothing();
    void noPictureDrawsNothing();
};

// --- grid step and snapping ---------------------------------------------------

void TestExplorerEngine::snap_data()
{
    QTest::addColumn<float>("spacing");
    QTest::addColumn<float>("v");
    QTest::addColumn<float>("snapped");

    QTest::newRow("360: 540 goes up") << 0.25f << 540.0f << 720.0f;
    QTest::newRow("360: 539 goes down") << 0.25f << 539.0f << 360.0f;
    QTest::newRow("360: half a step from 0 goes up") << 0.25f << 180.0f << 360.0f;
    QTest::newRow("360: 179.4 rounds to 179, down") << 0.25f << 179.4f << 0.0f;
    QTest::newRow("360: 179.5 rounds to 180, up") << 0.25f << 179.5f << 360.0f;
    QTest::newRow("360: on a dot") << 0.25f << 720.0f << 720.0f;
    QTest::newRow("360: 0") << 0.25f << 0.0f << 0.0f;
    QTest::newRow("360: 899.5 rounds to 900, up") << 0.25f << 899.5f << 1080.0f;
    QTest::newRow("120: 179") << 0.0833f << 179.0f << 120.0f;
    QTest::newRow("120: 180") << 0.0833f << 180.0f << 240.0f;
    QTest::newRow("120: 59") << 0.0833f << 59.0f << 0.0f;
    QTest::newRow("negative spacing snaps by its size") << -0.25f << 540.0f << 720.0f;
    QTest::newRow("no step: unchanged") << 0.0f << 539.0f << 539.0f;
    QTest::newRow("step rounding to 0: unchanged") << 0.0003f << 12345.5f << 12345.5f;
    QTest::newRow("one twip") << 0.0007f << 12.4f << 12.0f;
}

void TestExplorerEngine::snap()
{
    QFETCH(float, spacing);
    QFETCH(float, v);
    QFETCH(float, snapped);
    QCOMPARE(ExplorerEngine::snap(v, spacing), snapped);
}

void TestExplorerEngine::spacingFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("spacing");
    QTest::addColumn<int>("step");

    QTest::newRow("360") << "360" << 0.25f << 360;
    QTest::newRow("initial 120") << "120" << 0.0833f << 120;
    QTest::newRow("100") << "100" << 0.0694f << 100;
    QTest::newRow("25") << "25" << 0.0174f << 25;
    QTest::newRow("largest the dialog makes") << "32750" << 22.7431f << 32750;
    QTest::newRow("0") << "0" << 0.0f << 0;
    QTest::newRow("empty") << "" << 0.0f << 0;
    QTest::newRow("not a number") << "abc" << 0.0f << 0;
    QTest::newRow("rounds to 0 twips") << "0.5" << 0.0003f << 0;
    QTest::newRow("rounds to 1 twip") << "0.7" << 0.0005f << 1;
    QTest::newRow("negative") << "-25" << -0.0174f << 25;
    QTest::newRow("leading number") << "12abc" << 0.0083f << 12;
}

void TestExplorerEngine::spacingFromText()
{
    QFETCH(QString, text);
    QFETCH(float, spacing);
    QFETCH(int, step);
    const float s = ExplorerEngine::spacingFromText(text);
    QCOMPARE(s, spacing);
    QCOMPARE(ExplorerEngine::stepTwips(s), step);
}

void TestExplorerEngine::snappedPointsLieOnTheGridDots_data()
{
    QTest::addColumn<QString>("passigen");
    QTest::newRow("25") << "25";
    QTest::newRow("100") << "100";
    QTest::newRow("120") << "120";
    QTest::newRow("360") << "360";
    QTest::newRow("-75") << "-75";
    QTest::newRow("1000") << "1000";
}

void TestExplorerEngine::snappedPointsLieOnTheGridDots()
{
    // The grid's step and the snap's step are worked out in two places; a
    // snapped point that missed the dots would make the grid useless.
    // Clicks arrive in whole twips (15 to a pixel).
    QFETCH(QString, passigen);
    const float spacing = ExplorerEngine::spacingFromText(passigen);
    const int step = ExplorerEngine::stepTwips(spacing);
    QVERIFY(step > 0);
    for (float v = 0; v < 5000; v += 37) {
        const float s = ExplorerEngine::snap(v, spacing);
        QCOMPARE(std::fmod(double(s), double(step)), 0.0);
        QVERIFY2(std::abs(s - v) <= step / 2.0, qPrintable(QString::number(v)));
    }
}

// --- the grid -------------------------------------------------------------------

void TestExplorerEngine::gridDots_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<float>("spacing");
    QTest::addColumn<QList<QPoint>>("dots");

    // 120 x 90 px is 1800 x 1350 twips: 5 columns and 3 rows of 360, the
    // fifth column on the right edge, outside the picture.
    QList<QPoint> dots;
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 4; ++c)
            dots << QPoint(24 * c, 24 * r);
    QTest::newRow("360 on 120x90") << QSize(120, 90) << 0.25f << dots;
    // 96 x 48 px is exactly 4 x 2 steps: the last column and row fall on
    // the edge, outside the picture.
    QTest::newRow("360 on 96x48 (edges)")
        << QSize(96, 48) << 0.25f << QList<QPoint>{{24, 24}, {48, 24}, {72, 24}};
    QTest::newRow("picture smaller than a step") << QSize(20, 20) << 0.25f << QList<QPoint>{};
    QTest::newRow("no step") << QSize(120, 90) << 0.0f << QList<QPoint>{};
}

void TestExplorerEngine::gridDots()
{
    QFETCH(QSize, size);
    QFETCH(float, spacing);
    QFETCH(QList<QPoint>, dots);
    Rig rig(size, spacing);
    QCOMPARE(rig.engine->DrawGrid(), spacing != 0.0f);
    const QImage after = rig.picture();
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb was = rig.original.pixel(x, y);
            const QRgb want = dots.contains(QPoint(x, y)) ? (was ^ 0x00FFFFFFu) : was;
            if (after.pixel(x, y) != want)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

void TestExplorerEngine::gridMatchesDotByDot_data()
{
    QTest::addColumn<QString>("passigen");
    QTest::newRow("7 (several dots per pixel)") << "7";
    QTest::newRow("25") << "25";
    QTest::newRow("100 (dots between pixels)") << "100";
    QTest::newRow("120") << "120";
    QTest::newRow("-50") << "-50";
    QTest::newRow("1000") << "1000";
}

void TestExplorerEngine::gridMatchesDotByDot()
{
    // The grid is laid pixel by pixel for speed; it must give exactly what
    // a one-pixel inverted dot at every grid point gives on a surface.
    QFETCH(QString, passigen);
    const float spacing = ExplorerEngine::spacingFromText(passigen);
    Rig rig(QSize(157, 83), spacing);
    QVERIFY(rig.engine->DrawGrid());

    BoardSurface ref(rig.original.size());
    ref.setPicture(rig.original);
    ref.setDrawMode(BoardSurface::Invert);
    const int step = ExplorerEngine::stepTwips(spacing);
    for (int r = 1; r <= int(ref.scaleHeight() / step); ++r)
        for (int c = 1; c <= int(ref.scaleWidth() / step); ++c)
            ref.pset(QPointF(c * step, r * step));
    QCOMPARE(rig.picture(), ref.image());
    QVERIFY(rig.picture() != rig.original || step < kTw);
}

void TestExplorerEngine::gridTwiceRestoresThePicture_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<float>("spacing");
    QTest::newRow("120 on 120x90") << QSize(120, 90) << 0.0833f;
    QTest::newRow("25 on 331x217") << QSize(331, 217) << 0.0174f;
    QTest::newRow("360 on 800x800") << QSize(800, 800) << 0.25f;
    QTest::newRow("one twip") << QSize(64, 64) << 0.0007f;
}

void TestExplorerEngine::gridTwiceRestoresThePicture()
{
    QFETCH(QSize, size);
    QFETCH(float, spacing);
    Rig rig(size, spacing);
    QVERIFY(rig.engine->DrawGrid());
    QVERIFY(rig.picture() != rig.original);
    QVERIFY(rig.engine->DrawGrid());
    QCOMPARE(rig.picture(), rig.original);
}

void TestExplorerEngine::gridKeepsPenAndDrawMode()
{
    Rig rig;
    BoardSurface *pic = rig.engine->picture();
    pic->setDrawWidth(4);
    pic->setDrawMode(BoardSurface::CopyPen);
    QVERIFY(rig.engine->DrawGrid());
    QCOMPARE(pic->drawWidth(), 4);
    QCOMPARE(pic->drawMode(), int(BoardSurface::CopyPen));
    // The dots are single pixels whatever the pen: 4 x 3 of them.
    QCOMPARE(differingPixels(rig.picture(), rig.original), 12);
}

void TestExplorerEngine::zeroStepLaysNoGridAndSnapsNothing()
{
    Rig rig(QSize(120, 90), ExplorerEngine::spacingFromText(QStringLiteral("0")));
    QCOMPARE(rig.engine->gridStep(), 0);
    QVERIFY(!rig.engine->DrawGrid());
    QCOMPARE(rig.picture(), rig.original);

    rig.engine->setSnap2Grid(true);
    rig.click(539, 301);
    QCOMPARE(rig.engine->x1(), 539.0f);
    QCOMPARE(rig.engine->y1(), 301.0f);
    rig.click(1201, 302);
    const QLineF line(539, 301, 1201, 302);
    QCOMPARE(rig.picture(), expected(rig.original, {line}));
    QCOMPARE(rig.board.image(), whiteBoard({line}));
}

// --- lines ------------------------------------------------------------------------

void TestExplorerEngine::twoClicksDrawOnBothSurfaces()
{
    Rig rig;
    QSignalSpy drawn(rig.engine.get(), &ExplorerEngine::lineDrawn);
    rig.click(300, 450);
    QVERIFY(rig.engine->linePending());
    rig.engine->mouseMove(700, 800);
    rig.engine->mouseMove(1000, 600);
    rig.click(1200, 450);

    const QLineF line(300, 450, 1200, 450);
    QCOMPARE(rig.picture(), expected(rig.original, {line}));
    QCOMPARE(rig.board.image(), whiteBoard({line}));
    QCOMPARE(rig.board.pixel(50, 30), std::optional<quint32>(kRed));
    QVERIFY(!rig.engine->linePending());
    QCOMPARE(rig.engine->x2(), 0.0f);
    QCOMPARE(rig.engine->y2(), 0.0f);
    QCOMPARE(drawn.count(), 1);
    QCOMPARE(drawn.at(0).at(0).value<QLineF>(), line);
    QVERIFY(rig.boxes.shown.isEmpty());
    // The board is left in the unit and mode it had.
    QCOMPARE(rig.board.scaleMode(), int(BoardSurface::Twips));
    QCOMPARE(rig.board.drawMode(), int(BoardSurface::CopyPen));
}

void TestExplorerEngine::snappedLineAndItsBand()
{
    Rig rig;
    rig.engine->setSnap2Grid(true);
    // The start jumps to (360, 360) and the band to the pointer shows at once.
    rig.click(539, 539);
    QCOMPARE(rig.engine->x1(), 360.0f);
    QCOMPARE(rig.engine->y1(), 360.0f);
    QCOMPARE(rig.engine->x2(), 539.0f);
    const QLineF band(360, 360, 539, 539);
    QCOMPARE(rig.picture(), withBand(rig.original, band));
    QCOMPARE(rig.board.image(), withBand(whiteBoard(), band));

    rig.click(1100, 200);
    const QLineF line(360, 360, 1080, 360);
    QCOMPARE(rig.picture(), expected(rig.original, {line}));
    QCOMPARE(rig.board.image(), whiteBoard({line}));
    QVERIFY(!rig.engine->linePending());
}

void TestExplorerEngine::connectedLinesJoinAndBandFollows()
{
    Rig rig;
    rig.engine->setMLine(true);
    rig.click(300, 300);
    rig.engine->mouseMove(900, 450);
    rig.click(900, 300);
    rig.engine->mouseMove(900, 900);
    rig.click(900, 1200);
    QVERIFY(rig.engine->linePending());
    QCOMPARE(rig.engine->x1(), 900.0f);
    QCOMPARE(rig.engine->y1(), 1200.0f);

    const QList<QLineF> lines{{300, 300, 900, 300}, {900, 300, 900, 1200}};
    QCOMPARE(rig.picture(), expected(rig.original, lines));
    QCOMPARE(rig.board.image(), whiteBoard(lines));

    // The band now runs from the end of the second line to the pointer.
    rig.engine->mouseMove(1500, 1200);
    const QLineF band(900, 1200, 1500, 1200);
    QCOMPARE(rig.picture(), withBand(expected(rig.original, lines), band));
    QCOMPARE(rig.board.image(), withBand(whiteBoard(lines), band));
    rig.engine->mouseMove(1500, 600);
    QCOMPARE(rig.picture(), withBand(expected(rig.original, lines), {900, 1200, 1500, 600}));
}

void TestExplorerEngine::connectedSnappedLinesStartAtTheSnappedEnd()
{
    Rig rig;
    rig.engine->setMLine(true);
    rig.engine->setSnap2Grid(true);
    rig.click(539, 539);   // start (360, 360)
    rig.click(1100, 200);  // end (1080, 360)
    rig.click(1000, 1000); // end (1080, 1080)
    const QList<QLineF> lines{{360, 360, 1080, 360}, {1080, 360, 1080, 1080}};
    QCOMPARE(rig.picture(), expected(rig.original, lines));
    QCOMPARE(rig.board.image(), whiteBoard(lines));
    QCOMPARE(rig.engine->x1(), 1080.0f);
    QCOMPARE(rig.engine->y1(), 1080.0f);
}

void TestExplorerEngine::boardInPixelsGetsTheSameCoordinates()
{
    // A fill leaves the board in pixels and received drawings leave it in
    // invert mode; the explorer's twips still land where they point.
    Rig rig;
    rig.board.setScaleMode(BoardSurface::Pixels);
    rig.board.setDrawMode(BoardSurface::Invert);
    rig.click(300, 450);
    rig.engine->mouseMove(900, 900);
    rig.click(1200, 450);
    QCOMPARE(rig.board.image(), whiteBoard({{300, 450, 1200, 450}}));
    QCOMPARE(rig.board.scaleMode(), int(BoardSurface::Pixels));
    QCOMPARE(rig.board.drawMode(), int(BoardSurface::Invert));
}

void TestExplorerEngine::widePenOnTheBoard()
{
    // The board draws with its own pen; the picture with its one-pixel pen.
    Rig rig;
    rig.board.setDrawWidth(5);
    rig.click(300, 450);
    rig.engine->mouseMove(1000, 1000);
    rig.click(1200, 450);
    QCOMPARE(rig.board.image(), whiteBoard({{300, 450, 1200, 450}}, 5));
    QCOMPARE(rig.picture(), expected(rig.original, {{300, 450, 1200, 450}}));
}

// --- cancelling ---------------------------------------------------------------------

void TestExplorerEngine::rightClickLeavesNoTrace_data()
{
    QTest::addColumn<bool>("snap");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("boardPen");
    QTest::addColumn<QList<QPointF>>("clicks");
    QTest::addColumn<QList<QPointF>>("moves");
    QTest::addColumn<QList<QLineF>>("kept");

    QTest::newRow("after moves") << false << false << 1 << QList<QPointF>{{300, 450}}
                                 << QList<QPointF>{{700, 800}, {1200, 300}} << QList<QLineF>{};
    QTest::newRow("snapped start, no move")
        << true << false << 1 << QList<QPointF>{{539, 539}} << QList<QPointF>{} << QList<QLineF>{};
    QTest::newRow("snapped start, moves") << true << false << 1 << QList<QPointF>{{539, 539}}
                                          << QList<QPointF>{{1300, 1000}, {100, 1200}}
                                          << QList<QLineF>{};
    QTest::newRow("wide board pen") << false << false << 6 << QList<QPointF>{{300, 450}}
                                    << QList<QPointF>{{1500, 1100}} << QList<QLineF>{};
    QTest::newRow("connected, after one line")
        << false << true << 1 << QList<QPointF>{{300, 300}, {900, 300}}
        << QList<QPointF>{{1200, 1200}, {600, 1100}} << QList<QLineF>{{300, 300, 900, 300}};
    QTest::newRow("band crossing its own line")
        << false << true << 1 << QList<QPointF>{{300, 600}, {1500, 600}}
        << QList<QPointF>{{300, 100}, {300, 1200}} << QList<QLineF>{{300, 600, 1500, 600}};
}

void TestExplorerEngine::rightClickLeavesNoTrace()
{
    QFETCH(bool, snap);
    QFETCH(bool, connected);
    QFETCH(int, boardPen);
    QFETCH(QList<QPointF>, clicks);
    QFETCH(QList<QPointF>, moves);
    QFETCH(QList<QLineF>, kept);

    Rig rig;
    rig.board.setDrawWidth(boardPen);
    rig.engine->setSnap2Grid(snap);
    rig.engine->setMLine(connected);
    for (const QPointF &p : clicks)
        rig.click(p.x(), p.y());
    for (const QPointF &p : moves)
        rig.engine->mouseMove(p.x(), p.y());
    QVERIFY(rig.engine->linePending());
    // The band is on both surfaces before the right click.
    QVERIFY(rig.engine->bandOnPicture() && rig.engine->bandOnBoard());
    QVERIFY(rig.picture() != expected(rig.original, kept));
    QVERIFY(rig.board.image() != whiteBoard(kept, boardPen));

    rig.rightClick(800, 800);
    QCOMPARE(rig.picture(), expected(rig.original, kept));
    QCOMPARE(rig.board.image(), whiteBoard(kept, boardPen));
    QVERIFY(!rig.engine->linePending());
    QCOMPARE(rig.engine->x2(), 0.0f);
    QCOMPARE(rig.engine->y2(), 0.0f);

    // Moving on draws nothing, and a new line starts afresh.
    rig.engine->mouseMove(400, 400);
    QCOMPARE(rig.picture(), expected(rig.original, kept));
    rig.click(150, 150);
    rig.click(150, 900);
    if (snap)
        kept << QLineF(0, 0, 0, 1080);
    else
        kept << QLineF(150, 150, 150, 900);
    QCOMPARE(rig.picture(), expected(rig.original, kept));
    QCOMPARE(rig.board.image(), whiteBoard(kept, boardPen));
}

void TestExplorerEngine::connectedLinesOffCancelsThePendingLine()
{
    Rig rig;
    rig.engine->setMLine(true);
    rig.click(300, 300);
    rig.engine->mouseMove(1000, 700);
    QVERIFY(rig.engine->bandOnBoard());
    rig.engine->setMLine(false);
    QVERIFY(!rig.engine->linePending());
    QCOMPARE(rig.engine->x2(), 0.0f);
    QCOMPARE(rig.picture(), rig.original);
    QCOMPARE(rig.board.image(), whiteBoard());
}

void TestExplorerEngine::boardWipedWhileALineIsPending()
{
    // A peer clears the board between the two clicks: the band went with
    // the board, so taking it away must not paint it back.
    Rig rig;
    rig.click(300, 300);
    rig.engine->mouseMove(1200, 900);
    QVERIFY(rig.engine->bandOnBoard());
    rig.board.clear();
    rig.rightClick(0, 0);
    QCOMPARE(rig.board.image(), whiteBoard());
    QCOMPARE(rig.picture(), rig.original);

    // The same with the line finished: only the line reaches the board.
    rig.click(300, 300);
    rig.engine->mouseMove(1200, 900);
    rig.board.clear();
    rig.engine->mouseMove(1200, 300);
    rig.click(1200, 300);
    QCOMPARE(rig.board.image(), whiteBoard({{300, 300, 1200, 300}}));
}

void TestExplorerEngine::clearDrawingRestoresThePicture()
{
    Rig rig;
    rig.engine->DrawGrid();
    rig.engine->setMLine(true);
    rig.click(300, 300);
    rig.click(900, 300);
    rig.engine->mouseMove(900, 1000);
    QVERIFY(rig.engine->bandOnPicture());

    rig.engine->clearDrawing();
    QCOMPARE(rig.picture(), rig.original);
    QVERIFY(rig.engine->linePending());
    // The band is still on the board; the next move takes it away there and
    // shows the new one on both.
    rig.engine->mouseMove(1500, 300);
    const QLineF line(300, 300, 900, 300), band(900, 300, 1500, 300);
    QCOMPARE(rig.picture(), withBand(rig.original, band));
    QCOMPARE(rig.board.image(), withBand(whiteBoard({line}), band));
    rig.rightClick(0, 0);
    QCOMPARE(rig.picture(), rig.original);
    QCOMPARE(rig.board.image(), whiteBoard({line}));
}

// --- other ----------------------------------------------------------------------------

void TestExplorerEngine::titleWhileALineIsPending()
{
    Rig rig;
    QSignalSpy titles(rig.engine.get(), &ExplorerEngine::titleChanged);
    QCOMPARE(rig.engine->title(), QStringLiteral("Esplora immagine"));
    rig.engine->mouseMove(540, 300);
    QCOMPARE(rig.engine->title(), QStringLiteral("Esplora immagine"));
    QCOMPARE(titles.count(), 0);

    rig.click(15, 15);
    rig.engine->mouseMove(540, 300);
    QCOMPARE(rig.engine->title(), QStringLiteral("X = 540    Y = 300"));
    rig.engine->mouseMove(1234.5f, 7.25f);
    QCOMPARE(rig.engine->title(), QStringLiteral("X = 1234.5    Y = 7.25"));
    rig.engine->mouseMove(24000, 18000);
    QCOMPARE(rig.engine->title(), QStringLiteral("X = 24000    Y = 18000"));
    QCOMPARE(titles.count(), 3);
    QCOMPARE(titles.last().at(0).toString(), rig.engine->title());

    rig.click(600, 600);
    QCOMPARE(rig.engine->title(), QStringLiteral("Esplora immagine"));
    rig.click(15, 15);
    rig.engine->mouseMove(45, 60);
    QCOMPARE(rig.engine->title(), QStringLiteral("X = 45    Y = 60"));
    rig.rightClick(0, 0);
    QCOMPARE(rig.engine->title(), QStringLiteral("Esplora immagine"));
}

void TestExplorerEngine::noColourTellsAndDrawsNothing()
{
    Rig rig;
    rig.palette.clearBorders();
    rig.click(300, 300);
    QVERIFY(!rig.engine->linePending());
    rig.engine->mouseMove(900, 900);
    QCOMPARE(rig.boxes.lines(),
             QStringList{QStringLiteral("Vellumara|Selezionare un colore prima...")});
    QCOMPARE(rig.picture(), rig.original);
    QCOMPARE(rig.board.image(), whiteBoard());

    // A colour lost between the clicks (a received text borrows the
    // palette) ends the line with the band taken away.
    rig.palette.picSelColor_Click(kRedIndex);
    rig.click(300, 300);
    rig.engine->mouseMove(900, 900);
    rig.palette.clearBorders();
    rig.click(900, 900);
    QCOMPARE(rig.boxes.shown.size(), 2);
    QVERIFY(!rig.engine->linePending());
    QCOMPARE(rig.picture(), rig.original);
    QCOMPARE(rig.board.image(), whiteBoard());
}

void TestExplorerEngine::noPictureDrawsNothing()
{
    BoardSurface board;
    board::Palette palette;
    palette.picSelColor_Click(kRedIndex);
    ExplorerEngine engine(&board, &palette);
    engine.setGridSpacing(0.25f);
    engine.setPicture(QImage());
    QVERIFY(!engine.canDraw());
    QVERIFY(!engine.DrawGrid());
    engine.mouseDown(ExplorerEngine::Left, 300, 300);
    engine.mouseMove(900, 900);
    engine.mouseDown(ExplorerEngine::Left, 900, 900);
    engine.mouseDown(ExplorerEngine::Right, 900, 900);
    engine.clearDrawing();
    QVERIFY(!engine.linePending());
    QCOMPARE(engine.title(), QStringLiteral("Esplora immagine"));
    QCOMPARE(board.image(), whiteBoard());
}

QTEST_GUILESS_MAIN(TestExplorerEngine)
#include "tst_explorerengine.moc"
