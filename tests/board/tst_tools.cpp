// The drawing tools on a real surface: what they draw, what they send, and
// how received drawings are rendered.

#include "boardsurface.h"
#include "bruvela.h"
#include "drawingtools.h"
#include "palette.h"
#include "messagerecorder.h"
#include "sinks.h"

#include <QtTest>

#include <functional>
#include <limits>

using board::BoardSurface;
using board::DrawingTools;

namespace
{

constexpr quint32 kWhite = 0x00FFFFFF;
constexpr quint32 kRed = 0x000000FF;
constexpr quint32 kBlue = 0x00FF0000;

/// Tools on a fresh board with a recorder for messages and message boxes.
struct Rig {
    BoardSurface surface;
    board::Palette palette;
    fill::Bruvela bruvela;
    DrawingTools tools{&surface, &palette, &bruvela};
    MessageRecorder boxes;
    QStringList sent;

    Rig()
    {
        tools.setBroadcaster([this](const QString &m) { sent << m; });
        tools.setMessageService(&boxes);
    }
    void red() { palette.picSelColor_Click(5); }
};

quint32 px(const BoardSurface &s, int x, int y)
{
    return s.pixel(x, y).value_or(0xDEADBEEF);
}

/// How many pixels differ between two boards; a count says more than a
/// failed image comparison.
int differing(const BoardSurface &a, const BoardSurface &b)
{
    const QImage &ia = a.image();
    const QImage &ib = b.image();
    if (ia.size() != ib.size())
        return -1;
    int n = 0;
    for (int y = 0; y < ia.height(); ++y)
        for (int x = 0; x < ia.width(); ++x)
            n += ia.pixel(x, y) != ib.pixel(x, y);
    return n;
}

/// A white board showing only the rubber band @p a → @p b (twips) at @p width.
void drawBand(BoardSurface &s, QPointF a, QPointF b, int width = 1)
{
    s.setDrawMode(BoardSurface::Invert);
    s.setDrawWidth(width);
    s.line(a, b);
    s.setDrawMode(BoardSurface::CopyPen);
    s.setDrawWidth(1);
}

} // namespace

class TestTools : public QObject
{
    Q_OBJECT
private slots:
    // colour lookup
    void pressWithoutColourIsRefused();
    void secondStraightPressWithoutColourKeepsRubberBand();

    // freehand
    void clickDrawsOneDotAndSendsIt();
    void dotHasThePenWidth();
    void dragSendsOneLinePerMoveFromRoundedPoint();
    void moveWithoutExactlyLeftButtonDrawsNothing();

    // straight lines and circles
    void straightLineSendsOnceAfterSecondClick();
    void circleOfRadius500();
    void chainModeThreeClicksTwoSegments();
    void chainOffEndsSegmentAndErasesBand();
    void snapAppliesToSegmentEnds();

    // tool state
    void rettangoliKeepsTheTool();
    void listHoverLeavesFillAlone();
    void toolButtonsHighlight();
    void fillToolSetsCrossPointer();
    void rightButtonNeverDraws();

    // fill
    void fillTwiceSendsTwice();
    void fillPointIsConvertedToPixelsFirst();

    // snap
    void snapToGrid_data();
    void snapToGrid();
    void gridStepFromTwips();

    // clearing
    void pulisciSendsThenClears();
    void clearDuringRubberBandForgetsTheBand_data();
    void clearDuringRubberBandForgetsTheBand();
    void firstClickIsForgottenWhenToolOrBoardChanges_data();
    void firstClickIsForgottenWhenToolOrBoardChanges();

    // rubber band
    void penWidthChangeRedrawsTheBand();
    void bandEndingOnTheEdgeIsErasedBeforeReceivedLine_data();
    void bandEndingOnTheEdgeIsErasedBeforeReceivedLine();

    // received drawings
    void receivedLineErasesPendingRubberBand();
    void receivedLineRestoresUnitAndWidth();
    void receivedCircleRecomputesRadius();
    void receivedFillAtExactPixels();
    void receivedExtremesLeaveBoardSane();
    void receivedUnknownUnitIsSkipped();
    void receivedZeroWidthIsSkipped();
    void receivedColourIsMaskedTo24Bits();
};

void TestTools::pressWithoutColourIsRefused()
{
    Rig r;
    const QImage before = r.surface.image();
    r.tools.mousePress(DrawingTools::Left, false, 150, 150);
    QCOMPARE(r.boxes.shown.size(), 1);
    QCOMPARE(r.boxes.shown[0].title, QStringLiteral("Vellumara"));
    QCOMPARE(r.boxes.shown[0].text, QStringLiteral("Selezionare un colore prima..."));
    QVERIFY(r.sent.isEmpty());
    QCOMPARE(r.surface.image(), before);

    // The drag that follows is the same refused stroke: no box per move.
    for (int x = 160; x <= 300; x += 10)
        r.tools.mouseMove(DrawingTools::Left, false, float(x), 300);
    QCOMPARE(r.boxes.shown.size(), 1);
    QVERIFY(r.sent.isEmpty());
    QCOMPARE(r.surface.image(), before);
    r.tools.mouseRelease(DrawingTools::Left, false, 300, 300);

    // Each new press is told again, once.
    r.tools.mousePress(DrawingTools::Left, false, 100, 100);
    r.tools.mouseMove(DrawingTools::Left, false, 120, 100);
    r.tools.mouseMove(DrawingTools::Left, false, 140, 100);
    QCOMPARE(r.boxes.shown.size(), 2);

    // A colour lost in the middle of a stroke is told once too, and a
    // colour chosen again draws on from there.
    r.red();
    r.tools.mousePress(DrawingTools::Left, false, 50, 50);
    r.palette.clearBorders();
    r.tools.mouseMove(DrawingTools::Left, false, 60, 50);
    r.tools.mouseMove(DrawingTools::Left, false, 70, 50);
    QCOMPARE(r.boxes.shown.size(), 3);
    QCOMPARE(r.sent.size(), 1); // the press's dot
    r.red();
    r.tools.mouseMove(DrawingTools::Left, false, 80, 50);
    QCOMPARE(r.sent.size(), 2);
    QCOMPARE(px(r.surface, 80 / 15, 50 / 15), kRed);
}

void TestTools::secondStraightPressWithoutColourKeepsRubberBand()
{
    Rig r;
    r.tools.Command14_Click();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500); // no colour needed yet
    r.tools.mouseMove(0, false, 4500, 1500);
    const QImage withBand = r.surface.image();
    r.tools.mousePress(DrawingTools::Left, false, 4500, 1500);
    QCOMPARE(r.boxes.shown.size(), 1);
    QVERIFY(r.sent.isEmpty());
    QVERIFY(r.tools.bLineStarted());
    QCOMPARE(r.surface.image(), withBand);
    // Picking a colour and clicking again finishes the segment cleanly.
    r.red();
    r.tools.mousePress(DrawingTools::Left, false, 4500, 1500);
    QCOMPARE(r.sent.size(), 1);
    BoardSurface ref;
    ref.line(QPointF(1500, 1500), QPointF(4500, 1500), kRed);
    QCOMPARE(r.surface.image(), ref.image());
}

void TestTools::clickDrawsOneDotAndSendsIt()
{
    Rig r;
    r.red();
    r.tools.mousePress(DrawingTools::Left, false, 150, 150);
    QCOMPARE(r.sent, QStringList{QStringLiteral("[Linea]0000000150000000015000000001500000000150"
                                                "000000025500000000010000000001")});
    QCOMPARE(px(r.surface, 10, 10), kRed);
    QCOMPARE(px(r.surface, 12, 10), kWhite);
    QCOMPARE(px(r.surface, 10, 12), kWhite);
    QCOMPARE(r.tools.iLastX(), qint16(150));
    QCOMPARE(r.tools.iLastY(), qint16(150));
}

void TestTools::dotHasThePenWidth()
{
    Rig r;
    r.red();
    r.surface.setScaleMode(BoardSurface::Pixels);
    r.tools.setPennello(5);
    QCOMPARE(r.surface.drawWidth(), 5);
    r.tools.mousePress(DrawingTools::Left, false, 100, 100);
    QVERIFY(r.sent.value(0).endsWith(QStringLiteral("00000000050000000003")));
    for (int d = -1; d <= 1; ++d) {
        QCOMPARE(px(r.surface, 100 + d, 100), kRed);
        QCOMPARE(px(r.surface, 100, 100 + d), kRed);
    }
    QCOMPARE(px(r.surface, 106, 100), kWhite);
    QCOMPARE(px(r.surface, 100, 94), kWhite);

    // The pen bar stops at 25.
    r.tools.setPennello(40);
    QCOMPARE(r.tools.pennello(), 25);
    QCOMPARE(r.surface.drawWidth(), 25);
}

void TestTools::dragSendsOneLinePerMoveFromRoundedPoint()
{
    Rig r;
    r.red();
    r.tools.mousePress(DrawingTools::Left, false, 150.4f, 150.4f);
    r.tools.mouseMove(DrawingTools::Left, false, 300.6f, 150.0f);
    r.tools.mouseMove(DrawingTools::Left, false, 450.0f, 300.0f);
    QCOMPARE(r.sent.size(), 3);
    QCOMPARE(r.sent[1], QStringLiteral("[Linea]0000000150000000015000000003010000000150"
                                       "000000025500000000010000000001"));
    QCOMPARE(r.sent[2], QStringLiteral("[Linea]0000000301000000015000000004500000000300"
                                       "000000025500000000010000000001"));
    QCOMPARE(r.tools.iLastX(), qint16(450));
    QCOMPARE(r.tools.iLastY(), qint16(300));
    // The stroke is on the board: pixel 15 of row 10 lies on the first move.
    QCOMPARE(px(r.surface, 15, 10), kRed);
}

void TestTools::moveWithoutExactlyLeftButtonDrawsNothing()
{
    Rig r;
    r.red();
    const QImage before = r.surface.image();
    r.tools.mouseMove(0, false, 300, 300);
    r.tools.mouseMove(DrawingTools::Middle, false, 600, 300);
    r.tools.mouseMove(DrawingTools::Left | DrawingTools::Right, false, 900, 300);
    QVERIFY(r.sent.isEmpty());
    QCOMPARE(r.surface.image(), before);
}

void TestTools::straightLineSendsOnceAfterSecondClick()
{
    Rig r;
    r.red();
    r.surface.setScaleMode(BoardSurface::Pixels);
    r.tools.Command14_Click();
    QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Twips));
    QVERIFY(r.tools.lineaRetta());

    r.tools.mousePress(DrawingTools::Left, false, 100, 100);
    r.tools.mouseMove(0, false, 200, 200);
    QVERIFY(px(r.surface, 10, 10) != kWhite); // the band is drawn (inverted: black on white)
    r.tools.mouseMove(0, false, 400, 250);
    QVERIFY(r.sent.isEmpty());
    r.tools.mousePress(DrawingTools::Left, false, 400, 250);
    QCOMPARE(r.sent, QStringList{QStringLiteral("[Linea]0000000100000000010000000004000000000250"
                                                "000000025500000000010000000001")});
    QVERIFY(!r.tools.bLineStarted());
    QCOMPARE(r.tools.sngEndX(), 0.0f);
    QCOMPARE(r.tools.sngEndY(), 0.0f);
    QCOMPARE(r.surface.drawMode(), int(BoardSurface::CopyPen));

    BoardSurface ref;
    ref.line(QPointF(100, 100), QPointF(400, 250), kRed);
    QCOMPARE(r.surface.image(), ref.image());
}

void TestTools::circleOfRadius500()
{
    Rig r;
    r.red();
    r.tools.Command15_Click();
    QCOMPARE(r.tools.List1(), QStringLiteral("Cerchi"));
    r.tools.mousePress(DrawingTools::Left, false, 1000, 1000);
    r.tools.mouseMove(0, false, 1200, 1100);
    r.tools.mouseMove(0, false, 1300, 1400);
    r.tools.mousePress(DrawingTools::Left, false, 1300, 1400);
    QCOMPARE(r.sent,
             QStringList{QStringLiteral("[Circonferenza]0000001000000000100000000013000000001400"
                                        "000000025500000000010000000001")});
    BoardSurface ref;
    ref.circle(QPointF(1000, 1000), 500, kRed);
    QCOMPARE(r.surface.image(), ref.image());
    // Radius 500 twips is 33.3 pixels around (66.7, 66.7): the rim crosses
    // row 66 near x = 33 and the centre is untouched.
    int rim = 0;
    for (int x = 30; x <= 36; ++x)
        rim += px(r.surface, x, 66) == kRed;
    QVERIFY(rim > 0);
    QCOMPARE(px(r.surface, 66, 66), kWhite);
}

void TestTools::chainModeThreeClicksTwoSegments()
{
    Rig r;
    r.red();
    r.tools.Command14_Click();
    r.tools.Command6_Click();
    QVERIFY(r.tools.MLine());
    QVERIFY(r.tools.highlighted(QStringLiteral("Command6")));

    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    r.tools.mouseMove(0, false, 3000, 1500);
    r.tools.mousePress(DrawingTools::Left, false, 3000, 1500);
    r.tools.mouseMove(0, false, 3000, 3000);
    r.tools.mousePress(DrawingTools::Left, false, 3000, 3000);
    QCOMPARE(r.sent.size(), 2);
    QVERIFY(
        r.sent[0].startsWith(QStringLiteral("[Linea]0000001500000000150000000030000000001500")));
    QVERIFY(
        r.sent[1].startsWith(QStringLiteral("[Linea]0000003000000000150000000030000000003000")));
    QVERIFY(r.tools.bLineStarted());
    QCOMPARE(r.tools.sngStartX(), 3000.0f);
    QCOMPARE(r.tools.sngStartY(), 3000.0f);

    // The third click's point starts the next rubber band.
    r.tools.mouseMove(0, false, 4500, 3000);
    QVERIFY(px(r.surface, 250, 200) != kWhite);
    QCOMPARE(r.sent.size(), 2);
}

void TestTools::chainOffEndsSegmentAndErasesBand()
{
    Rig r;
    r.red();
    r.tools.Command14_Click();
    r.tools.Command6_Click();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    r.tools.mousePress(DrawingTools::Left, false, 3000, 1500);
    const QImage afterSegment = r.surface.image();
    r.tools.mouseMove(0, false, 4500, 4500);
    QVERIFY(r.surface.image() != afterSegment);
    r.tools.Command6_Click();
    QVERIFY(!r.tools.MLine());
    QVERIFY(!r.tools.bLineStarted());
    QCOMPARE(r.tools.sngEndX(), 4500.0f); // the end keeps its value
    // The band is gone without a trace; the finished segment stays.
    QCOMPARE(r.surface.image(), afterSegment);
    QCOMPARE(px(r.surface, 150, 100), kRed);
    QVERIFY(!r.tools.highlighted(QStringLiteral("Command6")));
}

void TestTools::snapAppliesToSegmentEnds()
{
    Rig r;
    r.red();
    r.tools.Command14_Click();
    r.tools.Command5_Click();
    QVERIFY(r.tools.Snap2Grid());
    QVERIFY(r.tools.highlighted(QStringLiteral("Command5")));
    r.tools.mousePress(DrawingTools::Left, false, 179, 59);
    QCOMPARE(r.tools.sngStartX(), 120.0f);
    QCOMPARE(r.tools.sngStartY(), 0.0f);
    r.tools.mousePress(DrawingTools::Left, false, 400, 250);
    QCOMPARE(r.sent.size(), 1);
    QVERIFY(
        r.sent[0].startsWith(QStringLiteral("[Linea]0000000120000000000000000003600000000240")));
    BoardSurface ref;
    ref.line(QPointF(120, 0), QPointF(360, 240), kRed);
    QCOMPARE(r.surface.image(), ref.image());

    // A changed general step takes effect at the next press.
    r.tools.setGeneralGridStep(QStringLiteral("100"));
    r.tools.mousePress(DrawingTools::Left, false, 149, 151);
    QCOMPARE(r.tools.sngStartX(), 100.0f);
    QCOMPARE(r.tools.sngStartY(), 200.0f);
}

void TestTools::rettangoliKeepsTheTool()
{
    Rig r;
    r.tools.Command15_Click();
    r.tools.setList1(QStringLiteral("Rettangoli"));
    QVERIFY(r.tools.lineaRetta());
    QVERIFY(!r.tools.riempi());

    r.tools.Command16_Click();
    QVERIFY(r.tools.riempi());
    r.tools.setList1(QStringLiteral("Rettangoli"));
    QVERIFY(r.tools.riempi());
    QVERIFY(r.tools.lineaRetta());

    r.tools.setList1(QStringLiteral("Mano Libera"));
    QVERIFY(!r.tools.riempi());
    QVERIFY(!r.tools.lineaRetta());
    QVERIFY(!r.tools.MLine());
}

void TestTools::listHoverLeavesFillAlone()
{
    Rig r;
    r.tools.Command16_Click();
    QVERIFY(r.tools.riempi());
    r.tools.List1_MouseMove(QStringLiteral("Mano Libera"));
    QVERIFY(r.tools.riempi());
    r.tools.setMLine(true);
    r.tools.setLineaRetta(true);
    r.tools.List1_MouseMove(QStringLiteral("Mano Libera"));
    QVERIFY(!r.tools.MLine());
    QVERIFY(!r.tools.lineaRetta());
    QVERIFY(r.tools.riempi());
    r.tools.List1_MouseMove(QStringLiteral("Cerchi"));
    QVERIFY(r.tools.lineaRetta());
    QVERIFY(r.tools.riempi());
}

void TestTools::toolButtonsHighlight()
{
    Rig r;
    auto on = [&](const char *n) { return r.tools.highlighted(QString::fromLatin1(n)); };
    for (const QString &name : DrawingTools::buttonNames())
        QVERIFY2(!r.tools.highlighted(name), qPrintable(name));

    QSignalSpy spy(&r.tools, &DrawingTools::highlightChanged);
    r.tools.Command14_Click();
    QVERIFY(on("Command14"));
    QVERIFY(spy.size() >= 1);
    r.tools.Command15_Click();
    QVERIFY(on("Command15"));
    QVERIFY(!on("Command14"));
    r.tools.Command16_Click();
    QVERIFY(on("Command16"));
    QVERIFY(on("Command15")); // "Colora" leaves the others as they are
    r.tools.Command12_Click();
    QVERIFY(r.tools.testoinBox());
    QVERIFY(!r.tools.riempi());
    QVERIFY(on("Command12"));
    QVERIFY(!on("Command16"));
    r.tools.Command12_Click();
    QVERIFY(!r.tools.testoinBox());
    QVERIFY(!on("Command12"));
    r.tools.Command6_Click();
    r.tools.Command13_Click();
    QVERIFY(on("Command13"));
    for (const char *n : {"Command6", "Command12", "Command14", "Command15", "Command16"})
        QVERIFY2(!on(n), n);
    QCOMPARE(r.tools.List1(), QStringLiteral("Mano Libera"));
    QVERIFY(!r.tools.MLine());
}

void TestTools::fillToolSetsCrossPointer()
{
    Rig r;
    r.tools.Command16_Click();
    QCOMPARE(r.surface.mousePointer(), int(BoardSurface::PointerCross));
    r.tools.Command13_Click();
    QCOMPARE(r.surface.mousePointer(), int(BoardSurface::PointerDefault));
}

void TestTools::rightButtonNeverDraws()
{
    Rig r;
    r.red();
    const QImage before = r.surface.image();
    auto rightGesture = [&] {
        r.tools.mousePress(DrawingTools::Right, false, 1500, 1500);
        r.tools.mouseMove(DrawingTools::Right, false, 3000, 3000);
        r.tools.mouseRelease(DrawingTools::Right, false, 3000, 3000);
    };
    rightGesture();
    r.tools.Command14_Click();
    rightGesture();
    r.tools.Command15_Click();
    rightGesture();
    r.tools.Command16_Click();
    rightGesture();
    QVERIFY(r.sent.isEmpty());
    QVERIFY(!r.tools.bLineStarted());
    QCOMPARE(r.surface.image(), before);
}

void TestTools::fillTwiceSendsTwice()
{
    Rig r;
    r.red();
    r.tools.Command16_Click();
    r.tools.mousePress(DrawingTools::Left, false, 150, 150); // twips: pixel (10, 10)
    QCOMPARE(r.sent.size(), 1);
    QCOMPARE(r.sent[0], QStringLiteral("[Colora Sfondo]000000001000000000100000000255"));
    QCOMPARE(px(r.surface, 0, 0), kRed);
    QCOMPARE(px(r.surface, 799, 799), kRed);
    QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Pixels));
    QCOMPARE(r.surface.drawWidth(), 1);
    QCOMPARE(r.surface.fillStyle(), int(BoardSurface::FillTransparent));

    const QImage once = r.surface.image();
    r.tools.mousePress(DrawingTools::Left, false, 10, 10); // now in pixels
    QCOMPARE(r.sent.size(), 2);
    QCOMPARE(r.sent[1], r.sent[0]);
    QCOMPARE(r.surface.image(), once);
}

void TestTools::fillPointIsConvertedToPixelsFirst()
{
    Rig r;
    r.red();
    // A black wall at pixel column 150 splits the board in two.
    r.surface.setScaleMode(BoardSurface::Pixels);
    r.surface.line(QPointF(150, 0), QPointF(150, 799), 0);
    r.surface.setScaleMode(BoardSurface::Twips);

    r.tools.Command16_Click();
    r.tools.mousePress(DrawingTools::Left, false, 3000, 1500); // pixel (200, 100)
    QCOMPARE(r.sent, QStringList{QStringLiteral("[Colora Sfondo]000000020000000001000000000255")});
    QCOMPARE(px(r.surface, 300, 100), kRed);
    QCOMPARE(px(r.surface, 100, 100), kWhite);
    QCOMPARE(px(r.surface, 150, 100), 0u);

    // A receiver filling at the sent numbers paints the same side.
    BoardSurface other;
    board::Palette otherPalette;
    fill::Bruvela otherFill;
    DrawingTools receiver(&other, &otherPalette, &otherFill);
    other.setScaleMode(BoardSurface::Pixels);
    other.line(QPointF(150, 0), QPointF(150, 799), 0);
    other.setScaleMode(BoardSurface::Twips);
    receiver.receiveFill(200, 100, qint32(kRed));
    QCOMPARE(other.image(), r.surface.image());
    QCOMPARE(other.scaleMode(), int(BoardSurface::Twips));
}

void TestTools::snapToGrid_data()
{
    QTest::addColumn<float>("p");
    QTest::addColumn<float>("step");
    QTest::addColumn<float>("expected");
    const float step = DrawingTools::gridStepFromTwips(120);
    QTest::newRow("179 down") << 179.0f << step << 120.0f;
    QTest::newRow("180 half up") << 180.0f << step << 240.0f;
    QTest::newRow("59 to 0") << 59.0f << step << 0.0f;
    QTest::newRow("on a line") << 240.0f << step << 240.0f;
    QTest::newRow("zero step") << 179.0f << 0.0f << 179.0f;
    QTest::newRow("step rounding to 0") << 179.0f << 0.0003f << 179.0f;
    QTest::newRow("100 twips step") << 149.0f << DrawingTools::gridStepFromTwips(100) << 100.0f;
    QTest::newRow("huge step saturates") << 179.0f << 1000.0f << 0.0f;
}

void TestTools::snapToGrid()
{
    QFETCH(float, p);
    QFETCH(float, step);
    QFETCH(float, expected);
    QCOMPARE(DrawingTools::SnapToGrid(p, step), expected);
}

void TestTools::gridStepFromTwips()
{
    QCOMPARE(DrawingTools::gridStepFromTwips(120), 0.0833f);
    QCOMPARE(DrawingTools::gridStepFromTwips(100), 0.0694f);
    Rig r;
    QCOMPARE(r.tools.sngGridStep(), 0.0833f);
    r.tools.setGeneralGridStep(QStringLiteral("non numero"));
    QCOMPARE(r.tools.sngGridStep(), 0.0833f);
}

void TestTools::pulisciSendsThenClears()
{
    Rig r;
    r.red();
    r.tools.Command14_Click();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    r.tools.mouseMove(0, false, 3000, 3000);
    r.surface.setPicture(QImage(10, 10, QImage::Format_RGB32));
    bool drawnWhenSent = false;
    r.tools.setBroadcaster([&](const QString &m) {
        r.sent << m;
        drawnWhenSent = px(r.surface, 150, 150) != kWhite;
    });
    r.tools.cmdClearDraw_Click();
    QCOMPARE(r.sent, QStringList{QStringLiteral("[Pulisci Lavagna]")});
    QVERIFY(drawnWhenSent); // the message leaves before the local clearing
    QVERIFY(!r.surface.hasPicture());
    QCOMPARE(px(r.surface, 150, 150), kWhite);
    // The first click is forgotten with the board it was made on.
    QVERIFY(!r.tools.bLineStarted());

    r.sent.clear();
    r.surface.pset(QPointF(100, 100), kRed);
    r.tools.clearBoard();
    QVERIFY(r.sent.isEmpty()); // a received clearing is not sent back
    QCOMPARE(px(r.surface, 6, 6), kWhite);
}

void TestTools::clearDuringRubberBandForgetsTheBand_data()
{
    QTest::addColumn<bool>("received");
    QTest::newRow("local Pulisci") << false;
    QTest::newRow("received clearing") << true;
}

void TestTools::clearDuringRubberBandForgetsTheBand()
{
    QFETCH(bool, received);
    Rig r;
    r.red();
    r.tools.Command14_Click();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    r.tools.mouseMove(0, false, 4500, 3000);
    QVERIFY(r.tools.segmentPending());
    if (received)
        r.tools.clearBoard();
    else
        r.tools.cmdClearDraw_Click();
    const BoardSurface blank;
    QCOMPARE(differing(r.surface, blank), 0);

    // The next move shows no band and the next press only starts a segment.
    r.tools.mouseMove(0, false, 4500, 1500);
    QCOMPARE(differing(r.surface, blank), 0);
    r.tools.mousePress(DrawingTools::Left, false, 4500, 1500);
    QVERIFY(r.sent.size() <= 1); // at most the local "[Pulisci Lavagna]"
    QVERIFY(r.tools.bLineStarted());
    QCOMPARE(differing(r.surface, blank), 0);
}

void TestTools::firstClickIsForgottenWhenToolOrBoardChanges_data()
{
    QTest::addColumn<int>("tool"); // 14 lines, 15 circles
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("forgotten");
    const QStringList forgetting{"circles", "lines", "freehand", "fill", "text", "list Mano Libera",
                                 "Pulisci", "received clear"};
    for (const int tool : {14, 15}) {
        for (const QString &change : forgetting) {
            if ((tool == 14 && change == QLatin1String("lines")) ||
                (tool == 15 && change == QLatin1String("circles")))
                continue;
            QTest::addRow("%d then %s", tool, qPrintable(change)) << tool << change << true;
        }
        // Choosing the same tool again, "Rettangoli" (no tool of its own) and
        // the snap switch change no tool.
        QTest::addRow("%d then same tool", tool)
            << tool << QString(tool == 14 ? "lines" : "circles") << false;
        QTest::addRow("%d then Rettangoli", tool) << tool << QStringLiteral("list Rettangoli") << false;
        QTest::addRow("%d then Approssima", tool) << tool << QStringLiteral("snap") << false;
    }
}

void TestTools::firstClickIsForgottenWhenToolOrBoardChanges()
{
    QFETCH(int, tool);
    QFETCH(QString, change);
    QFETCH(bool, forgotten);
    Rig r;
    r.red();
    tool == 14 ? r.tools.Command14_Click() : r.tools.Command15_Click();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    r.tools.mouseMove(0, false, 4500, 3000);
    QVERIFY(r.tools.segmentPending());

    const QHash<QString, std::function<void()>> changes{
        {"lines", [&] { r.tools.Command14_Click(); }},
        {"circles", [&] { r.tools.Command15_Click(); }},
        {"freehand", [&] { r.tools.Command13_Click(); }},
        {"fill", [&] { r.tools.Command16_Click(); }},
        {"text", [&] { r.tools.Command12_Click(); }},
        {"list Mano Libera", [&] { r.tools.setList1(QStringLiteral("Mano Libera")); }},
        {"list Rettangoli", [&] { r.tools.setList1(QStringLiteral("Rettangoli")); }},
        {"snap", [&] { r.tools.Command5_Click(); }},
        {"Pulisci", [&] { r.tools.cmdClearDraw_Click(); }},
        {"received clear", [&] { r.tools.clearBoard(); }},
    };
    changes.value(change)();
    QCOMPARE(r.tools.bLineStarted(), !forgotten);
    if (!forgotten)
        return;
    // No band is left on the board, and coming back to the tool, a press
    // starts a new segment instead of finishing one from the old point.
    QVERIFY(!r.tools.segmentPending());
    const BoardSurface blank;
    QCOMPARE(differing(r.surface, blank), 0);
    if (r.tools.testoinBox())
        r.tools.Command12_Click();
    tool == 14 ? r.tools.Command14_Click() : r.tools.Command15_Click();
    r.sent.clear();
    r.tools.mousePress(DrawingTools::Left, false, 6000, 6000);
    QVERIFY(r.sent.isEmpty());
    QVERIFY(r.tools.bLineStarted());
    QCOMPARE(r.tools.sngStartX(), 6000.0f);
}

void TestTools::penWidthChangeRedrawsTheBand()
{
    Rig r;
    r.red();
    r.tools.Command14_Click();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    r.tools.mouseMove(0, false, 4500, 3000);

    // The band follows the new pen at once, and none of the old one stays.
    r.tools.setPennello(5);
    QCOMPARE(r.surface.drawWidth(), 5);
    QVERIFY(r.tools.segmentPending());
    BoardSurface band;
    drawBand(band, QPointF(1500, 1500), QPointF(4500, 3000), 5);
    QCOMPARE(differing(r.surface, band), 0);

    // Moving on removes the wide band completely.
    r.tools.mouseMove(0, false, 6000, 1500);
    BoardSurface moved;
    drawBand(moved, QPointF(1500, 1500), QPointF(6000, 1500), 5);
    QCOMPARE(differing(r.surface, moved), 0);

    // A received line removes the band drawn before another width change.
    r.tools.setPennello(2);
    r.tools.receiveLine(session::DrawFields{0, 400, 799, 400, qint32(kBlue), 1, 3});
    BoardSurface ref;
    ref.setScaleMode(BoardSurface::Pixels);
    ref.line(QPointF(0, 400), QPointF(799, 400), kBlue);
    ref.setScaleMode(BoardSurface::Twips);
    QCOMPARE(differing(r.surface, ref), 0);

    // Finishing draws the segment at the pen width in force.
    r.tools.mouseMove(0, false, 6000, 4500);
    r.tools.mousePress(DrawingTools::Left, false, 6000, 4500);
    ref.setDrawWidth(2);
    ref.line(QPointF(1500, 1500), QPointF(6000, 4500), kRed);
    QCOMPARE(differing(r.surface, ref), 0);
}

void TestTools::bandEndingOnTheEdgeIsErasedBeforeReceivedLine_data()
{
    QTest::addColumn<float>("endX");
    QTest::addColumn<float>("endY");
    QTest::addColumn<int>("row"); // pixel row of the received line, across the band
    QTest::newRow("left edge") << 0.0f << 3000.0f << 150;
    QTest::newRow("top edge") << 4500.0f << 0.0f << 50;
}

void TestTools::bandEndingOnTheEdgeIsErasedBeforeReceivedLine()
{
    QFETCH(float, endX);
    QFETCH(float, endY);
    QFETCH(int, row);
    Rig r;
    r.red();
    r.tools.Command14_Click();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    r.tools.mouseMove(0, false, endX, endY);
    const bool pendingWithBand = r.tools.segmentPending();

    r.tools.receiveLine(session::DrawFields{0, float(row), 799, float(row), qint32(kBlue), 1, 3});
    BoardSurface ref;
    ref.setScaleMode(BoardSurface::Pixels);
    ref.line(QPointF(0, row), QPointF(799, row), kBlue);
    ref.setScaleMode(BoardSurface::Twips);
    QCOMPARE(differing(r.surface, ref), 0);
    QVERIFY(pendingWithBand);
    QVERIFY(!r.tools.segmentPending());
    QVERIFY(r.tools.bLineStarted());

    // Finishing elsewhere leaves the received line whole.
    r.tools.mouseMove(0, false, 6000, 6000);
    r.tools.mousePress(DrawingTools::Left, false, 6000, 6000);
    ref.line(QPointF(1500, 1500), QPointF(6000, 6000), kRed);
    QCOMPARE(differing(r.surface, ref), 0);
    QVERIFY(!r.tools.segmentPending());
}

void TestTools::receivedLineErasesPendingRubberBand()
{
    Rig r;
    r.red();
    r.tools.Command14_Click();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    r.tools.mouseMove(0, false, 4500, 3000);
    QVERIFY(r.tools.segmentPending());
    QVERIFY(px(r.surface, 200, 150) != kWhite); // the band is on the board

    r.tools.receiveLine(session::DrawFields{0, 400, 799, 400, qint32(kBlue), 1, 3});
    QVERIFY(!r.tools.segmentPending());
    QCOMPARE(r.tools.sngEndX(), r.tools.sngStartX());
    QCOMPARE(r.tools.sngEndY(), r.tools.sngStartY());
    QVERIFY(r.tools.bLineStarted());
    QCOMPARE(r.surface.drawMode(), int(BoardSurface::Invert));

    BoardSurface ref;
    ref.setScaleMode(BoardSurface::Pixels);
    ref.line(QPointF(0, 400), QPointF(799, 400), kBlue);
    QCOMPARE(r.surface.image(), ref.image());
    QCOMPARE(px(r.surface, 400, 400), kBlue);
    QCOMPARE(px(r.surface, 200, 150), kWhite);

    // The local user can still finish the segment; the received one stays.
    r.tools.mouseMove(0, false, 4500, 1500);
    r.tools.mousePress(DrawingTools::Left, false, 4500, 1500);
    ref.setScaleMode(BoardSurface::Twips);
    ref.line(QPointF(1500, 1500), QPointF(4500, 1500), kRed);
    QCOMPARE(r.surface.image(), ref.image());
}

void TestTools::receivedLineRestoresUnitAndWidth()
{
    Rig r;
    r.tools.setPennello(4);
    r.tools.receiveLine(session::DrawFields{10, 10, 100, 10, qint32(kRed), 7, 3});
    QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Twips));
    QCOMPARE(r.surface.drawWidth(), 4);
    QCOMPARE(r.surface.drawMode(), int(BoardSurface::Invert));
    QCOMPARE(px(r.surface, 50, 10), kRed);
    QCOMPARE(px(r.surface, 50, 12), kRed); // width 7 reaches three rows down
    QCOMPARE(px(r.surface, 50, 20), kWhite);
    QVERIFY(r.sent.isEmpty());

    // Missing width and unit: the receiver's own are used.
    r.tools.receiveLine(
        session::DrawFields{1500, 3000, 3000, 3000, qint32(kBlue), std::nullopt, std::nullopt});
    QCOMPARE(px(r.surface, 150, 200), kBlue);
    QCOMPARE(px(r.surface, 150, 201), kBlue); // width 4
    QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Twips));
}

void TestTools::receivedCircleRecomputesRadius()
{
    Rig r;
    r.tools.receiveCircle(session::DrawFields{1000, 1000, 1300, 1400, qint32(kRed), 1, 1});
    BoardSurface ref;
    ref.circle(QPointF(1000, 1000), 500, kRed);
    QCOMPARE(r.surface.image(), ref.image());
    QCOMPARE(r.surface.drawMode(), int(BoardSurface::Invert));
}

void TestTools::receivedFillAtExactPixels()
{
    Rig r;
    r.surface.setScaleMode(BoardSurface::Pixels);
    r.surface.line(QPointF(0, 50), QPointF(799, 50), 0);
    r.surface.setScaleMode(BoardSurface::Twips);
    r.surface.setDrawMode(BoardSurface::Invert);
    r.surface.setFillStyle(BoardSurface::FillTransparent);
    // (60, 40) is read as pixels even though the board is in twips.
    r.tools.receiveFill(60, 40, qint32(kBlue));
    QCOMPARE(px(r.surface, 60, 40), kBlue);
    QCOMPARE(px(r.surface, 60, 60), kWhite);
    QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Twips));
    QCOMPARE(r.surface.drawMode(), int(BoardSurface::Invert));
    QCOMPARE(r.surface.fillStyle(), int(BoardSurface::FillTransparent));
    QVERIFY(r.sent.isEmpty());
}

void TestTools::receivedExtremesLeaveBoardSane()
{
    Rig r;
    r.red();
    const float big = 9999999999.0f;
    const float small = -999999999.0f;
    const qint32 maxColour = std::numeric_limits<qint32>::max();
    const QList<session::DrawFields> lines{
        session::DrawFields{big, big, small, small, qint32(kRed), 1, 1},
        session::DrawFields{small, 0, big, 0, -1, 30000, 3},
        session::DrawFields{0, small, 0, big, maxColour, -5, 3},
        session::DrawFields{big, small, small, big, qint32(kBlue), 0, 7},
        session::DrawFields{small, small, small, small, qint32(kBlue), 25, 1},
        session::DrawFields{400, 400, 400, 400, qint32(kBlue), 30000, 3},
    };
    for (const auto &f : lines) {
        r.tools.receiveLine(f);
        r.tools.receiveCircle(f);
        QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Twips));
        QCOMPARE(r.surface.drawWidth(), 1);
        QCOMPARE(r.surface.drawMode(), int(BoardSurface::Invert));
    }
    // A circle of radius 1e9 whose rim misses the board, and one that crosses it.
    r.tools.receiveCircle(session::DrawFields{0, 0, 1e9f, 0, qint32(kRed), 1, 3});
    r.tools.receiveCircle(session::DrawFields{1e9f, 400, 0, 400, qint32(kBlue), 3, 3});
    QCOMPARE(px(r.surface, 0, 400), kBlue);
    r.tools.receiveFill(big, small, -1);
    r.tools.receiveFill(small, big, maxColour);
    r.tools.receiveFill(-1, 0, qint32(kRed));
    r.tools.receiveFill(800, 0, qint32(kRed));
    QCOMPARE(r.surface.pixelSize(), QSize(800, 800));
    QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Twips));

    // The board still draws normally afterwards.
    r.tools.clearBoard();
    r.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    // Received drawings leave invert mode; a freehand click still draws its colour.
    QCOMPARE(px(r.surface, 100, 100), kRed);
    QCOMPARE(r.sent.size(), 1);
}

void TestTools::receivedUnknownUnitIsSkipped()
{
    Rig r;
    // Unit 7 is no unit: the receiver stays in twips, so 1500 twips is 100 pixels.
    r.tools.receiveLine(session::DrawFields{0, 0, 1500, 0, qint32(kRed), 1, 7});
    QCOMPARE(px(r.surface, 50, 0), kRed);
    QCOMPARE(px(r.surface, 150, 0), kWhite);
    QCOMPARE(r.surface.scaleMode(), int(BoardSurface::Twips));
}

void TestTools::receivedZeroWidthIsSkipped()
{
    Rig r;
    r.surface.setScaleMode(BoardSurface::Pixels);
    r.tools.setPennello(3);
    // A width the pen cannot take leaves the receiver's own width (3) in use.
    r.tools.receiveLine(session::DrawFields{0, 100, 200, 100, qint32(kRed), 0, 3});
    QCOMPARE(px(r.surface, 50, 99), kRed);
    QCOMPARE(px(r.surface, 50, 101), kRed);
    QCOMPARE(px(r.surface, 50, 103), kWhite);
    r.tools.receiveLine(session::DrawFields{0, 200, 200, 200, qint32(kRed), -5, 3});
    QCOMPARE(px(r.surface, 50, 199), kRed);
    QCOMPARE(px(r.surface, 50, 201), kRed);
    QCOMPARE(r.surface.drawWidth(), 3);
    // A huge width is capped by the board and still draws.
    r.tools.receiveLine(session::DrawFields{0, 600, 0, 600, qint32(kBlue), 30000, 3});
    QCOMPARE(px(r.surface, 0, 600), kBlue);
    QCOMPARE(r.surface.drawWidth(), 3);
}

void TestTools::receivedColourIsMaskedTo24Bits()
{
    Rig r;
    r.tools.receiveFill(5, 5, qint32(kRed));
    r.tools.receiveLine(session::DrawFields{0, 100, 200, 100, -1, 1, 3});
    QCOMPARE(px(r.surface, 50, 100), kWhite);
    r.tools.receiveLine(session::DrawFields{0, 200, 200, 200, qint32(0x7F00FF00), 1, 3});
    QCOMPARE(px(r.surface, 50, 200), 0x0000FF00u);
    r.tools.receiveLine(session::DrawFields{0, 300, 200, 300, qint32(0x7FFF0000), 1, 3});
    QCOMPARE(px(r.surface, 50, 300), kBlue);
}

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
