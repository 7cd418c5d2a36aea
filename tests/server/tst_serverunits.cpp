// The server's pure parts: the administration command parser, its reply
// line, the command line, and the log's line format.

#include "controlcommand.h"
#include "serverlog.h"
#include "serveroptions.h"

#include <QTest>

using server::ControlCommand;
using server::ControlReply;
using server::ServerLog;
using server::ServerOptions;

Q_DECLARE_METATYPE(ControlCommand::Kind)
Q_DECLARE_METATYPE(ServerOptions::Action)

class tst_ServerUnits : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void commandFromWords_data();
    void commandFromWords();
    void replyLine_data();
    void replyLine();
    void options_data();
    void options();
    void logLine_data();
    void logLine();
};

void tst_ServerUnits::commandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<ControlCommand::Kind>("kind");
    QTest::addColumn<QString>("argument"); // for a valid command
    QTest::addColumn<QString>("error");    // a piece of the refusal otherwise

    using K = ControlCommand::Kind;
    QTest::newRow("list") << "list" << K::List << "" << "";
    QTest::newRow("list, trailing space") << "list " << K::List << "" << "";
    QTest::newRow("stop") << "stop" << K::Stop << "" << "";
    QTest::newRow("clear") << "clear" << K::Clear << "" << "";
    QTest::newRow("restore") << "restore" << K::Restore << "" << "";
    QTest::newRow("save") << "save" << K::Save << "" << "";
    QTest::newRow("reveal") << "reveal" << K::Reveal << "" << "";
    QTest::newRow("kick") << "kick Ada" << K::Kick << "Ada" << "";
    QTest::newRow("invite") << "invite" << K::Invite << "" << "";
    QTest::newRow("ban") << "ban Il Troll" << K::Ban << "Il Troll" << "";
    QTest::newRow("unban") << "unban 2001:db8:1:2::/64" << K::Unban << "2001:db8:1:2::/64" << "";
    QTest::newRow("unban without address") << "unban " << K::Invalid << "" << "unban vuole l'indirizzo";
    QTest::newRow("kick, name with spaces and brackets")
        << "kick Il Mago[2]" << K::Kick << "Il Mago[2]" << "";
    QTest::newRow("say keeps its text as typed")
        << "say  Cala la notte. " << K::Say << " Cala la notte. " << "";
    QTest::newRow("say, accented") << "say Città è là" << K::Say << "Città è là" << "";
    QTest::newRow("empty") << "" << K::Invalid << "" << "manca il comando";
    QTest::newRow("leading space") << " list" << K::Invalid << "" << "manca il comando";
    QTest::newRow("unknown") << "frob" << K::Invalid << "" << "comando sconosciuto \"frob\"";
    QTest::newRow("case matters") << "LIST" << K::Invalid << "" << "comando sconosciuto";
    QTest::newRow("prefix of a command") << "lis" << K::Invalid << "" << "comando sconosciuto";
    QTest::newRow("kick without name") << "kick" << K::Invalid << "" << "kick vuole il nome";
    QTest::newRow("kick with blanks only") << "kick    " << K::Invalid << "" << "kick vuole il nome";
    QTest::newRow("say without text") << "say " << K::Invalid << "" << "say vuole il testo";
    QTest::newRow("list with an argument") << "list all" << K::Invalid << "" << "non vuole argomenti";
    QTest::newRow("stop with an argument") << "stop now" << K::Invalid << "" << "non vuole argomenti";
    QTest::newRow("line break in the text")
        << "say uno\nkick Ada" << K::Invalid << "" << "a capo";
    QTest::newRow("carriage return") << "say uno\r" << K::Invalid << "" << "a capo";
    QTest::newRow("escape sequence") << "say \x1b[2J" << K::Invalid << "" << "controllo";
    QTest::newRow("NUL") << QString("kick A") + QChar(0) + "da" << K::Invalid << "" << "controllo";
    QTest::newRow("longest line")
        << "say " + QString(ControlCommand::kMaxLineBytes - 5, 'x') << K::Say
        << QString(ControlCommand::kMaxLineBytes - 5, 'x') << "";
    QTest::newRow("one byte too long")
        << "say " + QString(ControlCommand::kMaxLineBytes - 4, 'x') << K::Invalid << ""
        << "troppo lungo";
    QTest::newRow("too long counted in UTF-8 bytes")
        << "say " + QString(ControlCommand::kMaxLineBytes / 2, QChar(0xe8)) << K::Invalid << ""
        << "troppo lungo";
}

void tst_ServerUnits::commandLine()
{
    QFETCH(QString, line);
    QFETCH(ControlCommand::Kind, kind);
    QFETCH(QString, argument);
    QFETCH(QString, error);
    const ControlCommand command = ControlCommand::fromLine(line);
    QCOMPARE(command.kind, kind);
    if (kind == ControlCommand::Kind::Invalid) {
        QVERIFY2(command.error.contains(error), qPrintable(command.error));
        return;
    }
    QCOMPARE(command.argument, argument);
    QVERIFY(command.error.isEmpty());
    // What the server reads back is what was sent.
    const ControlCommand again = ControlCommand::fromLine(command.toLine());
    QCOMPARE(again.kind, kind);
    QCOMPARE(again.argument, argument);
}

void tst_ServerUnits::commandFromWords_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("line"); // empty: refused

    QTest::newRow("nothing") << QStringList{} << "";
    QTest::newRow("one word") << QStringList{"list"} << "list";
    QTest::newRow("words joined") << QStringList{"say", "Cala", "la", "notte."} << "say Cala la notte.";
    QTest::newRow("quoted name with spaces") << QStringList{"kick", "Il Mago"} << "kick Il Mago";
    QTest::newRow("empty name") << QStringList{"kick", ""} << "";
    QTest::newRow("an option-looking word is text") << QStringList{"say", "--port", "5"} << "say --port 5";
    QTest::newRow("extra word for list") << QStringList{"list", "x"} << "";
}

void tst_ServerUnits::commandFromWords()
{
    QFETCH(QStringList, words);
    QFETCH(QString, line);
    const ControlCommand command = ControlCommand::fromWords(words);
    QCOMPARE(command.isValid(), !line.isEmpty());
    if (command.isValid())
        QCOMPARE(command.toLine(), line);
}

void tst_ServerUnits::replyLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");

    QTest::newRow("done") << "0 detto." << true << 0 << "detto.";
    QTest::newRow("failed") << "1 nessun partecipante" << true << 1 << "nessun partecipante";
    QTest::newRow("usage, empty text") << "2 " << true << 2 << "";
    QTest::newRow("unknown status") << "3 boh" << false << 0 << "";
    QTest::newRow("no space") << "0detto" << false << 0 << "";
    QTest::newRow("two digits") << "10 x" << false << 0 << "";
    QTest::newRow("empty") << "" << false << 0 << "";
    QTest::newRow("letter") << "a b" << false << 0 << "";
}

void tst_ServerUnits::replyLine()
{
    QFETCH(QString, line);
    QFETCH(bool, valid);
    QFETCH(int, status);
    QFETCH(QString, text);
    ControlReply reply;
    QCOMPARE(ControlReply::fromLine(line, &reply), valid);
    if (!valid)
        return;
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.text, text);
    // A reply carrying a line break still travels as one line.
    const QString sent = ControlReply{status, text + "\nsecond"}.toLine();
    QVERIFY(!sent.contains('\n'));
    QVERIFY(ControlReply::fromLine(sent, &reply));
    QCOMPARE(reply.status, status);
}

void tst_ServerUnits::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<ServerOptions::Action>("action");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stateDir");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("flags"); // "r" resume, "n" no port mapping, "i" invited only

    using A = ServerOptions::Action;
    const QStringList home{"HOME=/home/oste"};
    QTest::newRow("defaults") << QStringList{} << home << A::Run << 600 << "Locanda"
                              << "/home/oste/.local/state/tavernix-server" << QStringList{} << "";
    QTest::newRow("service folder, first of a list")
        << QStringList{} << QStringList{"HOME=/h", "STATE_DIRECTORY=/var/lib/a:/var/lib/b"} << A::Run
        << 600 << "Locanda" << "/var/lib/a" << QStringList{} << "";
    QTest::newRow("XDG state home")
        << QStringList{} << QStringList{"HOME=/h", "XDG_STATE_HOME=/s"} << A::Run << 600 << "Locanda"
        << "/s/tavernix-server" << QStringList{} << "";
    QTest::newRow("given folder wins over the service's")
        << QStringList{"--state-dir", "/d"} << QStringList{"STATE_DIRECTORY=/var/lib/a"} << A::Run
        << 600 << "Locanda" << "/d" << QStringList{} << "";
    QTest::newRow("everything") << QStringList{"--port", "2600", "--name", "Oste", "--resume",
                                               "--no-port-mapping", "--state-dir", "/d", "--access", "invited"}
                                << home << A::Run << 2600 << "Oste" << "/d" << QStringList{} << "rni";
    for (const QStringList &wrong :
         {QStringList{"--port", "0"}, QStringList{"--port", "65536"}, QStringList{"--port", "6OO"},
          QStringList{"--name", "  "}, QStringList{"--state-dir", ""}, QStringList{"--host"},
          QStringList{"list"}, QStringList{"--access", "tutti"}})
        QTest::addRow("refused: %s", qPrintable(wrong.join(' ')))
            << wrong << home << A::Error << 0 << "" << "" << QStringList{} << "";
    QTest::newRow("ctl") << QStringList{"ctl", "list"} << home << A::Control << 600 << "Locanda"
                         << "/home/oste/.local/state/tavernix-server" << QStringList{"list"} << "";
    QTest::newRow("ctl, folder after ctl")
        << QStringList{"ctl", "--state-dir", "/d", "kick", "Ada"} << home << A::Control << 600
        << "Locanda" << "/d" << QStringList{"kick", "Ada"} << "";
    QTest::newRow("ctl, folder before ctl, option-like text")
        << QStringList{"--state-dir", "/d", "ctl", "say", "--port", "5"} << home << A::Control
        << 600 << "Locanda" << "/d" << QStringList{"say", "--port", "5"} << "";
    QTest::newRow("ctl with nothing: the command parser refuses it")
        << QStringList{"ctl"} << QStringList{"STATE_DIRECTORY=/x"} << A::Control << 600
        << "Locanda" << "/x" << QStringList{} << "";
}

void tst_ServerUnits::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(ServerOptions::Action, action);
    QFETCH(int, port);
    QFETCH(QString, name);
    QFETCH(QString, stateDir);
    QFETCH(QStringList, words);
    QFETCH(QString, flags);
    const ServerOptions o =
        ServerOptions::parse(QStringList{"tavernix-server"} + arguments, environment);
    QCOMPARE(o.action, action);
    if (action == ServerOptions::Action::Error) {
        QVERIFY(!o.error.isEmpty());
        return;
    }
    QCOMPARE(int(o.port), port);
    QCOMPARE(o.name, name);
    QCOMPARE(o.stateDir, stateDir);
    QCOMPARE(o.controlWords, words);
    QCOMPARE(o.resume, flags.contains('r'));
    QCOMPARE(o.portMapping, !flags.contains('n'));
    QCOMPARE(o.access, flags.contains('i') ? secure::Access::Invited : secure::kDefaultAccess);
}

void tst_ServerUnits::logLine_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("journal");
    QTest::addColumn<QString>("expected");

    const QString fffd(QChar(QChar::ReplacementCharacter));
    QTest::newRow("by hand") << 0 << "Ada si è connesso." << false
                             << "2024-01-02 03:04:05 INFO Ada si è connesso.";
    QTest::newRow("journal, warning") << 1 << "porta in uso" << true << "<4>AVVISO porta in uso";
    QTest::newRow("journal, error") << 2 << "x" << true << "<3>ERRORE x";
    QTest::newRow("colour codes from a name")
        << 0 << "Ev\x1b[31mil\x1b[0m si è connesso." << true
        << "<6>INFO Ev" + fffd + "[31mil" + fffd + "[0m si è connesso.";
    QTest::newRow("a forged second line") << 0 << "a\r\n<3>ERRORE finto" << true
                                          << "<6>INFO a  <3>ERRORE finto";
    QTest::newRow("C1 control and DEL") << 0 << QString("a") + QChar(0x9b) + "b\x7f" << true
                                        << "<6>INFO a" + fffd + "b" + fffd;
}

void tst_ServerUnits::logLine()
{
    QFETCH(int, level);
    QFETCH(QString, text);
    QFETCH(bool, journal);
    QFETCH(QString, expected);
    QCOMPARE(ServerLog::format(ServerLog::Level(level), text, journal,
                               journal ? QString() : QStringLiteral("2024-01-02 03:04:05")),
             expected);
}

QTEST_GUILESS_MAIN(tst_ServerUnits)
#include "tst_serverunits.moc"
