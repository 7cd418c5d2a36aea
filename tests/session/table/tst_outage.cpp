// Nothing a player says or draws while the link to the host is down is lost:
// it reaches the table after the return, in order, drawings on the host's
// board, and the player's pane shows a line waiting until it went; given up
// with "Sconnetti", it is said to be unsent and handed back. Between Tavernix
// programs the join skips the pause a host of the basic protocol needs.
// Real sockets on 127.0.0.1, with the waits shortened.

#include "sessiontestkit.h"

#include "outbox.h"
#include "tags.h"

#include <QSignalSpy>
#include <QTcpServer>

using namespace testkit;
using Own = session::ConversationSink::OwnLine;

namespace
{

const QString kDrawing = QStringLiteral("[Linea]") + session::sFormatSend(7) +
                         session::sFormatSend(7) + session::sFormatSend(90) +
                         session::sFormatSend(40) + session::sFormatSend(255) +
                         session::sFormatSend(1) + session::sFormatSend(3);

/// How often @p peer's pane shows @p line: said live, or in a recap.
qsizetype heard(const Peer &peer, const QString &line)
{
    qsizetype n = 0;
    for (const QString &shown : peer.conversation.dialog)
        n += shown == line || (shown.startsWith("(già detto alle ") && shown.endsWith(") " + line));
    return n;
}

size_t drawingsSinceClear(const RecordingBoard &board)
{
    size_t n = 0;
    for (size_t i = board.linesAtLastClear; i < board.lines.size(); ++i)
        n += board.lines[i].x1 == 7.f && board.lines[i].x2 == 90.f;
    return n;
}

} // namespace

class TestOutage : public QObject
{
    Q_OBJECT
private slots:
    void madeWhileAway_data();
    void madeWhileAway();
    void greetingSkipsThePause_data();
    void greetingSkipsThePause();
};

enum class Loss { HostKilled, SilentCut, OwnDisconnect };
Q_DECLARE_METATYPE(Loss)

void TestOutage::madeWhileAway_data()
{
    QTest::addColumn<Loss>("loss");
    QTest::addColumn<bool>("line");
    QTest::addColumn<bool>("drawing");
    QTest::addColumn<bool>("newGame"); // the host comes back with another table

    const std::pair<const char *, Loss> losses[] = {{"host killed", Loss::HostKilled},
                                                    {"silent cut", Loss::SilentCut},
                                                    {"own Sconnetti", Loss::OwnDisconnect}};
    for (const auto &[name, loss] : losses) {
        QTest::addRow("%s, a line", name) << loss << true << false << false;
        QTest::addRow("%s, a drawing", name) << loss << false << true << false;
        QTest::addRow("%s, both", name) << loss << true << true << false;
    }
    QTest::newRow("host killed, back with a new game") << Loss::HostKilled << true << true << true;
}

void TestOutage::madeWhileAway()
{
    QFETCH(Loss, loss);
    QFETCH(bool, line);
    QFETCH(bool, drawing);
    QFETCH(bool, newGame);

    auto host = hostWithShortWaits();
    const quint16 port = host->host();
    (*host)->setTableId(QStringLiteral("partita-1"));
    Proxy proxy(port);
    Peer anna(QStringLiteral("Anna"));
    shortenWaits(anna);
    QVERIFY(anna.join(proxy.port()));
    Peer bea(QStringLiteral("Bea"));
    shortenWaits(bea);
    QVERIFY(bea.join(port));
    // A line that reached the host before: confirmed, never sent again.
    QVERIFY(anna->sayToHost("[Messaggio]Anna: prima", "Anna: prima", "prima"));
    QVERIFY(settle([&] {
        return bea.conversation.dialog.contains("Anna: prima") && anna->outbox().isEmpty() &&
               anna->heartbeat()->isArmed();
    }));
    const QSignalSpy returned(anna.chat.get(), &ChatSession::unsentReturned);
    const auto make = [&] {
        if (drawing)
            anna->Broadcast(kDrawing);
        if (line)
            QVERIFY(anna->sayToHost("[Messaggio]Anna: durante", "Anna: durante", "durante"));
    };
    const auto away = [&] {
        return settle([&] { return anna->phase() == ChatSession::Phase::Reconnecting; });
    };

    if (loss == Loss::HostKilled) {
        host.reset();
        QVERIFY(away());
        make();
    } else {
        proxy.blackhole();
        if (loss == Loss::SilentCut)
            make(); // written into the dead link, before anyone can tell
        QVERIFY(away());
        if (loss == Loss::OwnDisconnect)
            make();
    }
    // Never shown as said while it waits.
    const quint64 id = anna.conversation.own.empty() ? 0 : anna.conversation.own.rbegin()->first;
    if (line)
        QCOMPARE(anna.conversation.own[id].states.last(), Own::Waiting);
    QCOMPARE(anna->outbox().size(), qsizetype(line) + qsizetype(drawing));

    if (loss == Loss::OwnDisconnect) {
        anna->cmdDisconnect_Click();
        QCOMPARE(returned.size(), line ? 1 : 0);
        if (line)
            QCOMPARE(returned.first().first().toStringList(), QStringList{"durante"});
        QVERIFY(!anna.conversation.status.filter("Non inviati al tavolo").isEmpty());
        QTest::qWait(400);
        QCOMPARE(heard(bea, "Anna: durante"), 0);
        QCOMPARE(drawingsSinceClear(bea.board), size_t(0));
        return;
    }

    if (loss == Loss::HostKilled) {
        host = hostWithShortWaits();
        QCOMPARE(host->host(port), port);
        (*host)->setTableId(newGame ? QStringLiteral("partita-2") : QStringLiteral("partita-1"));
    }
    QVERIFY(settle([&] {
        return anna->phase() == ChatSession::Phase::Connected && anna->outbox().isEmpty() &&
               bea->phase() == ChatSession::Phase::Connected;
    }, 10000));
    QTest::qWait(200); // anything doubled would be here by now

    // What reaches the others: each once, the drawing on the host's board.
    const bool drawingGoes = drawing && !newGame;
    QCOMPARE(heard(bea, "Anna: durante"), line ? 1 : 0);
    QCOMPARE(drawingsSinceClear(bea.board), size_t(drawingGoes));
    QCOMPARE(heard(bea, "Anna: prima"), 1);
    if (line && drawingGoes) {
        const QStringList got = logFrom(host->chat->receivedLog());
        const auto at = [&](const QString &what) {
            for (qsizetype i = 0; i < got.size(); ++i)
                if (got[i].contains(what))
                    return i;
            return qsizetype(-1);
        };
        QVERIFY(at("[Linea]") >= 0 && at("[Linea]") < at("[Messaggio]Anna: durante"));
    }
    // What the sender sees: her drawing again over the host's board, her line
    // marked as gone late, the one before untouched.
    QCOMPARE(drawingsSinceClear(anna.board), size_t(drawingGoes));
    if (line) {
        QCOMPARE(anna.conversation.own[id].states.last(), Own::Confirmed);
        QVERIFY(anna.conversation.own[id].late);
    }
    QCOMPARE(anna.conversation.own.begin()->second.states, (QList<Own>{Own::Sent, Own::Confirmed}));
    QCOMPARE(returned.size(), 0);
    QCOMPARE(anna.conversation.status.filter("nuova partita").size(), newGame ? 1 : 0);
    QCOMPARE(anna.conversation.status.filter("partita finita").size(), newGame ? 1 : 0);
}

void TestOutage::greetingSkipsThePause_data()
{
    QTest::addColumn<bool>("tavernixHost");
    QTest::newRow("a Tavernix host greets: no pause") << true;
    QTest::newRow("a host of the basic protocol: the pause") << false;
}

void TestOutage::greetingSkipsThePause()
{
    QFETCH(bool, tavernixHost);
    Peer host(QStringLiteral("Oste"));
    QTcpServer basic; // accepts and says nothing, as the basic protocol's host
    QByteArray heard;
    QTcpSocket *accepted = nullptr;
    quint16 port = 0;
    if (tavernixHost) {
        port = host.host();
    } else {
        QVERIFY(basic.listen(QHostAddress::LocalHost, 0));
        port = basic.serverPort();
        connect(&basic, &QTcpServer::newConnection, this, [&] {
            accepted = basic.nextPendingConnection();
            connect(accepted, &QTcpSocket::readyRead, this, [&] { heard += accepted->readAll(); });
        });
    }
    Peer ada(QStringLiteral("Ada"));
    ada->setConnectWait(60000); // far longer than this test waits
    ada->setPort(port);
    ada->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    if (tavernixHost) {
        QVERIFY(settle([&] { return ada->sMyName() == QStringLiteral("Ada"); }));
        return;
    }
    QVERIFY(settle([&] { return accepted != nullptr; }));
    QTest::qWait(500);
    QVERIFY2(!heard.contains("[Connessione]"), heard.constData());
    QCOMPARE(ada->phase(), ChatSession::Phase::Connecting);
}

QTEST_GUILESS_MAIN(TestOutage)
#include "tst_outage.moc"
