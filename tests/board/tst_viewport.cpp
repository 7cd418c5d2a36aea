// The viewport's arithmetic: which bars show, their ranges, the visible-area
// read-out and right-button panning, without any widget.

#include "boardsurface.h"
#include "viewport.h"

#include <QtTest>

#include <limits>

using board::BoardSurface;
using board::Viewport;

class TestViewport : public QObject
{
    Q_OBJECT
private slots:
    void noBarsWhenContainerIsLarger();
    void bothBarsOnTheStartingContainer();
    void oneBarCanCallForTheOther();
    void scrollingReadsInSurfaceUnits();
    void valuesStayInRange();
    void farEndIsClampedToLastPixel();
    void panClampsAtTheEnds();
    void panKeepsTheGrabbedPoint();
    void panSwapsThePointer();
    void readoutFormat_data();
    void readoutFormat();
    void readoutSignal();
    void zoomedLayout_data();
    void zoomedLayout();
};

void TestViewport::noBarsWhenContainerIsLarger()
{
    BoardSurface surface;
    Viewport v(&surface);
    v.setContainerSize(QSize(1000, 900));
    v.setBarExtent(16);
    v.FlexInit();
    QVERIFY(!v.hsbImm().visible);
    QVERIFY(!v.vsbImm().visible);
    QVERIFY(!v.cornerVisible());
    const auto a = v.visibleArea();
    QCOMPARE(a.x1, 0.0);
    QCOMPARE(a.y1, 0.0);
    QCOMPARE(a.x2, 11999.0);
    QCOMPARE(a.y2, 11999.0);

    surface.setScaleMode(BoardSurface::Pixels);
    const auto p = v.FlexVisibleArea();
    QCOMPARE(p.x2, 799.0);
    QCOMPARE(p.y2, 799.0);
}

void TestViewport::bothBarsOnTheStartingContainer()
{
    BoardSurface surface;
    Viewport v(&surface);
    v.setContainerSize(QSize(board::px(3615), board::px(2295)));
    v.setBarExtent(16);
    v.FlexInit();
    QVERIFY(v.hsbImm().visible);
    QVERIFY(v.vsbImm().visible);
    QVERIFY(v.cornerVisible());
    QCOMPARE(v.hsbImm().minimum, -15);
    QCOMPARE(v.hsbImm().singleStep, 15);
    // 800 pixels minus the 225 that show beside the vertical bar.
    QCOMPARE(v.hsbImm().maximum, (800 - 225) * 15);
    QCOMPARE(v.vsbImm().maximum, (800 - 137) * 15);
    QCOMPARE(v.vsbRect(), QRect(225, 0, 16, 137));
    QCOMPARE(v.hsbRect(), QRect(0, 137, 225, 16));
    QCOMPARE(v.cornerRect(), QRect(225, 137, 16, 16));

    const auto a = v.visibleArea();
    QCOMPARE(a.x1, 0.0);
    QCOMPARE(a.x2, 225.0 * 15 - 1);
    QCOMPARE(a.y2, 137.0 * 15 - 1);
}

void TestViewport::oneBarCanCallForTheOther()
{
    BoardSurface surface;
    Viewport v(&surface);
    v.setBarExtent(16);
    v.setContainerSize(QSize(900, 500)); // wide enough even beside a bar
    v.FlexInit();
    QVERIFY(v.vsbImm().visible);
    QVERIFY(!v.hsbImm().visible);

    v.setContainerSize(QSize(810, 500)); // fits alone, not beside the vertical bar
    v.FlexInit();
    QVERIFY(v.vsbImm().visible);
    QVERIFY(v.hsbImm().visible);
    QCOMPARE(v.hsbImm().maximum, (800 - 794) * 15);
}

void TestViewport::scrollingReadsInSurfaceUnits()
{
    BoardSurface surface;
    Viewport v(&surface);
    v.setContainerSize(QSize(241, 153));
    v.setBarExtent(16);
    v.FlexInit();
    QSignalSpy moved(&v, &Viewport::surfaceMoved);
    v.setHValue(300);
    QCOMPARE(v.visibleArea().x1, 300.0);
    QCOMPARE(v.surfaceOffset(), QPoint(-20, 0));
    QCOMPARE(moved.size(), 1);

    surface.setScaleMode(BoardSurface::Pixels);
    QCOMPARE(v.FlexVisibleArea().x1, 20.0);

    v.setVValue(150);
    QCOMPARE(v.visibleArea().y1, 10.0);
    QCOMPARE(v.surfaceOffset(), QPoint(-20, -10));
}

void TestViewport::valuesStayInRange()
{
    BoardSurface surface;
    Viewport v(&surface);
    v.setContainerSize(QSize(241, 153));
    v.setBarExtent(16);
    v.FlexInit();
    v.setHValue(1000000);
    QCOMPARE(v.hsbImm().value, v.hsbImm().maximum);
    v.setHValue(-1000000);
    QCOMPARE(v.hsbImm().value, -15);

    // A larger container shrinks the range; the value follows.
    v.setHValue(v.hsbImm().maximum);
    v.setContainerSize(QSize(700, 153));
    v.FlexInit();
    QCOMPARE(v.hsbImm().value, v.hsbImm().maximum);
    QCOMPARE(v.hsbImm().maximum, (800 - 684) * 15);
}

void TestViewport::farEndIsClampedToLastPixel()
{
    BoardSurface surface;
    Viewport v(&surface);
    v.setContainerSize(QSize(241, 153));
    v.setBarExtent(16);
    v.FlexInit();
    v.setHValue(v.hsbImm().maximum);
    v.setVValue(v.vsbImm().maximum);
    QCOMPARE(v.visibleArea().x2, 11999.0);
    QCOMPARE(v.visibleArea().y2, 11999.0);
    QCOMPARE(v.visibleArea().x1, 575.0 * 15);
}

void TestViewport::panClampsAtTheEnds()
{
    BoardSurface surface;
    surface.setScaleMode(BoardSurface::Pixels);
    Viewport v(&surface);
    v.setContainerSize(QSize(241, 153));
    v.setBarExtent(16);
    v.FlexInit();

    v.FlexPan(100, 100, Viewport::PanStart);
    v.FlexPan(-100000, -100000, Viewport::PanMove);
    QCOMPARE(v.hsbImm().value, v.hsbImm().maximum);
    QCOMPARE(v.vsbImm().value, v.vsbImm().maximum);
    v.FlexPan(1e9f, 1e9f, Viewport::PanMove);
    QCOMPARE(v.hsbImm().value, v.hsbImm().minimum);
    QCOMPARE(v.vsbImm().value, v.vsbImm().minimum);
    v.FlexPan(0, 0, Viewport::PanEnd);
    QVERIFY(!v.panning());

    // Moves after the end do nothing.
    const int h = v.hsbImm().value;
    v.FlexPan(-5000, 0, Viewport::PanMove);
    QCOMPARE(v.hsbImm().value, h);
}

void TestViewport::panKeepsTheGrabbedPoint()
{
    BoardSurface surface; // twips
    Viewport v(&surface);
    v.setContainerSize(QSize(241, 153));
    v.setBarExtent(16);
    v.FlexInit();
    v.FlexPan(1500, 1500, Viewport::PanStart);
    // The mouse moved 10 pixels left: the surface follows by 150 twips.
    v.FlexPan(1350, 1500, Viewport::PanMove);
    QCOMPARE(v.hsbImm().value, 150);
    QCOMPARE(v.vsbImm().value, 0);
    QCOMPARE(v.surfaceOffset(), QPoint(-10, 0));
    // Under the cursor the grabbed point is back at 1500: no further change.
    v.FlexPan(1500, 1500, Viewport::PanMove);
    QCOMPARE(v.hsbImm().value, 150);
    v.FlexPan(1500, 1500, Viewport::PanEnd);
}

void TestViewport::panSwapsThePointer()
{
    BoardSurface surface;
    surface.setMousePointer(BoardSurface::PointerCross);
    Viewport v(&surface);
    v.FlexInit();
    v.FlexPan(0, 0, Viewport::PanStart);
    QCOMPARE(surface.mousePointer(), int(BoardSurface::PointerCustom));
    v.FlexPan(0, 0, Viewport::PanEnd);
    QCOMPARE(surface.mousePointer(), int(BoardSurface::PointerCross));
}

void TestViewport::readoutFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 11999.0 << QStringLiteral("11999");
    QTest::newRow("zero") << 0.0 << QStringLiteral("0");
    QTest::newRow("half") << 0.5 << QStringLiteral("0.5");
    QTest::newRow("third") << 1.0 / 3 << QStringLiteral("0.333");
    QTest::newRow("rounded") << 1.23456 << QStringLiteral("1.235");
    QTest::newRow("negative") << -1.0 << QStringLiteral("-1");
    QTest::newRow("tiny negative") << -0.0001 << QStringLiteral("0");
    QTest::newRow("large") << 1234567.25 << QStringLiteral("1234567.25");
}

void TestViewport::readoutFormat()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(Viewport::formatReadout(value), text);
}

void TestViewport::readoutSignal()
{
    BoardSurface surface;
    surface.setScaleMode(BoardSurface::Pixels);
    Viewport v(&surface);
    v.setContainerSize(QSize(241, 153));
    v.setBarExtent(16);
    QSignalSpy spy(&v, &Viewport::visibleAreaChanged);
    v.FlexInit();
    QVERIFY(!spy.isEmpty());
    const auto last = spy.takeLast();
    QCOMPARE(last.at(0).toString(), QStringLiteral("0"));
    QCOMPARE(last.at(1).toString(), QStringLiteral("0"));
    QCOMPARE(last.at(2).toString(), QStringLiteral("224"));
    QCOMPARE(last.at(3).toString(), QStringLiteral("136"));
}

QTEST_GUILESS_MAIN(TestViewport)
void TestViewport::zoomedLayout_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("scroll"); // horizontal bar value, container units
    QTest::addColumn<bool>("hBar");
    QTest::addColumn<int>("hMax");
    QTest::addColumn<double>("x1"); // twips
    QTest::addColumn<double>("x2");
    // 225 pixels show beside the vertical bar of the 241 x 153 container.
    QTest::newRow("200 %") << 2.0 << 4500 << true << (1600 - 225) * 15 << 2250.0
                           << 2250 - 1 + 225 * 7.5;
    QTest::newRow("50 %") << 0.5 << 1500 << true << (400 - 225) * 15 << 3000.0
                          << 3000 - 1 + 225 * 30.0;
    QTest::newRow("300 % at the far end") << 3.0 << 99999 << true << (2400 - 225) * 15
                                          << (2400 - 225) * 5.0 << 11999.0;
    // 200 pixels wide fits beside the vertical bar: no horizontal bar.
    QTest::newRow("25 %") << 0.25 << 1500 << false << 0 << 0.0 << 11999.0;
}

// The bars, the surface's place and the read-out follow the zoom, so the
// read-out still names the board units that show.
void TestViewport::zoomedLayout()
{
    QFETCH(double, zoom);
    QFETCH(int, scroll);
    QFETCH(bool, hBar);
    QFETCH(int, hMax);
    QFETCH(double, x1);
    QFETCH(double, x2);
    BoardSurface surface;
    Viewport v(&surface);
    v.setContainerSize(QSize(241, 153));
    v.setBarExtent(16);
    v.FlexInit();
    v.setZoom(zoom, QPointF(0, 0));
    v.setZoom(0); // bad factors change nothing
    v.setZoom(std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(v.zoom(), zoom);
    QCOMPARE(v.contentSize(), QSize(qRound(800 * zoom), qRound(800 * zoom)));
    QCOMPARE(v.hsbImm().visible, hBar);
    QCOMPARE(v.hsbImm().maximum, hMax);
    v.setHValue(scroll);
    QCOMPARE(v.surfaceOffset().x(), -v.hsbImm().value / 15);
    QCOMPARE(v.visibleArea().x1, x1);
    QCOMPARE(v.visibleArea().x2, x2);

    // Panning at this zoom keeps the grabbed board point under the pointer:
    // ten screen pixels are 150 / zoom twips of board.
    if (!hBar)
        return;
    v.setHValue(1500);
    v.FlexPan(3000, 1500, Viewport::PanStart);
    v.FlexPan(float(3000 - 150 / zoom), 1500, Viewport::PanMove);
    QCOMPARE(v.hsbImm().value, 1500 + 150);
}

#include "tst_viewport.moc"
