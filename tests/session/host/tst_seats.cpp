// A player coming back while the host still holds their old connection
// takes their own seat back with the token the host gave them; anything
// else about the token changes nothing. Raw clients on 127.0.0.1 stand for
// players, so each line is exactly what a client sends.

#include "sessiontestkit.h"

#include "seats.h"
#include "tags.h"

using namespace testkit;
namespace tag = session::tag;

namespace
{

qint32 indexOf(const Peer &host, const QString &name)
{
    for (int i = 0; i < host.people()->count(); ++i)
        if (host.people()->nameAt(i) == name)
            return host.people()->tagAt(i);
    return 0;
}

QByteArray leaveLine(qint32 index)
{
    return session::encodeText(tag::Disconnessione + session::sFormatSend(index));
}

} // namespace

// What happened to Anna's seat before someone shows her token.
enum class Before { Nothing, Kicked, Left, HostedAnew, Returned };
Q_DECLARE_METATYPE(Before)

class TestSeats : public QObject
{
    Q_OBJECT
private slots:
    void returning_data();
    void returning();
    void lostSeatVouchesOnceForAWhile();
};

void TestSeats::returning_data()
{
    QTest::addColumn<Before>("before");
    // What the newcomer sends before and after its "[Connessione]"; <token>
    // stands for Anna's token, <half> for its first half.
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("name");  // the newcomer's confirmed name
    QTest::addColumn<bool>("seatBack"); // the connection holding the seat was let go

    const QStringList token{"[Tavernix Ritorno]<token>"};
    QTest::newRow("own token, old connection still open")
        << Before::Nothing << token << QStringList() << "Anna" << true;
    QTest::newRow("no token") << Before::Nothing << QStringList() << QStringList() << "Anna[2]" << false;
    QTest::newRow("a token nobody holds")
        << Before::Nothing << QStringList{"[Tavernix Ritorno]0123456789abcdef0123456789abcdef"}
        << QStringList() << "Anna[2]" << false;
    QTest::newRow("half the token") << Before::Nothing << QStringList{"[Tavernix Ritorno]<half>"}
                                    << QStringList() << "Anna[2]" << false;
    QTest::newRow("a wrong token, then the right one")
        << Before::Nothing << QStringList{"[Tavernix Ritorno]" + QString(32, '0')} + token
        << QStringList() << "Anna[2]" << false;
    QTest::newRow("token after Connessione")
        << Before::Nothing << QStringList() << token << "Anna[2]" << false;
    // The seat's element is taken by Carla meanwhile: a token that was not
    // forgotten would now throw her out.
    QTest::newRow("kicked player's token") << Before::Kicked << token << QStringList() << "Anna" << false;
    QTest::newRow("token of a player who left") << Before::Left << token << QStringList() << "Anna" << false;
    QTest::newRow("token of an earlier hosting")
        << Before::HostedAnew << token << QStringList() << "Anna" << false;
    // Anna came back once with it already: the token served, and Carla
    // has the element of the seat it named.
    QTest::newRow("token used already") << Before::Returned << token << QStringList() << "Anna[2]" << false;
}

void TestSeats::returning()
{
    QFETCH(Before, before);
    QFETCH(QStringList, first);
    QFETCH(QStringList, after);
    QFETCH(QString, name);
    QFETCH(bool, seatBack);

    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    QVERIFY(port != 0);
    auto anna = std::make_unique<RawClient>();
    QCOMPARE(anna->joinAsTavernix(port, QStringLiteral("Anna")), QStringLiteral("Anna"));
    const QString token = anna->waitForParams(tag::Posto);
    QVERIFY(session::Seats::isWellFormed(token));
    const qint32 annaIndex = indexOf(host, QStringLiteral("Anna"));
    // Bruno follows the basic protocol only: he never hears of seats.
    RawClient bruno;
    QVERIFY(bruno.joinAs(port, QStringLiteral("Bruno")));

    // The connection that must be let go (seatBack) or left alone.
    RawClient *holder = anna.get();
    RawClient carla, returned;
    QString holderName = QStringLiteral("Anna");
    switch (before) {
    case Before::Nothing:
        break;
    case Before::Kicked:
        host.people()->setSelected(host.people()->names().indexOf(QStringLiteral("Anna")), true);
        host->cmdKick_Click();
        break;
    case Before::Left:
        anna->socket.disconnectFromHost();
        break;
    case Before::HostedAnew:
        host->cmdDisconnect_Click();
        QCOMPARE(host.host(port), port);
        break;
    case Before::Returned:
        QCOMPARE(returned.joinAsTavernix(port, QStringLiteral("Anna"), {tag::Ritorno + token}),
                 QStringLiteral("Anna"));
        break;
    }
    if (before != Before::Nothing) {
        // Carla takes the element Anna's old connection had. She follows
        // the basic protocol, so no token of hers replaces a stale one.
        QVERIFY(settle([&] { return host->connectionState(qint16(annaIndex)) != 7; }));
        QVERIFY(carla.joinAs(port, QStringLiteral("Carla")));
        QCOMPARE(indexOf(host, QStringLiteral("Carla")), annaIndex);
        holder = &carla;
        holderName = QStringLiteral("Carla");
    }
    if (before == Before::HostedAnew) { // Bruno was sent away too
        QVERIFY(settle([&] { return bruno.socket.state() == QAbstractSocket::UnconnectedState; }));
        QVERIFY(bruno.joinAs(port, QStringLiteral("Bruno")));
    }
    const qint32 holderIndex = indexOf(host, holderName);
    QVERIFY(holderIndex > 0);

    for (QStringList *lines : {&first, &after})
        lines->replaceInStrings(QStringLiteral("<token>"), token)
            .replaceInStrings(QStringLiteral("<half>"), token.left(16));
    const QList<QByteArray> heard = bruno.lines;
    bruno.lines.clear(); // from here on, a leave would be the newcomer's doing
    RawClient newcomer;
    QCOMPARE(newcomer.joinAsTavernix(port, QStringLiteral("Anna"), first, after), name);
    // Once Bruno hears the newcomer's next line, the host has acted on all
    // it sent before: what it holds now is final.
    newcomer.send(tag::Messaggio + QStringLiteral("eccomi"));
    QVERIFY(bruno.waitForLine("[Messaggio]eccomi"));

    if (seatBack) {
        QVERIFY(settle([&] { return holder->socket.state() == QAbstractSocket::UnconnectedState; }));
        QVERIFY(bruno.waitForLine(leaveLine(holderIndex)));
        QVERIFY(!newcomer.lines.contains(leaveLine(holderIndex)));
        QCOMPARE(host.people()->names(),
                 (QStringList{QStringLiteral("Oste"), QStringLiteral("Bruno"), QStringLiteral("Anna")}));
        const QString fresh = newcomer.waitForParams(tag::Posto);
        QVERIFY(session::Seats::isWellFormed(fresh));
        QVERIFY(fresh != token);
    } else {
        QCOMPARE(host->connectionState(qint16(holderIndex)), 7);
        QCOMPARE(host.people()->sConnectionName(holderIndex), holderName);
        QVERIFY(!bruno.lines.contains(leaveLine(holderIndex)));
    }
    for (const QByteArray &line : heard + bruno.lines)
        QVERIFY2(!line.startsWith("[Tavernix"), line.constData());
}

// What lets a player back in past a private table's new invitation.
void TestSeats::lostSeatVouchesOnceForAWhile()
{
    session::Seats seats;
    const QString held = seats.issue(1), lost = seats.issue(2), late = seats.issue(3), letGo = seats.issue(4);
    seats.vacate(2, 0);
    seats.vacate(3, 0);
    seats.forget(4); // let go: a kick, or a seat taken back
    QVERIFY(seats.vouches(held, 0));
    QVERIFY(seats.vouches(lost, session::Seats::kVacatedKeepMs - 1));
    QVERIFY(!seats.vouches(lost, 0)); // once
    QVERIFY(!seats.vouches(late, session::Seats::kVacatedKeepMs));
    QVERIFY(!seats.vouches(letGo, 0));
    QCOMPARE(seats.claim(5, lost), 0); // it proves a seat, it takes none back
}

QTEST_GUILESS_MAIN(TestSeats)
#include "tst_seats.moc"
