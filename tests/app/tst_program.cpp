#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <unistd.h>

// The program as a user starts it: its own process, its own preferences.
class tst_Program : public QObject
{
    Q_OBJECT

private slots:
    void helpAndVersionNeedNoDisplay();
    void badOptionsAreRefused();
    void signalsEndThroughTheNormalEnd_data();
    void signalsEndThroughTheNormalEnd();
    void secondCopyEndsAtOnce();
    void secondCopyRaisesTheFirst();

private:
    QProcessEnvironment environment(const QTemporaryDir &dir) const;
    static quint16 freePort();
    /// Starts the program hosting on @p port and waits until it listens.
    bool startHost(QProcess &program, const QTemporaryDir &dir, quint16 port);
};

QProcessEnvironment tst_Program::environment(const QTemporaryDir &dir) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return env;
}

quint16 tst_Program::freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any);
    return probe.serverPort();
}

bool tst_Program::startHost(QProcess &program, const QTemporaryDir &dir, quint16 port)
{
    program.setProcessEnvironment(environment(dir));
    program.start(QStringLiteral(TAVERNIX_BINARY),
                  {QStringLiteral("--name"), QStringLiteral("Oste"), QStringLiteral("--port"),
                   QString::number(port), QStringLiteral("--host")});
    if (!program.waitForStarted(5000))
        return false;
    // Listening means the window is up and the signal handlers are in place.
    return QTest::qWaitFor(
        [&] {
            if (program.state() != QProcess::Running)
                return true;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        },
        10000);
}

void tst_Program::helpAndVersionNeedNoDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TAVERNIX_BINARY), {QStringLiteral("--version")});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardOutput().startsWith("tavernix "));

    program.start(QStringLiteral(TAVERNIX_BINARY), {QStringLiteral("--help")});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    const QByteArray help = program.readAllStandardOutput();
    for (const char *option : {"--name", "--port", "--host", "--connect", "--version"})
        QVERIFY2(help.contains(option), option);
}

void tst_Program::badOptionsAreRefused()
{
    QTemporaryDir dir;
    QProcess program;
    program.setProcessEnvironment(environment(dir));
    program.start(QStringLiteral(TAVERNIX_BINARY), {QStringLiteral("--port"), QStringLiteral("0")});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(program.readAllStandardError().contains("--port"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("config/tavernix.ini"))));
}

void tst_Program::signalsEndThroughTheNormalEnd_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void tst_Program::signalsEndThroughTheNormalEnd()
{
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    const quint16 port = freePort();
    QProcess program;
    QVERIFY(startHost(program, dir, port));
    if (program.state() != QProcess::Running) {
        const QByteArray why = program.readAllStandardError();
        if (why.contains("altra copia"))
            QSKIP("another copy of tavernix runs for this user elsewhere on this machine");
        QFAIL(why.constData());
    }
    ::kill(pid_t(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    // The end sequence ran: the preferences hold the port of the command line.
    QSettings ini(dir.filePath(QStringLiteral("config/tavernix.ini")), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Vellumara/Port")).toString(), QString::number(port));
    QCOMPARE(ini.value(QStringLiteral("Vellumara/Tutorial")).toString(), QStringLiteral("0"));
    // And the session's socket is closed.
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!probe.waitForConnected(500));
}

void tst_Program::secondCopyEndsAtOnce()
{
    QTemporaryDir dir;
    const quint16 port = freePort();
    QProcess first;
    QVERIFY(startHost(first, dir, port));
    if (first.state() != QProcess::Running)
        QSKIP("another copy of tavernix runs for this user elsewhere on this machine");

    QProcess second;
    second.setProcessEnvironment(environment(dir));
    second.start(QStringLiteral(TAVERNIX_BINARY), {QStringLiteral("--version")});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0); // asking for the version is always fine

    second.start(QStringLiteral(TAVERNIX_BINARY), {QStringLiteral("--name"), QStringLiteral("Bis")});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardError().contains("altra copia"));

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

void tst_Program::secondCopyRaisesTheFirst()
{
    QTemporaryDir dir;
    const quint16 port = freePort();
    QProcess first;
    // The running copy says on standard error when a raise request reached
    // its window; the log category is off unless asked for.
    QProcessEnvironment env = environment(dir);
    env.insert(QStringLiteral("QT_LOGGING_RULES"),
               QStringLiteral("qt.multimedia*=false;tavernix.instance.info=true"));
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(TAVERNIX_BINARY),
                {QStringLiteral("--name"), QStringLiteral("Oste"), QStringLiteral("--port"),
                 QString::number(port), QStringLiteral("--host")});
    QVERIFY(first.waitForStarted(5000));
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (first.state() != QProcess::Running)
                return true;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        },
        10000));
    if (first.state() != QProcess::Running)
        QSKIP("another copy of tavernix runs for this user elsewhere on this machine");
    QByteArray firstErr;
    const auto raisedLines = [&] {
        firstErr += first.readAllStandardError();
        return firstErr.count("raise request from a second start: window brought to front");
    };
    QCOMPARE(raisedLines(), 0);

    for (int start = 1; start <= 2; ++start) {
        QProcess second;
        second.setProcessEnvironment(environment(dir));
        second.start(QStringLiteral(TAVERNIX_BINARY), {QStringLiteral("--name"), QStringLiteral("Bis")});
        QVERIFY(second.waitForFinished(10000));
        // Still refused, and the refusal says where the window went.
        QCOMPARE(second.exitCode(), 1);
        const QByteArray err = second.readAllStandardError();
        QVERIFY2(err.contains("altra copia") && err.contains("portata in primo piano"),
                 err.constData());
        QVERIFY(QTest::qWaitFor([&] { return raisedLines() == start; }, 5000));
    }
    QVERIFY(first.state() == QProcess::Running);

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);
    // The socket went with the copy: a start after it runs normally.
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("runtime/tavernix-%1.raise").arg(getuid()))));
}

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
