// The outbox keeps what the host has not confirmed, in order: confirmed
// items leave, a lost connection puts the unconfirmed ones back in front of
// what was held since, private lines are handed back, drawings stay within
// their budget.

#include "outbox.h"

#include <QTest>

using session::Outbox;

class TestOutbox : public QObject
{
    Q_OBJECT
private slots:
    void keepsOrderAndCounts_data();
    void keepsOrderAndCounts();
};

void TestOutbox::keepsOrderAndCounts_data()
{
    // Steps: "write KIND TEXT" (the next line of the connection), "hold KIND
    // TEXT", "confirm N", "lost", "flush" (every held item written, in
    // order, on a new connection), "drop drawings". KIND: line, private, drawing.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("budget");
    QTest::addColumn<QStringList>("kept");     // everything still kept, oldest first
    QTest::addColumn<QStringList>("handedBack"); // private lines the last loss returned

    QTest::newRow("confirmed items leave, oldest first")
        << QStringList{"write line a", "write drawing d", "write line b", "confirm 2"} << 100
        << QStringList{"b"} << QStringList{};
    QTest::newRow("a count below every item confirms nothing")
        << QStringList{"write line a", "confirm 0"} << 100 << QStringList{"a"} << QStringList{};
    QTest::newRow("unconfirmed wait in front of what came later; private lines come back")
        << QStringList{"write line a", "write private p", "write drawing d", "lost", "hold line c"}
        << 100 << QStringList{"a", "d", "c"} << QStringList{"p"};
    QTest::newRow("a new connection counts afresh")
        << QStringList{"write line a", "lost", "hold line b", "flush", "confirm 1"} << 100
        << QStringList{"b"} << QStringList{};
    QTest::newRow("drawings past the budget are not kept; lines are")
        << QStringList{"hold drawing 12345", "hold drawing 678", "hold line long line"} << 6
        << QStringList{"12345", "long line"} << QStringList{};
    QTest::newRow("a confirmed drawing makes room again")
        << QStringList{"write drawing 12345", "confirm 1", "hold drawing 678"} << 6
        << QStringList{"678"} << QStringList{};
    QTest::newRow("held drawings of a finished game are dropped")
        << QStringList{"hold drawing d", "hold line l", "write drawing e", "drop drawings"} << 100
        << QStringList{"l", "e"} << QStringList{};
}

void TestOutbox::keepsOrderAndCounts()
{
    QFETCH(QStringList, steps);
    QFETCH(int, budget);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, handedBack);
    Outbox box(budget);
    qint64 position = 0;
    QStringList returned;
    const auto kindOf = [](const QString &word) {
        return word == "private" ? Outbox::Kind::PrivateLine
               : word == "drawing" ? Outbox::Kind::Drawing
                                   : Outbox::Kind::Line;
    };
    for (const QString &step : steps) {
        const QStringList words = step.split(' ');
        const QString text = words.mid(2).join(' ');
        if (words[0] == "write") {
            box.written(kindOf(words[1]), text, QString(), ++position);
        } else if (words[0] == "hold") {
            box.hold(kindOf(words[1]), text, QString());
        } else if (words[0] == "confirm") {
            box.confirm(words[1].toLongLong());
        } else if (words[0] == "lost") {
            position = 0;
            returned.clear();
            for (const Outbox::Item &item : box.connectionLost().privateLines)
                returned << item.message;
        } else if (words[0] == "flush") {
            for (const Outbox::Item &item : box.held())
                box.markWritten(item.id, ++position);
        } else if (words[0] == "drop") {
            box.dropHeldDrawings();
        }
    }
    QCOMPARE(returned, handedBack);
    QStringList all;
    for (const Outbox::Item &item : box.takeAll())
        all << item.message;
    QCOMPARE(all, kept);
    QVERIFY(box.isEmpty());
    QCOMPARE(box.drawingBytes(), qsizetype(0));
}

QTEST_GUILESS_MAIN(TestOutbox)
#include "tst_outbox.moc"
