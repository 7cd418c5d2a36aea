// The dispatcher: every tag's action and relay, malformed fields, the text
// set store and the drawing messages handed to the board.

#include "dispatcher.h"
#include "namebounds.h"
#include "sessiontestkit.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringListModel>

using namespace testkit;
using session::Dispatcher;

namespace
{

/// A host with raw clients joined as elements 1..n, their greetings read.
struct Rig {
    Peer host{QStringLiteral("Oste")};
    std::vector<std::unique_ptr<RawClient>> clients;
    quint16 port = 0;

    bool start(int count)
    {
        port = host.host();
        if (port == 0)
            return false;
        for (int i = 0; i < count; ++i) {
            clients.push_back(std::make_unique<RawClient>());
            if (!clients.back()->joinAs(port, QStringLiteral("C%1").arg(i + 1)))
                return false;
        }
        // The last relay of every join reached everyone.
        for (auto &c : clients)
            if (!settle([&] { return c->lines.count("[Aggiorna Listato InviaFile]") >= 1; }))
                return false;
        settle([&] { return false; }, 50);
        forget();
        return true;
    }
    void forget()
    {
        for (auto &c : clients)
            c->lines.clear();
    }
    /// A line from client @p index as the host's dispatcher gets it.
    void fromClient(int index, const QString &line)
    {
        host->ProcessData(line + QStringLiteral("\r\n"), qint16(index));
    }
    /// Sends a marker to every client and waits for it, so that whatever was
    /// sent before has arrived.
    bool drain()
    {
        host->SendToAll(QStringLiteral("[Messaggio]#marker"), false);
        for (auto &c : clients) {
            if (!c->waitForLine("[Messaggio]#marker"))
                return false;
            c->lines.removeAll("[Messaggio]#marker");
        }
        host.conversation.dialog.removeAll(QStringLiteral("#marker"));
        return true;
    }
};

} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT
private slots:
    void processDataSplitsLogsAndDropsTheTail();
    void logPrefixNamesTheConnection();
    void unknownTagsAndLinesWithoutBracket();
    void everyTagWithEmptyParameters_data();
    void everyTagWithEmptyParameters();
    void malformedNumberFieldsAreIgnored_data();
    void malformedNumberFieldsAreIgnored();
    void hugePrivateCountCostsNothing();
    void joiningGreetingParses();
    void drawingFieldsReachTheBoard();
    void drawingRelaysIncludeOrExcludeTheOriginator();
    void textSetIsStoredConvertedAndRelayed();
    void truthValues_data();
    void truthValues();
    void angles_data();
    void angles();
    void privateDeliveryFromClientTwo();
    void uniqueNames();
    void connessioneTwiceFromOneClient();
    void cambiaNomeBeforeConnessioneIsIgnored();
    void hostIgnoresWhatOnlyAHostSends();
    void leavingWithUnknownIndex();
    void addressListUpdates();
    void clientTakesTheNameTheHostGave();
    void awkwardNamesKeepTheFraming();
    void floodsFromOneClientAreBounded();
    void randomLinesNeverBreakTheSession();
};

void TestDispatcher::processDataSplitsLogsAndDropsTheTail()
{
    Peer client(QStringLiteral("Tizio"));
    client->ProcessData(
        QStringLiteral("[Messaggio]uno\r\n[Pulisci Lavagna]\r\n[Messaggio]tre\r\n[Messaggio]coda"),
        -1);
    QCOMPARE(client.conversation.dialog, (QStringList{"uno", "tre"}));
    QCOMPARE(client.board.clears, 1);
    QCOMPARE(logFrom(client->receivedLog()),
             (QStringList{"sckConnect: [Messaggio]uno", "sckConnect: [Pulisci Lavagna]",
                          "sckConnect: [Messaggio]tre"}));
    // A name with "]" keeps the tag intact.
    client->ProcessData(QStringLiteral("[Messaggio]Rex[2]: ciao]\r\n"), -1);
    QCOMPARE(client.conversation.dialog.last(), QStringLiteral("Rex[2]: ciao]"));
    QCOMPARE(client->sentLog()->size(), 0);
}

void TestDispatcher::logPrefixNamesTheConnection()
{
    Peer client(QStringLiteral("Tizio"));
    client->ProcessData(QStringLiteral("x\r\n"), 12);
    client->ProcessData(QStringLiteral("\r\n"), -1);
    QCOMPARE(logFrom(client->receivedLog()), (QStringList{"sckConnection(12): x", "sckConnect: "}));
}

void TestDispatcher::unknownTagsAndLinesWithoutBracket()
{
    Rig rig;
    QVERIFY(rig.start(1));
    const qsizetype sent = rig.host->sentLog()->size();
    const int people = rig.host.people()->count();
    for (const QString &line :
         {QStringLiteral("[messaggio]lower case"), QStringLiteral("[Messaggio ]x"),
          QStringLiteral("Messaggio]x"), QStringLiteral("no bracket"),
          QStringLiteral("[Inserisci Testo12]5"), QStringLiteral("[Inserisci Testo02]5"),
          QStringLiteral("[Inserisci Testo1]5"), QStringLiteral("[]"), QString()})
        rig.fromClient(1, line);
    QCOMPARE(rig.host->sentLog()->size(), sent);
    QCOMPARE(rig.host.people()->count(), people);
    QVERIFY(rig.host.conversation.dialog.isEmpty());
    QCOMPARE(rig.host.board.drawCalls(), 0);
    QCOMPARE(rig.host->receivedText().x, 0);
}

void TestDispatcher::everyTagWithEmptyParameters_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("relays"); // lines the host sends in answer (2 clients, origin 1)
    QTest::newRow("Connessione") << "[Connessione]" << 0;
    QTest::newRow("Rename") << "[Rename di Connessione]" << 0;
    QTest::newRow("Disconnessione") << "[Disconnessione]" << 0;
    QTest::newRow("Espulsione") << "[Espulsione]" << 0;
    QTest::newRow("Cambia Nome") << "[Cambia Nome]" << 0;
    QTest::newRow("Nuovo Nome") << "[Nuovo Nome in Lista]" << 0;
    QTest::newRow("Riordina") << "[Riordina Nomi in Lista]" << 0;
    QTest::newRow("Listato") << "[Aggiorna Listato InviaFile]" << 2;
    QTest::newRow("ComboIP") << "[Aggiorna ComboIP]" << 0;
    QTest::newRow("NeoConnesso") << "[Aggiorna NeoConnesso]" << 1; // the host's one address entry
    QTest::newRow("Messaggio") << "[Messaggio]" << 1;
    QTest::newRow("Privato") << "[Messaggio Privato]" << 0;
    // Passed on to the other client, then everyone is told who cleared.
    QTest::newRow("Pulisci") << "[Pulisci Lavagna]" << 3;
    QTest::newRow("Linea") << "[Linea]" << 0;
    QTest::newRow("Circonferenza") << "[Circonferenza]" << 0;
    QTest::newRow("Colora") << "[Colora Sfondo]" << 0;
    QTest::newRow("Testo") << "[Inserisci Testo]" << 0;
    QTest::newRow("Testo2") << "[Inserisci Testo2]" << 0;
    QTest::newRow("Testo9") << "[Inserisci Testo9]" << 0;
    QTest::newRow("Testo11") << "[Inserisci Testo11]" << 0;
    QTest::newRow("TestoColore") << "[Inserisci TestoColore]" << 0;
}

void TestDispatcher::everyTagWithEmptyParameters()
{
    QFETCH(QString, tag);
    QFETCH(int, relays);
    Rig rig;
    QVERIFY(rig.start(2));
    const QStringList people = rig.host.people()->names();
    const qsizetype sent = rig.host->sentLog()->size();
    const int status = rig.host.conversation.status.size();
    rig.fromClient(1, tag);
    QCOMPARE(rig.host->sentLog()->size() - sent, relays);
    QCOMPARE(rig.host.people()->names(), people);
    const bool clearing = tag == QLatin1String("[Pulisci Lavagna]");
    QCOMPARE(rig.host.conversation.status.size(), status + (clearing ? 1 : 0));
    QCOMPARE(rig.host.board.drawCalls(), 0);

    // A client survives the same line from its host.
    Peer client(QStringLiteral("Tizio"));
    client.people()->AddName(-1, QStringLiteral("Oste"));
    client->ProcessData(tag + QStringLiteral("\r\n"), -1);
    QCOMPARE(client.board.drawCalls(), 0);
    QCOMPARE(client->sMyName(), QString());
}

void TestDispatcher::malformedNumberFieldsAreIgnored_data()
{
    QTest::addColumn<QString>("line");
    const QString c = QStringLiteral("0000000010");
    QTest::newRow("linea truncated") << "[Linea]" + c + c + c + "00000";
    QTest::newRow("linea letters") << "[Linea]" + c + "00000x0010" + c + c + "0000000255";
    QTest::newRow("linea no colour") << "[Linea]" + c + c + c + c;
    QTest::newRow("circle letters") << "[Circonferenza]abcdefghij" + c + c + c + "0000000255";
    QTest::newRow("fill missing colour") << "[Colora Sfondo]" + c + c;
    QTest::newRow("fill letters") << "[Colora Sfondo]" + c + c + "00000red00";
    QTest::newRow("disconnessione letters") << "[Disconnessione]00000000x1";
    QTest::newRow("disconnessione beyond") << "[Disconnessione]9999999999";
    QTest::newRow("espulsione beyond int16") << "[Espulsione]0000032768";
    QTest::newRow("riordina letters") << "[Riordina Nomi in Lista]000000000xNome";
    QTest::newRow("riordina no name") << "[Riordina Nomi in Lista]0000000005";
    QTest::newRow("riordina index zero") << "[Riordina Nomi in Lista]0000000000Nome";
    QTest::newRow("private count letters") << "[Messaggio Privato]00000000x1" + c + "testo";
    QTest::newRow("private negative count") << "[Messaggio Privato]-000000001" + c + "testo";
    QTest::newRow("private count beyond fields")
        << "[Messaggio Privato]0000000003" + c + "-000000001";
    QTest::newRow("private target letters")
        << "[Messaggio Privato]0000000002-000000001000000000xtesto";
    QTest::newRow("private count beyond range") << "[Messaggio Privato]9999999999" + c;
    QTest::newRow("colour text palette letters") << "[Inserisci TestoColore]00000000ab1";
    QTest::newRow("colour text palette negative") << "[Inserisci TestoColore]-0000000011";
    QTest::newRow("colour text no unit") << "[Inserisci TestoColore]0000000003";
    QTest::newRow("colour text unit letters") << "[Inserisci TestoColore]0000000003px";
}

void TestDispatcher::malformedNumberFieldsAreIgnored()
{
    QFETCH(QString, line);
    Rig rig;
    QVERIFY(rig.start(2));
    const QStringList people = rig.host.people()->names();
    const qsizetype sent = rig.host->sentLog()->size();
    const int status = rig.host.conversation.status.size();
    rig.fromClient(1, line);
    QCOMPARE(rig.host->sentLog()->size(), sent);
    QCOMPARE(rig.host.people()->names(), people);
    QCOMPARE(rig.host.conversation.status.size(), status);
    QVERIFY(rig.host.conversation.dialog.isEmpty());
    QCOMPARE(rig.host.board.drawCalls(), 0);

    Peer client(QStringLiteral("Tizio"));
    client.people()->AddName(-1, QStringLiteral("Oste"));
    client.people()->AddName(5, QStringLiteral("Cinque"));
    client->ProcessData(line + QStringLiteral("\r\n"), -1);
    QCOMPARE(client.people()->count(), 2);
    QVERIFY(client.conversation.status.isEmpty());
    QVERIFY(client.conversation.dialog.isEmpty());
    QCOMPARE(client.board.drawCalls(), 0);
}

void TestDispatcher::hugePrivateCountCostsNothing()
{
    Rig rig;
    QVERIFY(rig.start(1));
    const qsizetype sent = rig.host->sentLog()->size();
    // The largest count that fits, with almost no fields behind it.
    rig.fromClient(1, QStringLiteral("[Messaggio Privato]0000032767-000000001ciao"));
    // A count whose fields would be millions long.
    rig.fromClient(1, QStringLiteral("[Messaggio Privato]0002000000-000000001ciao"));
    QCOMPARE(rig.host->sentLog()->size(), sent);
    QVERIFY(rig.host.conversation.dialog.isEmpty());
    // A count of 0 is well formed: nobody gets the line.
    rig.fromClient(1, QStringLiteral("[Messaggio Privato]0000000000ciao"));
    QVERIFY(rig.host.conversation.dialog.isEmpty());
    QCOMPARE(rig.host->sentLog()->size(), sent);
}

void TestDispatcher::joiningGreetingParses()
{
    const QString greeting = Dispatcher::greeting(12000, 12000);
    QCOMPARE(greeting, QStringLiteral("[Linea]0000012500000001250000000125000000012500255"));
    Peer client(QStringLiteral("Tizio"));
    client->ProcessData(greeting + QStringLiteral("\r\n"), -1);
    QCOMPARE(client.board.lines.size(), size_t(1));
    const auto &f = client.board.lines.front();
    QCOMPARE(f.x1, 12500.0f);
    QCOMPARE(f.y1, 12500.0f);
    QCOMPARE(f.x2, 12500.0f);
    QCOMPARE(f.y2, 12500.0f);
    QCOMPARE(f.colour, 255);
    QVERIFY(!f.penWidth.has_value());
    QVERIFY(!f.unit.has_value());
}

void TestDispatcher::drawingFieldsReachTheBoard()
{
    Peer client(QStringLiteral("Tizio"));
    using session::sFormatSend;
    client->ProcessData(QStringLiteral("[Linea]") + sFormatSend(10) + sFormatSend(20) +
                            sFormatSend(30) + sFormatSend(40) + sFormatSend(255) + sFormatSend(3) +
                            sFormatSend(1) + QStringLiteral("\r\n"),
                        -1);
    client->ProcessData(
        QStringLiteral("[Circonferenza]-"
                       "000000005000000000600000000070000000008001677721500000000ab0000000003\r\n"),
        -1);
    client->ProcessData(QStringLiteral("[Colora Sfondo]000000012300000004560000065280\r\n"), -1);
    QCOMPARE(client.board.lines.size(), size_t(1));
    const auto &l = client.board.lines.front();
    QCOMPARE(l.x1, 10.0f);
    QCOMPARE(l.y1, 20.0f);
    QCOMPARE(l.x2, 30.0f);
    QCOMPARE(l.y2, 40.0f);
    QCOMPARE(l.colour, 255);
    QCOMPARE(l.penWidth.value_or(-1), qint16(3));
    QCOMPARE(l.unit.value_or(-1), qint16(1));
    QCOMPARE(client.board.circles.size(), size_t(1));
    const auto &c = client.board.circles.front();
    QCOMPARE(c.x1, -5.0f);
    QCOMPARE(c.colour, 16777215);
    QVERIFY(!c.penWidth.has_value()); // not numeric: the board keeps its own
    QCOMPARE(c.unit.value_or(-1), qint16(3));
    QCOMPARE(client.board.fills.size(), size_t(1));
    QCOMPARE(client.board.fills.front().x, 123.0f);
    QCOMPARE(client.board.fills.front().y, 456.0f);
    QCOMPARE(client.board.fills.front().colour, 65280);
    QCOMPARE(client->sentLog()->size(), 0); // a client relays nothing

    // Colours past 24 bits or negative keep only what a board can show.
    const QString corner = sFormatSend(0) + sFormatSend(0) + sFormatSend(1) + sFormatSend(1);
    client->ProcessData(QStringLiteral("[Linea]") + corner + QStringLiteral("9999999999\r\n"), -1);
    client->ProcessData(QStringLiteral("[Linea]") + corner + QStringLiteral("-000000001\r\n"), -1);
    client->ProcessData(QStringLiteral("[Colora Sfondo]00000000010000000001001677721\r\n"), -1);
    QCOMPARE(client.board.lines.size(), size_t(3));
    QCOMPARE(client.board.lines[1].colour, qint32(9999999999LL & 0xFFFFFF));
    QCOMPARE(client.board.lines[2].colour, 0xFFFFFF);
    QCOMPARE(client.board.fills.back().colour, 1677721);
}

void TestDispatcher::drawingRelaysIncludeOrExcludeTheOriginator()
{
    Rig rig;
    QVERIFY(rig.start(3));
    const QString line =
        QStringLiteral("[Linea]000000001000000000200000000030000000004000000002550000000001");
    const QString circle = QStringLiteral(
        "[Circonferenza]00000000100000000020000000003000000000400000002550000000001");
    const QString fill = QStringLiteral("[Colora Sfondo]000000001000000000200000000255");
    for (const QString &m : {line, circle, fill})
        rig.fromClient(1, m);
    rig.fromClient(1, QStringLiteral("[Pulisci Lavagna]"));
    rig.fromClient(2, QStringLiteral("[Messaggio]detto da 2"));
    QVERIFY(rig.drain());
    const QList<QByteArray> all{line.toLatin1(), circle.toLatin1(), fill.toLatin1()};
    // Drawing goes back to its originator too; clearing and talk do not.
    // Who cleared is told to everyone.
    QCOMPARE(rig.clients[0]->lines,
             (all + QList<QByteArray>{"[Lavagna Pulita]C1", "[Messaggio]detto da 2"}));
    QCOMPARE(rig.clients[1]->lines,
             (all + QList<QByteArray>{"[Pulisci Lavagna]", "[Lavagna Pulita]C1"}));
    QCOMPARE(rig.clients[2]->lines,
             (all + QList<QByteArray>{"[Pulisci Lavagna]", "[Lavagna Pulita]C1",
                                      "[Messaggio]detto da 2"}));
    QCOMPARE(rig.host.board.lines.size(), size_t(1));
    QCOMPARE(rig.host.board.circles.size(), size_t(1));
    QCOMPARE(rig.host.board.fills.size(), size_t(1));
    QCOMPARE(rig.host.conversation.dialog, QStringList{"detto da 2"});
}

void TestDispatcher::textSetIsStoredConvertedAndRelayed()
{
    Rig rig;
    QVERIFY(rig.start(2));
    const QStringList set{"[Inserisci Testo]Qui giace il drago]",
                          "[Inserisci Testo2]120",
                          "[Inserisci Testo3]-45",
                          "[Inserisci Testo4]1",
                          "[Inserisci Testo5]0",
                          "[Inserisci Testo6]Vero",
                          "[Inserisci Testo7]14",
                          "[Inserisci Testo8]0",
                          "[Inserisci Testo9]22,5",
                          "[Inserisci Testo10]700",
                          "[Inserisci Testo11]Times New Roman",
                          "[Inserisci TestoColore]00000000073"};
    for (const QString &m : set)
        rig.fromClient(2, m);
    QCOMPARE(rig.host.board.texts.size(), size_t(1));
    const auto &t = rig.host.board.texts.front();
    QCOMPARE(t.text.Text, QStringLiteral("Qui giace il drago]"));
    QCOMPARE(t.text.x, 120);
    QCOMPARE(t.text.Y, -45);
    QCOMPARE(t.text.Underlined, true);
    QCOMPARE(t.text.Italic, false);
    QCOMPARE(t.text.Strike, true);
    QCOMPARE(t.text.Height, qint16(14));
    QCOMPARE(t.text.Width, qint16(0));
    QCOMPARE(t.text.angle, qint16(22)); // 22.5 to even
    QCOMPARE(t.text.FWidth, 700);
    QCOMPARE(t.text.FName, QStringLiteral("Times New Roman"));
    QCOMPARE(t.palette, qint16(7));
    QCOMPARE(t.unit, qint16(3));

    QVERIFY(rig.drain());
    const QList<QByteArray> expected{"[Inserisci Testo]Qui giace il drago]",
                                     "[Inserisci Testo2]120",
                                     "[Inserisci Testo3]-45",
                                     "[Inserisci Testo4]True",
                                     "[Inserisci Testo5]False",
                                     "[Inserisci Testo6]True",
                                     "[Inserisci Testo7]14",
                                     "[Inserisci Testo8]0",
                                     "[Inserisci Testo9]22",
                                     "[Inserisci Testo10]700",
                                     "[Inserisci Testo11]Times New Roman",
                                     "[Inserisci TestoColore]00000000073"};
    QCOMPARE(rig.clients[0]->lines, expected);
    QVERIFY(rig.clients[1]->lines.isEmpty()); // the originator

    // The relayed words read back to the same values on a client.
    Peer client(QStringLiteral("Tizio"));
    for (const QByteArray &m : expected)
        client->ProcessData(QString::fromLatin1(m) + QStringLiteral("\r\n"), -1);
    QCOMPARE(client.board.texts.size(), size_t(1));
    QCOMPARE(client.board.texts.front().text.Underlined, true);
    QCOMPARE(client.board.texts.front().text.Italic, false);
    QCOMPARE(client.board.texts.front().text.angle, qint16(22));

    // A value that does not convert keeps the stored one.
    client->ProcessData(QStringLiteral("[Inserisci Testo2]abc\r\n[Inserisci Testo7]99999\r\n"), -1);
    QCOMPARE(client->receivedText().x, 120);
    QCOMPARE(client->receivedText().Height, qint16(14));
}

void TestDispatcher::truthValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -1 rejected
    QTest::newRow("True") << "True" << 1;
    QTest::newRow("TRUE") << "TRUE" << 1;
    QTest::newRow("false") << "false" << 0;
    QTest::newRow("Vero") << "Vero" << 1;
    QTest::newRow("fAlSo") << "fAlSo" << 0;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("-1") << "-1" << 1;
    QTest::newRow("42") << "42" << 1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("si") << "si" << -1;
    QTest::newRow("1.0") << "1.0" << -1;
}

void TestDispatcher::truthValues()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    const auto value = Dispatcher::toTruth(text);
    QCOMPARE(value.has_value(), expected >= 0);
    if (value)
        QCOMPARE(int(*value), expected);
}

void TestDispatcher::angles_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("ok");
    QTest::newRow("whole") << "45" << 45 << true;
    QTest::newRow("dot half up to even") << "45.5" << 46 << true;
    QTest::newRow("dot half down to even") << "44.5" << 44 << true;
    QTest::newRow("comma") << "12,5" << 12 << true;
    QTest::newRow("comma above half") << "12,51" << 13 << true;
    QTest::newRow("negative half") << "-0.5" << 0 << true;
    QTest::newRow("negative") << "-90.4" << -90 << true;
    QTest::newRow("leading separator") << ".7" << 1 << true;
    QTest::newRow("trailing separator") << "3." << 3 << true;
    QTest::newRow("top of range") << "32767.4" << 32767 << true;
    QTest::newRow("rounds out of range") << "32767.5" << 0 << false;
    QTest::newRow("bottom of range") << "-32768" << -32768 << true;
    QTest::newRow("two separators") << "1.2.3" << 0 << false;
    QTest::newRow("exponent") << "1e3" << 0 << false;
    QTest::newRow("letters") << "abc" << 0 << false;
    QTest::newRow("empty") << "" << 0 << false;
    QTest::newRow("sign only") << "-" << 0 << false;
    QTest::newRow("separator only") << "," << 0 << false;
    QTest::newRow("space") << " 5" << 0 << false;
}

void TestDispatcher::angles()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QFETCH(bool, ok);
    const auto angle = Dispatcher::toAngle(text);
    QCOMPARE(angle.has_value(), ok);
    if (ok)
        QCOMPARE(int(*angle), expected);
}

void TestDispatcher::privateDeliveryFromClientTwo()
{
    Rig rig;
    QVERIFY(rig.start(3));
    const QString line =
        QStringLiteral("[Messaggio Privato]0000000003000000000200000000030000000001*segreto*");
    rig.fromClient(2, line);
    rig.fromClient(2,
                   QStringLiteral("[Messaggio Privato]0000000002-0000000010000000003*anche a te*"));
    QVERIFY(rig.drain());
    QCOMPARE(rig.clients[0]->lines, (QList<QByteArray>{"[Messaggio]*segreto*"}));
    QVERIFY(rig.clients[1]->lines.isEmpty());
    QCOMPARE(rig.clients[2]->lines,
             (QList<QByteArray>{"[Messaggio]*segreto*", "[Messaggio]*anche a te*"}));
    QCOMPARE(rig.host.conversation.dialog, QStringList{"*anche a te*"});

    // Over the wire too, from client 2 itself.
    rig.clients[1]->send(
        QStringLiteral("[Messaggio Privato]00000000020000000002-000000001*sussurro*"));
    QVERIFY(settle([&] { return rig.host.conversation.dialog.size() == 2; }));
    QCOMPARE(rig.host.conversation.dialog.last(), QStringLiteral("*sussurro*"));
    QVERIFY(rig.drain());
    QVERIFY(rig.clients[1]->lines.isEmpty());
}

void TestDispatcher::uniqueNames()
{
    session::ParticipantList list;
    QCOMPARE(Dispatcher::uniqueName(QStringLiteral("Rex"), list), QStringLiteral("Rex"));
    list.AddName(-1, QStringLiteral("Rex"));
    QCOMPARE(Dispatcher::uniqueName(QStringLiteral("Rex"), list), QStringLiteral("Rex[2]"));
    list.AddName(1, QStringLiteral("Rex[2]"));
    QCOMPARE(Dispatcher::uniqueName(QStringLiteral("Rex"), list), QStringLiteral("Rex[3]"));
    QCOMPARE(Dispatcher::uniqueName(QStringLiteral("rex"), list), QStringLiteral("rex"));
    list.AddName(2, QStringLiteral("Rex[2][2]"));
    QCOMPARE(Dispatcher::uniqueName(QStringLiteral("Rex[2]"), list), QStringLiteral("Rex[2][3]"));
}

void TestDispatcher::connessioneTwiceFromOneClient()
{
    Rig rig;
    QVERIFY(rig.start(2));
    const QStringList names = rig.host.people()->names();
    const qsizetype sent = rig.host->sentLog()->size();
    rig.clients[0]->send(QStringLiteral("[Connessione]Ancora"));
    rig.clients[0]->send(QStringLiteral("[Messaggio]dopo"));
    QVERIFY(settle([&] { return rig.host.conversation.dialog.contains(QStringLiteral("dopo")); }));
    QCOMPARE(rig.host.people()->names(), names);
    // Only the relay of the message went out.
    QCOMPARE(logFrom(rig.host->sentLog(), sent), QStringList{"sckConnection(2): [Messaggio]dopo"});
}

void TestDispatcher::cambiaNomeBeforeConnessioneIsIgnored()
{
    Rig rig;
    QVERIFY(rig.start(1));
    RawClient early;
    QVERIFY(early.connectTo(rig.port));
    early.send(QStringLiteral("[Cambia Nome]Furbo"));
    early.send(QStringLiteral("[Connessione]Onesto"));
    QVERIFY(early.waitForLine("[Rename di Connessione]Onesto"));
    QVERIFY(!rig.host.people()->containsName(QStringLiteral("Furbo")));
    QCOMPARE(rig.host.people()->sConnectionName(2), QStringLiteral("Onesto"));
    // Afterwards a rename keeps the tag.
    early.send(QStringLiteral("[Cambia Nome]Furbo"));
    QVERIFY(
        settle([&] { return rig.host.people()->sConnectionName(2) == QStringLiteral("Furbo"); }));
    QCOMPARE(rig.host.people()->count(), 3);
}

void TestDispatcher::hostIgnoresWhatOnlyAHostSends()
{
    Rig rig;
    QVERIFY(rig.start(1));
    const QStringList names = rig.host.people()->names();
    const int status = rig.host.conversation.status.size();
    rig.fromClient(1, QStringLiteral("[Nuovo Nome in Lista]"));
    rig.fromClient(1, QStringLiteral("[Riordina Nomi in Lista]0000000009Fantasma"));
    rig.fromClient(1, QStringLiteral("[Disconnessione]-000000001"));
    rig.fromClient(1, QStringLiteral("[Espulsione]-000000001"));
    rig.fromClient(1, QStringLiteral("[Rename di Connessione]Usurpatore"));
    QCOMPARE(rig.host.people()->names(), names);
    QCOMPARE(rig.host.conversation.status.size(), status);
    QCOMPARE(rig.host->sMyName(), QStringLiteral("Oste"));
    // The same lines from our own dispatcher path still count.
    rig.host->SendToSelf(QStringLiteral("[Nuovo Nome in Lista]"));
    QCOMPARE(rig.host.people()->count(), 0);
}

void TestDispatcher::leavingWithUnknownIndex()
{
    Peer client(QStringLiteral("Tizio"));
    client.people()->AddName(-1, QStringLiteral("Oste"));
    client.people()->AddName(1, QStringLiteral("Anna"));
    client->ProcessData(QStringLiteral("[Disconnessione]0000000007\r\n"), -1);
    client->ProcessData(QStringLiteral("[Espulsione]0000000001\r\n"), -1);
    QCOMPARE(client.conversation.status, (QStringList{" ha perso il contatto con la realtà.",
                                                      "Anna è stato espulso dalla chat."}));
    QCOMPARE(client.people()->names(), QStringList{"Oste"});
}

void TestDispatcher::addressListUpdates()
{
    Peer client(QStringLiteral("Tizio"));
    client->ProcessData(QStringLiteral("[Aggiorna NeoConnesso]Oste - 10.0.0.1\r\n"
                                       "[Aggiorna NeoConnesso]Anna - 10.0.0.2\r\n"
                                       "[Aggiorna NeoConnesso]Anna - 10.0.0.2\r\n"),
                        -1);
    QCOMPARE(client->addressList()->stringList(),
             (QStringList{"Oste - 10.0.0.1", "Anna - 10.0.0.2", "Anna - 10.0.0.2"}));
    // "[Aggiorna ComboIP]" removes every equal entry, then adds it at the end.
    client->ProcessData(QStringLiteral("[Aggiorna ComboIP]Anna - 10.0.0.2\r\n"), -1);
    QCOMPARE(client->addressList()->stringList(),
             (QStringList{"Oste - 10.0.0.1", "Anna - 10.0.0.2"}));
    client->ProcessData(QStringLiteral("[Aggiorna ComboIP]Oste - 10.0.0.1\r\n"), -1);
    QCOMPARE(client->addressList()->stringList(),
             (QStringList{"Anna - 10.0.0.2", "Oste - 10.0.0.1"}));
    // The transfer recipients follow the participant list.
    client.people()->AddName(-1, QStringLiteral("Oste"));
    client.people()->AddName(4, QStringLiteral("Anna"));
    client->ProcessData(QStringLiteral("[Aggiorna Listato InviaFile]\r\n"), -1);
    QCOMPARE(client->transferRecipients()->stringList(), (QStringList{"Oste", "Anna"}));
    QCOMPARE(client->sentLog()->size(), 0);
}

void TestDispatcher::clientTakesTheNameTheHostGave()
{
    Peer client(QStringLiteral("Rex"));
    QSignalSpy named(client.chat.get(), &ChatSession::nameChanged);
    client->ProcessData(QStringLiteral("[Rename di Connessione]Rex[2]\r\n"), -1);
    QCOMPARE(client->sMyName(), QStringLiteral("Rex[2]"));
    QCOMPARE(client->name(), QStringLiteral("Rex[2]"));
    QCOMPARE(named.size(), 1);
    QCOMPARE(named.first().first().toString(), QStringLiteral("Rex[2]"));
    // Not connected: the address introduction is dropped, not logged.
    QCOMPARE(client->sentLog()->size(), 0);
}

void TestDispatcher::awkwardNamesKeepTheFraming()
{
    Rig rig;
    QVERIFY(rig.start(1));
    const QString longName(10000, QLatin1Char('N'));
    const QStringList names{longName,
                            QStringLiteral("Re]x"),
                            QStringLiteral("Anna - 1.2.3.4"),
                            QStringLiteral("Due\rRighe"),
                            QStringLiteral("Due\nRighe"),
                            QString::fromUtf8("\u738B\u5B50 \U0001F409")};
    const int before = rig.host.people()->count();
    for (const QString &name : names) {
        RawClient c;
        QVERIFY(c.joinAs(rig.port, name));
        // What the code page cannot carry arrives as "?", nothing worse; a
        // name longer than any is cut.
        const QString wire = session::decodeText(session::encodeText(session::boundedName(name)));
        QVERIFY2(c.lines.contains("[Rename di Connessione]" +
                                  session::encodeText(session::boundedName(name))),
                 qPrintable(name.left(20)));
        QCOMPARE(rig.host.people()->count(), before + 1);
        QVERIFY(rig.host.people()->containsName(wire));
        // The next line after the name still arrives as its own line.
        c.send(QStringLiteral("[Messaggio]ok"));
        QVERIFY(
            settle([&] { return rig.host.conversation.dialog.contains(QStringLiteral("ok")); }));
        rig.host.conversation.dialog.clear();
        c.socket.disconnectFromHost();
        QVERIFY(settle([&] { return rig.host.people()->count() == before; }));
    }
}

void TestDispatcher::floodsFromOneClientAreBounded()
{
    Rig rig;
    QVERIFY(rig.start(2));

    // A private line naming one participant a thousand times reaches it once.
    QString repeated = QStringLiteral("[Messaggio Privato]") + session::sFormatSend(1000);
    for (int i = 0; i < 1000; ++i)
        repeated += session::sFormatSend(2);
    const qsizetype sentBefore = rig.host->sentLog()->size();
    rig.fromClient(1, repeated + QStringLiteral("eco"));
    QCOMPARE(rig.host->sentLog()->size(), sentBefore + 1);
    QVERIFY(rig.drain());
    QCOMPARE(rig.clients[1]->lines, QList<QByteArray>{"[Messaggio]eco"});

    // The address list goes to a newcomer once, however often it asks.
    rig.forget();
    const int entries = rig.host->addressList()->rowCount();
    QVERIFY(entries > 0);
    for (int i = 0; i < 50; ++i)
        rig.fromClient(2, QStringLiteral("[Aggiorna NeoConnesso]"));
    QVERIFY(rig.drain());
    QCOMPARE(rig.clients[1]->lines.count(), entries);
    for (const QByteArray &line : rig.clients[1]->lines)
        QVERIFY(line.startsWith("[Aggiorna NeoConnesso]"));

    // One client cannot grow everyone's address list without bound.
    rig.forget();
    for (int i = 0; i < 500; ++i)
        rig.fromClient(1, QStringLiteral("[Aggiorna ComboIP]Falso%1 - 10.0.0.1").arg(i));
    const int limit = session::ChatSession::kMaxAddressEntriesPerConnection;
    QCOMPARE(rig.host->addressList()->rowCount(), entries + limit);
    QVERIFY(rig.drain());
    QCOMPARE(rig.clients[1]->lines.count(), limit);
    // The host's own entries are not counted against any client.
    rig.host->SendToSelf(QStringLiteral("[Aggiorna ComboIP]Oste - 10.0.0.9"));
    QCOMPARE(rig.host->addressList()->rowCount(), entries + limit + 1);
}

// Lines made of real tags and hostile parameters, fed to a host (as from a
// client) and to a client (as from its host): nothing may crash, hang or
// leave the participant list without the host's own entry.
void TestDispatcher::randomLinesNeverBreakTheSession()
{
    static const QStringList tags = {
        "[Connessione]", "[Rename di Connessione]", "[Disconnessione]", "[Espulsione]",
        "[Cambia Nome]", "[Nuovo Nome in Lista]", "[Riordina Nomi in Lista]",
        "[Aggiorna Listato InviaFile]", "[Aggiorna ComboIP]", "[Aggiorna NeoConnesso]",
        "[Messaggio]", "[Messaggio Privato]", "[Pulisci Lavagna]", "[Linea]", "[Circonferenza]",
        "[Colora Sfondo]", "[Inserisci Testo]", "[Inserisci Testo2]", "[Inserisci Testo7]",
        "[Inserisci Testo9]", "[Inserisci Testo11]", "[Inserisci TestoColore]", "", "[", "]"};
    static const QStringList pieces = {
        "0000000001", "0000000002", "-000000001", "0000000000", "9999999999", "-999999999",
        "0000032767", "0000032768", "00000abc00", "-", "]", "[", " - ", "\r", "\n", "\t",
        "Rex", "Rex[2]", "0.5", "1,5", "True", "vero", "\u00e8", "\u20ac", "*", "# "};
    QRandomGenerator random(20261207); // fixed: a failure can be replayed
    auto makeLine = [&] {
        QString line = tags[random.bounded(tags.size())];
        const int parts = random.bounded(12);
        for (int i = 0; i < parts; ++i)
            line += pieces[random.bounded(pieces.size())];
        return line;
    };

    Rig rig;
    QVERIFY(rig.start(2));
    Peer client(QStringLiteral("Tizio"));
    client.people()->AddName(-1, QStringLiteral("Oste"));
    const qsizetype sentBefore = rig.host->sentLog()->size();
    for (int i = 0; i < 20000; ++i) {
        const QString line = makeLine();
        rig.fromClient(1 + int(random.bounded(2)), line);
        client->ProcessData(line + QStringLiteral("\r\n"), -1);
    }
    // The lines were acted on, not merely thrown away...
    QVERIFY(rig.host->sentLog()->size() > sentBefore + 1000);
    QVERIFY(client.conversation.dialog.size() > 100);
    // ...and the host still knows itself and still serves its clients.
    QCOMPARE(rig.host.people()->sConnectionName(-1), QStringLiteral("Oste"));
    QCOMPARE(rig.host->phase(), session::ChatSession::Phase::Hosting);
    QVERIFY(rig.drain());
    rig.forget();
    rig.fromClient(1, QStringLiteral("[Messaggio]ancora qui"));
    QVERIFY(rig.clients[1]->waitForLine("[Messaggio]ancora qui"));
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
