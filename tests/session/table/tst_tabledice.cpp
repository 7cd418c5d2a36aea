// The table's dice through a real host with raw clients on loopback: a
// round trip of commitment, rolls, reveal and check; and a real player at a
// host that lies, which must be caught.

#include "commitment.h"
#include "dicewire.h"
#include "expressionparser.h"
#include "ledger.h"
#include "roller.h"
#include "seededdiesource.h"
#include "sessiontestkit.h"
#include "tabledice.h"

#include <QTcpServer>
#include <QtTest>

using namespace testkit;
using dice::DiceWire;
using Kind = dice::RollRecord::Kind;

class TestTableDice : public QObject
{
    Q_OBJECT
private slots:
    void honestHost();
    void lyingHost_data();
    void lyingHost();
};

namespace
{

dice::Expression parse(const QString &text)
{
    return *dice::ExpressionParser::parse(text).expression;
}

QString request(Kind kind, const QString &expression)
{
    return DiceWire::Richiesta +
           DiceWire::encode(DiceWire::Request{kind, false, dice::Commitment::freshNonce(),
                                              expression});
}

int count(const RawClient &c, const QString &part)
{
    return int(c.text().filter(part).size());
}

} // namespace

void TestTableDice::honestHost()
{
    Peer host(QStringLiteral("Oste"));
    const quint16 port = host.host();
    RawClient ada, bea;
    QCOMPARE(ada.joinAsTavernix(port, QStringLiteral("Ada")), QStringLiteral("Ada"));
    QVERIFY(bea.joinAs(port, QStringLiteral("Bea")));
    QVERIFY(!ada.waitForParams(DiceWire::Impegno).isEmpty());

    dice::Ledger kept; // what Ada's program keeps of its own doing
    for (const QString &line : {request(Kind::Public, QStringLiteral("4d6kh3 forza")),
                                request(Kind::Secret, QStringLiteral("1d20"))}) {
        kept.add(line);
        ada.send(line);
    }
    // The host's own roll waits for a nonce from Ada's program, the only
    // Tavernix player at the table.
    host->dice()->roll(parse(QStringLiteral("2d20kh1")), Kind::Public, false);
    const QString id = ada.waitForParams(DiceWire::ChiediNonce);
    const QString nonce = DiceWire::Nonce + DiceWire::encode(DiceWire::NonceAnswer{
                                                id.toUInt(), dice::Commitment::freshNonce()});
    kept.add(nonce);
    ada.send(nonce);
    QVERIFY(settle([&] { return count(ada, DiceWire::Tiro) == 3; }));

    // A basic program reads lines; it never gets a dice tag.
    QVERIFY(bea.waitForLine("[Messaggio]Ada fa un tiro segreto."));
    QVERIFY(settle([&] { return count(bea, "[Messaggio]Oste lancia 2d20kh1 ed ottiene ") == 1; }));
    QCOMPARE(count(bea, "[Messaggio]Ada lancia 4d6kh3 per forza ed ottiene "), 1);
    QCOMPARE(count(bea, "[Tavernix Dadi"), 0);

    // A flood from one client is cut short.
    for (int i = 0; i < 2 * dice::RollService::kBurst; ++i)
        ada.send(request(Kind::Public, QStringLiteral("1d6")));
    QVERIFY(ada.waitForParams(DiceWire::Rifiuto).endsWith(QLatin1String(" 1")));

    host->dice()->verifyNow();
    QVERIFY(!ada.waitForParams(DiceWire::Rivela).isEmpty());
    for (const QString &line : ada.text())
        kept.add(line); // the dice lines among them
    const dice::Verifier::Report report = kept.check();
    QVERIFY2(report.ok(), qPrintable(report.summary()));
    QCOMPARE(report.checked, count(ada, DiceWire::Tiro));
}

void TestTableDice::lyingHost_data()
{
    QTest::addColumn<int>("changeDie"); // added to the first throw
    QTest::addColumn<bool>("otherSeed");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<QString>("said"); // what the check says

    QTest::newRow("a die changed") << 1 << false << true << "non corrisponde al seme rivelato";
    QTest::newRow("another seed revealed") << 0 << true << true << "non corrisponde all'impegno";
    QTest::newRow("a roll left out") << 0 << false << false << "non è mai stato annunciato";
}

void TestTableDice::lyingHost()
{
    QFETCH(int, changeDie);
    QFETCH(bool, otherSeed);
    QFETCH(bool, answers);
    QFETCH(QString, said);

    // A host of our own making, which speaks the tags and lies as told.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    Peer ada(QStringLiteral("Ada"));
    ada->setPort(server.serverPort());
    ada->cmdConnect_Click(QStringLiteral("127.0.0.1"));
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *link = server.nextPendingConnection();
    QByteArray heard;
    QObject::connect(link, &QTcpSocket::readyRead, [&] { heard += link->readAll(); });
    const dice::Commitment seed;
    link->write(session::encodeLine(DiceWire::Impegno + seed.hash().toHex()));
    QVERIFY(settle([&] { return ada->dice()->rollsHere(); }));

    ada->dice()->client().setAnswerGrace(0); // this host answers at once or never
    QString summary;
    QObject::connect(ada->dice(), &session::TableDice::checked,
                     [&](const QString &s) { summary = s; });
    quint64 counter = 0;
    for (const char *expression : {"1d20+3", "3d6"}) {
        heard.clear();
        QCOMPARE(ada->dice()->roll(parse(QLatin1String(expression)), Kind::Public, false),
                 session::TableDice::Asked::Sent);
        const QByteArray tag = "[Tavernix Dadi Richiesta]";
        QVERIFY(settle([&] { return heard.contains(tag) && heard.endsWith("\r\n"); }));
        const QString line = session::decodeText(heard.mid(heard.indexOf(tag)).split('\r')[0]);
        const auto asked = DiceWire::decodeRequest(line.mid(DiceWire::Richiesta.size()));
        QVERIFY(asked);
        if (!answers && counter == 1)
            continue; // the host did not like what this one would show
        dice::RollRecord r;
        r.commitment = seed.hash();
        r.counter = ++counter;
        r.nonce = asked->nonce;
        r.roller = r.nonceBy = QStringLiteral("Ada");
        const dice::Expression e = parse(asked->expression);
        dice::SeededDieSource source(seed.seed(), r.roller, r.nonce, r.counter, e.text());
        r.roll = dice::Roller::roll(e, source);
        if (counter == 1 && changeDie)
            r.roll->draws[0] = r.roll->draws[0] % 20 + changeDie;
        link->write(session::encodeLine(DiceWire::Tiro + r.encode()));
    }
    const DiceWire::Reveal reveal{seed.hash(), otherSeed ? dice::Commitment().seed() : seed.seed()};
    link->write(session::encodeLine(DiceWire::Rivela + DiceWire::encode(reveal)));
    QVERIFY(settle([&] { return !summary.isEmpty(); }, 15000));
    QVERIFY2(summary.contains(said), qPrintable(summary));
    // A lie is told with a message box as well as in the status box.
    QCOMPARE(ada.messages.shown.size(), 1);
}

QTEST_MAIN(TestTableDice)
#include "tst_tabledice.moc"
