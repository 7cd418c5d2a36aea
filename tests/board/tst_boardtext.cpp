// Text on the board: the angle picker's formula, DrawText's box, colour and
// bounds on hostile values, the twelve messages a sender writes, received
// texts in the sender's colour, and the set travelling from a client through
// the host to another client on 127.0.0.1.

#include "anglepicker.h"
#include "boardsurface.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "messagerecorder.h"
#include "palette.h"
#include "protocol.h"
#include "sinks.h"
#include "textrenderer.h"
#include "trafficlog.h"

#include <QFontDatabase>
#include <QPolygonF>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <cmath>

using board::AnglePicker;
using board::BoardSurface;
using board::DrawingTools;
using board::TextParams;
using board::TextRenderer;

namespace
{

constexpr quint32 kWhite = 0x00FFFFFF;
constexpr quint32 kRed = 0x000000FF;
constexpr quint32 kBlue = 0x00FF0000;

/// The pixels of @p image that are not white, as (x, y) points.
QList<QPoint> inked(const QImage &image)
{
    QList<QPoint> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                out << QPoint(x, y);
    return out;
}

QImage blank(int w = 400, int h = 400)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

/// Draws with the dialog's start values unless told otherwise.
QImage drawn(const QString &text, int height = 13, int width = 4, int angle = 0,
             int weight = 400, const QString &font = QString(), QPointF at = {100, 100},
             bool underline = false, bool italic = false, bool strike = false)
{
    QImage image = blank();
    TextRenderer::DrawText(image, at, text, underline, italic, strike, height, width, angle,
                           weight, font, kRed);
    return image;
}

struct Board {
    BoardSurface surface;
    board::Palette palette;
    DrawingTools tools{&surface, &palette, nullptr};
    MessageRecorder boxes;
    QStringList sent;
    Board()
    {
        tools.setBroadcaster([this](const QString &m) { sent << m; });
        tools.setMessageService(&boxes);
    }
};

session::TextSet textSet(const QString &text, qint32 x, qint32 y)
{
    session::TextSet t;
    t.Text = text;
    t.x = x;
    t.Y = y;
    t.Height = 20;
    t.Width = 8;
    t.FWidth = 400;
    return t;
}

} // namespace

class TestBoardText : public QObject
{
    Q_OBJECT
private slots:
    void pickerWorkedPoints_data();
    void pickerWorkedPoints();
    void pickerPressFixesAndFrees();
    void pickerCentreKeepsThePreviousAngle();
    void textLiesInItsRotatedBox_data();
    void textLiesInItsRotatedBox();
    void startSettingsCellIsThirteenHigh();
    void stylesChangeThePixels();
    void hostileValuesAreClampedOrRefused_data();
    void hostileValuesAreClampedOrRefused();
    void everyListedFamilyIsKept();
    void anglesBeyondSixteenBitsDrawNothing();
    void megabyteTextDrawsItsVisibleStart();
    void farAnchorsDrawNothing();
    void textToolRefusesWithoutColour();
    void insertTextDrawsThenSendsTwelveMessages();
    void insertTextWithoutColourDoesNothing();
    void senderDrawsWhatTheWireCarries();
    void receivedTextUsesTheSendersSwatch_data();
    void receivedTextUsesTheSendersSwatch();
    void receivedTextRestoresUnitAndErasesBand();
    void setTravelsClientHostClient();
};

void TestBoardText::pickerWorkedPoints_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("angle");
    QTest::newRow("right") << 93.0 << 46.5 << 0.0;
    QTest::newRow("up") << 46.5 << 0.0 << 90.0;
    QTest::newRow("left") << 0.0 << 46.5 << 180.0;
    QTest::newRow("down") << 46.5 << 93.0 << 270.0;
    QTest::newRow("up right") << 80.0 << 13.0 << 45.0;
    QTest::newRow("up left") << 13.0 << 13.0 << 135.0;
    QTest::newRow("down left") << 13.0 << 80.0 << 225.0;
    QTest::newRow("down right") << 80.0 << 80.0 << 315.0;
    // atan(1/2) = 26.565...: a point off the diagonals.
    QTest::newRow("shallow") << 86.5 << 26.5 << 26.56505117707799;
}

void TestBoardText::pickerWorkedPoints()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, angle);
    const auto a = AnglePicker::angleFrom(x, y);
    QVERIFY(a);
    QVERIFY2(std::abs(*a - angle) < 1e-9, qPrintable(QString::number(*a, 'g', 17)));
}

void TestBoardText::pickerPressFixesAndFrees()
{
    AnglePicker picker;
    QCOMPARE(picker.chosenPoint(), QPointF(93, 46.5));
    QCOMPARE(picker.angle(), 0.0);
    QVERIFY(!picker.fixed());
    picker.press(46.5, 0);
    QVERIFY(picker.fixed());
    QCOMPARE(picker.angle(), 90.0);
    // Fixed: the next press frees it and chooses nothing.
    picker.press(0, 46.5);
    QVERIFY(!picker.fixed());
    QCOMPARE(picker.angle(), 90.0);
    picker.press(0, 46.5);
    QCOMPARE(picker.angle(), 180.0);
}

void TestBoardText::pickerCentreKeepsThePreviousAngle()
{
    QVERIFY(!AnglePicker::angleFrom(46.5, 46.5));
    AnglePicker picker;
    picker.press(80, 13);
    picker.press(80, 13); // free again
    picker.press(46.5, 46.5);
    QCOMPARE(picker.angle(), 45.0);
    QCOMPARE(picker.chosenPoint(), QPointF(80, 13));
    QVERIFY(picker.fixed());
}

void TestBoardText::textLiesInItsRotatedBox_data()
{
    QTest::addColumn<int>("angle");
    for (int a : {0, 30, 45, 90, 135, 180, 270, 300})
        QTest::addRow("%d degrees", a) << a;
}

void TestBoardText::textLiesInItsRotatedBox()
{
    QFETCH(int, angle);
    const QString text = QStringLiteral("HMWH");
    const int height = 30;
    const int width = 12;
    const QPointF at(200, 200);
    QImage image = blank();
    const QRect reported = TextRenderer::DrawText(image, at, text, false, false, false, height,
                                                  width, angle, 700, QString(), kBlue);

    // The unrotated box: the cell height, and the run of four characters of
    // about the average width (capitals run wider, hence the allowance).
    const TextRenderer::Layout l =
        TextRenderer::layout(text, false, false, false, height, width, 700, QString());
    QCOMPARE(l.cellHeight * l.scaleY, double(height));
    const double length = 4 * width * 2.0;
    QTransform t;
    t.translate(at.x(), at.y());
    t.rotate(-angle);
    const QPolygonF box = t.map(QPolygonF(QRectF(-1.5, -1.5, length + 3, height + 3)));

    const QList<QPoint> pixels = inked(image);
    QVERIFY(pixels.size() > 100);
    for (const QPoint &p : pixels) {
        QCOMPARE(image.pixel(p) & 0xFFFFFF, QRgb(0x0000FF)); // one flat colour
        QVERIFY2(box.containsPoint(QPointF(p) + QPointF(0.5, 0.5), Qt::OddEvenFill),
                 qPrintable(QStringLiteral("(%1, %2) outside").arg(p.x()).arg(p.y())));
        QVERIFY(reported.contains(p));
    }
    // The text runs the way the angle points: its far end lies that way.
    const double rad = angle * M_PI / 180;
    const QPointF dir(std::cos(rad), -std::sin(rad));
    double reach = 0;
    for (const QPoint &p : pixels)
        reach = std::max(reach, QPointF::dotProduct(QPointF(p) - at, dir));
    QVERIFY2(reach > 2.5 * width, qPrintable(QString::number(reach)));
}

void TestBoardText::startSettingsCellIsThirteenHigh()
{
    const QImage image = drawn(QStringLiteral("Agj|"));
    const QList<QPoint> pixels = inked(image);
    QVERIFY(!pixels.isEmpty());
    int top = 1000, bottom = -1, right = -1;
    for (const QPoint &p : pixels) {
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
        right = std::max(right, p.x());
    }
    // Top-left corner at (100, 100); the cell is 13 rows high.
    QVERIFY(top >= 100);
    QVERIFY(bottom <= 113);
    QVERIFY(bottom - top >= 8);
    // Four characters about 4 pixels wide each.
    QVERIFY2(right < 100 + 4 * 4 * 2, qPrintable(QString::number(right)));
}

void TestBoardText::stylesChangeThePixels()
{
    const QString text = QStringLiteral("Prova");
    const QImage plain = drawn(text, 40, 15);
    const QImage underlined = drawn(text, 40, 15, 0, 400, QString(), {100, 100}, true);
    const QImage italic = drawn(text, 40, 15, 0, 400, QString(), {100, 100}, false, true);
    const QImage struck = drawn(text, 40, 15, 0, 400, QString(), {100, 100}, false, false, true);
    QVERIFY(plain != underlined && plain != italic && plain != struck && underlined != struck);
    QVERIFY(inked(underlined).size() > inked(plain).size());
    QVERIFY(inked(struck).size() > inked(plain).size());
    QVERIFY(inked(drawn(text, 40, 15, 0, 900)).size() > inked(drawn(text, 40, 15, 0, 100)).size());
    // A wider average width spreads the same text further right.
    auto rightmost = [](const QImage &image) {
        int r = -1;
        for (const QPoint &p : inked(image))
            r = std::max(r, p.x());
        return r;
    };
    QVERIFY(rightmost(drawn(text, 40, 30)) > rightmost(drawn(text, 40, 10)) + 40);
}

void TestBoardText::hostileValuesAreClampedOrRefused_data()
{
    // Each row: a hostile value and the value it must draw exactly like.
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("weight");
    QTest::addColumn<QString>("font");
    QTest::addColumn<int>("sameHeight");
    QTest::addColumn<int>("sameWidth");
    QTest::addColumn<int>("sameWeight");
    QTest::addColumn<QString>("sameFont");
    const QString def = TextRenderer::fontFamily(QString());
    QTest::newRow("height 0") << 0 << 4 << 400 << def << 2 << 4 << 400 << def;
    QTest::newRow("height negative") << -500 << 4 << 400 << def << 2 << 4 << 400 << def;
    QTest::newRow("height 32767") << 32767 << 4 << 400 << def << 150 << 4 << 400 << def;
    QTest::newRow("width 1") << 20 << 1 << 400 << def << 20 << 2 << 400 << def;
    QTest::newRow("width -3") << 20 << -3 << 400 << def << 20 << 2 << 400 << def;
    QTest::newRow("width 30000") << 20 << 30000 << 400 << def << 20 << 150 << 400 << def;
    QTest::newRow("weight negative") << 20 << 6 << -7 << def << 20 << 6 << 0 << def;
    QTest::newRow("weight 0 is normal") << 20 << 6 << 0 << def << 20 << 6 << 400 << def;
    QTest::newRow("weight huge") << 20 << 6 << 2000000 << def << 20 << 6 << 900 << def;
    QTest::newRow("unknown font") << 20 << 6 << 400 << "Nessuna Fonte Così" << 20 << 6 << 400 << def;
    QTest::newRow("empty font") << 20 << 6 << 400 << "" << 20 << 6 << 400 << def;
    QTest::newRow("endless font name") << 20 << 6 << 400 << QString(100000, QLatin1Char('A'))
                                       << 20 << 6 << 400 << def;
}

void TestBoardText::hostileValuesAreClampedOrRefused()
{
    QFETCH(int, height);
    QFETCH(int, width);
    QFETCH(int, weight);
    QFETCH(QString, font);
    QFETCH(int, sameHeight);
    QFETCH(int, sameWidth);
    QFETCH(int, sameWeight);
    QFETCH(QString, sameFont);
    const QString text = QStringLiteral("Drago rosso");
    const QImage hostile = drawn(text, height, width, 10, weight, font, {20, 200});
    const QImage tame = drawn(text, sameHeight, sameWidth, 10, sameWeight, sameFont, {20, 200});
    QCOMPARE(hostile, tame);
    QVERIFY(!inked(hostile).isEmpty());
}

void TestBoardText::everyListedFamilyIsKept()
{
    // The dialog lists these names and sends the chosen one; a receiver
    // must take it as the same family, or the boards would differ.
    const QStringList families = QFontDatabase::families();
    QVERIFY(!families.isEmpty());
    for (const QString &family : families)
        QCOMPARE(TextRenderer::fontFamily(family), family);
}

void TestBoardText::anglesBeyondSixteenBitsDrawNothing()
{
    for (int angle : {3277, -3277, 32767, -32768, 40000}) {
        QImage image = blank();
        const QRect r = TextRenderer::DrawText(image, {100, 100}, QStringLiteral("x"), false, false,
                                               false, 30, 10, angle, 400, QString(), kRed);
        QVERIFY(r.isEmpty());
        QCOMPARE(image, blank());
    }
    // The largest angles that fit draw as their turn modulo a full circle.
    QCOMPARE(drawn(QStringLiteral("xy"), 30, 10, 3276), drawn(QStringLiteral("xy"), 30, 10, 36));
    QCOMPARE(drawn(QStringLiteral("xy"), 30, 10, -3276), drawn(QStringLiteral("xy"), 30, 10, -36));

    Board b;
    b.palette.picSelColor_Click(5);
    TextParams p;
    p.Text = QStringLiteral("x");
    p.angle = 3276.6; // whole degrees: 3277
    QCOMPARE(int(TextRenderer::DrawText(b.surface, b.palette, p)),
             int(TextRenderer::Outcome::AngleOverflow));
    QCOMPARE(b.surface.image(), BoardSurface().image());
}

void TestBoardText::megabyteTextDrawsItsVisibleStart()
{
    QString huge;
    huge.reserve(1 << 20);
    while (huge.size() < (1 << 20))
        huge += QStringLiteral("Il drago dorme sotto la montagna. ");
    huge.truncate(1 << 20);
    // Narrow characters at a slant, from near the left edge: as much of the
    // text shows as can ever reach the board.
    const QImage all = drawn(huge, 8, 2, 20, 400, QString(), {0, 390});
    const QImage start = drawn(huge.left(TextRenderer::kMaxChars), 8, 2, 20, 400, QString(), {0, 390});
    QCOMPARE(all, start);
    QVERIFY2(inked(all).size() > 1000, qPrintable(QString::number(inked(all).size())));
    const TextRenderer::Layout l =
        TextRenderer::layout(huge, false, false, false, 13, 4, 400, QString());
    QCOMPARE(l.text.size(), qsizetype(TextRenderer::kMaxChars));
}

void TestBoardText::farAnchorsDrawNothing()
{
    for (const QPointF at : {QPointF(-1e9, 100), QPointF(100, 2e9), QPointF(1e6, 1e6)}) {
        QImage image = blank();
        TextRenderer::DrawText(image, at, QStringLiteral("lontano"), false, false, false, 150, 150,
                               45, 400, QString(), kRed);
        QCOMPARE(image, blank());
    }
    QImage image = blank();
    TextRenderer::DrawText(image, {qInf(), 0}, QStringLiteral("x"), false, false, false, 20, 8, 0,
                           400, QString(), kRed);
    QCOMPARE(image, blank());
}

void TestBoardText::textToolRefusesWithoutColour()
{
    Board b;
    QSignalSpy requested(&b.tools, &DrawingTools::textRequested);
    b.tools.Command12_Click();
    b.tools.mousePress(DrawingTools::Left, false, 1234.4f, 567.6f);
    QCOMPARE(requested.count(), 0);
    QCOMPARE(b.boxes.lines(), QStringList{QStringLiteral("Vellumara|Selezionare un colore prima...")});
    b.palette.picSelColor_Click(5);
    b.tools.mousePress(DrawingTools::Left, false, 1234.4f, 567.6f);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toPoint(), QPoint(1234, 568));
    QVERIFY(b.sent.isEmpty());
}

void TestBoardText::insertTextDrawsThenSendsTwelveMessages()
{
    Board b;
    b.palette.picSelColor_Click(7);
    TextParams p;
    p.Text = QStringLiteral("Qui giace il drago]");
    p.x = 1500;
    p.Y = 3000;
    p.Underlined = true;
    p.Strike = true;
    p.Height = 20;
    p.Width = 6;
    p.angle = 26.56505117707799;
    p.FWidth = 700;
    p.FName = QStringLiteral("DejaVu Sans");
    bool drawnFirst = false;
    b.tools.setBroadcaster([&](const QString &m) {
        if (b.sent.isEmpty())
            drawnFirst = b.surface.image() != BoardSurface().image();
        b.sent << m;
    });
    QVERIFY(b.tools.insertText(p));
    QVERIFY(drawnFirst);
    QCOMPARE(b.sent, (QStringList{"[Inserisci Testo]Qui giace il drago]",
                                  "[Inserisci Testo2]1500",
                                  "[Inserisci Testo3]3000",
                                  "[Inserisci Testo4]1",
                                  "[Inserisci Testo5]0",
                                  "[Inserisci Testo6]1",
                                  "[Inserisci Testo7]20",
                                  "[Inserisci Testo8]6",
                                  "[Inserisci Testo9]26.565051177078",
                                  "[Inserisci Testo10]700",
                                  "[Inserisci Testo11]DejaVu Sans",
                                  "[Inserisci TestoColore]00000000071"}));
    // Drawn at the anchor in twips: (100, 200) pixels, in the swatch's colour.
    const QList<QPoint> pixels = inked(b.surface.image());
    QVERIFY(!pixels.isEmpty());
    for (const QPoint &px : pixels) {
        QCOMPARE(b.surface.pixel(px.x(), px.y()).value_or(0xDEAD), board::Palette::colourAt(7));
        QVERIFY(px.x() >= 88 && px.y() <= 222); // the cell leans back at 26.6 degrees
    }
    // In pixels the unit travels as 3.
    b.sent.clear();
    b.surface.setScaleMode(BoardSurface::Pixels);
    QVERIFY(b.tools.insertText(p));
    QCOMPARE(b.sent.last(), QStringLiteral("[Inserisci TestoColore]00000000073"));
    QCOMPARE(b.sent.at(8), QStringLiteral("[Inserisci Testo9]26.565051177078"));
    p.angle = 45;
    b.sent.clear();
    b.tools.insertText(p);
    QCOMPARE(b.sent.at(8), QStringLiteral("[Inserisci Testo9]45"));
}

void TestBoardText::insertTextWithoutColourDoesNothing()
{
    Board b;
    TextParams p;
    p.Text = QStringLiteral("niente");
    QVERIFY(!b.tools.insertText(p));
    QVERIFY(b.sent.isEmpty());
    QCOMPARE(b.surface.image(), BoardSurface().image());
    QCOMPARE(b.boxes.texts(), QStringList{QStringLiteral("Selezionare un colore prima...")});
}

void TestBoardText::senderDrawsWhatTheWireCarries()
{
    // The wire carries one Windows-1252 byte per character: whatever it
    // cannot carry reaches everyone else as "?", so the sender's own board
    // shows "?" too, or the boards would not match.
    Board sender;
    sender.palette.picSelColor_Click(7);
    TextParams p;
    p.Text = QStringLiteral("Łódź, 5 € — ok");
    p.x = 600;
    p.Y = 900;
    p.Height = 30;
    p.Width = 10;
    p.FName = QStringLiteral("DejaVu Sans");
    QVERIFY(sender.tools.insertText(p));
    QCOMPARE(sender.sent.size(), 12);
    QCOMPARE(sender.sent.at(0), QStringLiteral("[Inserisci Testo]?ód?, 5 € — ok"));

    // A receiver draws from the bytes that travelled.
    Board receiver;
    session::TextSet t;
    t.Text = session::decodeText(session::encodeText(QString(p.Text)));
    t.x = p.x;
    t.Y = p.Y;
    t.Height = 30;
    t.Width = 10;
    t.FWidth = 400;
    t.FName = session::decodeText(session::encodeText(QString(p.FName)));
    receiver.tools.receiveText(t, 7, 1);
    QVERIFY(receiver.surface.image() != BoardSurface().image());
    QCOMPARE(sender.surface.image(), receiver.surface.image());
}

void TestBoardText::receivedTextUsesTheSendersSwatch_data()
{
    QTest::addColumn<int>("own");    // the receiver's selection, -1 none
    QTest::addColumn<int>("sender"); // the swatch index received
    QTest::addColumn<bool>("drawn");
    QTest::newRow("none selected, red sent") << -1 << 5 << true;
    QTest::newRow("blue selected, red sent") << 15 << 5 << true;
    QTest::newRow("same swatch") << 5 << 5 << true;
    QTest::newRow("extra swatch") << 3 << 22 << true;
    QTest::newRow("index past the palette") << 15 << 26 << false;
    QTest::newRow("index far past") << -1 << 32767 << false;
}

void TestBoardText::receivedTextUsesTheSendersSwatch()
{
    QFETCH(int, own);
    QFETCH(int, sender);
    QFETCH(bool, drawn);
    Board b;
    if (own >= 0)
        b.palette.picSelColor_Click(own);
    b.tools.receiveText(textSet(QStringLiteral("Ricevuto"), 100, 100), qint16(sender), 3);
    QCOMPARE(b.palette.selectedIndex(), own);
    for (int i = 0; i < board::Palette::kCount; ++i)
        QCOMPARE(b.palette.hasBorder(i), i == own);
    const QList<QPoint> pixels = inked(b.surface.image());
    QCOMPARE(!pixels.isEmpty(), drawn);
    for (const QPoint &px : pixels)
        QCOMPARE(b.surface.pixel(px.x(), px.y()), board::Palette::colourAt(sender));
    QVERIFY(b.sent.isEmpty());
}

void TestBoardText::receivedTextRestoresUnitAndErasesBand()
{
    Board b;
    b.palette.picSelColor_Click(5);
    b.tools.Command14_Click();
    b.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    b.tools.mouseMove(0, false, 6000, 4500);
    QVERIFY(b.tools.segmentPending());

    // Sent in pixels while this board is in twips: drawn at (100, 100) pixels.
    b.tools.receiveText(textSet(QStringLiteral("Ricevuto"), 100, 100), 15, 3);
    QVERIFY(!b.tools.segmentPending());
    QCOMPARE(b.surface.scaleMode(), int(BoardSurface::Twips));
    BoardSurface ref;
    ref.setScaleMode(BoardSurface::Pixels);
    board::Palette blue;
    blue.picSelColor_Click(15);
    TextParams p;
    p.Text = QStringLiteral("Ricevuto");
    p.x = 100;
    p.Y = 100;
    p.Height = 20;
    p.Width = 8;
    TextRenderer::DrawText(ref, blue, p);
    QCOMPARE(b.surface.image(), ref.image());

    // An unknown unit keeps the board's own (twips here): (100, 100) twips.
    Board c;
    c.tools.receiveText(textSet(QStringLiteral("Ricevuto"), 1500, 1500), 15, 7);
    QCOMPARE(c.surface.image(), ref.image());
    QCOMPARE(c.surface.scaleMode(), int(BoardSurface::Twips));
}

namespace
{

struct Window {
    session::ChatSession session;
    BoardSurface surface;
    board::Palette palette;
    DrawingTools tools{&surface, &palette, nullptr, &session};
    MessageRecorder boxes;
    Window()
    {
        session.setMessageService(&boxes);
        session.setBoardSink(&tools);
    }
};

struct RawClient {
    QTcpSocket socket;
    QByteArray received;
    bool connectTo(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket,
                         [this] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(5000);
    }
};

QStringList logTail(const session::TrafficLog *log, int count)
{
    QStringList out;
    for (qsizetype i = std::max<qsizetype>(0, log->size() - count); i < log->size(); ++i)
        out << log->at(i);
    return out;
}

} // namespace

void TestBoardText::setTravelsClientHostClient()
{
    Window host;
    host.session.setName(QStringLiteral("Master"));
    host.session.setPort(0);
    host.session.cmdHost_Click();
    QVERIFY(host.session.bHost());
    RawClient other;
    QVERIFY(other.connectTo(host.session.listeningPort()));
    QTRY_COMPARE(host.session.connectionState(1), session::ChatSession::kConnected);

    Window player;
    player.session.setName(QStringLiteral("Player"));
    player.session.setPort(host.session.listeningPort());
    player.session.setConnectWait(50);
    player.session.cmdConnect_Click(QStringLiteral("127.0.0.1"));
    QTRY_VERIFY(player.session.receivedLog()->size() > 0 &&
                logTail(player.session.receivedLog(), 1000)
                    .join(QLatin1Char('\n'))
                    .contains(QStringLiteral("[Rename di Connessione]")));
    // Let the join's own traffic reach the other client, then forget it.
    QTRY_VERIFY(other.received.contains("[Aggiorna NeoConnesso]") ||
                other.received.contains("[Aggiorna ComboIP]"));
    QTest::qWait(100);
    other.received.clear();

    host.palette.picSelColor_Click(15); // the host's own choice stays
    player.palette.picSelColor_Click(7);
    TextParams p;
    p.Text = QStringLiteral("Città perduta]");
    p.x = 1200;
    p.Y = 4500;
    p.Underlined = true;
    p.Strike = true;
    p.Height = 20;
    p.Width = 6;
    p.angle = 22.5;
    p.FWidth = 700;
    p.FName = QStringLiteral("DejaVu Serif");
    const qsizetype hostLogBefore = host.session.receivedLog()->size();
    QVERIFY(player.tools.insertText(p));

    const QStringList sent{"[Inserisci Testo]Città perduta]",
                           "[Inserisci Testo2]1200",
                           "[Inserisci Testo3]4500",
                           "[Inserisci Testo4]1",
                           "[Inserisci Testo5]0",
                           "[Inserisci Testo6]1",
                           "[Inserisci Testo7]20",
                           "[Inserisci Testo8]6",
                           "[Inserisci Testo9]22.5",
                           "[Inserisci Testo10]700",
                           "[Inserisci Testo11]DejaVu Serif",
                           "[Inserisci TestoColore]00000000071"};
    QStringList fromPlayer, arrived;
    for (const QString &line : sent) {
        fromPlayer << QStringLiteral("sckConnect: ") + line;
        arrived << QStringLiteral("sckConnection(2): ") + line;
    }
    QCOMPARE(logTail(player.session.sentLog(), 12), fromPlayer);
    QTRY_COMPARE(host.session.receivedLog()->size(), hostLogBefore + 12);
    QCOMPARE(logTail(host.session.receivedLog(), 12), arrived);

    // The relay rebuilds the set from what the host kept: truth values as
    // words, the angle rounded half to even; the bytes are Latin-1.
    QByteArray relay;
    for (const char *line : {"[Inserisci Testo]Citt\xe0 perduta]", "[Inserisci Testo2]1200",
                             "[Inserisci Testo3]4500", "[Inserisci Testo4]True",
                             "[Inserisci Testo5]False", "[Inserisci Testo6]True",
                             "[Inserisci Testo7]20", "[Inserisci Testo8]6",
                             "[Inserisci Testo9]22", "[Inserisci Testo10]700",
                             "[Inserisci Testo11]DejaVu Serif",
                             "[Inserisci TestoColore]00000000071"})
        relay += QByteArray(line) + "\r\n";
    QTRY_VERIFY(other.received.endsWith("[Inserisci TestoColore]00000000071\r\n"));
    QCOMPARE(other.received, relay);

    // Both boards show the same text; the host's own swatch is back.
    QCOMPARE(host.surface.image(), player.surface.image());
    QVERIFY(host.surface.image() != BoardSurface().image());
    QCOMPARE(host.palette.selectedIndex(), 15);

    // Messages 1 to 11 alone draw nothing and are not relayed.
    const QImage before = host.surface.image();
    const qsizetype logBefore = host.session.receivedLog()->size();
    other.received.clear();
    for (int part = 1; part <= 11; ++part)
        player.session.Broadcast(QString(sent.at(part - 1))
                                     .replace(QStringLiteral("perduta"), QStringLiteral("ritrovata")));
    QTRY_COMPARE(host.session.receivedLog()->size(), logBefore + 11);
    QTest::qWait(50);
    QCOMPARE(host.surface.image(), before);
    QVERIFY(other.received.isEmpty());
    QCOMPARE(host.session.receivedText().Text, QStringLiteral("Città ritrovata]"));
}

QTEST_MAIN(TestBoardText)
#include "tst_boardtext.moc"
