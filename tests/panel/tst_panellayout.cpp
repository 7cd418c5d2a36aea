#include "panellayout.h"

#include <QTest>

using panel::PanelLayout;

Q_DECLARE_METATYPE(QRect)

namespace
{

// The panes as the layout from the ratios must give them, worked out apart
// from the code under test.
struct Expected {
    QRect nw, ne, sw, se;
};

Expected fromRatios(int width, int height, float vertical, float horizontal)
{
    const int top = qRound((height - 50) * vertical);
    const int left = qRound((width - 50) * horizontal);
    const int bottom = height - 50 - top;
    const int right = width - 50 - left;
    return {QRect(0, 0, left, top), QRect(left + 50, 0, right, top),
            QRect(0, top + 50, left, bottom), QRect(left + 50, top + 50, right, bottom)};
}

void compareQuadrants(const PanelLayout &layout, const Expected &e)
{
    QCOMPARE(layout.quadrant(PanelLayout::NW), e.nw);
    QCOMPARE(layout.quadrant(PanelLayout::NE), e.ne);
    QCOMPARE(layout.quadrant(PanelLayout::SW), e.sw);
    QCOMPARE(layout.quadrant(PanelLayout::SE), e.se);
}

} // namespace

class tst_PanelLayout : public QObject
{
    Q_OBJECT

private slots:
    void startsHalvedAtItsPlace();
    void hitTest_data();
    void hitTest();
    void dragClamps_data();
    void dragClamps();
    void dragAtTheCrossingMovesBothBars();
    void dragOfOneBarLeavesTheOther();
    void moveWithoutDragOnlyTests();
    void enlargeTable_data();
    void enlargeTable();
    void enlargeResetsTheScrollBars();
    void pressClearsTheHighlightAndReleaseLaysOut();
    void scrollBarsResizeThePanel_data();
    void scrollBarsResizeThePanel();
};

void tst_PanelLayout::startsHalvedAtItsPlace()
{
    PanelLayout layout;
    QCOMPARE(layout.picture(), QRect(7570, 360, 4150, 5550));
    QCOMPARE(layout.ScaleWidth(), 4150);
    QCOMPARE(layout.ScaleHeight(), 5550);
    // Halves of (4150 - 50) and (5550 - 50).
    compareQuadrants(layout, {QRect(0, 0, 2050, 2750), QRect(2100, 0, 2050, 2750),
                              QRect(0, 2800, 2050, 2750), QRect(2100, 2800, 2050, 2750)});
    QCOMPARE(layout.dragFlag(), 0);
    QCOMPARE(layout.highlighted(), -1);
}

void tst_PanelLayout::hitTest_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("hit");
    // The bars lie strictly between 2050 and 2100 across, 2750 and 2800 down.
    QTest::newRow("inside NW") << 1000 << 1000 << 0;
    QTest::newRow("inside SE") << 3000 << 4000 << 0;
    QTest::newRow("vertical bar") << 2075 << 1000 << 1;
    QTest::newRow("vertical bar low") << 2051 << 5000 << 1;
    QTest::newRow("NW's right edge") << 2050 << 1000 << 0;
    QTest::newRow("NE's left edge") << 2100 << 1000 << 0;
    QTest::newRow("horizontal bar") << 1000 << 2775 << 2;
    QTest::newRow("horizontal bar right") << 4000 << 2799 << 2;
    QTest::newRow("NW's bottom edge") << 1000 << 2750 << 0;
    QTest::newRow("SW's top edge") << 1000 << 2800 << 0;
    QTest::newRow("crossing") << 2075 << 2775 << 3;
    QTest::newRow("crossing corner") << 2099 << 2751 << 3;
}

void tst_PanelLayout::hitTest()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, hit);
    PanelLayout layout;
    QCOMPARE(layout.hitTest(x, y), hit);
}

void tst_PanelLayout::dragClamps_data()
{
    QTest::addColumn<bool>("horizontalBar");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("clamped");
    // The horizontal bar follows y within 20 .. 5550 - 20, the vertical one
    // x within 20 .. 4150 - 20.
    QTest::newRow("rows: far above") << true << -500 << 20;
    QTest::newRow("rows: top edge") << true << 0 << 20;
    QTest::newRow("rows: at the margin") << true << 20 << 20;
    QTest::newRow("rows: inside") << true << 1000 << 1000;
    QTest::newRow("rows: bottom margin") << true << 5530 << 5530;
    QTest::newRow("rows: bottom edge") << true << 5550 << 5530;
    QTest::newRow("rows: far below") << true << 9000 << 5530;
    QTest::newRow("columns: far left") << false << -300 << 20;
    QTest::newRow("columns: inside") << false << 3000 << 3000;
    QTest::newRow("columns: right edge") << false << 4150 << 4130;
    QTest::newRow("columns: far right") << false << 6000 << 4130;
}

void tst_PanelLayout::dragClamps()
{
    QFETCH(bool, horizontalBar);
    QFETCH(int, to);
    QFETCH(int, clamped);
    PanelLayout layout;
    if (horizontalBar)
        layout.mouseDown(1000, 2775);
    else
        layout.mouseDown(2075, 1000);
    QCOMPARE(layout.dragFlag(), horizontalBar ? 2 : 1);
    if (horizontalBar)
        layout.mouseMove(1000, to);
    else
        layout.mouseMove(to, 1000);

    const float vertical = horizontalBar ? float(clamped) / 5550.f : 0.5f;
    const float horizontal = horizontalBar ? 0.5f : float(clamped) / 4150.f;
    QCOMPARE(layout.verticalRatio(), vertical);
    QCOMPARE(layout.horizontalRatio(), horizontal);
    compareQuadrants(layout, fromRatios(4150, 5550, vertical, horizontal));
    // However far the pointer goes, no pane is squeezed to nothing.
    for (int q = 0; q < 4; ++q) {
        QVERIFY2(layout.quadrant(q).width() >= 19 && layout.quadrant(q).height() >= 19,
                 qPrintable(QString::number(q)));
    }
    layout.mouseUp();
    QCOMPARE(layout.dragFlag(), 0);
    compareQuadrants(layout, fromRatios(4150, 5550, vertical, horizontal));
}

void tst_PanelLayout::dragAtTheCrossingMovesBothBars()
{
    PanelLayout layout;
    layout.mouseDown(2075, 2775);
    QCOMPARE(layout.dragFlag(), 3);
    layout.mouseMove(1000, 4000);
    QCOMPARE(layout.verticalRatio(), 4000.f / 5550.f);
    QCOMPARE(layout.horizontalRatio(), 1000.f / 4150.f);
    compareQuadrants(layout, fromRatios(4150, 5550, 4000.f / 5550.f, 1000.f / 4150.f));
}

void tst_PanelLayout::dragOfOneBarLeavesTheOther()
{
    PanelLayout layout;
    layout.mouseDown(1000, 2775); // the horizontal bar only
    layout.mouseMove(3000, 1500); // x moves as well, the columns do not
    QCOMPARE(layout.horizontalRatio(), 0.5f);
    QCOMPARE(layout.quadrant(PanelLayout::NW).width(), 2050);
    QCOMPARE(layout.quadrant(PanelLayout::NW).height(), qRound(5500 * (1500.f / 5550.f)));
}

void tst_PanelLayout::moveWithoutDragOnlyTests()
{
    PanelLayout layout;
    layout.enlarge(PanelLayout::SE);
    // Pointer feedback over the bar of the enlarged layout, nothing moves.
    QCOMPARE(layout.mouseMove(40, 3000), 1);
    QCOMPARE(layout.mouseMove(1000, 50), 2);
    QCOMPARE(layout.mouseMove(1000, 1000), 0);
    QCOMPARE(layout.quadrant(PanelLayout::SE), QRect(70, 70, 4025, 5420));
    QCOMPARE(layout.highlighted(), int(PanelLayout::SE));
}

void tst_PanelLayout::enlargeTable_data()
{
    QTest::addColumn<int>("quadrant");
    QTest::addColumn<int>("leftWidth");
    QTest::addColumn<int>("rightWidth");
    QTest::addColumn<int>("topHeight");
    QTest::addColumn<int>("bottomHeight");
    QTest::addColumn<int>("rightLeft");
    QTest::addColumn<int>("bottomTop");
    QTest::newRow("Command8 north-west") << 0 << 4025 << 20 << 5420 << 20 << 4075 << 5470;
    QTest::newRow("Command9 north-east") << 1 << 20 << 4025 << 5420 << 20 << 70 << 5470;
    QTest::newRow("Command10 south-west") << 2 << 4025 << 20 << 20 << 5420 << 4075 << 70;
    QTest::newRow("Command11 south-east") << 3 << 20 << 4025 << 20 << 5420 << 70 << 70;
}

void tst_PanelLayout::enlargeTable()
{
    QFETCH(int, quadrant);
    QFETCH(int, leftWidth);
    QFETCH(int, rightWidth);
    QFETCH(int, topHeight);
    QFETCH(int, bottomHeight);
    QFETCH(int, rightLeft);
    QFETCH(int, bottomTop);
    PanelLayout layout;
    // From a dragged layout, so nothing of the halves can pass for the table.
    layout.mouseDown(2075, 2775);
    layout.mouseMove(700, 4300);
    layout.mouseUp();
    layout.enlarge(quadrant);
    QCOMPARE(layout.quadrant(PanelLayout::NW), QRect(0, 0, leftWidth, topHeight));
    QCOMPARE(layout.quadrant(PanelLayout::NE), QRect(rightLeft, 0, rightWidth, topHeight));
    QCOMPARE(layout.quadrant(PanelLayout::SW), QRect(0, bottomTop, leftWidth, bottomHeight));
    QCOMPARE(layout.quadrant(PanelLayout::SE),
             QRect(rightLeft, bottomTop, rightWidth, bottomHeight));
    QCOMPARE(layout.highlighted(), quadrant);
    // The ratios are the splitter's; an enlarge leaves them for the next drag.
    QCOMPARE(layout.verticalRatio(), 4300.f / 5550.f);
}

void tst_PanelLayout::enlargeResetsTheScrollBars()
{
    PanelLayout layout;
    layout.setVScroll1(1500);
    layout.setVScroll2(900);
    QCOMPARE(layout.picture(), QRect(6070, 360, 5650, 6450));
    layout.enlarge(PanelLayout::NE);
    QCOMPARE(layout.VScroll1(), 0);
    QCOMPARE(layout.VScroll2(), 0);
    QCOMPARE(layout.picture(), QRect(7570, 360, 4150, 5550));
    // After Command9 the west boxes are 20 wide and the north-east one starts at 70.
    QCOMPARE(layout.quadrant(PanelLayout::NW).width(), 20);
    QCOMPARE(layout.quadrant(PanelLayout::SW).width(), 20);
    QCOMPARE(layout.quadrant(PanelLayout::NE).left(), 70);
    layout.enlarge(7); // no such button: nothing changes
    QCOMPARE(layout.highlighted(), int(PanelLayout::NE));
}

void tst_PanelLayout::pressClearsTheHighlightAndReleaseLaysOut()
{
    PanelLayout layout;
    layout.enlarge(PanelLayout::NW);
    // A press off the bars still turns every pane button off.
    layout.mouseDown(30, 30);
    QCOMPARE(layout.dragFlag(), 0);
    QCOMPARE(layout.highlighted(), -1);
    QCOMPARE(layout.quadrant(PanelLayout::NW), QRect(0, 0, 4025, 5420));
    layout.mouseUp();
    compareQuadrants(layout, fromRatios(4150, 5550, 0.5f, 0.5f));
}

void tst_PanelLayout::scrollBarsResizeThePanel_data()
{
    QTest::addColumn<int>("v1");
    QTest::addColumn<int>("v2");
    QTest::addColumn<QRect>("picture");
    QTest::newRow("rest") << 0 << 0 << QRect(7570, 360, 4150, 5550);
    QTest::newRow("wider") << 1000 << 0 << QRect(6570, 360, 5150, 5550);
    QTest::newRow("to the window's edge") << 7570 << 0 << QRect(0, 360, 11720, 5550);
    QTest::newRow("taller") << 0 << 2400 << QRect(7570, 360, 4150, 7950);
    QTest::newRow("both") << 300 << 600 << QRect(7270, 360, 4450, 6150);
    QTest::newRow("negative is none") << -50 << -50 << QRect(7570, 360, 4150, 5550);
}

void tst_PanelLayout::scrollBarsResizeThePanel()
{
    QFETCH(int, v1);
    QFETCH(int, v2);
    QFETCH(QRect, picture);
    PanelLayout layout;
    layout.enlarge(PanelLayout::SW);
    layout.setVScroll1(v1);
    layout.setVScroll2(v2);
    QCOMPARE(layout.picture(), picture);
    // The right edge never moves: the panel grows to the left.
    QCOMPARE(layout.picture().left() + layout.picture().width(), 11720);
    QCOMPARE(layout.highlighted(), -1);
    // The bars move and size Picture1 only: the enlarged pane keeps its box.
    PanelLayout enlarged;
    enlarged.enlarge(PanelLayout::SW);
    for (int q = 0; q < 4; ++q)
        QCOMPARE(layout.quadrant(q), enlarged.quadrant(q));
    // The width's bar alone leaves the enlarge button on.
    PanelLayout widened;
    widened.enlarge(PanelLayout::NE);
    widened.setVScroll1(v1);
    QCOMPARE(widened.highlighted(), int(PanelLayout::NE));
    // The next splitter release lays the panes out over the new size.
    layout.mouseDown(0, 0);
    layout.mouseUp();
    compareQuadrants(layout, fromRatios(picture.width(), picture.height(), 0.5f, 0.5f));
}

QTEST_APPLESS_MAIN(tst_PanelLayout)
#include "tst_panellayout.moc"
