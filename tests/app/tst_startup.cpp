#include "commandline.h"
#include "instanceguard.h"
#include "preferences.h"
#include "raisechannel.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using platform::InstanceGuard;
using app::Preferences;
using app::PreferencesStore;
using platform::RaiseChannel;

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void preferencesDefaultsWithoutFile();
    void preferencesRoundTrip();
    void preferencesBadValues_data();
    void preferencesBadValues();
    void windowPreferences_data();
    void windowPreferences();
    void preferencesFileLayout();
    void preferencesDefaultPathFollowsXdg();
    void preferencesNameAndServer_data();
    void preferencesNameAndServer();
    void preferencesNameAndServerHandEdited_data();
    void preferencesNameAndServerHandEdited();

    void executableName_data();
    void executableName();
    void otherInstanceFromAnotherFolder();
    void ownProcessIsNotAnotherInstance();
    void lockIsExclusive();
    void lockTakesOverWhatACrashLeft_data();
    void lockTakesOverWhatACrashLeft();
    void lockHeldByAnotherProcessEndsWithIt();
    void raiseChannelAnswersARequest();
    void raiseChannelIgnoresOtherTalk_data();
    void raiseChannelIgnoresOtherTalk();
    void raiseChannelReplacesALeftoverSocket();
    void raiseWithNobodyListening();

    void commandLine_data();
    void commandLine();
    void commandLineLogDir_data();
    void commandLineLogDir();
    void commandLineSpeaksItalian_data();
    void commandLineSpeaksItalian();
};

void tst_Startup::preferencesDefaultsWithoutFile()
{
    QTemporaryDir dir;
    PreferencesStore store(dir.filePath(QStringLiteral("tavernix.ini")));
    const Preferences prefs = store.GetPreferences();
    QCOMPARE(prefs.port, 600);
    QCOMPARE(prefs.tutorial, 1);
    QVERIFY(!QFile::exists(store.filePath())); // reading creates nothing
}

void tst_Startup::preferencesRoundTrip()
{
    QTemporaryDir dir;
    // A folder that does not exist yet is made by the first write.
    PreferencesStore store(dir.filePath(QStringLiteral("sub/tavernix.ini")));
    Preferences written;
    written.port = 4321;
    written.tutorial = 0;
    QVERIFY(store.WritePreferences(written));
    const Preferences read = store.GetPreferences();
    QCOMPARE(read.port, 4321);
    QCOMPARE(read.tutorial, 0);
}

void tst_Startup::preferencesBadValues_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("tutorial");
    QTest::addColumn<int>("expectedPort");
    QTest::addColumn<int>("expectedTutorial");
    QTest::newRow("letters") << "abc" << "x" << 600 << 1;
    QTest::newRow("empty") << "" << "" << 600 << 1;
    QTest::newRow("zero port") << "0" << "0" << 600 << 0;
    QTest::newRow("too big") << "70000" << "1" << 600 << 1;
    QTest::newRow("negative") << "-5" << "5" << 600 << 1;
    QTest::newRow("padded") << " 2000 " << " 0 " << 2000 << 0;
    QTest::newRow("trailing junk") << "2000abc" << "1" << 600 << 1;
}

void tst_Startup::preferencesBadValues()
{
    QFETCH(QString, port);
    QFETCH(QString, tutorial);
    QFETCH(int, expectedPort);
    QFETCH(int, expectedTutorial);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavernix.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Vellumara]\nPort=" + port.toUtf8() + "\nTutorial=" + tutorial.toUtf8() + "\n");
    file.close();
    const Preferences prefs = PreferencesStore(path).GetPreferences();
    QCOMPARE(prefs.port, expectedPort);
    QCOMPARE(prefs.tutorial, expectedTutorial);
}

// What the window and its board keep between evenings, as a hand-edited
// file may hold it: usable values come back, anything else gives the default.
void tst_Startup::windowPreferences_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QRect>("window");
    QTest::addColumn<int>("preset");
    QTest::addColumn<bool>("ora");
    QTest::addColumn<bool>("colori");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("fit");
    QTest::newRow("all there")
        << QByteArray("WindowLeft=10\nWindowTop=-20\nWindowWidth=700\nWindowHeight=480\n"
                      "Preset=2\nOra=1\nColori=1\nBoardZoom=2.5\nBoardZoomFit=0\n")
        << QRect(10, -20, 700, 480) << 2 << true << true << 2.5 << false;
    QTest::newRow("none") << QByteArray() << QRect() << -1 << false << false << 1.0 << false;
    QTest::newRow("a side missing") << QByteArray("WindowLeft=10\nWindowTop=20\nWindowWidth=700\n")
                                    << QRect() << -1 << false << false << 1.0 << false;
    QTest::newRow("no size") << QByteArray(
                                    "WindowLeft=1\nWindowTop=2\nWindowWidth=0\nWindowHeight=400\n")
                             << QRect() << -1 << false << false << 1.0 << false;
    QTest::newRow("absurd size")
        << QByteArray("WindowLeft=1\nWindowTop=2\nWindowWidth=99999\nWindowHeight=400\n") << QRect()
        << -1 << false << false << 1.0 << false;
    QTest::newRow("letters")
        << QByteArray("WindowLeft=a\nWindowTop=2\nWindowWidth=500\nWindowHeight=400\n"
                      "Preset=x\nOra=si\nColori=vero\nBoardZoom=grande\nBoardZoomFit=si\n")
        << QRect() << -1 << false << false << 1.0 << false;
    // A zoom the board cannot show gives 100 %.
    QTest::newRow("out of range") << QByteArray("Preset=4\nOra=2\nBoardZoom=300\n") << QRect() << -1
                                  << false << false << 1.0 << false;
    QTest::newRow("zoom zero") << QByteArray("BoardZoom=0\n") << QRect() << -1 << false << false
                               << 1.0 << false;
    QTest::newRow("padded, fitted")
        << QByteArray("WindowLeft= 5 \nWindowTop= 6\nWindowWidth=300 \n"
                      "WindowHeight=400\nPreset= 0\nOra= 1 \nBoardZoom=0.19\n"
                      "BoardZoomFit=1\n")
        << QRect(5, 6, 300, 400) << 0 << true << false << 0.19 << true;
}

void tst_Startup::windowPreferences()
{
    QFETCH(QByteArray, body);
    QFETCH(QRect, window);
    QFETCH(int, preset);
    QFETCH(bool, ora);
    QFETCH(bool, colori);
    QFETCH(double, zoom);
    QFETCH(bool, fit);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavernix.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("[Vellumara]\nPort=2600\n" + body) >= 0 && file.flush());
    Preferences prefs = PreferencesStore(path).GetPreferences();
    QCOMPARE(prefs.window, window);
    QCOMPARE(prefs.preset, preset);
    QCOMPARE(prefs.timeStamps, ora);
    QCOMPARE(prefs.colours, colori);
    QCOMPARE(prefs.boardZoom, zoom);
    QCOMPARE(prefs.boardZoomFit, fit);
    QCOMPARE(prefs.port, 2600);
    // Written back, the same comes out; a zoom of many digits keeps them.
    prefs.boardZoom = 1.0 / 3;
    prefs.boardZoomFit = !fit;
    QVERIFY(PreferencesStore(path).WritePreferences(prefs));
    const Preferences again = PreferencesStore(path).GetPreferences();
    QCOMPARE(again.window, window);
    QCOMPARE(again.preset, preset);
    QCOMPARE(again.timeStamps, ora);
    QCOMPARE(again.colours, colori);
    QVERIFY(qAbs(again.boardZoom - 1.0 / 3) < 1e-5);
    QCOMPARE(again.boardZoomFit, !fit);
}

void tst_Startup::preferencesFileLayout()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavernix.ini"));
    Preferences prefs;
    prefs.tutorial = 0;
    QVERIFY(PreferencesStore(path).WritePreferences(prefs));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("[Vellumara]"), text.constData());
    QVERIFY2(text.contains("Port=600"), text.constData());
    QVERIFY2(text.contains("Tutorial=0"), text.constData());
}

void tst_Startup::preferencesDefaultPathFollowsXdg()
{
    QTemporaryDir dir;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    QCOMPARE(PreferencesStore::defaultPath(), dir.path() + QStringLiteral("/tavernix.ini"));
    qputenv("XDG_CONFIG_HOME", old);
}

void tst_Startup::preferencesNameAndServer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("server");
    QTest::newRow("plain") << "Brom" << "192.168.1.20";
    QTest::newRow("accents and spaces") << "Fra Cristòforo da Pèscara" << "tavola.example.org";
    QTest::newRow("ini characters") << "Ada; [la rossa] = \\ \"sì\", forse #1" << "host:600";
    QTest::newRow("empty") << "" << "";
}

void tst_Startup::preferencesNameAndServer()
{
    QFETCH(QString, name);
    QFETCH(QString, server);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavernix.ini"));
    Preferences written;
    written.port = 2600;
    written.tutorial = 0;
    written.name = name;
    written.server = server;
    QVERIFY(PreferencesStore(path).WritePreferences(written));
    const Preferences read = PreferencesStore(path).GetPreferences();
    QCOMPARE(read.name, name);
    QCOMPARE(read.server, server);
    // The two older keys keep their names and plain values beside the new ones.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.startsWith("[Vellumara]"), text.constData());
    for (const char *line : {"\nPort=2600\n", "\nTutorial=0\n", "\nName=", "\nServer="})
        QVERIFY2(text.contains(line), text.constData());
    QSettings ini(path, QSettings::IniFormat);
    QCOMPARE(ini.childGroups(), QStringList{QStringLiteral("Vellumara")});
    QCOMPARE(ini.value(QStringLiteral("Vellumara/Port")).toString(), QStringLiteral("2600"));
}

void tst_Startup::preferencesNameAndServerHandEdited_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("server");
    QTest::newRow("absent") << QByteArray() << "" << "";
    QTest::newRow("plain") << QByteArray("Name=Brom\nServer=10.0.0.7\n") << "Brom" << "10.0.0.7";
    // An unquoted comma would read as a list; the user meant the text.
    QTest::newRow("comma") << QByteArray("Name=Brom, il nano\n") << "Brom, il nano" << "";
    QTest::newRow("server padded") << QByteArray("Server=\"  10.0.0.7 \"\n") << "" << "10.0.0.7";
}

void tst_Startup::preferencesNameAndServerHandEdited()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, name);
    QFETCH(QString, server);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavernix.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Vellumara]\nPort=2000\nTutorial=1\n" + lines);
    file.close();
    const Preferences prefs = PreferencesStore(path).GetPreferences();
    QCOMPARE(prefs.name, name);
    QCOMPARE(prefs.server, server);
    QCOMPARE(prefs.port, 2000);
}

void tst_Startup::executableName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");
    QTest::newRow("installed") << "/usr/bin/tavernix" << true;
    QTest::newRow("upper case") << "/opt/TAVERNIX" << true;
    QTest::newRow("with extension") << "/tmp/Tavernix.exe" << true;
    QTest::newRow("renamed") << "/usr/bin/tavernix2" << false;
    QTest::newRow("other program") << "/usr/bin/chat" << false;
}

void tst_Startup::executableName()
{
    QFETCH(QString, path);
    QFETCH(bool, ok);
    QCOMPARE(InstanceGuard::executableNameOk(path), ok);
}

// A fake process table: one folder per pid with an "exe" link, as /proc has.
static void addProcess(const QTemporaryDir &proc, int pid, const QString &exe)
{
    const QString dir = proc.filePath(QString::number(pid));
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(QFile::link(exe, dir + QStringLiteral("/exe")));
}

void tst_Startup::otherInstanceFromAnotherFolder()
{
    QTemporaryDir proc;
    addProcess(proc, 100, QStringLiteral("/usr/bin/bash"));
    addProcess(proc, 101, QStringLiteral("/home/me/copy/tavernix"));
    QDir().mkpath(proc.filePath(QStringLiteral("self"))); // not a pid
    QVERIFY(InstanceGuard::bOtherInstance(QStringLiteral("tavernix"),
                                          QStringLiteral("/usr/bin/tavernix"), proc.path()));
    // Names are compared in lower case.
    QVERIFY(InstanceGuard::bOtherInstance(QStringLiteral("TAVERNIX"),
                                          QStringLiteral("/usr/bin/tavernix"), proc.path()));
}

void tst_Startup::ownProcessIsNotAnotherInstance()
{
    QTemporaryDir proc;
    addProcess(proc, 100, QStringLiteral("/usr/bin/bash"));
    addProcess(proc, 200, QStringLiteral("/usr/bin/tavernix"));
    // Only all-digit names are processes.
    QVERIFY(QDir().mkpath(proc.filePath(QStringLiteral("12abc"))));
    QVERIFY(QFile::link(QStringLiteral("/home/me/copy/tavernix"),
                        proc.filePath(QStringLiteral("12abc/exe"))));
    QVERIFY(!InstanceGuard::bOtherInstance(QStringLiteral("tavernix"),
                                           QStringLiteral("/usr/bin/tavernix"), proc.path()));
    // The real process table holds this test, which is not called tavernix.
    QVERIFY(!InstanceGuard::bOtherInstance(QStringLiteral("tavernix-no-such-program"),
                                           QStringLiteral("/usr/bin/tavernix")));
    // In the real table this very test process is found by its name, unless
    // its own path is the one skipped.
    const QString self = QCoreApplication::applicationFilePath();
    const QString selfName = QFileInfo(self).fileName();
    QVERIFY(InstanceGuard::bOtherInstance(selfName, QStringLiteral("/elsewhere/") + selfName));
    QVERIFY(!InstanceGuard::bOtherInstance(selfName, self));
}

void tst_Startup::lockIsExclusive()
{
    QTemporaryDir dir;
    InstanceGuard first(dir.path());
    QVERIFY(first.tryLock());
    InstanceGuard second(dir.path());
    QVERIFY(!second.tryLock());
}

// Whatever a copy that died left in the file, the next start runs: only a
// living holder keeps the lock.
void tst_Startup::lockTakesOverWhatACrashLeft_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a dead process") << QByteArray("2147483646\n");
    QTest::newRow("a living other program") << QByteArray("1\n");
    QTest::newRow("an older copy's three lines") << QByteArray("1\ntavernix\nhost\n");
    QTest::newRow("garbage") << QByteArray("\xff\0zz", 4);
}

void tst_Startup::lockTakesOverWhatACrashLeft()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavernix-%1.lock").arg(getuid()));
    {
        QFile left(path);
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.write(contents);
    }
    {
        InstanceGuard guard(dir.path());
        QVERIFY(guard.tryLock());
        QVERIFY(!InstanceGuard(dir.path()).tryLock());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::number(qint64(getpid())) + '\n');
    }
    // Ended normally, the lock is free again.
    QVERIFY(InstanceGuard(dir.path()).tryLock());
}

void tst_Startup::lockHeldByAnotherProcessEndsWithIt()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavernix-%1.lock").arg(getuid()));
    // util-linux's flock(1) takes the same kind of lock on the same file; the
    // shell then becomes the sleep, so the process killed is the holder.
    QProcess holder;
    holder.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("exec 9>>\"$0\" && flock -x 9 && echo held && exec sleep 60"), path});
    QVERIFY(holder.waitForStarted(5000));
    QVERIFY(QTest::qWaitFor([&] { return holder.canReadLine(); }, 5000));
    QCOMPARE(holder.readLine(), QByteArray("held\n"));
    InstanceGuard guard(dir.path());
    QVERIFY(!guard.tryLock());
    holder.kill(); // as a crash would end it
    QVERIFY(holder.waitForFinished(5000));
    QVERIFY(QTest::qWaitFor([&] { return guard.tryLock(); }, 5000));
}

// The running copy's side: a second start's request over a real local socket.
void tst_Startup::raiseChannelAnswersARequest()
{
    QTemporaryDir dir;
    RaiseChannel channel(dir.path());
    QVERIFY(channel.listen());
    QCOMPARE(channel.path(), RaiseChannel::socketPath(dir.path()));
    QVERIFY(channel.path().startsWith(dir.path() + QLatin1Char('/')));
    QSignalSpy raised(&channel, &RaiseChannel::raiseRequested);
    for (int round = 0; round < 2; ++round) { // the channel keeps listening
        QLocalSocket caller;
        caller.connectToServer(channel.path());
        QVERIFY(caller.waitForConnected(2000));
        caller.write("raise\n");
        QVERIFY(QTest::qWaitFor([&] { return caller.canReadLine(); }, 5000));
        QCOMPARE(caller.readLine(), QByteArray("ok\n"));
        QCOMPARE(raised.size(), round + 1);
    }
}

void tst_Startup::raiseChannelIgnoresOtherTalk_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("another word") << QByteArray("quit\n");
    QTest::newRow("no line break") << QByteArray("raise");
    QTest::newRow("long line") << QByteArray(4096, 'r') + '\n';
    QTest::newRow("binary") << QByteArray("\0\xff\x01raise\n", 9);
}

void tst_Startup::raiseChannelIgnoresOtherTalk()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    RaiseChannel channel(dir.path());
    QVERIFY(channel.listen());
    QSignalSpy raised(&channel, &RaiseChannel::raiseRequested);
    QLocalSocket caller;
    caller.connectToServer(channel.path());
    QVERIFY(caller.waitForConnected(2000));
    caller.write(bytes);
    caller.flush();
    // Anything but the one request is not answered, and the caller is let go
    // (at once, or after a few seconds of silence).
    QVERIFY(QTest::qWaitFor(
        [&] { return caller.state() == QLocalSocket::UnconnectedState; }, 10000));
    QCOMPARE(raised.size(), 0);
    QVERIFY(!caller.readAll().contains("ok"));
}

// What a copy that crashed leaves behind: a socket file nobody listens on.
static bool makeStaleSocket(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address),
                                         sizeof(address)) == 0;
    if (fd >= 0)
        ::close(fd); // the file stays
    return bound && QFileInfo::exists(path);
}

void tst_Startup::raiseChannelReplacesALeftoverSocket()
{
    // The next copy, holding the lock, listens all the same.
    QTemporaryDir dir;
    const QString path = RaiseChannel::socketPath(dir.path());
    QVERIFY(makeStaleSocket(path));
    QLocalServer plain;
    QVERIFY(!plain.listen(path)); // without clearing it first, listening fails
    RaiseChannel channel(dir.path());
    QVERIFY(channel.listen());
    QSignalSpy raised(&channel, &RaiseChannel::raiseRequested);
    QLocalSocket caller;
    caller.connectToServer(path);
    QVERIFY(caller.waitForConnected(2000));
    caller.write("raise\n");
    QVERIFY(QTest::qWaitFor([&] { return raised.size() == 1; }, 5000));
}

void tst_Startup::raiseWithNobodyListening()
{
    QTemporaryDir dir;
    QVERIFY(!RaiseChannel::askToRaise(dir.path(), 2000));
    // A socket file that nobody listens on any more answers nothing either.
    QVERIFY(makeStaleSocket(RaiseChannel::socketPath(dir.path())));
    QVERIFY(!RaiseChannel::askToRaise(dir.path(), 2000));
}

void tst_Startup::commandLine_data()
{
    using A = app::CommandLine::Action;
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("host");
    QTest::addColumn<QString>("connectTo");
    QTest::newRow("nothing") << QStringList{} << int(A::Run) << "" << 0 << false << "";
    QTest::newRow("host") << QStringList{"--name", "Brom", "--host"} << int(A::Run) << "Brom" << 0
                          << true << "";
    QTest::newRow("connect") << QStringList{"--name=Ada", "--port", "2600", "--connect",
                                            "192.168.0.5"}
                             << int(A::Run) << "Ada" << 2600 << false << "192.168.0.5";
    QTest::newRow("connect with a private table's link")
        << QStringList{"--name", "Ada", "--connect", "tavernix://10.0.0.2:2600/?fp=" + QString(43, u'A') + "&k=" + QString(22, u'Q')}
        << int(A::Run) << "Ada" << 2600 << false << "10.0.0.2";
    QTest::newRow("help") << QStringList{"--help"} << int(A::ShowHelp) << "" << 0 << false << "";
    QTest::newRow("version") << QStringList{"--version"} << int(A::ShowVersion) << "" << 0 << false
                             << "";
    QTest::newRow("bad port") << QStringList{"--port", "70000"} << int(A::Error) << "" << 0 << false
                              << "";
    QTest::newRow("port letters") << QStringList{"--port", "abc"} << int(A::Error) << "" << 0
                                  << false << "";
    QTest::newRow("both roles") << QStringList{"--host", "--connect", "x"} << int(A::Error) << ""
                                << 0 << true << "x";
    QTest::newRow("unknown") << QStringList{"--frobnicate"} << int(A::Error) << "" << 0 << false
                             << "";
    QTest::newRow("stray") << QStringList{"extra"} << int(A::Error) << "" << 0 << false << "";
    QTest::newRow("qt options are qt's")
        << QStringList{"-platform", "offscreen", "--name", "Ada", "-style=fusion", "--style",
                       "fusion", "-reverse", "--host"}
        << int(A::Run) << "Ada" << 0 << true << "";
}

void tst_Startup::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, action);
    QFETCH(QString, name);
    QFETCH(int, port);
    QFETCH(bool, host);
    QFETCH(QString, connectTo);
    args.prepend(QStringLiteral("tavernix"));
    const app::CommandLine cl = app::CommandLine::parse(args);
    QCOMPARE(int(cl.action), action);
    if (cl.action == app::CommandLine::Action::Error) {
        QVERIFY(!cl.error.isEmpty());
        return;
    }
    QCOMPARE(cl.name, name);
    QCOMPARE(cl.port, port);
    QCOMPARE(cl.host, host);
    QCOMPARE(cl.connectTo, connectTo);
    if (cl.action == app::CommandLine::Action::ShowHelp) {
        QVERIFY(cl.helpText.contains(QLatin1String("--connect")));
        QVERIFY(cl.helpText.contains(QLatin1String("--port")));
    }
}

void tst_Startup::commandLineLogDir_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QString>("logDir");
    QTest::newRow("a folder") << QStringList{"--log-dir", "/tmp/diari", "--host"} << false
                              << "/tmp/diari";
    QTest::newRow("with =") << QStringList{"--log-dir=serate"} << false << "serate";
    QTest::newRow("not given") << QStringList{"--host"} << false << "";
    QTest::newRow("empty") << QStringList{"--log-dir="} << true << "";
    QTest::newRow("missing") << QStringList{"--log-dir"} << true << "";
}

void tst_Startup::commandLineLogDir()
{
    QFETCH(QStringList, args);
    QFETCH(bool, error);
    QFETCH(QString, logDir);
    args.prepend(QStringLiteral("tavernix"));
    const app::CommandLine cl = app::CommandLine::parse(args);
    QCOMPARE(cl.action == app::CommandLine::Action::Error, error);
    if (!error)
        QCOMPARE(cl.logDir, logDir);
    const app::CommandLine help = app::CommandLine::parse({"tavernix", "--help"});
    QVERIFY(help.helpText.contains(QLatin1String("--log-dir <CARTELLA>")));
}

// The help names the program and, like the refusals, is in Italian: no
// "<executable_name>", no "Usage:", no English text of the parser.
void tst_Startup::commandLineSpeaksItalian_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // in the help, or the error
    QTest::newRow("help") << QStringList{"--help"} << "Uso: tavernix [opzioni]";
    QTest::newRow("help lists options") << QStringList{"-h"} << "  --port <N>";
    QTest::newRow("unknown") << QStringList{"--frobnicate"} << "Opzione sconosciuta: --frobnicate.";
    QTest::newRow("unknown short") << QStringList{"-q"} << "Opzione sconosciuta: -q.";
    QTest::newRow("value missing") << QStringList{"--name"} << "--name vuole un valore: --name NOME.";
    QTest::newRow("value to a switch") << QStringList{"--host=si"} << "--host non vuole un valore.";
}

void tst_Startup::commandLineSpeaksItalian()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    args.prepend(QStringLiteral("/usr/bin/tavernix"));
    const app::CommandLine cl = app::CommandLine::parse(args);
    const QString text = cl.action == app::CommandLine::Action::ShowHelp ? cl.helpText : cl.error;
    QVERIFY2(text.contains(expected), qPrintable(text));
    for (const char *english : {"<executable_name>", "Usage", "Options:", "Unknown", "Missing",
                                "Displays"})
        QVERIFY2(!text.contains(QLatin1String(english)), qPrintable(text));
}

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
