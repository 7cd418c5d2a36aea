// The drawing tools on a real chat session: what reaches the wire on
// 127.0.0.1, what stays local, and drawings that arrive from a client.

#include "boardhistory.h"
#include "boardsessionkit.h"
#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "palette.h"
#include "protocol.h"
#include "messagerecorder.h"
#include "sinks.h"
#include "textrenderer.h"
#include "trafficlog.h"

#include <QTcpSocket>
#include <QtTest>

using board::BoardSurface;
using board::DrawingTools;

namespace
{

constexpr quint32 kWhite = 0x00FFFFFF;
constexpr quint32 kRed = 0x000000FF;

struct Host {
    session::ChatSession session;
    BoardSurface surface;
    board::Palette palette;
    fill::Bruvela bruvela;
    DrawingTools tools{&surface, &palette, &bruvela, &session};
    MessageRecorder boxes;

    Host()
    {
        session.setMessageService(&boxes);
        session.setBoardSink(&tools);
    }
};

/// A raw client socket that keeps everything the host writes to it.
struct RawClient {
    QTcpSocket socket;
    QByteArray received;

    bool connectTo(Host &host)
    {
        // The host's greeting comes first, before anything drawn.
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
            received += socket.readAll();
            if (received.startsWith("[Tavernix Saluto]") && received.contains("\r\n"))
                received.remove(0, received.indexOf("\r\n") + 2);
        });
        socket.connectToHost(QHostAddress::LocalHost, host.session.listeningPort());
        return socket.waitForConnected(5000);
    }
    void send(const QString &line) { socket.write(session::encodeLine(line)); }
};

quint32 px(const BoardSurface &s, int x, int y)
{
    return s.pixel(x, y).value_or(0xDEADBEEF);
}

} // namespace

class TestBoardSession : public QObject
{
    Q_OBJECT
private slots:
    void idleSessionKeepsDrawingLocal();
    void refusalUsesTheSessionsMessageBox();
    void hostSendsEachDrawingToClients();
    void clientDrawingReachesTheHostBoard();
    void clientLineDoesNotCorruptHostRubberBand();
    void clientPulisciClearsTheHost();
    void clientRubberBandSurvivesHostLine();
    void lateJoinerSeesTheSameBoard();
};

void TestBoardSession::idleSessionKeepsDrawingLocal()
{
    Host h;
    h.palette.picSelColor_Click(5);
    h.tools.mousePress(DrawingTools::Left, false, 150, 150);
    h.tools.cmdClearDraw_Click();
    QCOMPARE(h.session.sentLog()->size(), 0);
    QCOMPARE(px(h.surface, 10, 10), kWhite); // cleared locally all the same
}

void TestBoardSession::refusalUsesTheSessionsMessageBox()
{
    Host h;
    h.tools.mousePress(DrawingTools::Left, false, 150, 150);
    QCOMPARE(h.boxes.lines(),
             QStringList{QStringLiteral("Vellumara|Selezionare un colore prima...")});
}

void TestBoardSession::hostSendsEachDrawingToClients()
{
    Host h;
    h.session.setName(QStringLiteral("Master"));
    h.session.setPort(0);
    h.session.cmdHost_Click();
    QVERIFY(h.session.bHost());
    RawClient c;
    QVERIFY(c.connectTo(h));
    QTRY_COMPARE(h.session.connectionState(1), session::ChatSession::kConnected);

    h.palette.picSelColor_Click(5);
    h.tools.mousePress(DrawingTools::Left, false, 150, 150);
    h.tools.Command16_Click();
    h.tools.mousePress(DrawingTools::Left, false, 30, 30);
    h.tools.cmdClearDraw_Click();

    const QByteArray dot = "[Linea]000000015000000001500000000150000000015000000002550000000001"
                           "0000000001\r\n";
    const QByteArray fill = "[Colora Sfondo]000000000200000000020000000255\r\n";
    const QByteArray clear = "[Pulisci Lavagna]\r\n";
    QTRY_VERIFY(c.received.endsWith(clear));
    QCOMPARE(c.received, dot + fill + clear);
}

void TestBoardSession::clientDrawingReachesTheHostBoard()
{
    Host h;
    h.session.setName(QStringLiteral("Master"));
    h.session.setPort(0);
    h.session.cmdHost_Click();
    RawClient c;
    QVERIFY(c.connectTo(h));
    QTRY_COMPARE(h.session.connectionState(1), session::ChatSession::kConnected);

    // A 3-pixel red line in pixels, then a fill of the left half in blue.
    c.send(QStringLiteral("[Linea]"
                          "0000000400"
                          "0000000000"
                          "0000000400"
                          "0000000799"
                          "0000000255"
                          "0000000003"
                          "0000000003"));
    QTRY_COMPARE(px(h.surface, 400, 300), kRed);
    QCOMPARE(h.surface.scaleMode(), int(BoardSurface::Twips));
    QCOMPARE(h.surface.drawWidth(), 1);
    c.send(QStringLiteral("[Colora Sfondo]000000001000000000100016711680"));
    QTRY_COMPARE(px(h.surface, 10, 10), 0x00FF0000u);
    QCOMPARE(px(h.surface, 600, 10), kWhite);
    // The host passes both on, the originator included.
    QTRY_VERIFY(c.received.contains("[Colora Sfondo]000000001000000000100016711680\r\n"));
    QVERIFY(c.received.contains("[Linea]0000000400000000000000000004000000000799"));
}

void TestBoardSession::clientLineDoesNotCorruptHostRubberBand()
{
    Host h;
    h.session.setName(QStringLiteral("Master"));
    h.session.setPort(0);
    h.session.cmdHost_Click();
    RawClient c;
    QVERIFY(c.connectTo(h));
    QTRY_COMPARE(h.session.connectionState(1), session::ChatSession::kConnected);

    h.palette.picSelColor_Click(5);
    h.tools.Command14_Click();
    h.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    h.tools.mouseMove(0, false, 6000, 4500);
    QVERIFY(h.tools.segmentPending());

    // Black, width 1, in pixels: (0, 50) to (799, 50).
    c.send(QStringLiteral("[Linea]"
                          "0000000000"
                          "0000000050"
                          "0000000799"
                          "0000000050"
                          "0000000000"
                          "0000000001"
                          "0000000003"));
    QTRY_VERIFY(!h.tools.segmentPending());
    QCOMPARE(px(h.surface, 300, 50), 0u);

    h.tools.mouseMove(0, false, 6000, 1500);
    h.tools.mousePress(DrawingTools::Left, false, 6000, 1500);

    BoardSurface ref;
    ref.setScaleMode(BoardSurface::Pixels);
    ref.line(QPointF(0, 50), QPointF(799, 50), 0);
    ref.setScaleMode(BoardSurface::Twips);
    ref.line(QPointF(1500, 1500), QPointF(6000, 1500), kRed);
    QCOMPARE(h.surface.image(), ref.image());
}

void TestBoardSession::clientPulisciClearsTheHost()
{
    Host h;
    h.session.setName(QStringLiteral("Master"));
    h.session.setPort(0);
    h.session.cmdHost_Click();
    RawClient c;
    QVERIFY(c.connectTo(h));
    QTRY_COMPARE(h.session.connectionState(1), session::ChatSession::kConnected);
    h.palette.picSelColor_Click(5);
    h.tools.mousePress(DrawingTools::Left, false, 150, 150);
    QCOMPARE(px(h.surface, 10, 10), kRed);
    c.send(QStringLiteral("[Pulisci Lavagna]"));
    QTRY_COMPARE(px(h.surface, 10, 10), kWhite);
}

void TestBoardSession::clientRubberBandSurvivesHostLine()
{
    Host h;
    h.session.setName(QStringLiteral("Master"));
    h.session.setPort(0);
    h.session.cmdHost_Click();
    Host c; // a second window, joining as a client
    c.session.setName(QStringLiteral("Player"));
    c.session.setPort(h.session.listeningPort());
    c.session.setConnectWait(50);
    c.session.cmdConnect_Click(QStringLiteral("127.0.0.1"));
    auto joined = [&c] {
        const auto *log = c.session.receivedLog();
        for (qsizetype i = 0; i < log->size(); ++i)
            if (log->at(i).contains(QStringLiteral("[Rename di Connessione]")))
                return true;
        return false;
    };
    QTRY_VERIFY(joined());

    // The client drags a straight-line preview from (100, 100) to (400, 300) pixels.
    c.palette.picSelColor_Click(5);
    c.tools.Command14_Click();
    c.tools.mousePress(DrawingTools::Left, false, 1500, 1500);
    c.tools.mouseMove(0, false, 6000, 4500);
    QVERIFY(px(c.surface, 250, 200) != kWhite);

    // Meanwhile the host draws a blue line across row 50.
    h.palette.picSelColor_Click(15);
    h.tools.Command14_Click();
    h.tools.mousePress(DrawingTools::Left, false, 0, 750);
    h.tools.mousePress(DrawingTools::Left, false, 11985, 750);
    QTRY_VERIFY(!c.tools.segmentPending());
    QCOMPARE(px(c.surface, 300, 50), 0x00FF0000u);
    QCOMPARE(px(c.surface, 250, 200), kWhite); // the preview is gone
    QVERIFY(c.tools.bLineStarted());

    // The client finishes its own segment; both boards end up alike.
    c.tools.mouseMove(0, false, 6000, 1500);
    c.tools.mousePress(DrawingTools::Left, false, 6000, 1500);
    QTRY_COMPARE(px(h.surface, 250, 100), kRed);
    QCOMPARE(px(c.surface, 250, 100), kRed);
    QCOMPARE(px(c.surface, 250, 200), kWhite);
    QCOMPARE(px(h.surface, 250, 200), kWhite);
    QCOMPARE(c.surface.image().copy(0, 0, 800, 400), h.surface.image().copy(0, 0, 800, 400));
}

namespace
{

/// A second window joining @p host as a client; true once its join is whole
/// (the address list, which the host sends after the board).
bool joinAsClient(Host &client, Host &host, const QString &name)
{
    return boardsessionkit::joinAsClient(client.session, host.session.listeningPort(), name);
}

} // namespace

void TestBoardSession::lateJoinerSeesTheSameBoard()
{
    Host h;
    h.session.setName(QStringLiteral("Master"));
    h.session.setPort(0);
    h.session.cmdHost_Click();
    Host a;
    QVERIFY(joinAsClient(a, h, QStringLiteral("Ada")));
    // One who watches from the start. (Ada's own board may differ: the host
    // passes her lines and circles back to her, and an echo that lands after
    // her next drawing paints over it.)
    Host w;
    QVERIFY(joinAsClient(w, h, QStringLiteral("Wanda")));

    // Ada: a freehand stroke 4 pixels wide, a circle, a fill inside it, a text.
    QVERIFY(boardsessionkit::drawSample(a.tools, a.palette));
    // The host draws too: a straight line across the circle.
    h.palette.picSelColor_Click(12);
    h.tools.Command14_Click();
    h.tools.mousePress(DrawingTools::Left, false, 3000, 4500);
    h.tools.mousePress(DrawingTools::Left, false, 9000, 3200);
    // 41 freehand segments, the circle, the fill, the twelve text messages
    // and the host's line.
    QTRY_COMPARE(h.session.boardHistory().count(), 56);
    QTRY_COMPARE(w.surface.image(), h.surface.image());
    QVERIFY(w.surface.image() != BoardSurface().image());

    Host b;
    QVERIFY(px(b.surface, 300, 200) == kWhite);
    QVERIFY(joinAsClient(b, h, QStringLiteral("Bruno")));
    QCOMPARE(b.surface.image(), w.surface.image());
    // The palette's selection of the newcomer is its own after the text.
    QCOMPARE(b.palette.selectedIndex(), -1);

    // After a clear a newcomer starts from an empty board.
    a.tools.cmdClearDraw_Click();
    QTRY_COMPARE(h.surface.image(), BoardSurface().image());
    QVERIFY(h.session.boardHistory().isEmpty());
    Host c;
    c.palette.picSelColor_Click(5);
    c.tools.mousePress(DrawingTools::Left, false, 150, 150); // drawn while alone
    QVERIFY(joinAsClient(c, h, QStringLiteral("Cora")));
    QCOMPARE(c.surface.image(), BoardSurface().image());
}

// Text on the board needs the fonts of a GUI application.
QTEST_MAIN(TestBoardSession)
#include "tst_boardsession.moc"
