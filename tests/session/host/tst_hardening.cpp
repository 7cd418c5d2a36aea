// What keeps a host standing when its port is open to anyone: the bound on
// what all connections together may leave unsent, turns among busy senders,
// the wait for an introduction, and a listener that rests when descriptors
// run out.

#include "nonewdescriptors.h"
#include "readpacer.h"
#include "sessiontestkit.h"
#include "writebudget.h"

#include <QSignalSpy>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace testkit;
using session::ReadPacer;
using session::WriteBudget;

using Backlogs = QList<QPair<qint16, qint64>>;
using Indexes = QList<qint16>;

namespace
{

/// The connection index of the participant called @p name, or 0.
qint16 indexOf(const Peer &host, const QString &name)
{
    for (int i = 0; i < host.people()->count(); ++i)
        if (host.people()->nameAt(i) == name)
            return qint16(host.people()->tagAt(i));
    return 0;
}

} // namespace

class TestHardening : public QObject
{
    Q_OBJECT
private slots:
    void budgetDropsTheLargestFirst_data();
    void budgetDropsTheLargestFirst();
    void pacerTakesTurns();
    void pacerLetsTheEventLoopRunBetweenRounds();
    void totalBacklogBoundDropsTheLargestFirst();
    void connectionThatNeverJoinsIsClosed_data();
    void connectionThatNeverJoinsIsClosed();
    void anElementUsedAgainGetsItsOwnWait();
    void pendingConnectionsAreCapped();
    void theOldestStrangerMakesWayForAPlayer();
    void listenerPausesWhenDescriptorsRunOutAndResumes_data();
    void listenerPausesWhenDescriptorsRunOutAndResumes();
    void longAndShortLinesArriveWholeAndInOrder();
};

void TestHardening::budgetDropsTheLargestFirst_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<Backlogs>("updates"); // applied in order
    QTest::addColumn<Indexes>("dropped");
    QTest::addColumn<qint64>("total");

    QTest::newRow("at the limit") << qint64(100) << Backlogs{{1, 40}, {2, 60}} << Indexes{} << qint64(100);
    QTest::newRow("one over") << qint64(100) << Backlogs{{1, 30}, {2, 50}, {3, 40}} << Indexes{2}
                              << qint64(70);
    QTest::newRow("the largest is not enough")
        << qint64(100) << Backlogs{{1, 80}, {2, 90}, {3, 70}} << Indexes{2, 1} << qint64(70);
    QTest::newRow("equal backlogs: the lower index")
        << qint64(100) << Backlogs{{3, 60}, {1, 60}} << Indexes{1} << qint64(60);
    QTest::newRow("a later count replaces the earlier")
        << qint64(100) << Backlogs{{1, 500}, {1, 10}, {2, 95}} << Indexes{2} << qint64(10);
    QTest::newRow("nothing unsent is never chosen")
        << qint64(0) << Backlogs{{1, 0}, {2, 5}, {4, 0}} << Indexes{2} << qint64(0);
    QTest::newRow("far indexes") << qint64(10) << Backlogs{{32767, 20}, {7, 5}} << Indexes{32767}
                                 << qint64(5);
}

void TestHardening::budgetDropsTheLargestFirst()
{
    QFETCH(qint64, limit);
    QFETCH(Backlogs, updates);
    QFETCH(Indexes, dropped);
    QFETCH(qint64, total);

    WriteBudget budget;
    budget.setLimit(limit);
    for (const auto &[index, bytes] : updates)
        budget.set(index, bytes);
    QCOMPARE(budget.takeOverflow(), dropped);
    QCOMPARE(budget.total(), total);
    QVERIFY(!budget.over());
    for (const qint16 index : dropped)
        QCOMPARE(budget.unsent(index), qint64(0));
    // Once within the limit, nothing more is chosen.
    QCOMPARE(budget.takeOverflow(), Indexes{});
}

void TestHardening::pacerTakesTurns()
{
    // Connection 1 has three slices waiting, 2 one, 3 two.
    QHash<qint16, int> slices{{1, 3}, {2, 1}, {3, 2}};
    QList<qint16> served;
    ReadPacer pacer([&](qint16 index) {
        served.append(index);
        return --slices[index] > 0;
    });
    pacer.setRoundBudgetMs(1000);
    pacer.wake(1);
    pacer.wake(2);
    pacer.wake(1); // already waiting: no second place in line
    pacer.wake(3);
    QVERIFY(settle([&] { return served.size() == 6 && pacer.waiting() == 0; }));
    QCOMPARE(served, (QList<qint16>{1, 2, 3, 1, 3, 1}));
    // A connection woken again once it is done is served again.
    slices[2] = 1;
    pacer.wake(2);
    QVERIFY(settle([&] { return served.size() == 7; }));
    QCOMPARE(served.last(), qint16(2));
}

void TestHardening::pacerLetsTheEventLoopRunBetweenRounds()
{
    // A sender that always has more must not keep a timer (or a request to
    // end, or a new connection) from being handled.
    int turns = 0;
    int turnsWhenTheTimerRan = -1;
    ReadPacer pacer([&](qint16) {
        if (++turns == 1)
            QTimer::singleShot(0, [&] { turnsWhenTheTimerRan = turns; });
        return turns < 200;
    });
    pacer.setRoundBudgetMs(0); // one turn per round
    pacer.wake(5);
    QVERIFY(settle([&] { return turns == 200; }));
    QVERIFY2(turnsWhenTheTimerRan >= 1 && turnsWhenTheTimerRan < 200,
             qPrintable(QString::number(turnsWhenTheTimerRan)));
}

void TestHardening::totalBacklogBoundDropsTheLargestFirst()
{
    Peer host(QStringLiteral("Oste"));
    host->setWriteBacklogLimit(1024LL * 1024 * 1024); // only the total bound acts
    host->setTotalBacklogLimit(4 * 1024 * 1024);
    const quint16 port = host.host();
    QVERIFY(port != 0);

    RawClient watcher, small, large;
    QVERIFY(watcher.joinAs(port, QStringLiteral("Guarda")));
    QVERIFY(small.joinAs(port, QStringLiteral("Piccolo")));
    QVERIFY(large.joinAs(port, QStringLiteral("Grande")));
    const qint16 smallIndex = indexOf(host, QStringLiteral("Piccolo"));
    const qint16 largeIndex = indexOf(host, QStringLiteral("Grande"));
    QVERIFY(smallIndex > 0 && largeIndex > 0);

    // Without the event loop nothing leaves our buffers, so the counts are
    // exactly what was written: 1.5 MiB for the small one, then the large one
    // until the total passes 4 MiB.
    const QString kilobyte = QStringLiteral("[Messaggio]") + QString(1013, QLatin1Char('k'));
    const qint64 lineBytes = session::encodeLine(kilobyte).size();
    for (int i = 0; i < 1536; ++i)
        host->SendToPerson(kilobyte, smallIndex);
    const qint64 smallBacklog = host->unsentBytes(smallIndex);
    QVERIFY(smallBacklog >= 1536 * lineBytes);
    int droppedAfter = 0;
    for (int written = 1; written <= 4096; ++written) {
        host->SendToPerson(kilobyte, largeIndex);
        if (!droppedAfter && host->totalUnsentBytes() == smallBacklog)
            droppedAfter = written; // the large one no longer counts
    }
    // The large one took the total past the bound with the line that crossed
    // it, and was not written to after that.
    const qint64 bound = host->totalBacklogLimit();
    QCOMPARE(droppedAfter, int((bound - smallBacklog) / lineBytes) + 1);
    QCOMPARE(host->unsentBytes(largeIndex), droppedAfter * lineBytes);
    QCOMPARE(host->totalUnsentBytes(), smallBacklog);

    // Dropped as a leave: announced, and the others stay.
    const QByteArray leave = "[Disconnessione]" + session::sFormatSend(largeIndex).toLatin1();
    const qsizetype smallBefore = small.text().count(kilobyte);
    QVERIFY(watcher.waitForLine(leave));
    QVERIFY(host.conversation.status.contains(QStringLiteral("Grande") + ChatSession::kLostContact));
    QVERIFY(settle([&] { return large.socket.state() == QAbstractSocket::UnconnectedState; }));
    QVERIFY(!host.people()->containsName(QStringLiteral("Grande")));
    QVERIFY(host.people()->containsName(QStringLiteral("Piccolo")));
    QCOMPARE(host->connectionState(smallIndex), ChatSession::kConnected);
    // The small one gets everything it was sent.
    QVERIFY2(settle([&] { return small.text().count(kilobyte) == 1536; }, 20000),
             qPrintable(QString::number(smallBefore)));
}

void TestHardening::connectionThatNeverJoinsIsClosed_data()
{
    QTest::addColumn<QByteArray>("says");
    QTest::addColumn<bool>("closed");
    QTest::newRow("says nothing") << QByteArray() << true;
    QTest::newRow("talks without introducing itself")
        << QByteArray("[Messaggio]ciao\r\n[Aggiorna Listato InviaFile]\r\n") << true;
    QTest::newRow("introduces itself without a name") << QByteArray("[Connessione]\r\n") << true;
    QTest::newRow("half an introduction") << QByteArray("[Connessione]Mezza") << true;
    QTest::newRow("introduces itself") << QByteArray("[Connessione]Ospite\r\n") << false;
}

void TestHardening::connectionThatNeverJoinsIsClosed()
{
    QFETCH(QByteArray, says);
    QFETCH(bool, closed);

    Peer host(QStringLiteral("Oste"));
    host->setJoinTimeout(300);
    const quint16 port = host.host();
    RawClient stranger;
    QVERIFY(stranger.connectTo(port));
    if (!says.isEmpty())
        stranger.sendRaw(says);

    if (closed) {
        QVERIFY(settle([&] { return stranger.socket.state() == QAbstractSocket::UnconnectedState; }));
        QCOMPARE(host->pendingJoins(), 0);
        // It leaves no trace, as one that closes before its introduction.
        QCOMPARE(host.people()->count(), 1);
        QVERIFY(!host.conversation.status.join(QLatin1Char('|')).contains(ChatSession::kLostContact));
    } else {
        QVERIFY(settle([&] { return host->pendingJoins() == 0; }));
        QTest::qWait(1000); // over three times the wait
        QCOMPARE(stranger.socket.state(), QAbstractSocket::ConnectedState);
        QVERIFY(host.people()->containsName(QStringLiteral("Ospite")));
    }
}

void TestHardening::anElementUsedAgainGetsItsOwnWait()
{
    Peer host(QStringLiteral("Oste"));
    host->setJoinTimeout(1000);
    const quint16 port = host.host();
    auto first = std::make_unique<RawClient>();
    QVERIFY(first->connectTo(port));
    QVERIFY(settle([&] { return host->pendingJoins() == 1; }));
    first->socket.abort();
    QVERIFY(settle([&] { return host->pendingJoins() == 0; }));

    // The next stranger takes element 1 again, with a longer wait: the
    // first one's time running out must not close it.
    host->setJoinTimeout(6000);
    RawClient second;
    QVERIFY(second.connectTo(port));
    QVERIFY(settle([&] { return host->pendingJoins() == 1; }));
    QCOMPARE(host->iConnections(), qint16(1));
    QTest::qWait(1500);
    QCOMPARE(second.socket.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(host->pendingJoins(), 1);
    QVERIFY(settle([&] { return second.socket.state() == QAbstractSocket::UnconnectedState; }, 10000));
}

void TestHardening::pendingConnectionsAreCapped()
{
    Peer host(QStringLiteral("Oste"));
    host->setMaxPendingJoins(3);
    const quint16 port = host.host();
    std::vector<std::unique_ptr<RawClient>> waiting;
    for (int i = 0; i < 3; ++i) {
        waiting.push_back(std::make_unique<RawClient>());
        QVERIFY(waiting.back()->connectTo(port));
    }
    QVERIFY(settle([&] { return host->pendingJoins() == 3; }));

    RawClient refused;
    QVERIFY(refused.connectTo(port)); // the system completes it; the host closes it
    QVERIFY(settle([&] { return refused.socket.state() == QAbstractSocket::UnconnectedState; }));
    QCOMPARE(host->pendingJoins(), 3);
    for (const auto &c : waiting)
        QCOMPARE(c->socket.state(), QAbstractSocket::ConnectedState);

    // One of them joins: there is room for one more stranger again.
    waiting[1]->send(QStringLiteral("[Connessione]Primo"));
    QVERIFY(settle([&] { return host->pendingJoins() == 2; }));
    RawClient admitted;
    QVERIFY(admitted.connectTo(port));
    QVERIFY(settle([&] { return host->pendingJoins() == 3; }));
    QCOMPARE(admitted.socket.state(), QAbstractSocket::ConnectedState);
    // A stranger that goes away frees its place too.
    waiting[0]->socket.abort();
    QVERIFY(settle([&] { return host->pendingJoins() == 2; }));
    Peer member(QStringLiteral("Socio"));
    QVERIFY(member.join(port));
    QVERIFY(host.people()->containsName(QStringLiteral("Socio")));
    QCOMPARE(host->pendingJoins(), 2);
}

void TestHardening::theOldestStrangerMakesWayForAPlayer()
{
    Peer host(QStringLiteral("Oste"));
    host->setMaxPendingJoins(3);
    host->relay()->setEvictAfter(1500);
    const quint16 port = host.host();
    std::vector<std::unique_ptr<RawClient>> strangers;
    for (int i = 0; i < 3; ++i) {
        strangers.push_back(std::make_unique<RawClient>());
        QVERIFY(strangers.back()->connectTo(port));
        QVERIFY(settle([&] { return host->pendingJoins() == i + 1; })); // admitted in this order
    }
    // Too young to be sure they are strangers: the newcomer is the one refused.
    RawClient early;
    QVERIFY(early.connectTo(port));
    QVERIFY(settle([&] { return early.socket.state() == QAbstractSocket::UnconnectedState; }));
    QCOMPARE(host->relay()->evictions(), 0);

    // Once the first has waited long enough, a player waiting to introduce
    // itself takes its place, and keeps it through its own pause.
    QTest::qWait(1600);
    Peer player(QStringLiteral("Giocatore"));
    player->setConnectWait(600);
    QVERIFY(player.join(port));
    QCOMPARE(host->relay()->evictions(), 1);
    QCOMPARE(strangers[0]->socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(strangers[1]->socket.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(strangers[2]->socket.state(), QAbstractSocket::ConnectedState);
    QVERIFY(host.people()->containsName(QStringLiteral("Giocatore")));
}


void TestHardening::listenerPausesWhenDescriptorsRunOutAndResumes_data()
{
    QTest::addColumn<bool>("acceptedBefore");
    QTest::newRow("the first request") << false;
    // An accept that found nothing more waiting leaves an error behind in
    // the socket engine, which must not hide the shortage.
    QTest::newRow("after a player was taken in") << true;
}

void TestHardening::listenerPausesWhenDescriptorsRunOutAndResumes()
{
    QFETCH(bool, acceptedBefore);
    Peer host(QStringLiteral("Oste"));
    host->setAcceptPause(300);
    const quint16 port = host.host();
    QVERIFY(port != 0);
    RawClient player;
    if (acceptedBefore)
        QVERIFY(player.joinAs(port, QStringLiteral("Primo")));
    const qint16 first = acceptedBefore ? 2 : 1;

    // The client's descriptor is made before the limit comes down; the
    // system completes the connection on its own, only accepting it fails.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    {
        NoNewDescriptors limit;
        QVERIFY(limit.lowered);
        QCOMPARE(::dup(0), -1);
        QCOMPARE(errno, EMFILE);
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QVERIFY(settle([&] { return host->acceptPauses() >= 1; }));
        QVERIFY(host->acceptPaused());
        QCOMPARE(host->iConnections(), qint16(first - 1));
        // Still without descriptors after the pause: it fails and rests again.
        QVERIFY(settle([&] { return host->acceptPauses() >= 2; }));
        QCOMPARE(host->iConnections(), qint16(first - 1));
        limit.restore();
    }
    const int pauses = host->acceptPauses();
    // With descriptors back, the next try takes the waiting connection in,
    // and finding nothing more waiting is no reason to rest again.
    QVERIFY(settle([&] { return host->connectionState(first) == ChatSession::kConnected; }));
    QCOMPARE(host->acceptPauses(), pauses);
    QVERIFY(!host->acceptPaused());
    const QByteArray hello = "[Connessione]Paziente\r\n";
    QCOMPARE(::write(fd, hello.constData(), size_t(hello.size())), ssize_t(hello.size()));
    QVERIFY(settle([&] { return host.people()->containsName(QStringLiteral("Paziente")); }));
    ::close(fd);
}

void TestHardening::longAndShortLinesArriveWholeAndInOrder()
{
    // More than the host reads in one turn and more than it buffers per
    // connection, in one write: every line must still come through, in
    // order, the long one whole.
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient sender, receiver;
    QVERIFY(sender.joinAs(port, QStringLiteral("Mittente")));
    QVERIFY(receiver.joinAs(port, QStringLiteral("Ricevente")));
    const qsizetype before = receiver.lines.size();
    const qsizetype shown = host.conversation.dialog.size();

    QByteArray burst;
    for (int i = 0; i < 3000; ++i)
        burst += "[Messaggio]a" + QByteArray::number(i) + "\r\n";
    const QByteArray longLine = "[Messaggio]" + QByteArray(900 * 1024, 'L');
    burst += longLine + "\r\n";
    for (int i = 0; i < 3000; ++i)
        burst += "[Messaggio]b" + QByteArray::number(i) + "\r\n";
    sender.sendRaw(burst);

    QVERIFY(receiver.waitForLines(int(before) + 6001, 30000));
    QList<QByteArray> expected;
    for (int i = 0; i < 3000; ++i)
        expected.append("[Messaggio]a" + QByteArray::number(i));
    expected.append(longLine);
    for (int i = 0; i < 3000; ++i)
        expected.append("[Messaggio]b" + QByteArray::number(i));
    QCOMPARE(receiver.lines.mid(before), expected);
    QCOMPARE(host.conversation.dialog.size() - shown, 6001);
}

QTEST_GUILESS_MAIN(TestHardening)
#include "tst_hardening.moc"
