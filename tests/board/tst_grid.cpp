// The grid: the pixels of each kind, the background fallback, the general
// step and its refusals, lines against dot-by-dot plotting, the progress
// values, and the snap that reads the general step.

#include "boardsurface.h"
#include "drawingtools.h"
#include "gridpainter.h"
#include "messagerecorder.h"
#include "numbertext.h"
#include "palette.h"

#include <QtTest>

#include <cmath>
#include <set>

using board::BoardSurface;
using board::DrawingTools;
using board::GridPainter;
using Outcome = board::GridPainter::Outcome;

namespace
{

constexpr quint32 kWhite = 0x00FFFFFF;
constexpr quint32 kRed = 0x000000FF;

struct Rig {
    BoardSurface surface;
    board::Palette palette;
    GridPainter painter{&surface, &palette};

    Rig() { palette.picSelColor_Click(5); }
    explicit Rig(QSize pixels) : surface(pixels) { palette.picSelColor_Click(5); }
};

/// The pixel a twip coordinate falls on, as the surface rounds it.
int pixelOf(int twips)
{
    return int(std::nearbyint(twips / 15.0));
}

/// Pixel rows (or columns) that lines every @p step twips cover on a board
/// of @p pixels, for a pen one pixel wide.
std::set<int> lineIndices(int step, int pixels)
{
    std::set<int> out;
    for (int t = 0; t <= pixels * 15; t += step)
        if (pixelOf(t) < pixels)
            out.insert(pixelOf(t));
    return out;
}

QString redPixels(const BoardSurface &s, const std::function<bool(int, int)> &expected)
{
    // Reports the first pixel that disagrees, or nothing.
    for (int y = 0; y < s.pixelSize().height(); ++y)
        for (int x = 0; x < s.pixelSize().width(); ++x) {
            const bool red = s.pixel(x, y) == kRed;
            if (red != expected(x, y))
                return QStringLiteral("pixel (%1, %2) is %3").arg(x).arg(y).arg(red ? "red" : "not red");
        }
    return {};
}

} // namespace

class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void leadingNumbers_data();
    void leadingNumbers();
    void kindsPaintTheirPixels_data();
    void kindsPaintTheirPixels();
    void untouchedDialogPaintsTheBackground();
    void stepBelowOnePaintsTheBackground();
    void noRuleAndStepsAtLeastOneDoesNothing();
    void generalStep_data();
    void generalStep();
    void noColourPaintsNothing();
    void linesEqualDotByDot_data();
    void linesEqualDotByDot();
    void gridIsDrawnInCopyModeAndModeIsRestored();
    void progressValues_data();
    void progressValues();
    void pendingBandIsErasedFirst();
    void snapCases_data();
    void snapCases();
    void snapReadsTheGeneralStepAtEveryNonFillPress();
};

void TestGrid::leadingNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected"); // NaN: none
    const double none = std::nan("");
    QTest::newRow("plain") << "4" << 4.0;
    QTest::newRow("12abc") << "12abc" << 12.0;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("letters") << "abc" << none;
    QTest::newRow("blanks first") << "  7x" << 7.0;
    QTest::newRow("sign") << "-3.5" << -3.5;
    QTest::newRow("plus") << "+2" << 2.0;
    QTest::newRow("fraction only") << ".5" << 0.5;
    QTest::newRow("trailing point") << "3." << 3.0;
    QTest::newRow("comma stops") << "1,5" << 1.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent without digits") << "3e" << 3.0;
    QTest::newRow("sign only") << "-" << none;
    QTest::newRow("overflow") << "1e999" << HUGE_VAL;
    QTest::newRow("underflow") << "1e-999" << 0.0;
    QTest::newRow("a thousand digits") << QString(1000, QLatin1Char('9')) << HUGE_VAL;
}

void TestGrid::leadingNumbers()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    const auto v = board::leadingNumber(text);
    if (std::isnan(expected)) {
        QVERIFY(!v);
        QCOMPARE(board::leadingNumberOrZero(text), 0.0);
    } else {
        QVERIFY(v);
        QCOMPARE(*v, expected);
    }
}

void TestGrid::kindsPaintTheirPixels_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("passi1");
    QTest::addColumn<QString>("passi2");
    QTest::addColumn<QString>("general");
    QTest::addColumn<int>("rowStep"); // twips between horizontal lines, 0 none
    QTest::addColumn<int>("colStep"); // twips between vertical lines, 0 none
    QTest::addColumn<bool>("dots");
    QTest::newRow("Orizzontale 4") << "Orizzontale" << "4" << "0" << "100" << 100 << 0 << false;
    QTest::newRow("Verticale 3") << "Verticale" << "0" << "3" << "75" << 0 << 75 << false;
    QTest::newRow("Puntiforme 2 x 3") << "Puntiforme" << "2" << "3" << "75" << 75 << 50 << true;
    QTest::newRow("Lineare 2 x 5") << "Lineare" << "2" << "5" << "125" << 50 << 125 << false;
    QTest::newRow("rounded steps") << "Orizzontale" << "2.5" << "1" << "50" << 50 << 0 << false;
    QTest::newRow("densest") << "Lineare" << "1" << "1" << "25" << 25 << 25 << false;
}

void TestGrid::kindsPaintTheirPixels()
{
    QFETCH(QString, kind);
    QFETCH(QString, passi1);
    QFETCH(QString, passi2);
    QFETCH(QString, general);
    QFETCH(int, rowStep);
    QFETCH(int, colStep);
    QFETCH(bool, dots);

    Rig r;
    r.surface.setScaleMode(BoardSurface::Pixels);
    const GridPainter::Result result = r.painter.paint(kind, passi1, passi2);
    QCOMPARE(int(result.outcome), int(Outcome::Painted));
    QCOMPARE(result.generalStep.value_or(QString()), general);
    QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Twips));

    // Dots lie every colStep across (passi1) and every rowStep down (passi2);
    // lines every rowStep down (passi1) and every colStep across (passi2).
    const std::set<int> rows = rowStep ? lineIndices(rowStep, 800) : std::set<int>{};
    const std::set<int> cols = colStep ? lineIndices(colStep, 800) : std::set<int>{};
    const QString wrong = redPixels(r.surface, [&](int x, int y) {
        if (dots)
            return rows.count(y) && cols.count(x);
        return rows.count(y) || cols.count(x);
    });
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestGrid::untouchedDialogPaintsTheBackground()
{
    Rig r;
    r.surface.line(QPointF(0, 0), QPointF(12000, 12000), 0);
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(Qt::green);
    r.surface.setPicture(picture);
    const auto result = r.painter.paint(QString(), QStringLiteral("0"), QStringLiteral("0"));
    QCOMPARE(int(result.outcome), int(Outcome::Background));
    QCOMPARE(result.generalStep.value_or(QString()), QStringLiteral("120"));
    QCOMPARE(r.surface.backColor(), kRed);
    QCOMPARE(r.surface.pixel(400, 400), kRed); // the diagonal is gone
    QCOMPARE(r.surface.pixel(799, 799), kRed);
    // The background picture stays a background picture, over the new colour.
    QVERIFY(r.surface.hasPicture());
    QCOMPARE(r.surface.pixel(5, 5), 0x0000FF00u);
    // A later clearing erases to the new colour.
    r.surface.clear();
    QCOMPARE(r.surface.pixel(5, 5), kRed);
}

void TestGrid::stepBelowOnePaintsTheBackground()
{
    // "Verticale" needs passi2 >= 1; with 0.5 no grid, but a step is below 1.
    Rig r;
    const auto result =
        r.painter.paint(QStringLiteral("Verticale"), QStringLiteral("3"), QStringLiteral("0.5"));
    QCOMPARE(int(result.outcome), int(Outcome::Background));
    QCOMPARE(result.generalStep.value_or(QString()), QStringLiteral("75")); // 3 > round(0.5)
    QCOMPARE(r.surface.pixel(123, 456), kRed);

    // A negative step is below 1 too; its 25-fold is never needed.
    Rig n;
    const auto negative =
        n.painter.paint(QStringLiteral("Lineare"), QStringLiteral("-2000"), QStringLiteral("4"));
    QCOMPARE(int(negative.outcome), int(Outcome::Background));
    QCOMPARE(negative.generalStep.value_or(QString()), QStringLiteral("100"));
}

void TestGrid::noRuleAndStepsAtLeastOneDoesNothing()
{
    Rig r;
    const QImage before = r.surface.image();
    const auto result = r.painter.paint(QString(), QStringLiteral("4"), QStringLiteral("2"));
    QCOMPARE(int(result.outcome), int(Outcome::Nothing));
    QCOMPARE(result.generalStep.value_or(QString()), QStringLiteral("100"));
    QCOMPARE(r.surface.image(), before);
    // "Orizzontale" with passi1 below 1 but passi2 fine: background.
    const auto fallback =
        r.painter.paint(QStringLiteral("Orizzontale"), QStringLiteral("0"), QStringLiteral("2"));
    QCOMPARE(int(fallback.outcome), int(Outcome::Background));
}

void TestGrid::generalStep_data()
{
    QTest::addColumn<QString>("passi1");
    QTest::addColumn<QString>("passi2");
    QTest::addColumn<QString>("general"); // empty: too large
    QTest::newRow("first larger") << "4" << "2" << "100";
    QTest::newRow("second larger") << "2" << "3" << "75";
    QTest::newRow("equal") << "3" << "3" << "75";
    QTest::newRow("second zero") << "0" << "0" << "120";
    QTest::newRow("first negative second zero") << "-4" << "0" << "120";
    QTest::newRow("second negative") << "0" << "-3" << "0";
    QTest::newRow("largest") << "1310" << "1" << "32750";
    QTest::newRow("first too large") << "1311" << "1" << "";
    QTest::newRow("second too large") << "1" << "1311" << "";
    QTest::newRow("beyond 16 bits") << "40000" << "1" << "";
    QTest::newRow("endless") << "1e999" << "1" << "";
    QTest::newRow("letters read as 0") << "abc" << "xyz" << "120";
    QTest::newRow("leading number") << "4 passi" << "2" << "100";
}

void TestGrid::generalStep()
{
    QFETCH(QString, passi1);
    QFETCH(QString, passi2);
    QFETCH(QString, general);
    Rig r;
    const QImage before = r.surface.image();
    const auto result = r.painter.paint(QStringLiteral("Orizzontale"), passi1, passi2);
    if (general.isEmpty()) {
        QCOMPARE(int(result.outcome), int(Outcome::TooLarge));
        QVERIFY(!result.generalStep);
        QCOMPARE(r.surface.image(), before);
    } else {
        QCOMPARE(result.generalStep.value_or(QStringLiteral("none")), general);
    }
}

void TestGrid::noColourPaintsNothing()
{
    BoardSurface surface;
    board::Palette palette; // nothing selected
    GridPainter painter(&surface, &palette);
    const QImage before = surface.image();
    for (const QString &kind : {QStringLiteral("Lineare"), QString()}) {
        const auto result = painter.paint(kind, QStringLiteral("4"), QStringLiteral("0"));
        QCOMPARE(int(result.outcome), int(Outcome::NoColour));
        QCOMPARE(result.generalStep.value_or(QString()), QStringLiteral("100"));
        QCOMPARE(surface.image(), before);
        QCOMPARE(surface.backColor(), kWhite);
    }
}

void TestGrid::linesEqualDotByDot_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("passi1");
    QTest::addColumn<QString>("passi2");
    QTest::addColumn<int>("width");
    for (int width : {1, 2, 3, 4, 5, 8}) {
        QTest::addRow("Lineare 1x1 pen %d", width) << "Lineare" << "1" << "1" << width;
        QTest::addRow("Lineare 3x2 pen %d", width) << "Lineare" << "3" << "2" << width;
        QTest::addRow("Orizzontale 7 pen %d", width) << "Orizzontale" << "7" << "0" << width;
        QTest::addRow("Verticale 4 pen %d", width) << "Verticale" << "0" << "4" << width;
        QTest::addRow("Puntiforme 2x5 pen %d", width) << "Puntiforme" << "2" << "5" << width;
    }
}

void TestGrid::linesEqualDotByDot()
{
    QFETCH(QString, kind);
    QFETCH(QString, passi1);
    QFETCH(QString, passi2);
    QFETCH(int, width);
    // A small odd-sized board keeps the dot-by-dot reference quick and puts
    // lines on its last row and column.
    const QSize size(37, 23);
    Rig lines(size), points(size);
    for (Rig *r : {&lines, &points})
        r->surface.setDrawWidth(width);
    points.painter.setPlot(GridPainter::Plot::Points);
    QCOMPARE(int(lines.painter.paint(kind, passi1, passi2).outcome), int(Outcome::Painted));
    QCOMPARE(int(points.painter.paint(kind, passi1, passi2).outcome), int(Outcome::Painted));
    QCOMPARE(lines.surface.image(), points.surface.image());
    QVERIFY(lines.surface.image() != BoardSurface(size).image());
}

void TestGrid::gridIsDrawnInCopyModeAndModeIsRestored()
{
    // The board idles in invert mode after rubber bands and received lines;
    // the grid still comes out in the palette colour.
    Rig r(QSize(40, 40));
    r.surface.setDrawMode(BoardSurface::Invert);
    r.surface.setDrawWidth(3);
    r.painter.paint(QStringLiteral("Lineare"), QStringLiteral("1"), QStringLiteral("1"));
    QCOMPARE(r.surface.drawMode(), int(BoardSurface::Invert));
    QCOMPARE(r.surface.drawWidth(), 3);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            QVERIFY(r.surface.pixel(x, y) == kRed || r.surface.pixel(x, y) == kWhite);
    QCOMPARE(r.surface.pixel(0, 0), kRed);
}

void TestGrid::progressValues_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("calls");
    QTest::addColumn<int>("last");
    // Standard board 12000 x 12000 twips, steps 4 (100 twips) and 3 (75).
    QTest::newRow("Orizzontale") << "Orizzontale" << 12000 << 121 << 12000;
    QTest::newRow("Verticale") << "Verticale" << 12000 << 161 << 12000;
    QTest::newRow("Puntiforme") << "Puntiforme" << 12000 << 121 << 12000;
    QTest::newRow("Lineare") << "Lineare" << 24000 << 161 + 121 << 24000;
}

void TestGrid::progressValues()
{
    QFETCH(QString, kind);
    QFETCH(int, maximum);
    QFETCH(int, calls);
    QFETCH(int, last);
    Rig r;
    QList<int> values;
    QSet<int> maxima;
    r.painter.paint(kind, QStringLiteral("4"), QStringLiteral("3"), [&](int max, int value) {
        maxima.insert(max);
        values << value;
    });
    QCOMPARE(maxima, QSet<int>{maximum});
    QCOMPARE(int(values.size()), calls);
    QCOMPARE(values.first(), 0);
    QCOMPARE(values.last(), last);
    QVERIFY(std::is_sorted(values.begin(), values.end()));
}

void TestGrid::pendingBandIsErasedFirst()
{
    BoardSurface surface;
    board::Palette palette;
    DrawingTools tools(&surface, &palette, nullptr);
    tools.setBroadcaster([](const QString &) {});
    palette.picSelColor_Click(5);
    tools.Command14_Click();
    tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    tools.mouseMove(0, false, 6000, 4500);
    QVERIFY(tools.segmentPending());

    GridPainter painter(&surface, &palette, &tools);
    painter.paint(QStringLiteral("Orizzontale"), QStringLiteral("40"), QStringLiteral("0"));
    QVERIFY(!tools.segmentPending());
    BoardSurface ref;
    GridPainter(&ref, &palette)
        .paint(QStringLiteral("Orizzontale"), QStringLiteral("40"), QStringLiteral("0"));
    QCOMPARE(surface.image(), ref.image());
}

void TestGrid::snapCases_data()
{
    QTest::addColumn<QString>("general");
    QTest::addColumn<float>("p");
    QTest::addColumn<float>("expected");
    QTest::newRow("120: 179 down") << "120" << 179.0f << 120.0f;
    QTest::newRow("120: 180 half up") << "120" << 180.0f << 240.0f;
    QTest::newRow("120: 59 to 0") << "120" << 59.0f << 0.0f;
    QTest::newRow("120: 60 half up") << "120" << 60.0f << 120.0f;
    QTest::newRow("100: 149 down") << "100" << 149.0f << 100.0f;
    QTest::newRow("100: 150 up") << "100" << 150.0f << 200.0f;
    QTest::newRow("75: 112.4 down") << "75" << 112.4f << 75.0f;
    QTest::newRow("75: 112.6 up") << "75" << 112.6f << 150.0f;
    QTest::newRow("negative step as its size") << "-120" << 180.0f << 240.0f;
    QTest::newRow("negative step as its size, down") << "-120" << 179.0f << 120.0f;
    QTest::newRow("zero step leaves it") << "0" << 179.0f << 179.0f;
}

void TestGrid::snapCases()
{
    QFETCH(QString, general);
    QFETCH(float, p);
    QFETCH(float, expected);
    const float step = DrawingTools::gridStepFromTwips(board::leadingNumberOrZero(general));
    QCOMPARE(DrawingTools::SnapToGrid(p, step), expected);
}

void TestGrid::snapReadsTheGeneralStepAtEveryNonFillPress()
{
    BoardSurface surface;
    board::Palette palette;
    DrawingTools tools(&surface, &palette, nullptr);
    tools.setBroadcaster([](const QString &) {});
    QString passigen = QStringLiteral("120");
    tools.setGeneralStepSource([&passigen] { return passigen; });
    QCOMPARE(tools.sngGridStep(), 0.0833f);

    passigen = QStringLiteral("100");
    QCOMPARE(tools.sngGridStep(), 0.0833f); // not before a press
    tools.refreshGridStep();
    QCOMPARE(tools.sngGridStep(), 0.0694f);
    // 0.0694 inch is 99.94 twips, which the snap rounds to 100.
    QCOMPARE(DrawingTools::SnapToGrid(149, tools.sngGridStep()), 100.0f);

    // A fill press does not read it; any other press does.
    passigen = QStringLiteral("75");
    palette.picSelColor_Click(5);
    tools.Command16_Click();
    tools.mousePress(DrawingTools::Left, false, 10, 10);
    QCOMPARE(tools.sngGridStep(), 0.0694f);
    tools.Command14_Click();
    tools.Command5_Click();
    tools.mousePress(DrawingTools::Left, false, 112.6f, 37);
    QCOMPARE(tools.sngGridStep(), 0.0521f);
    QCOMPARE(tools.sngStartX(), 150.0f);
    QCOMPARE(tools.sngStartY(), 0.0f);

    // A text that starts with no number keeps the step.
    passigen = QStringLiteral("niente");
    tools.refreshGridStep();
    QCOMPARE(tools.sngGridStep(), 0.0521f);
}

QTEST_GUILESS_MAIN(TestGrid)
#include "tst_grid.moc"
