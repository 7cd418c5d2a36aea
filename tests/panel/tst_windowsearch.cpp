#include "windowsearch.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using panel::WindowSearch;

namespace
{

// A window system where process 100 + n opens window 0x500 + n at its
// attempt number `after` (0: never), and processes in `gone` have ended.
struct FakeDesktop {
    QMap<qint64, int> after;
    QSet<qint64> gone;
    QMap<qint64, int> looks;

    WindowSearch::Finder finder()
    {
        return [this](qint64 pid) -> quint64 {
            const int n = ++looks[pid];
            const int at = after.value(pid, 0);
            return at > 0 && n >= at ? quint64(0x500 + (pid - 100)) : 0;
        };
    }
    WindowSearch::AliveCheck alive()
    {
        return [this](qint64 pid) { return !gone.contains(pid); };
    }
};

} // namespace

class tst_WindowSearch : public QObject
{
    Q_OBJECT

private slots:
    void foundAtOnceInsideStart();
    void keepsLookingWithoutBlocking();
    void givesUpAtTheLimit();
    void endedProcessStopsTheSearch();
    void slotsSearchApart();
    void restartReplacesAndCancelIsSilent();
    void receiverMayStartAnotherSearch();
    void processRunsKnowsRealProcesses();
};

void tst_WindowSearch::foundAtOnceInsideStart()
{
    FakeDesktop desk;
    desk.after[101] = 1;
    WindowSearch search(desk.finder());
    search.setAliveCheck(desk.alive());
    QSignalSpy found(&search, &WindowSearch::found);
    search.start(2, 101);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0][0].toInt(), 2);
    QCOMPARE(found[0][1].toULongLong(), quint64(0x501));
    QVERIFY(!search.isSearching(2));
}

void tst_WindowSearch::keepsLookingWithoutBlocking()
{
    FakeDesktop desk;
    desk.after[103] = 5; // the window appears at the fifth look
    WindowSearch search(desk.finder());
    search.setAliveCheck(desk.alive());
    search.setInterval(1);
    QSignalSpy found(&search, &WindowSearch::found);
    search.start(3, 103);
    // The first look missed and the call came back: the event loop goes on.
    QCOMPARE(found.size(), 0);
    QVERIFY(search.isSearching(3));
    QCOMPARE(search.attempts(3), 1);
    QTRY_COMPARE(found.size(), 1);
    QCOMPARE(found[0][0].toInt(), 3);
    QCOMPARE(found[0][1].toULongLong(), quint64(0x503));
    QCOMPARE(desk.looks[103], 5);
    QVERIFY(!search.isSearching(3));
    // Nothing looks any more once found.
    QTest::qWait(20);
    QCOMPARE(desk.looks[103], 5);
}

void tst_WindowSearch::givesUpAtTheLimit()
{
    FakeDesktop desk; // process 104 never opens a window
    WindowSearch search(desk.finder());
    search.setAliveCheck(desk.alive());
    search.setInterval(1);
    search.setLimit(60);
    QSignalSpy gaveUp(&search, &WindowSearch::gaveUp);
    QSignalSpy found(&search, &WindowSearch::found);
    search.start(4, 104);
    QCOMPARE(gaveUp.size(), 0);
    QTRY_COMPARE(gaveUp.size(), 1);
    QCOMPARE(gaveUp[0][0].toInt(), 4);
    QCOMPARE(found.size(), 0);
    QVERIFY(desk.looks[104] > 1); // it did look again before giving up
    QVERIFY(!search.isSearching(4));
    QCOMPARE(WindowSearch::kDefaultLimit, 10000);
}

void tst_WindowSearch::endedProcessStopsTheSearch()
{
    FakeDesktop desk;
    WindowSearch search(desk.finder());
    search.setAliveCheck(desk.alive());
    search.setInterval(1);
    QSignalSpy ended(&search, &WindowSearch::processEnded);
    QSignalSpy gaveUp(&search, &WindowSearch::gaveUp);
    search.start(1, 105);
    QVERIFY(search.isSearching(1));
    desk.gone.insert(105);
    QTRY_COMPARE(ended.size(), 1);
    QCOMPARE(ended[0][0].toInt(), 1);
    QCOMPARE(gaveUp.size(), 0);
    // A process already gone at the start ends the search at once.
    desk.gone.insert(106);
    search.start(2, 106);
    QCOMPARE(ended.size(), 2);
}

void tst_WindowSearch::slotsSearchApart()
{
    FakeDesktop desk;
    desk.after[111] = 3;
    desk.after[112] = 6;
    WindowSearch search(desk.finder());
    search.setAliveCheck(desk.alive());
    search.setInterval(1);
    QSignalSpy found(&search, &WindowSearch::found);
    search.start(1, 111);
    search.start(2, 112);
    QTRY_COMPARE(found.size(), 2);
    QCOMPARE(found[0][0].toInt(), 1);
    QCOMPARE(found[0][1].toULongLong(), quint64(0x50B));
    QCOMPARE(found[1][0].toInt(), 2);
    QCOMPARE(found[1][1].toULongLong(), quint64(0x50C));
}

void tst_WindowSearch::restartReplacesAndCancelIsSilent()
{
    FakeDesktop desk;
    desk.after[121] = 4;
    WindowSearch search(desk.finder());
    search.setAliveCheck(desk.alive());
    search.setInterval(1);
    QSignalSpy found(&search, &WindowSearch::found);
    QSignalSpy gaveUp(&search, &WindowSearch::gaveUp);
    QSignalSpy ended(&search, &WindowSearch::processEnded);
    search.start(1, 120); // never shows a window
    search.start(1, 121); // the slot's new program
    QTRY_COMPARE(found.size(), 1);
    QCOMPARE(found[0][1].toULongLong(), quint64(0x515));
    const int looksAtOld = desk.looks[120];
    QTest::qWait(20);
    QCOMPARE(desk.looks[120], looksAtOld); // the replaced search is gone

    search.start(3, 130);
    search.cancel(3);
    QVERIFY(!search.isSearching(3));
    QTest::qWait(20);
    QCOMPARE(gaveUp.size(), 0);
    QCOMPARE(ended.size(), 0);
    QCOMPARE(found.size(), 1);
}

void tst_WindowSearch::receiverMayStartAnotherSearch()
{
    FakeDesktop desk;
    desk.after[141] = 2;
    desk.after[142] = 2;
    WindowSearch search(desk.finder());
    search.setAliveCheck(desk.alive());
    search.setInterval(1);
    QList<int> order;
    connect(&search, &WindowSearch::found, this, [&](int slot, quint64) {
        order << slot;
        if (slot == 1)
            search.start(2, 142);
    });
    search.start(1, 141);
    QTRY_COMPARE(order.size(), 2);
    QCOMPARE(order, (QList<int>{1, 2}));
}

void tst_WindowSearch::processRunsKnowsRealProcesses()
{
    QVERIFY(WindowSearch::processRuns(QCoreApplication::applicationPid()));
    QVERIFY(!WindowSearch::processRuns(0));
    QVERIFY(!WindowSearch::processRuns(-5));
    // A detached program that has ended leaves nothing that still answers.
    qint64 pid = 0;
    QVERIFY(QProcess::startDetached(QStringLiteral("true"), {}, QString(), &pid));
    QTRY_VERIFY(!WindowSearch::processRuns(pid));
}

QTEST_GUILESS_MAIN(tst_WindowSearch)
#include "tst_windowsearch.moc"
