#include "handshakequeue.h"

#include <QTest>

using session::HandshakeQueue;

Q_DECLARE_METATYPE(HandshakeQueue::Limits)

class TestHandshakeQueue : public QObject
{
    Q_OBJECT
private slots:
    void turns_data();
    void turns();
    void rateRoomAndSeats();
};

// Connection i + 1 asks from from[i], all at once; take() is asked until it
// gives no more, at the same instant.
void TestHandshakeQueue::turns_data()
{
    QTest::addColumn<QStringList>("from");
    QTest::addColumn<HandshakeQueue::Limits>("limits");
    QTest::addColumn<QList<int>>("started");
    const HandshakeQueue::Limits roomy{16, 2, 40, 20};
    const QString a = QStringLiteral("203.0.113.5"), b = QStringLiteral("198.51.100.7");
    QTest::newRow("busy address, newcomer") << QStringList{a, a, a, a, b} << roomy << QList<int>{1, 5, 2};
    QTest::newRow("running cap") << QStringList{a, b, QStringLiteral("192.0.2.1")} << HandshakeQueue::Limits{2, 2, 40, 20}
                                 << QList<int>{1, 2};
    QTest::newRow("burst") << QStringList{a, b, QStringLiteral("192.0.2.1")} << HandshakeQueue::Limits{16, 2, 40, 2}
                           << QList<int>{1, 2};
    QTest::newRow("one /64 is one address")
        << QStringList{"2001:db8::1", "2001:db8::2", "2001:db8::3", "2001:db8:0:1::1"} << roomy << QList<int>{1, 4, 2};
    QTest::newRow("mapped IPv4 is the IPv4") << QStringList{"::ffff:203.0.113.5", a, a} << roomy << QList<int>{1, 2};
}

void TestHandshakeQueue::turns()
{
    QFETCH(QStringList, from);
    QFETCH(HandshakeQueue::Limits, limits);
    QFETCH(QList<int>, started);
    HandshakeQueue queue(limits);
    for (qsizetype i = 0; i < from.size(); ++i)
        QVERIFY(!queue.request(qint16(i + 1), QHostAddress(from[i]), 0));
    QList<int> got;
    while (const auto index = queue.take(0))
        got << *index;
    QCOMPARE(got, started);
    QCOMPARE(queue.waitingCount(), from.size() - started.size());
}

void TestHandshakeQueue::rateRoomAndSeats()
{
    HandshakeQueue queue({16, 1, 10, 1}); // one a tenth of a second, one per address
    const QHostAddress a(QStringLiteral("203.0.113.5")), b(QStringLiteral("198.51.100.7"));
    QCOMPARE(queue.waitMs(0), -1); // nothing waits
    for (qint16 i = 1; i <= 4; ++i)
        queue.request(i, i <= 2 ? a : b, 0);
    QCOMPARE(queue.take(0), std::optional<qint16>(1));
    QCOMPARE(queue.waitMs(0), 100);
    QCOMPARE(queue.take(99), std::nullopt);
    QCOMPARE(queue.take(100), std::optional<qint16>(3));
    // Both addresses have one running: only an end makes room, not time.
    QCOMPARE(queue.waitMs(5000), -1);
    queue.finished(4); // gone while it waited: never started
    queue.finished(1);
    QCOMPARE(queue.take(5000), std::optional<qint16>(2));
    QCOMPARE(queue.waitingCount(), 0);
    // A seat taken from an address lets its handshakes start at once, uncounted, for a while.
    queue.noteSeated(b, 6000);
    QVERIFY(queue.request(5, b, 6000));
    QCOMPARE(queue.runningCount(), 2);
    QVERIFY(!queue.request(6, b, 6000 + HandshakeQueue::kKnownForMs + 1));
}

QTEST_GUILESS_MAIN(TestHandshakeQueue)
#include "tst_handshakequeue.moc"
