// The board the whole table shares, on real sessions over 127.0.0.1 with
// real boards: clearing for everyone, who cleared, restoring, and the host's
// choice that only it may clear.

#include "boardhistory.h"
#include "boardimages.h"
#include "boardsessionkit.h"
#include "boardsurface.h"
#include "bruvela.h"
#include "chatsession.h"
#include "drawingtools.h"
#include "gridpainter.h"
#include "messagerecorder.h"
#include "palette.h"
#include "protocol.h"
#include "sinks.h"
#include "tableboard.h"
#include "tableshare.h"
#include "trafficlog.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using board::BoardSurface;
using board::DrawingTools;
using session::TableBoard;

namespace
{

struct StatusBox : session::ConversationSink {
    QStringList status;
    void UpdateDialog(const QString &) override {}
    void UpdateStatus(const QString &text) override { status << text; }
    void clearDialog() override {}
};

/// One participant's window without widgets: a session with a real board.
struct Seat : boardsessionkit::BoardSeat {
    StatusBox box;

    // The session only keeps the address of box, which is built right after.
    explicit Seat(const QString &name) : BoardSeat(&box) { session.setName(name); }
    TableBoard *table() { return session.tableBoard(); }
    bool host()
    {
        session.setPort(0);
        session.cmdHost_Click();
        return session.listeningPort() != 0;
    }
    /// Joins and waits for the whole join (the address list comes last).
    bool join(Seat &host)
    {
        session.setPort(host.session.listeningPort());
        session.cmdConnect_Click(QStringLiteral("127.0.0.1"));
        const QString last = QStringLiteral("sckConnect: [Aggiorna NeoConnesso]") +
                             session.name() + QStringLiteral(" - ");
        return QTest::qWaitFor(
            [&] {
                const auto *log = session.receivedLog();
                for (qsizetype i = 0; i < log->size(); ++i)
                    if (log->at(i).startsWith(last))
                        return true;
                return false;
            },
            10000);
    }
    /// A red stroke and a blue circle, sent as drawings are.
    void draw(int shift)
    {
        palette.picSelColor_Click(5);
        tools.Command13_Click();
        tools.mousePress(DrawingTools::Left, false, 300 + shift, 300);
        tools.mouseMove(DrawingTools::Left, false, 3000 + shift, 2400);
        palette.picSelColor_Click(15);
        tools.Command15_Click();
        tools.mousePress(DrawingTools::Left, false, 4500 + shift, 4500);
        tools.mousePress(DrawingTools::Left, false, 5400 + shift, 5100);
    }
    bool said(const QString &text) const { return box.status.contains(text); }
};

/// A host with two participants joined.
struct Table {
    Seat host{QStringLiteral("Master")};
    Seat ada{QStringLiteral("Ada")};
    Seat wanda{QStringLiteral("Wanda")};
    bool open() { return host.host() && ada.join(host) && wanda.join(host); }
};

/// A program that knows only the basic protocol.
struct PlainClient {
    QTcpSocket socket;
    QByteArray received;
    bool join(Seat &host, const QString &name)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket,
                         [this] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, host.session.listeningPort());
        if (!socket.waitForConnected(5000))
            return false;
        send(QStringLiteral("[Connessione]") + name);
        return QTest::qWaitFor([&] { return received.contains("[Rename di Connessione]"); }, 5000);
    }
    void send(const QString &line)
    {
        socket.write(session::encodeLine(line));
        socket.flush();
    }
};

using boardsessionkit::noisePicture;

/// Puts a picture file on @p seat's board as a drop would, and shares it.
bool share(Seat &seat, const QByteArray &bytes)
{
    QString why;
    const QImage image = board::BoardImages::decodeShared(bytes, &why);
    return !image.isNull() && seat.images.loadShared(image, bytes) && seat.share.shareBoardPicture();
}

const QImage &blank()
{
    static const QImage image = BoardSurface().image();
    return image;
}

} // namespace

class TestTableBoard : public QObject
{
    Q_OBJECT
private slots:
    void clearingForEveryone_data();
    void clearingForEveryone();
    void restoreNeedsAHostAndAClearedBoard();
    void sessionStoreRoundTrip();
    void sharingWithTheTable_data();
    void sharingWithTheTable();
    void mapsLargerThanTheBoard_data();
    void mapsLargerThanTheBoard();
};

void TestTableBoard::clearingForEveryone_data()
{
    QTest::addColumn<QString>("clearer"); // "host", "ada" (this program), "plain" (basic protocol)
    QTest::addColumn<bool>("hostOnly");
    QTest::addColumn<bool>("drawSince"); // the host draws again between clear and restore
    QTest::newRow("host clears") << "host" << false << false;
    QTest::newRow("client clears") << "ada" << false << false;
    QTest::newRow("plain client clears") << "plain" << false << false;
    QTest::newRow("client clears, host draws, restore") << "ada" << false << true;
    QTest::newRow("host only: host clears") << "host" << true << false;
    QTest::newRow("host only: client refused at home") << "ada" << true << false;
    QTest::newRow("host only: plain client refused") << "plain" << true << false;
}

// Every board is cleared (or, refused, none), every status box names who
// cleared, and "Ripristina lavagna" brings every board's pixels back, with
// what was drawn since on top.
void TestTableBoard::clearingForEveryone()
{
    QFETCH(QString, clearer);
    QFETCH(bool, hostOnly);
    QFETCH(bool, drawSince);
    Table table;
    QVERIFY(table.open());
    Seat &host = table.host, &ada = table.ada, &wanda = table.wanda;
    PlainClient plain;
    QVERIFY(plain.join(host, QStringLiteral("Pia")));
    host.table()->setClearHostOnly(hostOnly);
    QTRY_COMPARE(ada.table()->clearHostOnly(), hostOnly);

    ada.draw(0);
    host.draw(600);
    QTRY_COMPARE(host.session.boardHistory().count(), 6);
    QTRY_COMPARE(wanda.surface.image(), host.surface.image());
    const QImage before = host.surface.image();
    QVERIFY(before != blank());

    const bool refused = hostOnly && clearer != QLatin1String("host");
    QString name;
    if (clearer == QLatin1String("host")) {
        name = QStringLiteral("Master");
        QVERIFY(host.table()->clearForAll());
    } else if (clearer == QLatin1String("ada")) {
        name = QStringLiteral("Ada");
        QCOMPARE(ada.table()->clearForAll(), !refused);
    } else {
        name = QStringLiteral("Pia");
        plain.send(QStringLiteral("[Pulisci Lavagna]"));
    }

    if (refused) {
        if (clearer == QLatin1String("ada")) {
            // Told at home; nothing went out and nothing changed anywhere.
            QVERIFY(ada.said(TableBoard::kHostOnly));
            QCOMPARE(ada.surface.image(), before);
        } else {
            // The plain program cleared its own board: it is told (in a tag
            // it ignores) and sent the board again; the host hears of it.
            QTRY_VERIFY(plain.received.contains("[Pulizia Rifiutata]\r\n"));
            QTRY_VERIFY(host.said(QStringLiteral("Pia") + TableBoard::kClearTried));
            QTRY_VERIFY(plain.received.indexOf("[Linea]", plain.received.indexOf(
                                                              "[Pulizia Rifiutata]")) > 0);
        }
        QTest::qWait(100);
        QCOMPARE(host.surface.image(), before);
        QCOMPARE(wanda.surface.image(), before);
        QCOMPARE(host.session.boardHistory().count(), 6);
        QVERIFY(!host.table()->canRestore());
        QVERIFY(!wanda.said(name + TableBoard::kClearedBy));
        return;
    }

    for (Seat *s : {&host, &ada, &wanda}) {
        QTRY_COMPARE(s->surface.image(), blank());
        QTRY_VERIFY2(s->said(name + TableBoard::kClearedBy), qPrintable(s->session.name()));
    }
    QTRY_VERIFY(plain.received.contains("[Lavagna Pulita]" + name.toLatin1() + "\r\n"));
    QVERIFY(host.session.boardHistory().isEmpty());
    QVERIFY(host.table()->canRestore());
    QVERIFY(!ada.table()->canRestore());
    QVERIFY(!ada.table()->restore());

    QImage expected = before;
    if (drawSince) {
        host.palette.picSelColor_Click(9);
        host.tools.Command14_Click();
        host.tools.mousePress(DrawingTools::Left, false, 0, 3000);
        host.tools.mousePress(DrawingTools::Left, false, 11985, 3000);
        BoardSurface ref;
        ref.setPicture(before);
        ref.line(QPointF(0, 3000), QPointF(11985, 3000), 0x0000FF00);
        expected = ref.image();
        QTRY_COMPARE(wanda.surface.image().pixel(400, 200), expected.pixel(400, 200));
    }
    QVERIFY(host.table()->restore());
    QVERIFY(!host.table()->canRestore());
    for (Seat *s : {&host, &ada, &wanda}) {
        QTRY_COMPARE(s->surface.image(), expected);
        QTRY_VERIFY(s->said(QStringLiteral("Master") + TableBoard::kRestoredBy));
    }
    // The basic program is cleared and sent the board as ordinary drawing.
    QTRY_VERIFY(plain.received.lastIndexOf("[Circonferenza]") >
                plain.received.lastIndexOf("[Pulisci Lavagna]"));
    QCOMPARE(host.session.boardHistory().count(), drawSince ? 7 : 6);
    // And a newcomer sees the restored board.
    Seat bruno(QStringLiteral("Bruno"));
    QVERIFY(bruno.join(host));
    QCOMPARE(bruno.surface.image(), expected);
}

void TestTableBoard::restoreNeedsAHostAndAClearedBoard()
{
    Seat host(QStringLiteral("Master"));
    // Not hosting: nothing to restore, and clearing stays local.
    host.draw(0);
    QVERIFY(host.table()->clearForAll());
    QCOMPARE(host.surface.image(), blank());
    QVERIFY(!host.table()->restore());
    QVERIFY(host.box.status.isEmpty());

    QVERIFY(host.host());
    QSignalSpy restorable(host.table(), &TableBoard::restorableChanged);
    // A clear of an empty board keeps nothing to restore.
    QVERIFY(host.table()->clearForAll());
    QVERIFY(!host.table()->canRestore());
    host.draw(0);
    const QImage drawn = host.surface.image();
    QVERIFY(host.table()->clearForAll());
    QVERIFY(host.table()->canRestore());
    // A second clear of the now empty board leaves the first one restorable.
    QVERIFY(host.table()->clearForAll());
    QVERIFY(host.table()->restore());
    QCOMPARE(host.surface.image(), drawn);
    QCOMPARE(restorable.size(), 2); // on, then off after restoring
    // Ending the session forgets the cleared board.
    QVERIFY(host.table()->clearForAll());
    QVERIFY(host.table()->canRestore());
    host.session.cmdDisconnect_Click();
    QVERIFY(!host.table()->canRestore());
}

// The board as wire lines, fed to a new host, is the same board, and what is
// no board message is left out.
void TestTableBoard::sessionStoreRoundTrip()
{
    Seat host(QStringLiteral("Master"));
    QVERIFY(host.host());
    host.draw(0);
    const QList<QByteArray> lines = host.table()->stateLines();
    QCOMPARE(lines.size(), 3);
    for (const QByteArray &l : lines)
        QVERIFY(l.endsWith("\r\n"));

    Seat again(QStringLiteral("Master"));
    QVERIFY(again.host());
    QList<QByteArray> fed = lines;
    fed.insert(1, "[Messaggio]non è lavagna\r\n");
    fed.insert(2, "[Pulisci Lavagna]\r\n");
    again.table()->feedStateLines(fed);
    QCOMPARE(again.surface.image(), host.surface.image());
    QCOMPARE(again.table()->stateLines(), lines);
    Seat ada(QStringLiteral("Ada"));
    QVERIFY(ada.join(again));
    QCOMPARE(ada.surface.image(), host.surface.image());
}

void TestTableBoard::sharingWithTheTable_data()
{
    QTest::addColumn<QString>("scenario");
    for (const char *row : {"host shares", "client shares", "client shares jpeg", "late joiner",
                            "returning player", "resumed session", "replace", "clear",
                            "grid from host", "grid from client", "draw then share",
                            "share then draw"})
        QTest::newRow(row) << QString::fromLatin1(row);
}

// What one shares, every board shows, late joiners and those who come back
// included; a later share replaces an earlier one and "Pulisci" removes it.
void TestTableBoard::sharingWithTheTable()
{
    QFETCH(QString, scenario);
    Table table;
    QVERIFY(table.open());
    Seat &host = table.host, &ada = table.ada, &wanda = table.wanda;
    auto allShow = [&](const QList<Seat *> &seats, const QImage &image) {
        for (Seat *s : seats) {
            if (!QTest::qWaitFor([&] { return s->surface.image() == image; }, 10000)) {
                qWarning() << "board of" << s->session.name() << "differs";
                return false;
            }
        }
        return true;
    };
    auto newcomerShows = [&](Seat &at, const QImage &image) {
        Seat bruno(QStringLiteral("Bruno"));
        return bruno.join(at) && allShow({&bruno}, image);
    };

    if (scenario.startsWith(QLatin1String("grid"))) {
        Seat &sharer = scenario.endsWith(QLatin1String("host")) ? host : ada;
        host.draw(0);
        QVERIFY(allShow({&ada, &wanda}, host.surface.image()));
        sharer.palette.picSelColor_Click(9);
        sharer.surface.setDrawWidth(2);
        board::GridPainter painter(&sharer.surface, &sharer.palette, &sharer.tools);
        const auto laid =
            painter.paint(QStringLiteral("Lineare"), QStringLiteral("4"), QStringLiteral("6"));
        QCOMPARE(laid.outcome, board::GridPainter::Outcome::Painted);
        sharer.tools.setGeneralGridStep(laid.generalStep.value_or(QString()));
        sharer.surface.setDrawWidth(1);
        for (Seat *s : {&host, &ada, &wanda})
            s->surface.setScaleMode(BoardSurface::Pixels);
        // Laid 2 pixels wide; the others keep their own pen width and unit.
        QVERIFY(sharer.share.shareGrid({0, 4, 6, qint32(0x0000FF00), 2, QString()}));
        // Drawn over what each board had: the strokes came before the grid.
        QVERIFY(allShow({&host, &ada, &wanda}, sharer.surface.image()));
        for (Seat *s : {&host, &ada, &wanda}) {
            if (s != &sharer)
                QTRY_VERIFY(s->said(sharer.session.name() + board::TableShare::kGridShown));
            QCOMPARE(s->surface.scaleMode(), int(BoardSurface::Pixels));
            QCOMPARE(s->surface.drawWidth(), 1);
            // Every board snaps to the shared grid's step (150 twips).
            s->tools.refreshGridStep();
            QCOMPARE(s->tools.sngGridStep(), DrawingTools::gridStepFromTwips(150));
        }
        QVERIFY(host.table()->stateLines().join().contains("[Reticolo Condiviso]"));
        // A newcomer gets the grid over the strokes, as the others painted it.
        QVERIFY(newcomerShows(host, sharer.surface.image()));
        return;
    }

    // Strokes and a picture that takes a while to decode: what comes after
    // it must wait for it on every board.
    const bool strokes = scenario.contains(QLatin1String(" draw"));
    const QByteArray first = noisePicture(1, scenario.endsWith(QLatin1String("jpeg")) ? "jpeg" : "png",
                                     strokes ? QSize(800, 700) : QSize(300, 200));
    Seat &sharer = scenario.startsWith(QLatin1String("client")) ? ada : host;
    if (scenario == QLatin1String("draw then share")) {
        // Strokes under where the picture goes: it covers them on every board.
        ada.draw(0);
        host.draw(600);
        QTRY_COMPARE(host.session.boardHistory().count(), 6);
        QVERIFY(allShow({&wanda}, host.surface.image()));
    }
    QVERIFY(share(sharer, first));
    QImage shown = sharer.surface.image();
    QVERIFY(allShow({&host, &ada, &wanda}, shown));
    for (Seat *s : {&host, &ada, &wanda}) {
        if (s != &sharer)
            QTRY_VERIFY(s->said(sharer.session.name() + board::TableShare::kPictureShown));
    }
    // The host keeps the picture as it came, to send to newcomers.
    QVERIFY(!host.table()->pictureLines().isEmpty());

    if (scenario == QLatin1String("late joiner") || scenario.startsWith(QLatin1String("client")) ||
        scenario == QLatin1String("draw then share")) {
        QVERIFY(newcomerShows(host, shown));
    } else if (scenario == QLatin1String("share then draw")) {
        // Strokes over the picture, on every board and a newcomer's: they
        // come after it however long it takes to decode.
        // (Ada drew hers before the host's came: only boards that took both
        // from the host have them in the host's order.)
        ada.draw(0);
        host.draw(600);
        QTRY_COMPARE(host.session.boardHistory().count(), 6);
        shown = host.surface.image();
        QVERIFY(allShow({&wanda}, shown));
        QVERIFY(newcomerShows(host, shown));
        wanda.session.cmdDisconnect_Click();
        QVERIFY(wanda.join(host));
        QVERIFY(allShow({&wanda}, shown));
    } else if (scenario == QLatin1String("returning player")) {
        wanda.session.cmdDisconnect_Click();
        QCOMPARE(wanda.surface.image(), blank());
        QVERIFY(wanda.join(host));
        QVERIFY(allShow({&wanda}, shown));
    } else if (scenario == QLatin1String("resumed session")) {
        const QList<QByteArray> lines = host.table()->stateLines();
        host.session.cmdDisconnect_Click();
        Seat again(QStringLiteral("Master"));
        QVERIFY(again.host());
        again.table()->feedStateLines(lines);
        QVERIFY(allShow({&again}, shown));
        QVERIFY(newcomerShows(again, shown));
    } else if (scenario == QLatin1String("replace")) {
        QVERIFY(share(ada, noisePicture(2)));
        const QImage second = ada.surface.image();
        QVERIFY(second != shown);
        QVERIFY(allShow({&host, &ada, &wanda}, second));
        QVERIFY(newcomerShows(host, second));
    } else if (scenario == QLatin1String("clear")) {
        QVERIFY(wanda.table()->clearForAll());
        QVERIFY(allShow({&host, &ada, &wanda}, blank()));
        QVERIFY(!host.surface.hasPicture());
        QVERIFY(host.table()->pictureLines().isEmpty());
        QVERIFY(newcomerShows(host, blank()));
        // The cleared board comes back with its picture.
        QVERIFY(host.table()->restore());
        QVERIFY(allShow({&host, &ada, &wanda}, shown));
    }
}

void TestTableBoard::mapsLargerThanTheBoard_data()
{
    QTest::addColumn<QSize>("map");
    QTest::addColumn<bool>("fit");
    QTest::addColumn<QSize>("shown"); // the picture every board holds
    QTest::newRow("1200 x 800 fitted") << QSize(1200, 800) << true << QSize(800, 533);
    QTest::newRow("4000 x 3000 fitted") << QSize(4000, 3000) << true << QSize(800, 600);
    QTest::newRow("4000 x 3000 at its size") << QSize(4000, 3000) << false << QSize(800, 800);
}

// A map larger than the board, shared through a real host fitted or at its
// size: every board and a newcomer's show what the sharer's shows, and the
// boards that received it hold no more of it than a board can show.
void TestTableBoard::mapsLargerThanTheBoard()
{
    QFETCH(QSize, map);
    QFETCH(bool, fit);
    QFETCH(QSize, shown);
    Table table;
    QVERIFY(table.open());
    Seat &host = table.host, &ada = table.ada, &wanda = table.wanda;
    QImage picture(map, QImage::Format_RGB32);
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x ^ y) % 256));
    QVERIFY(ada.images.loadPicture(picture)); // as a pasted or dropped map
    QVERIFY(ada.share.pictureExceedsBoard());
    QVERIFY(ada.share.shareBoardPicture(fit ? board::TableShare::Fitting::ToBoard
                                            : board::TableShare::Fitting::AsItIs));
    QTRY_COMPARE_WITH_TIMEOUT(ada.share.preparing(), 0, 20000);
    // Fitted, the sharer's board holds the whole map shrunk, as the others get it.
    QCOMPARE(ada.surface.picture().size().boundedTo(ada.surface.pixelSize()), shown);
    const QImage board = ada.surface.image();
    Seat bruno(QStringLiteral("Bruno"));
    for (Seat *s : {&host, &wanda, &bruno}) {
        if (s == &bruno)
            QVERIFY(bruno.join(host));
        QVERIFY2(QTest::qWaitFor([&] { return s->surface.image() == board; }, 20000),
                 qPrintable(s->session.name()));
        QCOMPARE(s->surface.picture().size(), shown);
        const QSize kept = s->images.picHidden().size();
        QVERIFY(kept.width() <= 800 && kept.height() <= 800);
    }
    // Fitted, the fitted map is what travels; at its size, the file as it
    // was, which the host keeps to pass on.
    QBuffer kept;
    kept.setData(host.images.pictureToShare().encoded);
    QCOMPARE(QImageReader(&kept).size(), fit ? shown : map);
}

QTEST_MAIN(TestTableBoard)
#include "tst_tableboard.moc"
