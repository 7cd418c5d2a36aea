// The program as "cmake --install" lays it out (the test's fixture installs
// the build into a fresh prefix first): data where a Linux desktop looks
// for it, the bell's files found there, a manual page that lists every
// option, and a program that runs from there.

#include "clockbell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using conversation::ClockBell;

class tst_Installed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesWhereTheDesktopLooks_data();
    void filesWhereTheDesktopLooks();
    void bellFilesAreFoundInShare();
    void bellSoundModuleIsFoundInLib();
    void desktopEntryStartsTheInstalledProgram();
    void manualPageListsEveryOption();
    void installedProgramRuns();

private:
    static QString prefix(const QString &rest = QString())
    {
        return QStringLiteral(TAVERNIX_TEST_PREFIX) + (rest.isEmpty() ? QString() : "/" + rest);
    }
    static QString program() { return prefix(QStringLiteral(TAVERNIX_BINDIR "/tavernix")); }
    QString m_help;
};

void tst_Installed::initTestCase()
{
    QVERIFY2(QFileInfo(program()).isExecutable(), qPrintable(program()));
    QProcess help;
    help.start(program(), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(10000));
    QCOMPARE(help.exitCode(), 0);
    m_help = QString::fromUtf8(help.readAllStandardOutput());
    QVERIFY(m_help.contains(QLatin1String("--name")));
}

void tst_Installed::filesWhereTheDesktopLooks_data()
{
    QTest::addColumn<QString>("path");
    const QString data = QStringLiteral(TAVERNIX_DATADIR);
    QTest::newRow("sound") << data + "/tavernix/cuckoo.wav";
    QTest::newRow("animation") << data + "/tavernix/KOOKOObis.GIF";
    QTest::newRow("launcher") << data + "/applications/io.github.tavernix.Tavernix.desktop";
    QTest::newRow("metainfo") << data + "/metainfo/io.github.tavernix.Tavernix.metainfo.xml";
    QTest::newRow("scalable icon") << data + "/icons/hicolor/scalable/apps/io.github.tavernix.Tavernix.svg";
    QTest::newRow("icon") << data + "/icons/hicolor/64x64/apps/io.github.tavernix.Tavernix.png";
    QTest::newRow("manual") << QStringLiteral(TAVERNIX_MANDIR "/man6/tavernix.6");
}

void tst_Installed::filesWhereTheDesktopLooks()
{
    QFETCH(QString, path);
    const QFileInfo info(prefix(path));
    QVERIFY2(info.isFile() && info.size() > 0, qPrintable(info.filePath()));
}

void tst_Installed::bellFilesAreFoundInShare()
{
    // Data does not lie beside an installed program any more...
    for (const QString &name : ClockBell::assetNames())
        QVERIFY2(!QFile::exists(prefix(QStringLiteral(TAVERNIX_BINDIR "/") + name)), qPrintable(name));
    // ...and the program finds it in share/tavernix of its own prefix, not
    // in a copy the system may have elsewhere.
    const QByteArray oldDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", "/nonexistent");
    const QString found = ClockBell::findAssetFolder(prefix(QStringLiteral(TAVERNIX_BINDIR)));
    qputenv("XDG_DATA_DIRS", oldDirs);
    QCOMPARE(found, QDir::cleanPath(prefix(QStringLiteral(TAVERNIX_DATADIR "/tavernix"))));
}

void tst_Installed::bellSoundModuleIsFoundInLib()
{
    // The module goes in the program's own library folder, not beside the
    // program, and the program finds it there.
    const QString module = ClockBell::findSoundModule(prefix(QStringLiteral(TAVERNIX_BINDIR)));
    QVERIFY2(!module.isEmpty(), "no sound module in the installed tree");
    QCOMPARE(QFileInfo(module).path(),
             QDir::cleanPath(prefix(QStringLiteral(TAVERNIX_LIBDIR "/tavernix"))));
    QVERIFY(QFileInfo(module).size() > 0);

    // The installed program itself does not link the multimedia library:
    // that is what the module is for.
    const QString readelf = QStandardPaths::findExecutable(QStringLiteral("readelf"));
    if (readelf.isEmpty())
        QSKIP("readelf is not installed; the module's place was checked");
    QProcess dynamic;
    dynamic.start(readelf, {QStringLiteral("-d"), program()});
    QVERIFY(dynamic.waitForFinished(10000));
    QCOMPARE(dynamic.exitCode(), 0);
    const QByteArray needed = dynamic.readAllStandardOutput();
    QVERIFY(needed.contains("libQt6Widgets"));
    QVERIFY2(!needed.contains("Multimedia"), needed.constData());
    dynamic.start(readelf, {QStringLiteral("-d"), module});
    QVERIFY(dynamic.waitForFinished(10000));
    QVERIFY(dynamic.readAllStandardOutput().contains("libQt6Multimedia"));
}

void tst_Installed::desktopEntryStartsTheInstalledProgram()
{
    QFile file(prefix(QStringLiteral(TAVERNIX_DATADIR "/applications/io.github.tavernix.Tavernix.desktop")));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QString> keys;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    // The program, handed an invitation link when one is opened.
    QCOMPARE(keys.value("Exec"), QFileInfo(program()).fileName() + QStringLiteral(" %u"));
    QVERIFY(keys.value("MimeType").split(QLatin1Char(';')).contains(
        QStringLiteral("x-scheme-handler/tavernix")));
    QCOMPARE(keys.value("Icon"), QStringLiteral("io.github.tavernix.Tavernix"));
    // The window manager ties the window to the entry by its class, which
    // Qt takes from the application name the program sets.
    QCOMPARE(keys.value("StartupWMClass"), QStringLiteral("tavernix"));
    QCOMPARE(keys.value("Categories"), QStringLiteral("Game;RolePlaying;"));
}

void tst_Installed::manualPageListsEveryOption()
{
    const QString page = prefix(QStringLiteral(TAVERNIX_MANDIR "/man6/tavernix.6"));
    QFile file(page);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString roff = QString::fromUtf8(file.readAll());
    QVERIFY(roff.startsWith(QLatin1String(".\\\"")) || roff.startsWith(QLatin1String(".TH")));
    QVERIFY(roff.contains(QLatin1String(".TH TAVERNIX 6")));
    QVERIFY(!roff.contains(QLatin1Char('@'))); // every placeholder filled in

    // Every long option the program accepts, as the page writes it.
    const QRegularExpression longOption(QStringLiteral("(?<![\\w-])--([a-z][a-z-]*)"));
    QStringList options;
    for (auto it = longOption.globalMatch(m_help); it.hasNext();)
        options << it.next().captured(1);
    options.removeDuplicates();
    QVERIFY(options.size() >= 6);
    for (const QString &option : std::as_const(options)) {
        const QString written = QStringLiteral("\\fB\\-\\-") + QString(option).replace("-", "\\-");
        QVERIFY2(roff.contains(written), qPrintable(option));
    }
    // An option that takes a value shows its value's name too.
    const QRegularExpression withValue(QStringLiteral("--([a-z][a-z-]*) <([^>]+)>"));
    int values = 0;
    for (auto it = withValue.globalMatch(m_help); it.hasNext(); ++values) {
        const auto m = it.next();
        const QString written = QStringLiteral("\\-\\-%1\\fR \\fI%2\\fR")
                                    .arg(QString(m.captured(1)).replace("-", "\\-"), m.captured(2));
        QVERIFY2(roff.contains(written), qPrintable(written));
    }
    QVERIFY(values >= 3);

    // The page reads without a formatter warning.
    const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
    if (man.isEmpty())
        QSKIP("man is not installed; the page's text was checked");
    QProcess render;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MANWIDTH", "80");
    env.insert("LC_ALL", "C.UTF-8");
    render.setProcessEnvironment(env);
    render.start(man, {QStringLiteral("--warnings"), QStringLiteral("-l"), page});
    QVERIFY(render.waitForFinished(20000));
    const QByteArray warnings = render.readAllStandardError();
    QCOMPARE(render.exitCode(), 0);
    QVERIFY2(warnings.isEmpty(), warnings.constData());
    const QString text = QString::fromUtf8(render.readAllStandardOutput());
    QVERIFY(text.contains(QLatin1String("OPZIONI")));
    for (const QString &option : std::as_const(options))
        QVERIFY2(text.contains("--" + option), qPrintable(option));
}

void tst_Installed::installedProgramRuns()
{
    QProcess version;
    version.start(program(), {QStringLiteral("--version")});
    QVERIFY(version.waitForFinished(10000));
    QCOMPARE(version.exitCode(), 0);
    QVERIFY(version.readAllStandardOutput().startsWith("tavernix "));

    // Started for real (its fill library comes from the prefix too), it
    // hosts, and ends through its normal end on SIGTERM.
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    const QString runtime = dir.filePath("runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert("XDG_RUNTIME_DIR", runtime);
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    QProcess running;
    running.setProcessEnvironment(env);
    running.start(program(), {"--name", "Oste", "--port", QString::number(port), "--host"});
    QVERIFY(running.waitForStarted(5000));
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (running.state() != QProcess::Running)
                return true;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        },
        10000));
    if (running.state() != QProcess::Running) {
        const QByteArray why = running.readAllStandardError();
        if (why.contains("altra copia"))
            QSKIP("another copy of tavernix runs for this user elsewhere on this machine");
        QFAIL(why.constData());
    }
    running.terminate();
    QVERIFY(running.waitForFinished(10000));
    QCOMPARE(running.exitCode(), 0);
    QSettings ini(dir.filePath("config/tavernix.ini"), QSettings::IniFormat);
    QCOMPARE(ini.value("Vellumara/Name").toString(), QStringLiteral("Oste"));
}

QTEST_GUILESS_MAIN(tst_Installed)
#include "tst_installed.moc"
