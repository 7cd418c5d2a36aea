#include "commandline.h"
#include "instanceguard.h"
#include "preferences.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using session::InstanceGuard;
using session::Preferences;
using session::PreferencesStore;

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void preferencesDefaultsWithoutFile();
    void preferencesRoundTrip();
    void preferencesBadValues_data();
    void preferencesBadValues();
    void preferencesFileLayout();
    void preferencesDefaultPathFollowsXdg();

    void executableName_data();
    void executableName();
    void otherInstanceFromAnotherFolder();
    void ownProcessIsNotAnotherInstance();
    void lockIsExclusive();

    void commandLine_data();
    void commandLine();
    void commandLineLogDir_data();
    void commandLineLogDir();
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
    QVERIFY(help.helpText.contains(QLatin1String("--log-dir <DIR>")));
}

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
