// tavernix-server as its users meet it: its own process, raw chat clients
// over loopback, `ctl` as a separate process, the service manager played
// through a notification socket of our own.

#include "sessiontestkit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using testkit::RawClient;

namespace
{

const QString kBinary = QStringLiteral(TAVERNIX_SERVER_BINARY);
const QByteArray kSegment = "[Linea]0000000100000000020000000030000000004000000025500000000020000000003";

quint16 freePort()
{
    // On every address, as the server listens: a port free on the loopback
    // alone may be held on another address by some other program's socket.
    QTcpServer probe;
    probe.listen(QHostAddress::Any);
    return probe.serverPort();
}

/// The server in a process of its own, on a port and a state folder of its own.
struct Server {
    QProcess process;
    QString stateDir;
    quint16 port = freePort();
    QByteArray log;

    explicit Server(const QString &state) : stateDir(state)
    {
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { log += process.readAllStandardError(); });
    }
    ~Server()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    void start(QStringList extra = {}, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        process.setProcessEnvironment(env);
        process.start(kBinary, QStringList{"--port", QString::number(port), "--state-dir", stateDir,
                                           "--no-port-mapping"} + extra);
    }
    /// Started and listening, as its log says once it is.
    bool startListening(QStringList extra = {})
    {
        start(extra);
        return waitForLog("in attesa sulla porta");
    }
    bool waitForLog(const QByteArray &piece, int timeoutMs = 10000)
    {
        return QTest::qWaitFor(
            [&] {
                log += process.readAllStandardError();
                return log.contains(piece) || process.state() == QProcess::NotRunning;
            },
            timeoutMs) &&
               log.contains(piece);
    }
    bool finish(int timeoutMs = 5000)
    {
        if (process.state() == QProcess::NotRunning)
            return true;
        return process.waitForFinished(timeoutMs);
    }
};

struct CtlResult {
    int status = -1;
    QString out;
    QString err;
};

CtlResult ctl(const QString &stateDir, const QStringList &words, const QStringList &prefix = {})
{
    QProcess p;
    const QStringList args = QStringList{"ctl", "--state-dir", stateDir} + words;
    if (prefix.isEmpty())
        p.start(kBinary, args);
    else
        p.start(prefix.first(), prefix.mid(1) + QStringList{kBinary} + args);
    if (!p.waitForFinished(15000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

/// A name's participant index as the host announced it to @p client.
QByteArray indexOf(const RawClient &client, const QByteArray &name)
{
    for (const QByteArray &l : client.lines) {
        if (l.startsWith("[Riordina Nomi in Lista]") && l.mid(34) == name)
            return l.mid(24, 10);
    }
    return {};
}

} // namespace

class tst_ServerProcess : public QObject
{
    Q_OBJECT

private slots:
    void hostsLikeTheWindow();
    void administration();
    void seatTakenBack();
    void oneServerPerStateFolder();
    void serviceNotifications();
    void otherUserRefused();
    void stateFolderFaults_data();
    void stateFolderFaults();
    void rawControlLines_data();
    void rawControlLines();
    void resumeAfterSigterm_data();
    void resumeAfterSigterm();
    void fullDisk();
};

// Join, name rules, relay, and the board replayed to a newcomer, through the
// same session library the window uses; the log shows joins and lines and
// nothing a peer could use to recolour the administrator's terminal.
void tst_ServerProcess::hostsLikeTheWindow()
{
    QTemporaryDir dir;
    Server server(dir.filePath("missing/state")); // a missing folder is made
    QVERIFY2(server.startListening(), server.log.constData());

    RawClient ada;
    QVERIFY(ada.joinAs(server.port, "Locanda"));
    QVERIFY(ada.lines.contains("[Rename di Connessione]Locanda[2]"));
    QVERIFY(ada.lines.contains("[Riordina Nomi in Lista]-000000001Locanda"));
    ada.sendRaw(kSegment + "\r\n");
    QVERIFY(ada.waitForLine(kSegment)); // drawings go back to their sender too

    RawClient bruno;
    QVERIFY(bruno.joinAs(server.port, QString("Br\x1b[31muno")));
    QVERIFY(bruno.waitForLine(kSegment)); // the board, replayed
    QVERIFY(ada.waitForLine("[Connessione]Br\x1b[31muno"));
    const QByteArray brunoIndex = indexOf(ada, "Br\x1b[31muno");
    QVERIFY(!brunoIndex.isEmpty());
    ada.lines.clear();
    bruno.send("[Messaggio]Bruno: salve");
    QVERIFY(ada.waitForLine("[Messaggio]Bruno: salve"));
    QTest::qWait(100);
    QVERIFY(!bruno.lines.contains("[Messaggio]Bruno: salve"));

    QVERIFY(server.waitForLog("dialogo: Bruno: salve"));
    QVERIFY(server.log.contains("INFO Locanda[2] si è connesso."));
    QVERIFY(!server.log.contains('\x1b'));

    bruno.socket.abort();
    QVERIFY(ada.waitForLine("[Disconnessione]" + brunoIndex));
    QVERIFY(server.waitForLog("ha perso il contatto con la realtà."));
}

// A player whose old connection the server still holds comes back under
// the same name with the seat token the server gave.
void tst_ServerProcess::seatTakenBack()
{
    QTemporaryDir dir;
    Server server(dir.filePath("state"));
    QVERIFY2(server.startListening(), server.log.constData());
    RawClient ada, back;
    QCOMPARE(ada.joinAsTavernix(server.port, "Ada"), QString("Ada"));
    const QString token = ada.waitForParams("[Tavernix Posto]");
    QCOMPARE(token.size(), 32);
    QCOMPARE(back.joinAsTavernix(server.port, "Ada", {"[Tavernix Ritorno]" + token}), QString("Ada"));
    QVERIFY(QTest::qWaitFor([&] { return ada.socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
}

void tst_ServerProcess::administration()
{
    QTemporaryDir dir;
    Server server(dir.filePath("state"));
    QVERIFY2(server.startListening({"--name", "Oste"}), server.log.constData());
    const QString state = server.stateDir;

    RawClient ada, bruno;
    QVERIFY(ada.joinAs(server.port, "Ada"));
    QVERIFY(bruno.joinAs(server.port, "Bruno"));
    QVERIFY(ada.waitForLine("[Connessione]Bruno"));
    const QByteArray circle = "[Circonferenza]0000000100000000010000000012000000001200000000000000000001";
    ada.sendRaw(circle + "\r\n");
    QVERIFY(bruno.waitForLine(circle));

    CtlResult r = ctl(state, {"list"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("3 partecipanti: "), qPrintable(r.out));
    QVERIFY(r.out.contains("Oste (questo server)"));
    QVERIFY2(QRegularExpression("Ada 127\\.0\\.0\\.1 da 00:00:\\d\\d, \\d+ byte in coda")
                 .match(r.out).hasMatch(), qPrintable(r.out));
    QCOMPARE(r.out.count('\n'), 1);

    r = ctl(state, {"say", "Cala", "la", "notte."});
    QCOMPARE(r.status, 0);
    QVERIFY(ada.waitForLine("[Messaggio]Cala la notte."));
    QVERIFY(bruno.waitForLine("[Messaggio]Cala la notte."));
    QVERIFY(server.waitForLog("dialogo: Cala la notte."));

    const QByteArray adaIndex = indexOf(bruno, "Ada");
    QVERIFY(!adaIndex.isEmpty());
    r = ctl(state, {"kick", "Ada"});
    QCOMPARE(r.status, 0);
    QVERIFY(bruno.waitForLine("[Espulsione]" + adaIndex));
    QVERIFY(QTest::qWaitFor([&] { return ada.socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QVERIFY(!ada.lines.contains("[Espulsione]" + adaIndex)); // the expelled hear nothing

    r = ctl(state, {"kick", "Ada"});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains("nessun partecipante"));
    r = ctl(state, {"kick", "Oste"});
    QCOMPARE(r.status, 1);
    r = ctl(state, {"kick"});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.contains("kick vuole il nome"));

    r = ctl(state, {"clear"});
    QCOMPARE(r.status, 0);
    QVERIFY(bruno.waitForLine("[Pulisci Lavagna]"));
    RawClient late;
    QVERIFY(late.joinAs(server.port, "Carla"));
    QVERIFY(late.waitForLine("[Aggiorna Listato InviaFile]"));
    QTest::qWait(200);
    QVERIFY2(!late.lines.contains(circle), "a cleared board is not replayed");
    QVERIFY(server.waitForLog("Oste ha pulito la lavagna per tutti."));

    r = ctl(state, {"restore"});
    QCOMPARE(r.status, 0);
    QVERIFY(late.waitForLine(circle)); // back on every board
    RawClient later;
    QVERIFY(later.joinAs(server.port, "Dario"));
    QVERIFY(later.waitForLine(circle)); // and for newcomers
    QVERIFY(server.waitForLog("Oste ha ripristinato la lavagna."));
    r = ctl(state, {"restore"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("non c'è una lavagna pulita"), qPrintable(r.err));

    r = ctl(state, {"stop"});
    QCOMPARE(r.status, 0);
    QVERIFY(server.finish());
    QCOMPARE(server.process.exitCode(), 0);
    QVERIFY(QTest::qWaitFor([&] { return bruno.socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QVERIFY(!QFile::exists(state + "/control/ctl.sock"));
}

// ctl with no server says so; the second server on one folder refuses; a
// socket left by a killed server is taken over by the next.
void tst_ServerProcess::oneServerPerStateFolder()
{
    QTemporaryDir dir;
    const QString state = dir.filePath("state");
    const CtlResult none = ctl(state, {"list"});
    QCOMPARE(none.status, 2);
    QVERIFY2(none.err.contains("il server non è in esecuzione"), qPrintable(none.err));
    auto first = std::make_unique<Server>(state);
    QVERIFY(first->startListening());

    Server second(state);
    second.start();
    QVERIFY(second.finish(10000));
    QCOMPARE(second.process.exitCode(), 1);
    second.log += second.process.readAllStandardError();
    QVERIFY2(second.log.contains("usa già la cartella di stato"), second.log.constData());
    QCOMPARE(ctl(state, {"list"}).status, 0); // the first one is undisturbed

    ::kill(pid_t(first->process.processId()), SIGKILL);
    QVERIFY(first->finish());
    first.reset();
    QVERIFY(QFile::exists(state + "/control/ctl.sock"));
    QCOMPARE(ctl(state, {"list"}).status, 2);

    Server third(state);
    QVERIFY2(third.startListening(), third.log.constData());
    const CtlResult r = ctl(state, {"list"});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains("Locanda (questo server)"));
}

// The service manager's side: READY only once players can connect, watchdog
// pings at half the interval, STOPPING and a prompt end on SIGTERM.
void tst_ServerProcess::serviceNotifications()
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("notify"));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    auto receive = [fd](int timeoutMs) -> QByteArray {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return {};
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
    };

    Server server(dir.filePath("state"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NOTIFY_SOCKET", QString::fromLocal8Bit(path));
    env.insert("WATCHDOG_USEC", "600000");
    server.start({}, env);

    const QByteArray ready = receive(10000);
    QVERIFY2(ready.startsWith("READY=1\n"), ready.constData());
    QVERIFY(ready.contains(QByteArray("STATUS=in attesa sulla porta ") + QByteArray::number(server.port)));
    QTcpSocket probe; // already listening when READY came
    probe.connectToHost(QHostAddress::LocalHost, server.port);
    QVERIFY(probe.waitForConnected(1000));
    probe.abort();

    QElapsedTimer clock;
    clock.start();
    int pings = 0;
    while (pings < 3 && clock.elapsed() < 5000) {
        if (receive(1000) == "WATCHDOG=1")
            ++pings;
    }
    QCOMPARE(pings, 3);
    // Three pings at 300 ms: well under the 600 ms the manager would wait each.
    QVERIFY2(clock.elapsed() < 3 * 600, qPrintable(QString::number(clock.elapsed())));

    clock.restart();
    ::kill(pid_t(server.process.processId()), SIGTERM);
    QByteArray stopping;
    while (clock.elapsed() < 3000 && stopping != "STOPPING=1")
        stopping = receive(500);
    QCOMPARE(stopping, QByteArray("STOPPING=1"));
    QVERIFY(server.finish(2000));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(server.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(server.process.exitCode(), 0);
    ::close(fd);
}

// The control socket is its owner's alone.
void tst_ServerProcess::otherUserRefused()
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
        QSKIP("needs root and setpriv to act as another user");
    QTemporaryDir dir;
    // Anyone may reach the state folder; the control folder inside is ours.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    Server server(dir.filePath("state"));
    QVERIFY(server.startListening());
    const CtlResult r = ctl(server.stateDir, {"stop"},
                            {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("accesso negato"), qPrintable(r.err));
    QCOMPARE(server.process.state(), QProcess::Running);
    QCOMPARE(ctl(server.stateDir, {"list"}).status, 0);
}

void tst_ServerProcess::stateFolderFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitCode"); // -1: starts
    QTest::addColumn<QString>("said");

    QTest::newRow("folder under a plain file") << "file" << 1 << "impossibile creare la cartella di stato";
    QTest::newRow("control folder is a link") << "link" << 1 << "non è una cartella di questo utente";
    QTest::newRow("control folder open to all") << "open" << -1 << "in attesa sulla porta";
    if (::geteuid() == 0)
        QTest::newRow("control folder of another user") << "foreign" << 1 << "non è una cartella di questo utente";
}

// A state folder the server cannot use is refused with a reason, and nobody
// else is handed the control socket through it.
void tst_ServerProcess::stateFolderFaults()
{
    QFETCH(QString, fault);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QString state = dir.filePath("state");
    QDir().mkpath(state);
    const QString control = state + "/control";
    const QString elsewhere = dir.filePath("elsewhere");
    QDir().mkpath(elsewhere);
    if (fault == "file") {
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        state = plain.fileName() + "/state";
    } else if (fault == "link") {
        QVERIFY(QFile::link(elsewhere, control));
    } else if (fault == "open") {
        QVERIFY(QDir().mkpath(control));
        QVERIFY(QFile::setPermissions(control, QFileDevice::Permissions(0x7777)));
    } else if (fault == "foreign") {
        QVERIFY(QDir().mkpath(control));
        QCOMPARE(::chown(QFile::encodeName(control).constData(), 65534, 65534), 0);
    }

    Server server(state);
    server.start();
    if (exitCode < 0) {
        QVERIFY2(server.waitForLog(said.toUtf8()), server.log.constData());
        QCOMPARE(QFileInfo(control).permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                                     QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup),
                 QFileDevice::Permissions());
        QCOMPARE(ctl(state, {"list"}).status, 0);
        return;
    }
    QVERIFY(server.finish(10000));
    QCOMPARE(server.process.exitCode(), exitCode);
    server.log += server.process.readAllStandardError();
    QVERIFY2(server.log.contains(said.toUtf8()), server.log.constData());
    QVERIFY(QDir(elsewhere).isEmpty());
}

void tst_ServerProcess::rawControlLines_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("reply"); // its beginning

    QTest::newRow("a command") << QByteArray("list\n") << QByteArray("0 1 partecipante: Locanda");
    QTest::newRow("unknown") << QByteArray("frob\n") << QByteArray("2 comando sconosciuto");
    QTest::newRow("save, nothing said or drawn yet")
        << QByteArray("save\n") << QByteArray("0 partita salvata"); // the dice seed is kept
    QTest::newRow("CR LF line end") << QByteArray("list\r\n") << QByteArray("2 il comando non può");
    QTest::newRow("not UTF-8") << QByteArray("kick \xff\xfe\n") << QByteArray("1 nessun partecipante");
    QTest::newRow("no line end, too long") << QByteArray(20000, 'x') << QByteArray("2 comando troppo lungo.");
    QTest::newRow("a line end too late") << QByteArray(20000, 'x') + '\n' << QByteArray("2 comando troppo lungo.");
    QTest::newRow("two commands: only the first counts")
        << QByteArray("list\nstop\n") << QByteArray("0 1 partecipante");
}

// What reaches the socket, whatever sent it, gets one reply line.
void tst_ServerProcess::rawControlLines()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, reply);
    QTemporaryDir dir;
    Server server(dir.filePath("state"));
    QVERIFY(server.startListening());
    QLocalSocket socket;
    socket.connectToServer(server.stateDir + "/control/ctl.sock");
    QVERIFY(socket.waitForConnected(5000));
    socket.write(sent);
    QByteArray answer;
    QVERIFY(QTest::qWaitFor(
        [&] {
            answer += socket.readAll();
            return answer.contains('\n') || socket.state() == QLocalSocket::UnconnectedState;
        },
        5000));
    answer += socket.readAll();
    QVERIFY2(answer.startsWith(reply), answer.constData());
    QCOMPARE(answer.count('\n'), 1);
    QVERIFY(QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 5000));
    QCOMPARE(server.process.state(), QProcess::Running);
}

void tst_ServerProcess::resumeAfterSigterm_data()
{
    QTest::addColumn<bool>("resume");
    QTest::newRow("--resume takes the board up") << true;
    QTest::newRow("without it the table starts empty") << false;
}

// The board and the public talk outlive a SIGTERM in the state folder.
void tst_ServerProcess::resumeAfterSigterm()
{
    QFETCH(bool, resume);
    QTemporaryDir dir;
    const QString state = dir.filePath("state");
    {
        Server first(state);
        QVERIFY(first.startListening());
        RawClient ada;
        QVERIFY(ada.joinAs(first.port, "Ada"));
        ada.sendRaw(kSegment + "\r\n[Messaggio]Ada: si parte\r\n");
        QVERIFY(ada.waitForLine(kSegment));
        QVERIFY(first.waitForLog("dialogo: Ada: si parte"));
        const CtlResult saved = ctl(state, {"save"});
        QCOMPARE(saved.status, 0);
        QVERIFY2(saved.out.contains("partita salvata in " + state + "/partite/"), qPrintable(saved.out));
        // No time for the periodic write: what the end writes must be enough.
        ada.send("[Messaggio]Ada: ultima riga");
        QVERIFY(first.waitForLog("dialogo: Ada: ultima riga"));
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(first.process.processId()), SIGTERM);
        QVERIFY(first.finish(2000));
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(first.process.exitCode(), 0);
        QVERIFY(first.waitForLog("partita salvata in"));
    }
    Server second(state);
    QVERIFY2(second.startListening(resume ? QStringList{"--resume"} : QStringList{}), second.log.constData());
    if (resume) {
        QVERIFY(second.waitForLog("Ada: ultima riga")); // the recap of what was said
    }
    RawClient bruno;
    QVERIFY(bruno.joinAs(second.port, "Bruno"));
    QVERIFY(bruno.waitForLine("[Aggiorna Listato InviaFile]"));
    QTest::qWait(200);
    QCOMPARE(bruno.lines.contains(kSegment), resume);
}

// A session folder on a full disk: said once, and the table goes on.
void tst_ServerProcess::fullDisk()
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable("unshare").isEmpty())
        QSKIP("needs root and unshare to mount a small file system");
    QTemporaryDir dir;
    const QString state = dir.filePath("state");
    const QString sessions = state + "/partite";
    QVERIFY(QDir().mkpath(sessions));
    Server server(state);
    // The session folder is a full 8 KiB file system in the server's own mount namespace.
    const QString script = QStringLiteral(
        "mount -t tmpfs -o size=8k tmpfs '%1' || exit 77; "
        "dd if=/dev/zero of='%1/fill' bs=1k count=16 2>/dev/null; exec \"$0\" \"$@\"").arg(sessions);
    server.process.start("unshare", {"--mount", "--propagation", "private", "sh", "-c", script, kBinary,
                                     "--port", QString::number(server.port), "--state-dir", state,
                                     "--no-port-mapping"});
    QVERIFY(server.waitForLog("in attesa sulla porta"));
    if (server.process.state() == QProcess::NotRunning && server.process.exitCode() == 77)
        QSKIP("mounting a file system is not allowed here");
    RawClient ada, bruno;
    QVERIFY(ada.joinAs(server.port, "Ada"));
    QVERIFY(bruno.joinAs(server.port, "Bruno"));
    ada.sendRaw(kSegment + "\r\n");
    QVERIFY(bruno.waitForLine(kSegment));
    const CtlResult r = ctl(state, {"save"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("Impossibile") && r.err.contains("partita"), qPrintable(r.err));
    QVERIFY(server.waitForLog("AVVISO Impossibile"));
    ada.send("[Messaggio]Ada: e ora?");
    QVERIFY(bruno.waitForLine("[Messaggio]Ada: e ora?"));
    QCOMPARE(server.log.count("AVVISO Impossibile"), 1);
}

QTEST_GUILESS_MAIN(tst_ServerProcess)
#include "tst_serverprocess.moc"
