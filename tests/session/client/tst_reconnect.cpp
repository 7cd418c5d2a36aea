// A client whose connection is lost keeps its pane and board and gets back
// in by itself; a kick or its own "Sconnetti" clears and stays out. Real
// sockets on 127.0.0.1, with the waits shortened so a test takes seconds.

#include "sessiontestkit.h"

#include <QSslSocket>

#include "heartbeat.h"
#include "reconnectpolicy.h"
#include "tags.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using namespace testkit;
using session::ReconnectPolicy;

namespace
{

QString segment(int i)
{
    using session::sFormatSend;
    return QStringLiteral("[Linea]") + sFormatSend(i) + sFormatSend(i) + sFormatSend(i + 5) +
           sFormatSend(i) + sFormatSend(255) + sFormatSend(1) + sFormatSend(3);
}

} // namespace

class TestReconnect : public QObject
{
    Q_OBJECT
private slots:
    void scheduleOfTries_data();
    void scheduleOfTries();
    void givesUpAfterTheTimeAllowed();
    void lostConnection_data();
    void lostConnection();
    void hostReturns_data();
    void hostReturns();
    void recapHoldsOnlyPublicLines_data();
    void recapHoldsOnlyPublicLines();
    void recapIsTheLastHundred();
    void returnShowsOnlyWhatWasMissed_data();
    void returnShowsOnlyWhatWasMissed();
};

void TestReconnect::scheduleOfTries_data()
{
    QTest::addColumn<QList<int>>("delays");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QList<int>>("expected"); // the waits before tries 0, 1, 2, ...

    QTest::newRow("the usual") << QList<int>{1000, 2000, 4000, 8000, 15000} << 30000
                               << QList<int>{1000, 2000, 4000, 8000, 15000, 30000, 30000};
    QTest::newRow("no first waits") << QList<int>{} << 500 << QList<int>{500, 500};
    QTest::newRow("a negative wait is none") << QList<int>{-5, 7} << 9 << QList<int>{0, 7, 9};
}

void TestReconnect::scheduleOfTries()
{
    QFETCH(QList<int>, delays);
    QFETCH(int, repeat);
    QFETCH(QList<int>, expected);
    ReconnectPolicy::Schedule s;
    s.delaysMs = delays;
    s.repeatMs = repeat;
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(ReconnectPolicy::delayBefore(s, i), expected[i]);
}

void TestReconnect::givesUpAfterTheTimeAllowed()
{
    ReconnectPolicy policy;
    ReconnectPolicy::Schedule s;
    s.delaysMs = {10, 10};
    s.repeatMs = 100;
    s.giveUpAfterMs = 150; // room for the two short waits and one long one at most
    policy.setSchedule(s);
    QSignalSpy tries(&policy, &ReconnectPolicy::tryNow);
    QSignalSpy gaveUp(&policy, &ReconnectPolicy::gaveUp);
    connect(&policy, &ReconnectPolicy::tryNow, &policy, [&] { policy.tryFailed(); });
    policy.start();
    QVERIFY(policy.msToNextTry() >= 0);
    QTRY_COMPARE_WITH_TIMEOUT(gaveUp.size(), 1, 5000);
    QVERIFY2(tries.size() >= 2 && tries.size() <= 3, QByteArray::number(tries.size()));
    QVERIFY(!policy.isActive());
    QCOMPARE(policy.msToNextTry(), -1);
}

enum class Loss { HostCloses, HostKilled, NetworkDrop, Kick, OwnDisconnect };
Q_DECLARE_METATYPE(Loss)

void TestReconnect::lostConnection_data()
{
    QTest::addColumn<Loss>("loss");
    QTest::addColumn<bool>("kept");      // pane and board stay as they were
    QTest::addColumn<bool>("comesBack"); // tries again and gets back in
    QTest::addColumn<QString>("told");   // in the status box

    const QString lost = ChatSession::kLostHost;
    // A host that closes the table says so: the pane stays, nobody retries.
    QTest::newRow("host presses Sconnetti") << Loss::HostCloses << true << false
                                            << "L'host ha chiuso il tavolo";
    QTest::newRow("host killed") << Loss::HostKilled << true << true << lost;
    QTest::newRow("network drops silently") << Loss::NetworkDrop << true << true << lost;
    QTest::newRow("kicked") << Loss::Kick << false << false << ChatSession::kExpelled;
    QTest::newRow("own Sconnetti") << Loss::OwnDisconnect << false << false << "Disconnessione.";
}

void TestReconnect::lostConnection()
{
    QFETCH(Loss, loss);
    QFETCH(bool, kept);
    QFETCH(bool, comesBack);
    QFETCH(QString, told);

    auto host = hostWithShortWaits();
    const quint16 port = host->host();
    QVERIFY(port != 0);
    Proxy proxy(port);
    Peer anna(QStringLiteral("Anna"));
    shortenWaits(anna);
    QVERIFY(anna.join(loss == Loss::NetworkDrop ? proxy.port() : port));

    (*host)->Broadcast(segment(1));
    (*host)->SendToAll(QStringLiteral("[Messaggio]Oste: benvenuti"), false);
    QVERIFY(settle([&] {
        return anna.board.linesSinceClear() == 1 &&
               anna.conversation.dialog.contains(QStringLiteral("Oste: benvenuti")) &&
               anna->heartbeat()->isArmed();
    }));
    // A peer dead without a close is noticed by the system too, on both ends.
    for (const Peer *end : {&anna, host.get()}) {
        int connected = 0;
        for (QTcpSocket *s : end->chat->findChildren<QTcpSocket *>()) {
            // A TLS-capable socket carries a plain one inside: one connection.
            if (s->state() != QAbstractSocket::ConnectedState || qobject_cast<QSslSocket *>(s->parent()))
                continue;
            ++connected;
            int idle = 0;
            unsigned timeout = 0;
            socklen_t size = sizeof idle;
            QCOMPARE(::getsockopt(int(s->socketDescriptor()), IPPROTO_TCP, TCP_KEEPIDLE, &idle, &size), 0);
            size = sizeof timeout;
            QCOMPARE(::getsockopt(int(s->socketDescriptor()), IPPROTO_TCP, TCP_USER_TIMEOUT, &timeout, &size), 0);
            QCOMPARE(idle, session::Heartbeat::kKeepAliveIdleS);
            QVERIFY(timeout > 0 && timeout <= 60000);
        }
        QCOMPARE(connected, 1);
    }

    const int paneClears = anna.conversation.clears;
    const int boardClears = anna.board.clears;

    switch (loss) {
    case Loss::HostCloses:
        (*host)->cmdDisconnect_Click();
        break;
    case Loss::HostKilled:
        host.reset();
        break;
    case Loss::NetworkDrop:
        proxy.blackhole();
        break;
    case Loss::Kick:
        host->people()->setSelected(1, true);
        (*host)->cmdKick_Click();
        break;
    case Loss::OwnDisconnect:
        anna->cmdDisconnect_Click();
        break;
    }

    const auto after = comesBack ? ChatSession::Phase::Reconnecting : ChatSession::Phase::Idle;
    QVERIFY(settle([&] { return anna->phase() == after && anna->clientState() == 0; }, 5000));
    QCOMPARE(anna.people()->count(), 0);
    if (kept) {
        QCOMPARE(anna.conversation.clears, paneClears);
        QCOMPARE(anna.board.clears, boardClears);
        QCOMPARE(anna.board.linesSinceClear(), size_t(1));
    } else {
        QCOMPARE(anna.conversation.clears, paneClears + 1);
        QCOMPARE(anna.board.clears, boardClears + 1);
    }
    QVERIFY2(!anna.conversation.status.filter(told).isEmpty(),
             qPrintable(anna.conversation.status.join('\n')));
    if (!comesBack) {
        // The first try would come after 20 ms: none may come at all.
        QTest::qWait(300);
        QCOMPARE(anna->reconnectPolicy()->attempts(), 0);
        QVERIFY(!anna->reconnectPolicy()->isActive());
        QCOMPARE(anna->phase(), ChatSession::Phase::Idle);
        return;
    }
    QVERIFY(anna.conversation.status.last().contains(QStringLiteral("\"Sconnetti\" smette di riprovare")));

    // The host is back on the same port (after a silent drop it never left).
    if (loss == Loss::HostKilled)
        host = hostWithShortWaits();
    if (loss != Loss::NetworkDrop)
        host->host(port);
    QCOMPARE((*host)->listeningPort(), port);
    QVERIFY(settle([&] {
        return anna->phase() == ChatSession::Phase::Connected && anna.people()->count() >= 2;
    }, 10000));
    QVERIFY(anna.conversation.status.contains(ChatSession::kBackIn));
    // Back in her own seat, even where the host still held the dead
    // connection: her token lets it go before her join is handled.
    QCOMPARE(anna->sMyName(), QStringLiteral("Anna"));
    // Back once: no second entry of the same player.
    QVERIFY(settle([&] {
        return host->people()->names() == QStringList{QStringLiteral("Oste"), QStringLiteral("Anna")};
    }));
    // The pane kept its lines and marks the break; the board is the host's:
    // cleared once and drawn again, nothing doubled, nothing stale.
    QCOMPARE(anna.conversation.clears, paneClears);
    QVERIFY(anna.conversation.dialog.contains(QStringLiteral("Oste: benvenuti")));
    QVERIFY(settle([&] { return anna.board.clears == boardClears + 1; }));
    const size_t hostLines = loss == Loss::NetworkDrop ? 1 : 0;
    QVERIFY(settle([&] { return anna.board.linesSinceClear() == hostLines; }));
    QVERIFY(anna.conversation.dialog.filter(QStringLiteral("connessione con l'host persa")).size() == 1);
}

void TestReconnect::hostReturns_data()
{
    // Real seconds shrunk fiftyfold, as the schedule is: a host back after
    // 40 s is met by the sixth try, at 60 s.
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<bool>("anotherProgram");
    QTest::addColumn<int>("minTries");

    QTest::newRow("at once") << 0 << false << 1;
    QTest::newRow("after 3 s") << 60 << false << 2;
    QTest::newRow("after 40 s") << 800 << false << 6;
    QTest::newRow("another program on the port") << 0 << true << 3;
}

void TestReconnect::hostReturns()
{
    QFETCH(int, afterMs);
    QFETCH(bool, anotherProgram);
    QFETCH(int, minTries);

    auto host = hostWithShortWaits();
    const quint16 port = host->host();
    Peer anna(QStringLiteral("Anna"));
    shortenWaits(anna);
    anna->setAnswerWait(200);
    QVERIFY(anna.join(port));
    for (int i = 0; i < 3; ++i)
        (*host)->Broadcast(segment(i));
    QVERIFY(settle([&] { return anna.board.linesSinceClear() == 3; }));
    const int boardClears = anna.board.clears;

    host.reset(); // killed
    QVERIFY(settle([&] { return anna->phase() == ChatSession::Phase::Reconnecting; }));
    QTest::qWait(afterMs);

    QTcpServer stranger; // accepts and never answers as a host does
    if (anotherProgram) {
        QVERIFY(stranger.listen(QHostAddress::Any, port));
        QVERIFY(settle([&] { return anna->reconnectPolicy()->attempts() >= minTries; }, 10000));
        QCOMPARE(anna->phase(), ChatSession::Phase::Reconnecting);
        QCOMPARE(anna.board.clears, boardClears);
        QCOMPARE(anna.board.linesSinceClear(), size_t(3));
        return;
    }
    // Back with another board: two segments drawn before anyone returned.
    host = hostWithShortWaits();
    QCOMPARE(host->host(port), port);
    (*host)->Broadcast(segment(50));
    (*host)->Broadcast(segment(60));
    QVERIFY(settle([&] { return anna->phase() == ChatSession::Phase::Connected; }, 10000));
    QVERIFY2(anna->reconnectPolicy()->attempts() >= minTries,
             QByteArray::number(anna->reconnectPolicy()->attempts()));
    QVERIFY(settle([&] { return anna.board.linesSinceClear() == 2; }));
    QCOMPARE(anna.board.clears, boardClears + 1);
    QCOMPARE(anna.board.lines.back().x1, 60.f);
    QVERIFY(!anna->reconnectPolicy()->isActive());
}

namespace
{
QStringList recapsOf(const Peer &p)
{
    return p.conversation.dialog.filter(QStringLiteral("(già detto alle "));
}
} // namespace

void TestReconnect::recapHoldsOnlyPublicLines_data()
{
    QTest::addColumn<QString>("who"); // host, ada
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("target"); // "all", "host", "bea", "ada"
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("recapped");

    const QString roll = QStringLiteral("Oste lancia 2d6 ed ottiene 7.\n« 3, 4 »");
    QTest::newRow("host to all") << "host" << "[Messaggio]Oste: a tutti" << "all" << "Oste: a tutti" << true;
    QTest::newRow("client to all") << "ada" << "[Messaggio]Ada: a tutti" << "all" << "Ada: a tutti" << true;
    QTest::newRow("public roll with its detail") << "host" << "[Messaggio]" + roll << "all" << roll << true;
    QTest::newRow("client to the host alone")
        << "ada" << "[Messaggio Privato]0000000001-000000001*Ada*: a te" << "host" << "*Ada*: a te" << false;
    QTest::newRow("client to another client")
        << "ada" << "[Messaggio Privato]00000000010000000002*Ada*: a Bea" << "bea" << "*Ada*: a Bea" << false;
    QTest::newRow("private roll for one player")
        << "host" << "[Messaggio]*" + roll.left(29) + "*" + roll.mid(29) << "ada"
        << "*" + roll.left(29) + "*" + roll.mid(29) << false;
}

void TestReconnect::recapHoldsOnlyPublicLines()
{
    QFETCH(QString, who);
    QFETCH(QString, message);
    QFETCH(QString, target);
    QFETCH(QString, shown);
    QFETCH(bool, recapped);
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer ada(QStringLiteral("Ada"));
    Peer bea(QStringLiteral("Bea"));
    QVERIFY(ada.join(port));
    QVERIFY(bea.join(port));
    QCOMPARE(host.people()->tagAt(2), 2); // Bea is connection 2, as the private line says

    if (who == QLatin1String("host") && target == QLatin1String("all"))
        host->SendToAll(message, false);
    else if (who == QLatin1String("host"))
        host->SendToPerson(message, 1);
    else
        ada->SendToServer(message);
    const Peer &reader = target == QLatin1String("bea") ? bea : target == QLatin1String("ada") ? ada : host;
    if (who == QLatin1String("host") && target == QLatin1String("all"))
        QVERIFY(settle([&] { return ada.conversation.dialog.contains(shown); }));
    else
        QVERIFY(settle([&] { return reader.conversation.dialog.contains(shown); }));

    Peer carla(QStringLiteral("Carla"));
    QVERIFY(carla.join(port));
    const QStringList recaps = recapsOf(carla);
    QCOMPARE(recaps.size(), recapped ? 1 : 0);
    QCOMPARE(qsizetype(host->recentTalk().lines().size()), recapped ? 1 : 0);
    if (recapped)
        QVERIFY2(recaps.first().endsWith(QStringLiteral(") ") + shown), qPrintable(recaps.first()));
    // Live talk she sees only from now on.
    QVERIFY(!carla.conversation.dialog.contains(shown));
}

void TestReconnect::recapIsTheLastHundred()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    for (int i = 1; i <= 105; ++i)
        host->SendToAll(QStringLiteral("[Messaggio]Oste: riga %1").arg(i), false);
    Peer carla(QStringLiteral("Carla"));
    QVERIFY(carla.join(port));
    const QStringList recaps = recapsOf(carla);
    QCOMPARE(recaps.size(), 100);
    QVERIFY(recaps.first().endsWith(QStringLiteral("Oste: riga 6")));
    QVERIFY(recaps.last().endsWith(QStringLiteral("Oste: riga 105")));
}

void TestReconnect::returnShowsOnlyWhatWasMissed_data()
{
    QTest::addColumn<QStringList>("meanwhile"); // said while she is away
    QTest::newRow("lines said while away")
        << QStringList{QStringLiteral("Oste: ok"), QStringLiteral("Oste: durante")};
    QTest::newRow("nothing said while away") << QStringList{};
}

void TestReconnect::returnShowsOnlyWhatWasMissed()
{
    QFETCH(QStringList, meanwhile);
    auto host = hostWithShortWaits();
    const quint16 port = host->host();
    Proxy proxy(port);
    const auto say = [&](const QString &line) { (*host)->SendToAll("[Messaggio]" + line, false); };
    say(QStringLiteral("Oste: prima"));
    Peer anna(QStringLiteral("Anna"));
    shortenWaits(anna);
    QVERIFY(anna.join(proxy.port()));
    say(QStringLiteral("Oste: ok"));
    // Her own line, with a sign the wire's code page turns into "?".
    anna->SendToServer(QStringLiteral("[Messaggio]Anna: ok ✓"));
    QVERIFY(settle([&] { return host->conversation.dialog.contains(QStringLiteral("Anna: ok ?")); }));
    (*host)->SendToPerson(QStringLiteral("[Messaggio]*Oste*: solo a te"), 1); // never in a recap
    QVERIFY(settle([&] {
        return anna.conversation.dialog.contains(QStringLiteral("*Oste*: solo a te")) &&
               anna->heartbeat()->isArmed();
    }));

    proxy.blackhole();
    for (const QString &line : meanwhile) // "Oste: ok" again: the same words
        say(line);
    const qsizetype before = anna->receivedLog()->size();
    // Back in once the address list, last of the join, ends with her name.
    QVERIFY(settle([&] {
        const QStringList log = logFrom(anna->receivedLog(), before);
        return anna->phase() == ChatSession::Phase::Connected &&
               !log.filter(QStringLiteral("[Aggiorna NeoConnesso]") + anna->sMyName() + " - ").isEmpty();
    }, 10000));
    const QStringList &pane = anna.conversation.dialog;
    const qsizetype mark = pane.indexOf(QRegularExpression(QStringLiteral("——— di nuovo al tavolo .*")));
    QVERIFY(mark > 0);
    QStringList after = pane.mid(mark + 1);
    for (QString &line : after) {
        QVERIFY2(line.startsWith(QStringLiteral("(già detto alle ")), qPrintable(line));
        line = line.mid(line.indexOf(QLatin1String(") ")) + 2);
    }
    QCOMPARE(after, meanwhile);
    QCOMPARE(recapsOf(anna).filter(QStringLiteral("Oste: prima")).size(), 1);
    QCOMPARE(anna.conversation.status.count(ChatSession::kNothingMissed), meanwhile.isEmpty() ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestReconnect)
#include "tst_reconnect.moc"
