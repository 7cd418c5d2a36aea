#include "bellclock.h"
#include "clockbell.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMovie>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

using conversation::BellClock;
using conversation::ClockBell;

class TestClock : public QObject
{
    Q_OBJECT

    QTime m_now;

    BellClock::TimeSource source()
    {
        return [this] { return m_now; };
    }

    // Ticks once a second from the current time up to and including @p until.
    static void walk(QTime &now, ClockBell &bell, const QTime &until)
    {
        while (now < until) {
            now = now.addSecs(1);
            bell.clock()->tick();
        }
    }

private slots:
    void clockTextShape()
    {
        QCOMPARE(BellClock::clockText(QTime(9, 5, 7)), QString("9.05.07"));
        QCOMPARE(BellClock::clockText(QTime(14, 0, 0)), QString("14.00.00"));
        QCOMPARE(BellClock::clockText(QTime(0, 0, 0)), QString("0.00.00"));
        QCOMPARE(BellClock::clockText(QTime(23, 59, 59, 999)), QString("23.59.59"));
        QCOMPARE(BellClock::clockText(QTime()), QString());
    }

    void nextTickLandsJustAfterTheSecond()
    {
        QCOMPARE(BellClock::msecsToNextSecond(QTime(10, 0, 0, 0)), 1005);
        QCOMPARE(BellClock::msecsToNextSecond(QTime(10, 0, 0, 999)), 6);
        QCOMPARE(BellClock::msecsToNextSecond(QTime(10, 0, 0, 500)), 505);
    }

    void bellRingsOnTheHourAndCloses()
    {
        QWidget window;
        m_now = QTime(13, 59, 58);
        ClockBell bell(&window, source(), false);
        bell.setAssetFolder(QCoreApplication::applicationDirPath());
        QStringList sounds;
        bell.setSoundPlayer([&](const QString &path) { sounds << path; });
        QSignalSpy rang(&bell, &ClockBell::bellRang);

        bell.clock()->tick();
        QCOMPARE(bell.Orologio()->text(), QString("13.59.58"));
        walk(m_now, bell, QTime(13, 59, 59));
        QVERIFY(!bell.Form4());

        walk(m_now, bell, QTime(14, 0, 0));
        QCOMPARE(bell.Orologio()->text(), QString("14.00.00"));
        QVERIFY(bell.Form4());
        QVERIFY(bell.Form4()->isVisible());
        QCOMPARE(bell.Form4()->objectName(), QString("Form4"));
        QCOMPARE(bell.Form4()->windowTitle(), QString("Ore: 14.00.00"));
        QCOMPARE(rang.count(), 1);
        QCOMPARE(sounds, QStringList{QCoreApplication::applicationDirPath() + "/cuckoo.wav"});
        QVERIFY(bell.OrarioBell()->isChecked());

        // the animation is our own GIF, found beside the program and playing
        auto *box = bell.Form4()->findChild<QLabel *>("KookooBox");
        QVERIFY(box);
        QVERIFY(box->movie());
        QVERIFY(box->movie()->isValid());
        QVERIFY(box->movie()->frameCount() > 1);
        QCOMPARE(box->movie()->state(), QMovie::Running);

        // a second tick within second 0 does not ring again
        bell.clock()->tick();
        QCOMPARE(rang.count(), 1);

        walk(m_now, bell, QTime(14, 0, 6));
        QVERIFY(bell.Form4());
        QVERIFY(bell.Form4()->isVisible());
        QVERIFY(bell.OrarioBell()->isChecked());

        walk(m_now, bell, QTime(14, 0, 7));
        QVERIFY(!bell.Form4());
        QVERIFY(!bell.OrarioBell()->isChecked());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window.findChild<QWidget *>("Form4"));

        walk(m_now, bell, QTime(14, 59, 59));
        QCOMPARE(rang.count(), 1);
        QCOMPARE(sounds.size(), 1);

        walk(m_now, bell, QTime(15, 0, 0));
        QCOMPARE(rang.count(), 2);
        QCOMPARE(bell.Form4()->windowTitle(), QString("Ore: 15.00.00"));
    }

    void missedSecondZeroGivesNoBell()
    {
        QWidget window;
        m_now = QTime(15, 59, 59);
        ClockBell bell(&window, source(), false);
        int sounds = 0;
        bell.setSoundPlayer([&](const QString &) { ++sounds; });
        QSignalSpy rang(&bell, &ClockBell::bellRang);
        bell.clock()->tick();
        m_now = QTime(16, 0, 1); // the busy machine skipped 16.00.00
        bell.clock()->tick();
        walk(m_now, bell, QTime(16, 59, 59));
        QCOMPARE(rang.count(), 0);
        QCOMPARE(sounds, 0);
        QVERIFY(!bell.Form4());
        walk(m_now, bell, QTime(17, 0, 0));
        QCOMPARE(rang.count(), 1);
    }

    void startingOnTheHourRings()
    {
        QWidget window;
        m_now = QTime(9, 0, 0);
        ClockBell bell(&window, source(), false);
        bell.setSoundPlayer([](const QString &) {});
        bell.clock()->tick();
        QVERIFY(bell.Form4());
        QCOMPARE(bell.Form4()->windowTitle(), QString("Ore: 9.00.00"));
    }

    void userClosingTheBellIsHarmless()
    {
        QWidget window;
        m_now = QTime(10, 0, 0);
        ClockBell bell(&window, source(), false);
        bell.setSoundPlayer([](const QString &) {});
        bell.clock()->tick();
        QVERIFY(bell.Form4());
        bell.Form4()->close(); // deletes itself
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!bell.Form4());
        walk(m_now, bell, QTime(10, 0, 8));
        QVERIFY(!bell.OrarioBell()->isChecked());
    }

    void missingFilesAreNotReported()
    {
        QWidget window;
        m_now = QTime(11, 59, 59);
        ClockBell bell(&window, source(), false);
        bell.setAssetFolder(QCoreApplication::applicationDirPath() + "/no-such-folder");
        bell.clock()->tick();
        m_now = QTime(12, 0, 0);
        bell.clock()->tick();
        QVERIFY(bell.Form4());
        QVERIFY(bell.Form4()->isVisible());
        auto *box = bell.Form4()->findChild<QLabel *>("KookooBox");
        QVERIFY(box);
        QVERIFY(!box->movie());
        walk(m_now, bell, QTime(12, 0, 10));
        QCOMPARE(bell.Orologio()->text(), QString("12.00.10"));
        QVERIFY(!bell.Form4());
    }

    // Where the bell's sound module is found: beside the program in a build
    // tree, in lib/tavernix of an installed prefix, else nowhere.
    void soundModuleForEachLayout_data()
    {
        QTest::addColumn<QString>("module");  // made under a temporary root, or empty
        QTest::addColumn<QString>("program"); // the program's folder
        const QString name = QFileInfo(ClockBell::findSoundModule(
                                           QCoreApplication::applicationDirPath()))
                                 .fileName();
        QTest::newRow("build tree") << "build/bin/" + name << "build/bin";
        QTest::newRow("installed") << "usr/" TAVERNIX_MODULE_DIR "/" + name << "usr/bin";
        QTest::newRow("missing") << QString() << "usr/bin";
        QTest::newRow("elsewhere") << "opt/lib/tavernix/" + name << "usr/bin";
    }

    void soundModuleForEachLayout()
    {
        QFETCH(QString, module);
        QFETCH(QString, program);
        QVERIFY2(!QFileInfo(ClockBell::findSoundModule(QCoreApplication::applicationDirPath()))
                      .fileName()
                      .isEmpty(),
                 "the build tree's module is beside the test");
        QTemporaryDir root;
        QDir(root.path()).mkpath(program);
        if (!module.isEmpty()) {
            QDir(root.path()).mkpath(QFileInfo(module).path());
            QFile file(root.filePath(module));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString found = ClockBell::findSoundModule(root.filePath(program));
        const bool reachable = !module.isEmpty() && !module.startsWith("opt/");
        QCOMPARE(found, reachable ? QDir::cleanPath(root.filePath(module)) : QString());
    }

    void bellIsSilentWithoutItsModule()
    {
        QWidget window;
        m_now = QTime(17, 59, 59);
        ClockBell bell(&window, source(), false);
        bell.setAssetFolder(QCoreApplication::applicationDirPath());
        bell.setSoundModule(QCoreApplication::applicationDirPath() + "/no-such-module.so");
        QSignalSpy rang(&bell, &ClockBell::bellRang);
        bell.clock()->tick();
        walk(m_now, bell, QTime(18, 0, 0));
        QCOMPARE(rang.count(), 1);
        QVERIFY(bell.Form4());
        QVERIFY(bell.Form4()->isVisible());
        QVERIFY(!bell.soundEffect());
        // the next hour rings the same way, still without a sound
        walk(m_now, bell, QTime(19, 0, 0));
        QCOMPARE(rang.count(), 2);
        QVERIFY(!bell.soundEffect());
        QCOMPARE(bell.Orologio()->text(), QString("19.00.00"));
    }

    void soundModuleIsLoadedAtTheFirstRing()
    {
        QWidget window;
        m_now = QTime(20, 59, 59);
        ClockBell bell(&window, source(), false);
        bell.setAssetFolder(QCoreApplication::applicationDirPath());
        QVERIFY(!bell.soundModule().isEmpty());
        bell.clock()->tick();
        QVERIFY(!bell.soundEffect()); // nothing loaded before the bell rings
        walk(m_now, bell, QTime(21, 0, 0));
        QObject *sound = bell.soundEffect();
        QVERIFY(sound);
        QCOMPARE(sound->metaObject()->className(), "QSoundEffect");
        QCOMPARE(sound->parent(), &bell);
        QCOMPARE(sound->property("source").toUrl(),
                 QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/cuckoo.wav"));
        walk(m_now, bell, QTime(22, 0, 0));
        QCOMPARE(bell.soundEffect(), sound); // made once, played again
    }

    void timerIsNotABusyLoop()
    {
        QWidget window;
        ClockBell bell(&window); // the real clock, started
        QTimer *timer = window.findChild<QTimer *>("Timer1");
        QVERIFY(timer);
        QVERIFY(timer->isSingleShot());
        QVERIFY(timer->isActive());
        QVERIFY(timer->interval() >= 5);
        QVERIFY(timer->interval() <= 1005);
        const QString first = bell.clockText();
        QVERIFY(!first.isEmpty());
        QCOMPARE(window.findChild<QLabel *>("Orologio")->text(), first);
        // the label follows the seconds: it changes within a few seconds
        QTRY_VERIFY_WITH_TIMEOUT(bell.clockText() != first, 5000);
        QVERIFY(timer->isActive());
    }

    // Where the bell's files are found, for the layouts a program runs from.
    void assetFolderForEachLayout_data()
    {
        QTest::addColumn<QStringList>("files");   // made under a temporary root
        QTest::addColumn<QString>("program");     // the program's folder
        QTest::addColumn<QString>("dataDirs");    // $XDG_DATA_DIRS, under the root
        QTest::addColumn<QString>("expected");
        const QStringList both = {"cuckoo.wav", "KOOKOObis.GIF"};
        auto under = [](const QString &folder, const QStringList &names) {
            QStringList out;
            for (const QString &n : names)
                out << folder + "/" + n;
            return out;
        };
        QTest::newRow("build tree") << under("build/bin", both) << "build/bin" << "none"
                                    << "build/bin";
        QTest::newRow("installed in /usr")
            << under("usr/share/tavernix", both) << "usr/bin" << "none" << "usr/share/tavernix";
        QTest::newRow("installed elsewhere")
            << under("opt/tx/share/tavernix", {"KOOKOObis.GIF"}) << "opt/tx/bin" << "none"
            << "opt/tx/share/tavernix";
        QTest::newRow("build tree first")
            << under("p/bin", both) + under("p/share/tavernix", both) << "p/bin" << "none"
            << "p/bin";
        QTest::newRow("system data folders")
            << under("data/tavernix", {"cuckoo.wav"}) << "elsewhere/bin" << "data" << "data/tavernix";
        // A folder by that name is not the file.
        QTest::newRow("folder is no file")
            << QStringList{"q/bin/cuckoo.wav/", "q/bin/KOOKOObis.GIF/"} << "q/bin" << "none"
            << "q/share/tavernix";
        // With nothing anywhere the installed place is named, and the bell
        // goes on without its files.
        QTest::newRow("nothing") << QStringList{} << "r/bin" << "none" << "r/share/tavernix";
    }

    void assetFolderForEachLayout()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, program);
        QFETCH(QString, dataDirs);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QDir base(root.path());
        for (const QString &f : files) {
            if (f.endsWith('/')) {
                QVERIFY(base.mkpath(f));
                continue;
            }
            QVERIFY(base.mkpath(QFileInfo(f).path()));
            QFile file(base.filePath(f));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(base.mkpath(program));
        const QByteArray oldDirs = qgetenv("XDG_DATA_DIRS");
        const QByteArray oldHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_DIRS", base.filePath(dataDirs).toUtf8());
        qputenv("XDG_DATA_HOME", base.filePath("home-data").toUtf8());
        const QString found = ClockBell::findAssetFolder(base.filePath(program));
        qputenv("XDG_DATA_DIRS", oldDirs);
        qputenv("XDG_DATA_HOME", oldHome);
        QCOMPARE(found, QDir::cleanPath(base.filePath(expected)));
    }

    void assetFolderByDefaultIsFoundBesideTheTest()
    {
        // The build copies the bell's files beside every program it builds.
        QWidget window;
        ClockBell bell(&window, source(), false);
        QCOMPARE(bell.assetFolder(), QCoreApplication::applicationDirPath());
    }
};

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
