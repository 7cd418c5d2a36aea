// The five routing operations, their log entries, and the traffic log model.

#include "sessiontestkit.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStringListModel>

using namespace testkit;

class TestRouting : public QObject
{
    Q_OBJECT
private slots:
    void sendToAllSkipsClosedElementsInOrder();
    void sendToAllButOriginatorLeavesOneOut();
    void sendToAllButOriginatorMinusOneReachesAll();
    void sendToSelfGoesThroughTheDispatcher();
    void sendToPersonOnClosedElementIsDropped();
    void sendToServerWhenNotConnected();
    void sendToServerWritesOneLine();
    void broadcastFollowsTheRole();
    void textThatCannotTravelStaysOneLine();

    void trafficLogKeepsEveryEntry();
    void trafficLogKeepsTextsExactly();
    void trafficLogCoalescesNotifications();
    void trafficLogMillionEntries();
    void trafficLogBoundKeepsTheNewest_data();
    void trafficLogBoundKeepsTheNewest();
    void trafficLogBoundAsViewsSeeIt();
    void trafficLogBoundLowered();
    void trafficLogHiddenViewsHearNothing();
    void trafficLogByteBoundDropsTheOldest_data();
    void trafficLogByteBoundDropsTheOldest();

private:
    /// A host with @p count raw clients accepted as elements 1..count, in order.
    static bool hostWithRawClients(Peer &host, std::vector<std::unique_ptr<RawClient>> &clients,
                                   int count)
    {
        const quint16 port = host.host();
        if (port == 0)
            return false;
        for (int i = 0; i < count; ++i) {
            clients.push_back(std::make_unique<RawClient>());
            if (!clients.back()->connectTo(port))
                return false;
            if (!settle([&] {
                    return host->connectionState(qint16(i + 1)) == ChatSession::kConnected;
                }))
                return false;
        }
        return true;
    }
};

void TestRouting::sendToAllSkipsClosedElementsInOrder()
{
    Peer host(QStringLiteral("Oste"));
    std::vector<std::unique_ptr<RawClient>> clients;
    QVERIFY(hostWithRawClients(host, clients, 3));
    clients[1]->socket.disconnectFromHost();
    QVERIFY(settle([&] { return host->connectionState(2) == ChatSession::kClosed; }));

    const qsizetype before = host->sentLog()->size();
    host->SendToAll(QStringLiteral("[Messaggio]ciao"), false);
    QCOMPARE(logFrom(host->sentLog(), before), (QStringList{"sckConnection(1): [Messaggio]ciao",
                                                            "sckConnection(3): [Messaggio]ciao"}));
    QVERIFY(clients[0]->waitForLine("[Messaggio]ciao"));
    QVERIFY(clients[2]->waitForLine("[Messaggio]ciao"));
    QCOMPARE(clients[1]->lines.size(), 0);
    // vbSelf false: nothing passed through our own dispatcher.
    QVERIFY(!host->receivedLog()->last().contains(QLatin1String("ciao")));
}

void TestRouting::sendToAllButOriginatorLeavesOneOut()
{
    Peer host(QStringLiteral("Oste"));
    std::vector<std::unique_ptr<RawClient>> clients;
    QVERIFY(hostWithRawClients(host, clients, 3));
    const qsizetype before = host->sentLog()->size();
    host->SendToAllButOriginator(QStringLiteral("[Pulisci Lavagna]"), 3);
    QCOMPARE(logFrom(host->sentLog(), before),
             (QStringList{"sckConnection(1): [Pulisci Lavagna]",
                          "sckConnection(2): [Pulisci Lavagna]"}));
    QVERIFY(clients[0]->waitForLine("[Pulisci Lavagna]"));
    QVERIFY(clients[1]->waitForLine("[Pulisci Lavagna]"));
    // A marker after the message shows client 3 got nothing before it.
    host->SendToPerson(QStringLiteral("[Messaggio]marker"), 3);
    QVERIFY(clients[2]->waitForLine("[Messaggio]marker"));
    QCOMPARE(clients[2]->lines, QList<QByteArray>{"[Messaggio]marker"});
}

void TestRouting::sendToAllButOriginatorMinusOneReachesAll()
{
    Peer host(QStringLiteral("Oste"));
    std::vector<std::unique_ptr<RawClient>> clients;
    QVERIFY(hostWithRawClients(host, clients, 2));
    const qsizetype before = host->sentLog()->size();
    host->SendToAllButOriginator(QStringLiteral("[Messaggio]x"), -1);
    QCOMPARE(host->sentLog()->size() - before, 2);
    QVERIFY(clients[0]->waitForLine("[Messaggio]x"));
    QVERIFY(clients[1]->waitForLine("[Messaggio]x"));
}

void TestRouting::sendToSelfGoesThroughTheDispatcher()
{
    Peer host(QStringLiteral("Oste"));
    std::vector<std::unique_ptr<RawClient>> clients;
    QVERIFY(hostWithRawClients(host, clients, 2));
    const qsizetype sentBefore = host->sentLog()->size();
    const qsizetype receivedBefore = host->receivedLog()->size();
    host->SendToSelf(QStringLiteral("[Aggiorna ComboIP]Bardo - 10.0.0.7"));
    QCOMPARE(logFrom(host->receivedLog(), receivedBefore),
             QStringList{"sckConnect: [Aggiorna ComboIP]Bardo - 10.0.0.7"});
    QCOMPARE(logFrom(host->sentLog(), sentBefore),
             (QStringList{"sckConnection(1): [Aggiorna ComboIP]Bardo - 10.0.0.7",
                          "sckConnection(2): [Aggiorna ComboIP]Bardo - 10.0.0.7"}));
    QVERIFY(host->addressList()->stringList().contains(QStringLiteral("Bardo - 10.0.0.7")));
    QVERIFY(clients[0]->waitForLine("[Aggiorna ComboIP]Bardo - 10.0.0.7"));
}

void TestRouting::sendToPersonOnClosedElementIsDropped()
{
    Peer host(QStringLiteral("Oste"));
    std::vector<std::unique_ptr<RawClient>> clients;
    QVERIFY(hostWithRawClients(host, clients, 1));
    clients[0]->socket.abort();
    QVERIFY(settle([&] { return host->connectionState(1) == ChatSession::kClosed; }));
    const qsizetype before = host->sentLog()->size();
    host->SendToPerson(QStringLiteral("[Messaggio]lost"), 1);
    host->SendToPerson(QStringLiteral("[Messaggio]nowhere"), 0);
    host->SendToPerson(QStringLiteral("[Messaggio]nowhere"), -1);
    host->SendToPerson(QStringLiteral("[Messaggio]nowhere"), 9);
    QCOMPARE(host->sentLog()->size(), before);
}

void TestRouting::sendToServerWhenNotConnected()
{
    Peer idle(QStringLiteral("Solo"));
    QVERIFY(!idle->SendToServer(QStringLiteral("[Messaggio]x")));
    QCOMPARE(idle->sentLog()->size(), 0);
    idle->Broadcast(QStringLiteral("[Linea]x"));
    QCOMPARE(idle->sentLog()->size(), 0);
}

void TestRouting::sendToServerWritesOneLine()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    QVERIFY(port != 0);
    Peer client(QStringLiteral("Tizio"));
    QVERIFY(client.join(port));
    const qsizetype before = client->sentLog()->size();
    const qsizetype hostBefore = host->receivedLog()->size();
    QVERIFY(client->SendToServer(QStringLiteral("[Messaggio]riga")));
    QCOMPARE(logFrom(client->sentLog(), before), QStringList{"sckConnect: [Messaggio]riga"});
    QVERIFY(settle([&] { return host->receivedLog()->size() > hostBefore; }));
    QCOMPARE(host->receivedLog()->at(hostBefore),
             QStringLiteral("sckConnection(1): [Messaggio]riga"));
}

void TestRouting::broadcastFollowsTheRole()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    Peer client(QStringLiteral("Tizio"));
    QVERIFY(client.join(port));

    const qsizetype hostSent = host->sentLog()->size();
    host->Broadcast(QStringLiteral("[Pulisci Lavagna]"));
    QCOMPARE(logFrom(host->sentLog(), hostSent),
             QStringList{"sckConnection(1): [Pulisci Lavagna]"});

    const qsizetype clientSent = client->sentLog()->size();
    client->Broadcast(QStringLiteral("[Pulisci Lavagna]"));
    QCOMPARE(logFrom(client->sentLog(), clientSent), QStringList{"sckConnect: [Pulisci Lavagna]"});
}

void TestRouting::textThatCannotTravelStaysOneLine()
{
    Peer host(QStringLiteral("Oste"));
    std::vector<std::unique_ptr<RawClient>> clients;
    QVERIFY(hostWithRawClients(host, clients, 1));
    host->SendToPerson(QString::fromUtf8("[Messaggio]a\r\nb \u6F22 c\r\r\n"), 1);
    host->SendToPerson(QStringLiteral("[Messaggio]after"), 1);
    QVERIFY(clients[0]->waitForLines(2));
    QCOMPARE(clients[0]->lines.size(), 2);
    QCOMPARE(clients[0]->lines[0], QByteArray("[Messaggio]a\nb ? c\n"));
    QCOMPARE(clients[0]->lines[1], QByteArray("[Messaggio]after"));
}

void TestRouting::trafficLogKeepsEveryEntry()
{
    session::TrafficLog log;
    QCOMPARE(log.last(), QString());
    log.append(QStringLiteral("uno"));
    log.append(QStringLiteral("due"));
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.at(1), QStringLiteral("due"));
    QCOMPARE(log.last(), QStringLiteral("due"));
    log.flushNotifications();
    QCOMPARE(log.rowCount(), 2);
    QCOMPARE(log.data(log.index(0), Qt::DisplayRole).toString(), QStringLiteral("uno"));
    QVERIFY(!log.data(log.index(5), Qt::DisplayRole).isValid());
}

void TestRouting::trafficLogKeepsTextsExactly()
{
    // Entries are stored compactly and a text repeated in a row is stored
    // once; neither may change what a row reads.
    session::TrafficLog log;
    const QString relayed = QStringLiteral("[Messaggio]Gandalf: così è, \u00e8 \U0001F3B2 ok");
    const QStringList texts = {relayed,
                               relayed,
                               QString(relayed), // the same string again
                               QStringLiteral("[Messaggio]altro"),
                               QString(relayed.data(), relayed.size()), // equal, not shared
                               QString(),
                               QString(),
                               QStringLiteral("\u00ff\u0100 \u20ac"),
                               QStringLiteral("caff\u00e8 \u00ff"), // Latin-1 to its last letter
                               QString(QChar(0xD800)) + QStringLiteral("solo")};
    for (qsizetype i = 0; i < texts.size(); ++i)
        log.appendTraffic(qint32(i), texts[i]);
    log.append(QStringLiteral("Ricevuto: «fine»"));
    QCOMPARE(log.size(), texts.size() + 1);
    for (qsizetype i = 0; i < texts.size(); ++i)
        QCOMPARE(log.at(i), QStringLiteral("sckConnection(%1): ").arg(i) + texts[i]);
    QCOMPARE(log.last(), QStringLiteral("Ricevuto: «fine»"));
    log.appendTraffic(-1, relayed);
    QCOMPARE(log.last(), QStringLiteral("sckConnect: ") + relayed);
}

void TestRouting::trafficLogCoalescesNotifications()
{
    session::TrafficLog log;
    QSignalSpy inserted(&log, &QAbstractItemModel::rowsInserted);
    QSignalSpy appended(&log, &session::TrafficLog::entryAppended);
    for (int i = 0; i < 1000; ++i)
        log.append(QString::number(i));
    // Exact at once for the program, announced to views when the interval ends.
    QCOMPARE(log.size(), 1000);
    QCOMPARE(log.at(999), QStringLiteral("999"));
    QCOMPARE(log.rowCount(), 0);
    QCOMPARE(inserted.size(), 0);
    QTRY_COMPARE(log.rowCount(), 1000);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 0);
    QCOMPARE(inserted.first().at(2).toInt(), 999);
    QCOMPARE(appended.size(), 1);
    QCOMPARE(appended.first().first().toInt(), 999);

    log.append(QStringLiteral("more"));
    QTRY_COMPARE(log.rowCount(), 1001);
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(inserted.last().at(1).toInt(), 1000);
    QCOMPARE(appended.last().first().toInt(), 1000);
}

void TestRouting::trafficLogMillionEntries()
{
    session::TrafficLog log;
    QSignalSpy inserted(&log, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 1000000; ++i)
        log.append(QStringLiteral("sckConnection(1): [Messaggio]") + QString::number(i));
    // The log keeps the newest entries up to its bound, oldest first.
    const qsizetype bound = session::TrafficLog::kDefaultBound;
    QCOMPARE(log.size(), bound);
    QCOMPARE(log.dropped(), 1000000 - bound);
    QCOMPARE(log.at(0), QStringLiteral("sckConnection(1): [Messaggio]") +
                            QString::number(1000000 - bound));
    QCOMPARE(log.at(bound / 2), QStringLiteral("sckConnection(1): [Messaggio]") +
                                    QString::number(1000000 - bound + bound / 2));
    QCOMPARE(log.last(), QStringLiteral("sckConnection(1): [Messaggio]999999"));
    QTRY_COMPARE(log.rowCount(), int(bound));
    QCOMPARE(inserted.size(), 1);
}

// Every entry the log keeps, oldest first.
static QStringList keptEntries(const session::TrafficLog &log)
{
    QStringList out;
    for (qsizetype i = 0; i < log.size(); ++i)
        out << log.at(i);
    return out;
}

static QStringList numbers(int from, int to)
{
    QStringList out;
    for (int i = from; i < to; ++i)
        out << QString::number(i);
    return out;
}

static QStringList rowsOf(const session::TrafficLog &log)
{
    QStringList out;
    for (int row = 0; row < log.rowCount(); ++row)
        out << log.data(log.index(row), Qt::DisplayRole).toString();
    return out;
}

void TestRouting::trafficLogBoundKeepsTheNewest_data()
{
    QTest::addColumn<int>("bound");
    QTest::addColumn<int>("appended");
    QTest::newRow("below the bound") << 5 << 4;
    QTest::newRow("at the bound") << 5 << 5;
    QTest::newRow("one past") << 5 << 6;
    QTest::newRow("many times the bound") << 5 << 1003;
    QTest::newRow("bound of one") << 1 << 3;
}

void TestRouting::trafficLogBoundKeepsTheNewest()
{
    QFETCH(int, bound);
    QFETCH(int, appended);
    session::TrafficLog log(nullptr, bound);
    for (int i = 0; i < appended; ++i) {
        if (i % 2)
            log.append(QString::number(i));
        else
            log.appendTraffic(i % 4 == 0 ? -1 : 3, QString::number(i));
    }
    const int first = qMax(0, appended - bound);
    QCOMPARE(log.size(), qsizetype(appended - first));
    QCOMPARE(log.dropped(), qint64(first));
    // The newest entries, in order, each with its own prefix.
    QStringList expected;
    for (int i = first; i < appended; ++i) {
        const QString n = QString::number(i);
        expected << (i % 2 ? n : (i % 4 == 0 ? "sckConnect: " : "sckConnection(3): ") + n);
    }
    QCOMPARE(keptEntries(log), expected);
    QCOMPARE(log.last(), expected.last());
    log.flushNotifications();
    QCOMPARE(rowsOf(log), expected);
}

// A program nobody watches lowers the bound of a log already full.
void TestRouting::trafficLogBoundLowered()
{
    session::TrafficLog log(nullptr, 100);
    QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < 50; ++i)
        log.append(QString::number(i));
    log.flushNotifications();
    log.setBound(8);
    QCOMPARE(log.size(), 8);
    QCOMPARE(log.dropped(), 42);
    QCOMPARE(log.at(0), QStringLiteral("42"));
    QTRY_COMPARE(log.rowCount(), 8);
    QCOMPARE(log.data(log.index(0)).toString(), QStringLiteral("42"));
    log.append(QStringLiteral("50"));
    QCOMPARE(log.size(), 8);
    QCOMPARE(log.at(0), QStringLiteral("43"));
    log.setBound(0); // at least the newest stays
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.last(), QStringLiteral("50"));
    QTRY_COMPARE(log.rowCount(), 1);
}

void TestRouting::trafficLogBoundAsViewsSeeIt()
{
    session::TrafficLog log(nullptr, 5);
    // Checks that every insertion and removal is announced consistently.
    QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy appended(&log, &session::TrafficLog::entryAppended);
    const auto add = [&log](int from, int to) {
        for (int i = from; i < to; ++i)
            log.append(QString::number(i));
    };
    add(0, 3);
    log.flushNotifications();
    QCOMPARE(rowsOf(log), numbers(0, 3));
    // Past the bound: the dropped rows go, the new ones follow.
    add(3, 7);
    // Until the views hear of it, a row whose entry went shows nothing.
    QCOMPARE(log.rowCount(), 3);
    QVERIFY(!log.data(log.index(0), Qt::DisplayRole).isValid());
    QCOMPARE(log.data(log.index(2), Qt::DisplayRole).toString(), QString("2"));
    log.flushNotifications();
    QCOMPARE(rowsOf(log), numbers(2, 7));
    QCOMPARE(appended.last().first().toInt(), 4);
    // More than the bound between two announcements: every row known is gone.
    add(7, 30);
    log.flushNotifications();
    QCOMPARE(rowsOf(log), numbers(25, 30));
    QCOMPARE(appended.last().first().toInt(), 4);
    QCOMPARE(appended.size(), 3);
}

void TestRouting::trafficLogHiddenViewsHearNothing()
{
    session::TrafficLog log(nullptr, 4);
    QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
    log.append("a");
    log.append("b");
    log.flushNotifications();
    log.setViewsShown(false);
    QSignalSpy inserted(&log, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&log, &QAbstractItemModel::rowsRemoved);
    for (const char *entry : {"c", "d", "e", "f", "g"})
        log.append(entry);
    log.flushNotifications();
    QTest::qWait(3 * session::TrafficLog::kNotifyIntervalMs);
    QCOMPARE(inserted.size(), 0);
    QCOMPARE(removed.size(), 0);
    QCOMPARE(log.rowCount(), 2);
    // The log itself is exact all the time.
    QCOMPARE(keptEntries(log), (QStringList{"d", "e", "f", "g"}));
    // Shown again, the views catch up in one step.
    log.setViewsShown(true);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(rowsOf(log), (QStringList{"d", "e", "f", "g"}));
}

void TestRouting::trafficLogByteBoundDropsTheOldest_data()
{
    // Each step appends one entry of letter 'a' + its position: "t:N" a text
    // of N characters, "b:N:K" one of N characters sent to connections 1..K,
    // "w:N:K" K wire lines of N bytes each (CR LF included) to connection 7.
    // The byte bound is 100; expected: the rows kept, oldest first.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("kept");
    const auto t = [](char c, int n) { return QString(n, QLatin1Char(c)); };
    QTest::newRow("within the bound") << QStringList{"t:30", "t:30", "t:30"}
                                      << QStringList{t('a', 30), t('b', 30), t('c', 30)};
    QTest::newRow("one past drops the oldest") << QStringList{"t:30", "t:30", "t:30", "t:30"}
                                               << QStringList{t('b', 30), t('c', 30), t('d', 30)};
    QTest::newRow("a long one drops several") << QStringList{"t:30", "t:30", "t:30", "t:80"}
                                              << QStringList{t('d', 80)};
    QTest::newRow("the newest stays whatever its size") << QStringList{"t:30", "t:150"}
                                                        << QStringList{t('b', 150)};
    QTest::newRow("a broadcast counts once and goes whole")
        << QStringList{"b:40:3", "t:30", "t:30"}
        << QStringList{"sckConnection(1): " + t('a', 40), "sckConnection(2): " + t('a', 40),
                       "sckConnection(3): " + t('a', 40), t('b', 30), t('c', 30)};
    QTest::newRow("broadcast dropped for a later one")
        << QStringList{"b:40:3", "t:30", "t:30", "t:10"}
        << QStringList{t('b', 30), t('c', 30), t('d', 10)};
    QTest::newRow("wire lines count their bytes")
        << QStringList{"w:20:3", "t:40"}
        << QStringList{"sckConnection(7): " + t('a', 18), "sckConnection(7): " + t('a', 18),
                       "sckConnection(7): " + t('a', 18), t('b', 40)};
    QTest::newRow("wire lines dropped whole") << QStringList{"w:20:3", "t:50"}
                                              << QStringList{t('b', 50)};
}

void TestRouting::trafficLogByteBoundDropsTheOldest()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, kept);
    session::TrafficLog log(nullptr, 1000, 100);
    QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
    qint64 appended = 0;
    for (int i = 0; i < steps.size(); ++i) {
        const QStringList f = steps[i].split(QLatin1Char(':'));
        const QChar letter = QLatin1Char(char('a' + i));
        const int n = f[1].toInt();
        if (f[0] == "t") {
            log.append(QString(n, letter));
            appended += 1;
        } else if (f[0] == "b") {
            QList<qint16> to;
            for (qint16 k = 1; k <= f[2].toInt(); ++k)
                to.append(k);
            log.appendTraffic(to, QString(n, letter));
            appended += to.size();
        } else {
            QByteArray lines;
            for (int k = 0; k < f[2].toInt(); ++k)
                lines += QByteArray(n - 2, letter.toLatin1()) + "\r\n";
            log.appendWire(7, lines);
            appended += f[2].toInt();
        }
        QVERIFY(log.bytes() <= 100 || log.size() == (f[0] == "t" ? 1 : f.value(2).toInt()));
    }
    QCOMPARE(keptEntries(log), kept);
    QCOMPARE(log.dropped(), appended - kept.size());
    log.flushNotifications();
    QCOMPARE(rowsOf(log), kept);
}

QTEST_GUILESS_MAIN(TestRouting)
#include "tst_routing.moc"
