#include "boardsurface.h"
#include "bruvela.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

using board::BoardSurface;

Q_DECLARE_METATYPE(std::function<void(board::BoardSurface &)>)

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

/// Bounding box of the pixels where @p a and @p b differ.
QRect diffBox(const QImage &a, const QImage &b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (ra[x] != rb[x])
                box |= QRect(x, y, 1, 1);
    }
    return box;
}

int countDiff(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

/// True when every pixel is either unchanged or exactly inverted.
bool onlyInverted(const QImage &before, const QImage &after)
{
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const QRgb a = before.pixel(x, y), b = after.pixel(x, y);
            if (a != b && (a ^ 0x00FFFFFFu) != b)
                return false;
        }
    return true;
}

/// True when the pixels that differ between @p before and @p after are
/// exactly the pixels that differ between @p blank and @p drawn.
bool sameChangedPixels(const QImage &before, const QImage &after, const QImage &blank, const QImage &drawn)
{
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if ((before.pixel(x, y) != after.pixel(x, y)) != (blank.pixel(x, y) != drawn.pixel(x, y)))
                return false;
    return true;
}

/// Scribbles random coloured pixels so inversions are not all white↔black.
void scribble(BoardSurface &s, quint32 seed)
{
    QRandomGenerator rng(seed);
    s.setScaleMode(BoardSurface::Pixels);
    s.setDrawMode(BoardSurface::CopyPen);
    for (int i = 0; i < 60; ++i) {
        s.setDrawWidth(1 + int(rng.bounded(6)));
        s.line(QPointF(rng.bounded(800.0), rng.bounded(800.0)),
               QPointF(rng.bounded(800.0), rng.bounded(800.0)), rng.bounded(0x1000000u));
    }
}

} // namespace

class TestBoardSurface : public QObject
{
    Q_OBJECT
private slots:
    void startsWhiteAndInTwips();
    void firstOperationSeesTheWhiteBoard_data();
    void firstOperationSeesTheWhiteBoard();
    void scaleConversions();
    void unknownCodesAreIgnored();
    void colourConversion();

    void zeroLengthLineIsADotOfThePenWidth();
    void psetIsTheSameDot();
    void horizontalLineBoxIsLengthPlusWidth();
    void thinLinesLandOnExpectedPixels();
    void twipsAndPixelsDrawTheSame();
    void pointsRoundToTheNearestPixel();
    void circleRingLiesInsideTheRadius();
    void circleIsClosedForFills();
    void thinPolygonIsClosedForFills();
    void filledCircleUsesFillColour();

    void invertTwiceRestoresLines();
    void invertTwiceRestoresCircles();
    void invertIgnoresColour();

    void changedCoversExactlyTheTouchedPixels();
    void nothingTouchedEmitsNothing();

    void penWidthIsClamped();
    void coloursAreMaskedTo24Bits();
    void extremeLinesStayBoundedAndSane();
    void extremeCirclesStayBoundedAndSane();
    void nonFiniteInputDrawsNothing();

    void clearErasesAndDropsPicture();
    void pictureShowsUnderLaterDrawing();
    void pixelOutsideIsNothing();
    void fillThroughTheControl();
    void mousePointerNotifies();

    void sizedSurface();
    void newPictureErasesTheOldOnesPlace();
    void backColourRepaintsEverything();
    void eraseKeepsThePicture();
    void batchReportsOnce();
    void onlyWipesAnnounceClearing();
    void paintOnReportsWhatItChanged();
};

void TestBoardSurface::startsWhiteAndInTwips()
{
    BoardSurface s;
    QCOMPARE(s.pixelSize(), QSize(800, 800));
    QCOMPARE(s.image().format(), QImage::Format_RGB32);
    for (int y = 0; y < 800; y += 13)
        for (int x = 0; x < 800; x += 7)
            QCOMPARE(s.pixel(x, y), std::optional<quint32>(0x00FFFFFF));
    QCOMPARE(s.scaleMode(), int(BoardSurface::Twips));
    QCOMPARE(s.scaleWidth(), 12000.0);
    QCOMPARE(s.scaleHeight(), 12000.0);
    QCOMPARE(s.drawWidth(), 1);
    QCOMPARE(s.drawStyle(), int(BoardSurface::PenInsideSolid));
    QCOMPARE(s.drawMode(), int(BoardSurface::CopyPen));
    QCOMPARE(s.backColor(), 0x00FFFFFFu);
    QVERIFY(!s.hasPicture());
}

// A full-size board is filled while the window is still being built: whatever
// reaches it first must find it filled, as it would a board already read.
void TestBoardSurface::firstOperationSeesTheWhiteBoard_data()
{
    using Op = std::function<void(BoardSurface &)>;
    QTest::addColumn<Op>("op");
    QTest::newRow("line") << Op([](BoardSurface &s) { s.line({150, 150}, {3000, 1500}, 0xFF); });
    QTest::newRow("circle") << Op([](BoardSurface &s) { s.circle({6000, 6000}, 900, 0xFF00); });
    QTest::newRow("inverted dot") << Op([](BoardSurface &s) {
        s.setDrawMode(BoardSurface::Invert);
        s.setDrawWidth(5);
        s.pset({300, 300});
    });
    QTest::newRow("erase") << Op([](BoardSurface &s) {
        s.erase(QRect(10, 10, 50, 50)); // nothing to see, but reported
        s.line({0, 0}, {1500, 0}, 0xFF);
    });
    QTest::newRow("back colour") << Op([](BoardSurface &s) { s.setBackColor(0x123456); });
    QTest::newRow("picture") << Op([](BoardSurface &s) {
        QImage picture(30, 20, QImage::Format_ARGB32);
        picture.fill(0x80FF0000);
        s.setPicture(picture);
    });
    QTest::newRow("fill library's image") << Op([](BoardSurface &s) {
        s.fillImage()->setPixel(7, 9, 0xFF0000FF);
        s.fillChanged(QRect(7, 9, 1, 1));
    });
    QTest::newRow("painting") << Op([](BoardSurface &s) {
        s.paintOn([](QImage &image) {
            image.setPixel(799, 799, 0xFF00FF00);
            return QRect(799, 799, 1, 1);
        });
    });
}

void TestBoardSurface::firstOperationSeesTheWhiteBoard()
{
    QFETCH(std::function<void(BoardSurface &)>, op);
    BoardSurface fresh;
    QSignalSpy freshChanges(&fresh, &BoardSurface::changed);
    op(fresh);
    BoardSurface settled;
    QCOMPARE(settled.pixel(0, 0), std::optional<quint32>(0x00FFFFFF)); // now filled
    QSignalSpy settledChanges(&settled, &BoardSurface::changed);
    op(settled);
    QCOMPARE(fresh.pixelSize(), QSize(800, 800));
    QCOMPARE(fresh.image(), settled.image());
    QVERIFY(fresh.image() != BoardSurface().image());
    QCOMPARE(freshChanges.size(), settledChanges.size());
    if (!freshChanges.isEmpty())
        QCOMPARE(freshChanges.last(), settledChanges.last());
}

void TestBoardSurface::scaleConversions()
{
    BoardSurface s;
    QCOMPARE(s.unitsPerPixel(), 15.0);
    QCOMPARE(s.toPixels(QPointF(150, 300)), QPointF(10, 20));
    QCOMPARE(s.toPixels(QPointF(7.5, 0)), QPointF(0.5, 0));
    QCOMPARE(s.fromPixels(QPointF(20, 1)), QPointF(300, 15));
    s.setScaleMode(BoardSurface::Pixels);
    QCOMPARE(s.unitsPerPixel(), 1.0);
    QCOMPARE(s.scaleWidth(), 800.0);
    QCOMPARE(s.toPixels(QPointF(150, 300)), QPointF(150, 300));
    QCOMPARE(s.fromPixels(QPointF(20, 1)), QPointF(20, 1));
}

void TestBoardSurface::unknownCodesAreIgnored()
{
    BoardSurface s;
    s.setScaleMode(2);
    QCOMPARE(s.scaleMode(), 1);
    s.setScaleMode(3);
    s.setScaleMode(-7);
    QCOMPARE(s.scaleMode(), 3);
    s.setDrawMode(7);
    QCOMPARE(s.drawMode(), 13);
    s.setDrawMode(6);
    QCOMPARE(s.drawMode(), 6);
    s.setFillStyle(5);
    QCOMPARE(s.fillStyle(), 1);
    s.setDrawStyle(3);
    QCOMPARE(s.drawStyle(), 6);
}

void TestBoardSurface::colourConversion()
{
    QCOMPARE(BoardSurface::toRgb(0x000080FF), qRgb(255, 128, 0));
    QCOMPARE(BoardSurface::fromRgb(qRgb(255, 128, 0)), 0x000080FFu);
    QCOMPARE(BoardSurface::fromRgb(BoardSurface::toRgb(0x00C0E0FF)), 0x00C0E0FFu);
}

void TestBoardSurface::zeroLengthLineIsADotOfThePenWidth()
{
    for (int w = 1; w <= 25; ++w) {
        BoardSurface s;
        s.setScaleMode(BoardSurface::Pixels);
        s.setDrawWidth(w);
        const QImage before = s.image();
        s.line(QPointF(100.3, 200.7), QPointF(100.3, 200.7), 0);
        const QRect box = diffBox(before, s.image());
        QCOMPARE(box.width(), w);
        QCOMPARE(box.height(), w);
        // A round dot: about pi/4 of its box, and symmetric.
        const int n = countDiff(before, s.image());
        if (w >= 5) {
            QVERIFY2(n > 0.7 * w * w && n < 0.9 * w * w, qPrintable(QString::number(n)));
        }
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                QCOMPARE(s.image().pixel(x, y), s.image().pixel(box.left() + box.right() - x, y));
        // The dot holds the pixel nearest to the point.
        QVERIFY(box.contains(100, 201));
        if (w % 2)
            QCOMPARE(box.center(), QPoint(100, 201));
    }
}

void TestBoardSurface::psetIsTheSameDot()
{
    for (int w : {1, 2, 5, 12}) {
        BoardSurface a, b;
        a.setDrawWidth(w);
        b.setDrawWidth(w);
        a.pset(QPointF(3000, 4500), 0x000000FF);
        b.line(QPointF(3000, 4500), QPointF(3000, 4500), 0x000000FF);
        QCOMPARE(a.image(), b.image());
        QVERIFY(a.image() != BoardSurface().image());
    }
}

void TestBoardSurface::horizontalLineBoxIsLengthPlusWidth()
{
    for (int w = 1; w <= 25; ++w) {
        BoardSurface s;
        s.setScaleMode(BoardSurface::Pixels);
        s.setDrawWidth(w);
        const QImage before = s.image();
        s.line(QPointF(100, 300), QPointF(140, 300), 0);
        const QRect box = diffBox(before, s.image());
        QCOMPARE(box.width(), 40 + w);
        QCOMPARE(box.height(), w);
        // The body is solid over the whole width of the pen.
        for (int y = box.top(); y <= box.bottom(); ++y)
            QCOMPARE(s.image().pixel(120, y), qRgb(0, 0, 0));
    }
}

void TestBoardSurface::thinLinesLandOnExpectedPixels()
{
    BoardSurface s; // twips, width 1
    const QImage before = s.image();
    s.line(QPointF(150, 150), QPointF(1500, 150), 0);
    QCOMPARE(diffBox(before, s.image()), QRect(QPoint(10, 10), QPoint(100, 10)));
    QCOMPARE(countDiff(before, s.image()), 91);

    BoardSurface d;
    d.setScaleMode(BoardSurface::Pixels);
    d.line(QPointF(20, 10), QPointF(10, 0), 0);
    QCOMPARE(countDiff(before, d.image()), 11);
    for (int i = 0; i <= 10; ++i)
        QCOMPARE(d.image().pixel(10 + i, i), qRgb(0, 0, 0));

    // A shallow line has exactly one pixel per column, on the nearest row.
    BoardSurface g;
    g.setScaleMode(BoardSurface::Pixels);
    g.line(QPointF(0, 0), QPointF(40, 10), 0);
    QCOMPARE(countDiff(before, g.image()), 41);
    for (int x = 0; x <= 40; ++x) {
        const int y = int(std::floor(x / 4.0 + 0.5));
        QCOMPARE(g.image().pixel(x, y), qRgb(0, 0, 0));
    }
    // A steep one has one per row.
    BoardSurface t;
    t.setScaleMode(BoardSurface::Pixels);
    t.line(QPointF(5, 5), QPointF(8, 50), 0);
    QCOMPARE(countDiff(before, t.image()), 46);
}

void TestBoardSurface::twipsAndPixelsDrawTheSame()
{
    for (int w : {1, 2, 3, 8}) {
        BoardSurface a, b;
        a.setDrawWidth(w);
        b.setDrawWidth(w);
        b.setScaleMode(BoardSurface::Pixels);
        a.line(QPointF(1500, 3000), QPointF(4500, 6015), 0x00FF0000);
        b.line(QPointF(100, 200), QPointF(300, 401), 0x00FF0000);
        a.circle(QPointF(6000, 6000), 1500, 0x000000FF);
        b.circle(QPointF(400, 400), 100, 0x000000FF);
        QCOMPARE(a.image(), b.image());
    }
}

void TestBoardSurface::pointsRoundToTheNearestPixel()
{
    struct Case { double x, y; int mode; QPoint pixel; };
    const Case cases[] = {
        {10.7, 3.2, BoardSurface::Pixels, {11, 3}},
        {10.5, 11.5, BoardSurface::Pixels, {10, 12}}, // halves to even, like the fill
        {7, 8, BoardSurface::Twips, {0, 1}},          // 0.47 and 0.53 pixels
        {150, 142, BoardSurface::Twips, {10, 9}},
    };
    for (const Case &c : cases) {
        BoardSurface s;
        s.setScaleMode(c.mode);
        s.pset(QPointF(c.x, c.y), 0);
        QCOMPARE(diffBox(BoardSurface().image(), s.image()), QRect(c.pixel, QSize(1, 1)));
        BoardSurface r;
        r.setScaleMode(c.mode);
        r.circle(QPointF(c.x, c.y), 0, 0); // a circle of radius 0 is its centre pixel
        QCOMPARE(diffBox(BoardSurface().image(), r.image()), QRect(c.pixel, QSize(1, 1)));
    }
}

void TestBoardSurface::circleRingLiesInsideTheRadius()
{
    for (int w : {1, 3, 10}) {
        BoardSurface s;
        s.setScaleMode(BoardSurface::Pixels);
        s.setDrawWidth(w);
        const QImage before = s.image();
        s.circle(QPointF(400, 400), 50, 0);
        const QRect box = diffBox(before, s.image());
        QCOMPARE(box, QRect(QPoint(350, 350), QPoint(450, 450)));
        for (int y = 340; y <= 460; ++y) {
            for (int x = 340; x <= 460; ++x) {
                const double d = std::hypot(x + 0.5 - 400.5, y + 0.5 - 400.5);
                const bool black = s.image().pixel(x, y) == qRgb(0, 0, 0);
                if (d <= 50 - w - 0.01 || d > 50.01)
                    QVERIFY2(!black, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                else if (d > 50 - w + 0.01 && d <= 49.99)
                    QVERIFY2(black, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
    }
    // A plain pen straddles the radius.
    BoardSurface p;
    p.setScaleMode(BoardSurface::Pixels);
    p.setDrawStyle(BoardSurface::PenSolid);
    p.setDrawWidth(10);
    p.circle(QPointF(400, 400), 50, 0);
    QCOMPARE(diffBox(BoardSurface().image(), p.image()), QRect(QPoint(345, 345), QPoint(455, 455)));
}

void TestBoardSurface::circleIsClosedForFills()
{
    // A 1-pixel ring must hold a 4-connected fill in.
    for (double r = 2; r <= 120; r += 3.7) {
        BoardSurface s;
        s.setScaleMode(BoardSurface::Pixels);
        s.circle(QPointF(400, 400), r, 0);
        fill::Bruvela b;
        b.setColore(0x000000FF);
        QCOMPARE(b.fill(&s, 400, 400), fill::Bruvela::Result::Ok);
        QCOMPARE(s.pixel(0, 0), std::optional<quint32>(0x00FFFFFF));
        QCOMPARE(s.pixel(400, 400), std::optional<quint32>(0x000000FF));
    }
}

void TestBoardSurface::thinPolygonIsClosedForFills()
{
    // Thin lines step diagonally; joined end to end they must still hold a
    // 4-connected fill, whatever the slopes.
    QRandomGenerator rng(3);
    for (int round = 0; round < 40; ++round) {
        BoardSurface s; // twips: the corners are not whole pixels
        QList<QPointF> corners;
        const double cx = 6000, cy = 6000;
        const int n = 3 + int(rng.bounded(5));
        for (int i = 0; i < n; ++i) {
            const double angle = 2 * M_PI * (i + rng.bounded(0.6)) / n;
            const double r = 1500 + rng.bounded(3000.0);
            corners.append(QPointF(cx + r * std::cos(angle), cy + r * std::sin(angle)));
        }
        for (int i = 0; i < n; ++i)
            s.line(corners[i], corners[(i + 1) % n], 0);
        fill::Bruvela b;
        b.setColore(0x000000FF);
        QCOMPARE(b.fill(&s, 400, 400), fill::Bruvela::Result::Ok);
        QCOMPARE(s.pixel(400, 400), std::optional<quint32>(0x000000FF));
        QCOMPARE(s.pixel(0, 0), std::optional<quint32>(0x00FFFFFF));
        QCOMPARE(s.pixel(799, 799), std::optional<quint32>(0x00FFFFFF));
    }
}

void TestBoardSurface::filledCircleUsesFillColour()
{
    BoardSurface s;
    s.setScaleMode(BoardSurface::Pixels);
    s.setFillStyle(BoardSurface::FillSolid);
    s.setFillColor(0x0000FF00);
    s.setDrawWidth(3);
    s.circle(QPointF(200, 200), 30, 0x000000FF);
    QCOMPARE(s.pixel(200, 200), std::optional<quint32>(0x0000FF00));
    QCOMPARE(s.pixel(200, 171), std::optional<quint32>(0x000000FF)); // on the ring
    QCOMPARE(s.pixel(200, 168), std::optional<quint32>(0x00FFFFFF)); // outside
    s.setFillStyle(BoardSurface::FillTransparent);
    s.circle(QPointF(600, 600), 30, 0x000000FF);
    QCOMPARE(s.pixel(600, 600), std::optional<quint32>(0x00FFFFFF));
}

void TestBoardSurface::invertTwiceRestoresLines()
{
    BoardSurface s;
    scribble(s, 7);
    const QImage original = s.image();
    QRandomGenerator rng(99);
    for (int w = 1; w <= 25; ++w) {
        s.setDrawWidth(w);
        s.setDrawMode(BoardSurface::Invert);
        for (int i = 0; i < 8; ++i) {
            s.setScaleMode(i % 2 ? BoardSurface::Twips : BoardSurface::Pixels);
            const double k = s.unitsPerPixel();
            QPointF a(rng.bounded(900.0) - 50, rng.bounded(900.0) - 50);
            QPointF b = i == 0 ? a : QPointF(rng.bounded(900.0) - 50, rng.bounded(900.0) - 50);
            if (i == 1)
                b = QPointF(a.x() + 0.3, a.y() + 200); // nearly vertical
            if (i == 2)
                b = QPointF(a.x() + 300, a.y()); // horizontal
            a *= k;
            b *= k;
            s.line(a, b);
            const QImage once = s.image();
            QVERIFY(onlyInverted(original, once));
            // Every pixel the pen covers is inverted, none twice (which would
            // leave a hole in a rubber band): the same pixels as a black copy.
            BoardSurface copy;
            copy.setScaleMode(s.scaleMode());
            copy.setDrawWidth(w);
            copy.line(a, b, 0);
            QVERIFY(sameChangedPixels(original, once, BoardSurface().image(), copy.image()));
            s.line(a, b);
            if (s.image() != original)
                QFAIL(qPrintable(QStringLiteral("width %1 line %2 not restored").arg(w).arg(i)));
        }
    }
}

void TestBoardSurface::invertTwiceRestoresCircles()
{
    BoardSurface s;
    scribble(s, 11);
    const QImage original = s.image();
    s.setDrawMode(BoardSurface::Invert);
    s.setScaleMode(BoardSurface::Pixels);
    const double radii[] = {0, 0.4, 1, 2.5, 7, 33.33, 120, 399.9, 650, 1e9};
    for (int w = 1; w <= 25; w += 3) {
        s.setDrawWidth(w);
        for (int style : {BoardSurface::PenInsideSolid, BoardSurface::PenSolid}) {
            s.setDrawStyle(style);
            for (int fillStyle : {BoardSurface::FillTransparent, BoardSurface::FillSolid}) {
                s.setFillStyle(fillStyle);
                for (double r : radii) {
                    const QPointF c = r > 1e6 ? QPointF(400.2 + r, 300.7) : QPointF(400.2, 300.7);
                    s.circle(c, r);
                    QVERIFY(onlyInverted(original, s.image()));
                    BoardSurface copy;
                    copy.setScaleMode(BoardSurface::Pixels);
                    copy.setDrawWidth(w);
                    copy.setDrawStyle(style);
                    copy.setFillStyle(fillStyle);
                    copy.setFillColor(0);
                    copy.circle(c, r, 0);
                    QVERIFY(sameChangedPixels(original, s.image(), BoardSurface().image(), copy.image()));
                    s.circle(c, r);
                    if (s.image() != original)
                        QFAIL(qPrintable(QStringLiteral("width %1 radius %2 not restored").arg(w).arg(r)));
                }
            }
        }
    }
}

void TestBoardSurface::invertIgnoresColour()
{
    BoardSurface s;
    s.setDrawMode(BoardSurface::Invert);
    s.line(QPointF(0, 0), QPointF(1500, 0), 0x00FFFFFF);
    QCOMPARE(s.pixel(50, 0), std::optional<quint32>(0));
    s.line(QPointF(0, 0), QPointF(1500, 0), 0x000000FF);
    QCOMPARE(s.pixel(50, 0), std::optional<quint32>(0x00FFFFFF));
}

void TestBoardSurface::changedCoversExactlyTheTouchedPixels()
{
    BoardSurface s;
    s.setScaleMode(BoardSurface::Pixels);
    QSignalSpy spy(&s, &BoardSurface::changed);
    auto check = [&](auto draw) {
        spy.clear();
        const QImage before = s.image();
        draw();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toRect(), diffBox(before, s.image()));
    };
    s.setDrawWidth(1);
    check([&] { s.line(QPointF(10, 10), QPointF(300, 77), 0); });
    s.setDrawWidth(7);
    check([&] { s.line(QPointF(500, 20), QPointF(420, 700), 0x000000FF); });
    check([&] { s.line(QPointF(-100, -100), QPointF(50, 40), 0x0000FF00); }); // clipped at the corner
    check([&] { s.pset(QPointF(799, 799), 0x00FF0000); });
    s.setDrawWidth(4);
    check([&] { s.circle(QPointF(300, 300), 80, 0x00FF00FF); });
    check([&] { s.circle(QPointF(790, 10), 60, 0x00FFFF00); }); // partly off the board
    s.setDrawMode(BoardSurface::Invert);
    check([&] { s.circle(QPointF(100, 600), 45); });
    check([&] { s.line(QPointF(0, 400), QPointF(799, 400)); });

    // A fill through the control reports its box the same way.
    s.setDrawMode(BoardSurface::CopyPen);
    s.clear();
    s.setDrawWidth(1);
    s.circle(QPointF(200, 200), 20, 0);
    fill::Bruvela b;
    b.setColore(0x00FF0000);
    check([&] { b.fill(&s, 200, 200); });
}

void TestBoardSurface::nothingTouchedEmitsNothing()
{
    BoardSurface s;
    s.setScaleMode(BoardSurface::Pixels);
    QSignalSpy spy(&s, &BoardSurface::changed);
    s.line(QPointF(-500, -500), QPointF(-10, -300), 0);
    s.circle(QPointF(400, 400), 5000, 0);
    s.pset(QPointF(900, 900), 0);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(s.image(), BoardSurface().image());
}

void TestBoardSurface::penWidthIsClamped()
{
    BoardSurface s;
    s.setDrawWidth(0);
    QCOMPARE(s.drawWidth(), 1);
    s.setDrawWidth(-40);
    QCOMPARE(s.drawWidth(), 1);
    s.setDrawWidth(30000);
    QCOMPARE(s.drawWidth(), BoardSurface::kMaxDrawWidth);
    s.setDrawWidth(25);
    QCOMPARE(s.drawWidth(), 25);
}

void TestBoardSurface::coloursAreMaskedTo24Bits()
{
    BoardSurface s;
    s.setForeColor(0xFF0000FF);
    QCOMPARE(s.foreColor(), 0x000000FFu);
    s.setFillColor(0x80FFFFFF);
    QCOMPARE(s.FillColor(), 0x00FFFFFFu);
    s.pset(QPointF(15, 15), 0x12345678);
    QCOMPARE(s.pixel(1, 1), std::optional<quint32>(0x00345678));
    s.pset(QPointF(30, 30));
    QCOMPARE(s.pixel(2, 2), std::optional<quint32>(0x000000FF));
}

void TestBoardSurface::extremeLinesStayBoundedAndSane()
{
    BoardSurface s;
    s.setScaleMode(BoardSurface::Pixels);
    s.setDrawWidth(30000); // clamped to 255
    s.line(QPointF(-1e10, 400), QPointF(1e10, 400), 0);
    QCOMPARE(s.image().size(), QSize(800, 800));
    // Rows 273..527 (255 rows around row 400) are black across, the rest white.
    for (int y = 0; y < 800; y += 1) {
        const bool inPen = y >= 273 && y <= 527;
        QCOMPARE(s.pixel(0, y), std::optional<quint32>(inPen ? 0 : 0x00FFFFFF));
        QCOMPARE(s.pixel(799, y), std::optional<quint32>(inPen ? 0 : 0x00FFFFFF));
    }

    // Diagonal across the whole number range, thin and wide, both units.
    for (int w : {1, 2, 255}) {
        for (int mode : {BoardSurface::Twips, BoardSurface::Pixels}) {
            BoardSurface d;
            d.setScaleMode(mode);
            d.setDrawWidth(w);
            d.line(QPointF(-1e10, -1e10), QPointF(1e10, 1e10), 0x000000FF);
            QCOMPARE(d.pixel(400, 400), std::optional<quint32>(0x000000FF));
            QCOMPARE(d.pixel(0, 0), std::optional<quint32>(0x000000FF));
            QCOMPARE(d.pixel(799, 0), std::optional<quint32>(0x00FFFFFF));
        }
    }
    // A line far off the board touches nothing.
    BoardSurface f;
    f.setDrawWidth(255);
    f.line(QPointF(-1e10, 9.9e9), QPointF(1e10, 9.9e9), 0);
    QCOMPARE(f.image(), BoardSurface().image());
}

void TestBoardSurface::extremeCirclesStayBoundedAndSane()
{
    // Radius 1e9 around the board's middle: the ring is far outside.
    BoardSurface s;
    s.setDrawWidth(30000);
    s.circle(QPointF(6000, 6000), 1e9, 0);
    QCOMPARE(s.image(), BoardSurface().image());

    // The same radius around a centre just off the right: its ring passes
    // through the board as a nearly straight band from x = 400 towards the
    // centre, 255 pixels wide (the clamped pen, inside the radius).
    BoardSurface c;
    c.setScaleMode(BoardSurface::Pixels);
    c.setDrawWidth(30000);
    c.circle(QPointF(400.5 + 1e9, 400.5), 1e9, 0);
    QCOMPARE(c.pixel(399, 400), std::optional<quint32>(0x00FFFFFF));
    QCOMPARE(c.pixel(400, 400), std::optional<quint32>(0));
    QCOMPARE(c.pixel(654, 400), std::optional<quint32>(0));
    QCOMPARE(c.pixel(655, 400), std::optional<quint32>(0x00FFFFFF));
    // 400 rows up the rim has moved right by a hair less than a pixel.
    QCOMPARE(c.pixel(400, 0), std::optional<quint32>(0x00FFFFFF));
    QCOMPARE(c.pixel(401, 0), std::optional<quint32>(0));

    // A filled huge circle covers the board with the fill colour.
    BoardSurface f;
    f.setScaleMode(BoardSurface::Pixels);
    f.setFillStyle(BoardSurface::FillSolid);
    f.setFillColor(0x0000FF00);
    f.circle(QPointF(400, 400), 1e9, 0);
    QCOMPARE(f.pixel(0, 0), std::optional<quint32>(0x0000FF00));
    QCOMPARE(f.pixel(799, 799), std::optional<quint32>(0x0000FF00));

    // Extreme centres with every radius do not disturb the board.
    BoardSurface e;
    for (double r : {0.0, -1e9, 1e9, 1e10})
        e.circle(QPointF(-1e10, 1e10), r, 0);
    QCOMPARE(e.image(), BoardSurface().image());
}

void TestBoardSurface::nonFiniteInputDrawsNothing()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    BoardSurface s;
    QSignalSpy spy(&s, &BoardSurface::changed);
    s.line(QPointF(nan, 0), QPointF(100, 100), 0);
    s.line(QPointF(0, 0), QPointF(inf, 100), 0);
    s.circle(QPointF(100, 100), nan, 0);
    s.circle(QPointF(100, inf), 50, 0);
    s.pset(QPointF(nan, nan), 0);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(s.image(), BoardSurface().image());
}

void TestBoardSurface::clearErasesAndDropsPicture()
{
    BoardSurface s;
    QImage pic(20, 10, QImage::Format_RGB32);
    pic.fill(qRgb(255, 0, 0));
    s.setPicture(pic);
    s.setDrawWidth(5);
    s.line(QPointF(0, 0), QPointF(12000, 12000), 0);
    QSignalSpy spy(&s, &BoardSurface::changed);
    s.clear();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toRect(), QRect(0, 0, 800, 800));
    QVERIFY(!s.hasPicture());
    QCOMPARE(s.image(), BoardSurface().image());
}

void TestBoardSurface::pictureShowsUnderLaterDrawing()
{
    BoardSurface s;
    QImage pic(20, 10, QImage::Format_ARGB32);
    pic.fill(qRgba(255, 0, 0, 255));
    pic.setPixel(19, 9, qRgba(0, 0, 0, 0)); // transparent: shows the background
    QSignalSpy spy(&s, &BoardSurface::changed);
    s.setPicture(pic);
    QVERIFY(s.hasPicture());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toRect(), QRect(0, 0, 20, 10));
    QCOMPARE(s.pixel(0, 0), std::optional<quint32>(0x000000FF));
    QCOMPARE(s.pixel(19, 9), std::optional<quint32>(0x00FFFFFF));
    QCOMPARE(s.pixel(20, 0), std::optional<quint32>(0x00FFFFFF));
    s.setScaleMode(BoardSurface::Pixels);
    s.pset(QPointF(5, 5), 0x0000FF00);
    QCOMPARE(s.pixel(5, 5), std::optional<quint32>(0x0000FF00));
    QCOMPARE(s.pixel(6, 5), std::optional<quint32>(0x000000FF));
}

void TestBoardSurface::pixelOutsideIsNothing()
{
    BoardSurface s;
    QVERIFY(!s.pixel(-1, 0));
    QVERIFY(!s.pixel(0, 800));
    QVERIFY(!s.pixel(800, 5));
    QVERIFY(s.pixel(799, 799));
}

void TestBoardSurface::fillThroughTheControl()
{
    BoardSurface s;
    s.setScaleMode(BoardSurface::Pixels);
    s.line(QPointF(0, 100), QPointF(799, 100), 0);
    fill::Bruvela b;
    b.setColore(0x000000FF);
    QSignalSpy spy(&s, &BoardSurface::changed);
    QCOMPARE(b.fill(&s, 10, 10), fill::Bruvela::Result::Ok);
    QCOMPARE(s.FillColor(), 0x000000FFu);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toRect(), QRect(0, 0, 800, 100));
    QCOMPARE(s.pixel(799, 99), std::optional<quint32>(0x000000FF));
    QCOMPARE(s.pixel(5, 100), std::optional<quint32>(0));
    QCOMPARE(s.pixel(5, 101), std::optional<quint32>(0x00FFFFFF));
    QCOMPARE(b.fill(&s, 900, 10), fill::Bruvela::Result::OutsideSurface);
}

void TestBoardSurface::mousePointerNotifies()
{
    BoardSurface s;
    QSignalSpy spy(&s, &BoardSurface::mousePointerChanged);
    s.setMousePointer(BoardSurface::PointerCross);
    s.setMousePointer(BoardSurface::PointerCross);
    QCOMPARE(s.mousePointer(), 2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 2);
}

void TestBoardSurface::sizedSurface()
{
    BoardSurface s(QSize(37, 23));
    QCOMPARE(s.pixelSize(), QSize(37, 23));
    QCOMPARE(s.scaleWidth(), 37.0 * 15);
    QCOMPARE(s.scaleHeight(), 23.0 * 15);
    QCOMPARE(s.pixel(36, 22), std::optional<quint32>(0x00FFFFFF));
    QVERIFY(!s.pixel(37, 0));
    QCOMPARE(BoardSurface(QSize(0, -4)).pixelSize(), QSize(1, 1));
}

void TestBoardSurface::newPictureErasesTheOldOnesPlace()
{
    BoardSurface s;
    QImage big(100, 80, QImage::Format_RGB32);
    big.fill(qRgb(255, 0, 0));
    QImage small(20, 10, QImage::Format_RGB32);
    small.fill(qRgb(0, 0, 255));
    s.setPicture(big);
    s.setScaleMode(BoardSurface::Pixels);
    s.pset(QPointF(200, 200), 0); // outside the pictures: stays
    QSignalSpy spy(&s, &BoardSurface::changed);
    s.setPicture(small);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toRect(), QRect(0, 0, 100, 80));
    QCOMPARE(s.pixel(5, 5), std::optional<quint32>(0x00FF0000));
    QCOMPARE(s.pixel(50, 50), std::optional<quint32>(0x00FFFFFF));
    QCOMPARE(s.pixel(200, 200), std::optional<quint32>(0));
    s.removePicture();
    QVERIFY(!s.hasPicture());
    QCOMPARE(s.pixel(5, 5), std::optional<quint32>(0x00FFFFFF));
    QCOMPARE(s.picture(), QImage());
    // Nothing to remove, nothing reported.
    spy.clear();
    s.removePicture();
    QCOMPARE(spy.count(), 0);
}

void TestBoardSurface::backColourRepaintsEverything()
{
    BoardSurface s;
    s.line(QPointF(0, 0), QPointF(12000, 12000), 0);
    QSignalSpy spy(&s, &BoardSurface::changed);
    s.setBackColor(0xFF00FF00); // the top byte is no colour
    QCOMPARE(s.backColor(), 0x0000FF00u);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toRect(), QRect(0, 0, 800, 800));
    QCOMPARE(s.pixel(400, 400), std::optional<quint32>(0x0000FF00));
    s.clear();
    QCOMPARE(s.pixel(0, 0), std::optional<quint32>(0x0000FF00));
}

void TestBoardSurface::eraseKeepsThePicture()
{
    BoardSurface s;
    QImage pic(50, 50, QImage::Format_RGB32);
    pic.fill(qRgb(255, 0, 0));
    s.setPicture(pic);
    s.erase(QRect(10, 10, 5, 5));
    QVERIFY(s.hasPicture());
    QCOMPARE(s.pixel(12, 12), std::optional<quint32>(0x00FFFFFF));
    QCOMPARE(s.pixel(9, 9), std::optional<quint32>(0x000000FF));
    QSignalSpy spy(&s, &BoardSurface::changed);
    s.erase(QRect(900, 900, 10, 10));
    s.erase(QRect());
    QCOMPARE(spy.count(), 0);
}

void TestBoardSurface::batchReportsOnce()
{
    BoardSurface s;
    s.setScaleMode(BoardSurface::Pixels);
    QSignalSpy spy(&s, &BoardSurface::changed);
    {
        const BoardSurface::ChangeBatch outer(s);
        {
            const BoardSurface::ChangeBatch inner(s);
            s.pset(QPointF(10, 10), 0);
        }
        s.pset(QPointF(30, 40), 0);
        QCOMPARE(spy.count(), 0);
    }
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toRect(), QRect(QPoint(10, 10), QPoint(30, 40)));
    {
        const BoardSurface::ChangeBatch empty(s);
    }
    QCOMPARE(spy.count(), 1);
}

void TestBoardSurface::paintOnReportsWhatItChanged()
{
    BoardSurface s;
    QSignalSpy spy(&s, &BoardSurface::changed);
    s.paintOn([](QImage &image) {
        image.setPixel(799, 799, qRgb(0, 0, 0));
        return QRect(790, 790, 20, 20); // clipped to the surface
    });
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toRect(), QRect(790, 790, 10, 10));
    QCOMPARE(s.pixel(799, 799), std::optional<quint32>(0));
}

void TestBoardSurface::onlyWipesAnnounceClearing()
{
    // Whoever keeps a rubber band inverted on the board listens for this:
    // after a wipe the band is gone, otherwise it is still there.
    BoardSurface s(QSize(40, 30));
    QSignalSpy cleared(&s, &BoardSurface::cleared);
    s.line(QPointF(0, 0), QPointF(300, 300), 0);
    s.setDrawMode(BoardSurface::Invert);
    s.line(QPointF(0, 150), QPointF(300, 150));
    s.pset(QPointF(30, 30));
    s.circle(QPointF(150, 150), 60);
    s.erase(QRect(0, 0, 5, 5));
    s.setPicture(QImage(10, 10, QImage::Format_RGB32));
    s.paintOn([](QImage &img) { return img.rect(); });
    QCOMPARE(cleared.count(), 0);
    s.clear();
    QCOMPARE(cleared.count(), 1);
    s.setBackColor(0x00FF0000);
    QCOMPARE(cleared.count(), 2);
}

QTEST_MAIN(TestBoardSurface)
#include "tst_boardsurface.moc"
