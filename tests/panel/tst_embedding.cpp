// Hosting a real X11 program in the panel. This test needs an X server: it
// starts a private Xvfb when one is installed (so nothing appears on the
// desktop of whoever runs the tests), else uses $DISPLAY, else skips. The
// test runner asks every test for the offscreen platform; this one switches
// to xcb before the application starts.

#include "frmmain.h"
#include "hostpane.h"
#include "messagerecorder.h"
#include "programpanel.h"
#include "windowontop.h"
#include "windowsearch.h"
#include "x11windows.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using panel::HostPane;
using panel::ProgramPanel;
using panel::X11Windows;

namespace
{

pid_t g_xvfb = 0;
QString g_skipReason;

// Starts Xvfb on a display number it picks itself and waits for it to say
// which; the display is ready once it has.
bool startXvfb(const QString &binary)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const QByteArray path = binary.toLocal8Bit();
    const QByteArray fd = QByteArray::number(fds[1]);
    const char *argv[] = {path.constData(), "-displayfd", fd.constData(), "-screen", "0",
                          "1024x768x24",    "-nolisten",  "tcp",          nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawn(&g_xvfb, path.constData(), &actions, nullptr,
                               const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        g_xvfb = 0;
        return false;
    }
    QByteArray number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.isEmpty()) {
        kill(g_xvfb, SIGTERM);
        waitpid(g_xvfb, nullptr, 0);
        g_xvfb = 0;
        return false;
    }
    qputenv("DISPLAY", ":" + number);
    return true;
}

void stopXvfb()
{
    if (g_xvfb > 0) {
        kill(g_xvfb, SIGTERM);
        waitpid(g_xvfb, nullptr, 0);
        g_xvfb = 0;
    }
}

// Chooses the X server before QApplication exists; returns false (with a
// reason) when there is none to be had.
bool chooseDisplay()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xclock")).isEmpty()) {
        g_skipReason = QStringLiteral("xclock is not installed (Debian package x11-apps)");
        return false;
    }
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (!xvfb.isEmpty() && startXvfb(xvfb))
        return true;
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return true;
    g_skipReason = xvfb.isEmpty()
                       ? QStringLiteral("no X server: DISPLAY is not set and Xvfb is not installed "
                                        "(Debian package xvfb)")
                       : QStringLiteral("no X server: DISPLAY is not set and Xvfb did not start");
    return false;
}

// Whether @p ancestor is @p window or one of its parents in the X server.
bool xAncestor(quint64 ancestor, quint64 window)
{
    for (quint64 w = window; w != 0; w = X11Windows::parentOf(w)) {
        if (w == ancestor)
            return true;
    }
    return false;
}

} // namespace

class tst_Embedding : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void xclockLandsInPane3();
    void hostedWindowSurvivesStayOnTop();
    void closingTheMainWindowHandsTheWindowBack_data();
    void closingTheMainWindowHandsTheWindowBack();
    void newProgramInTheSlotFreesTheOld();
    void programThatClosesFreesThePane();
    void programWithoutWindowRunsFree();
    void programThatEndsAtOnce();

private:
    void track(ProgramPanel *panel);
    void launchClock(ProgramPanel *panel, int slot);
    QTemporaryDir m_dir;
    QList<qint64> m_started;
};

void tst_Embedding::init()
{
    if (!g_skipReason.isEmpty())
        QSKIP(qPrintable(g_skipReason));
    QVERIFY(X11Windows::available());
}

void tst_Embedding::cleanup()
{
    // Only what this test started, by its process id.
    for (qint64 pid : std::as_const(m_started)) {
        if (pid > 0)
            ::kill(pid_t(pid), SIGTERM);
    }
    m_started.clear();
}

void tst_Embedding::track(ProgramPanel *panel)
{
    connect(panel, &ProgramPanel::programStarted, this,
            [this](int, qint64 pid) { m_started << pid; });
}

void tst_Embedding::launchClock(ProgramPanel *panel, int slot)
{
    panel->launchInSlot(slot, QStringLiteral("xclock"));
}

void tst_Embedding::xclockLandsInPane3()
{
    QWidget window;
    window.resize(800, 400);
    auto *panel = new ProgramPanel(&window);
    track(panel);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    launchClock(panel, 3);
    const qint64 pid = panel->processId(3);
    QVERIFY(pid > 0);
    HostPane *pane = panel->picChild3;
    QTRY_VERIFY_WITH_TIMEOUT(pane->hostedWindow() != 0, 10000);
    const quint64 clock = pane->hostedWindow();
    QCOMPARE(X11Windows::processOf(clock), pid);
    // The clock's window is a child of the pane's container, itself inside
    // picChild3, in the X server as among the widgets.
    QVERIFY(pane->container());
    QCOMPARE(pane->container()->parentWidget(), pane);
    QCOMPARE(X11Windows::parentOf(clock), quint64(pane->container()->winId()));
    QCOMPARE(X11Windows::parentOf(pane->container()->winId()), quint64(pane->winId()));
    QVERIFY(xAncestor(window.winId(), clock));
    QVERIFY(pane->previousParent() != 0);
    QVERIFY(!xAncestor(window.winId(), pane->previousParent()));
    // It fills the pane and no other pane took anything.
    QTRY_COMPARE(pane->container()->size(), pane->size());
    for (int slot : {1, 2, 4})
        QCOMPARE(panel->hostPane(slot)->hostedWindow(), quint64(0));
    // The pane lies where the layout says, also in the window system.
    const QPoint expected = pane->mapTo(&window, QPoint(0, 0));
    QCOMPARE(pane->windowHandle()->geometry().topLeft(), expected);
}

void tst_Embedding::hostedWindowSurvivesStayOnTop()
{
    QWidget window;
    window.resize(800, 400);
    auto *panel = new ProgramPanel(&window);
    track(panel);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    launchClock(panel, 1);
    QTRY_VERIFY_WITH_TIMEOUT(panel->picChild->hostedWindow() != 0, 10000);
    const quint64 clock = panel->picChild->hostedWindow();
    const WId top = window.winId();
    // A launch sets the window on top and back, and so may the user: the
    // hosted window must live through both.
    panel::setWindowOnTop(&window, true);
    panel::setWindowOnTop(&window, false);
    QCoreApplication::processEvents();
    QCOMPARE(window.winId(), top);
    QVERIFY(X11Windows::isMapped(clock));
    QVERIFY(xAncestor(top, clock));
}

void tst_Embedding::closingTheMainWindowHandsTheWindowBack_data()
{
    QTest::addColumn<bool>("close");
    QTest::newRow("closed by the user") << true;
    QTest::newRow("destroyed unclosed") << false;
}

void tst_Embedding::closingTheMainWindowHandsTheWindowBack()
{
    QFETCH(bool, close);
    auto window = std::make_unique<app::frmMain>(m_dir.filePath(QStringLiteral("embed.ini")));
    MessageRecorder messages;
    window->setMessageService(&messages);
    ProgramPanel *panel = window->programPanel();
    track(panel);
    window->resize(800, 400);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    launchClock(panel, 4);
    QTRY_VERIFY_WITH_TIMEOUT(panel->picChild4->hostedWindow() != 0, 10000);
    const quint64 clock = panel->picChild4->hostedWindow();
    const quint64 top = window->winId();
    QVERIFY(xAncestor(top, clock));
    if (close)
        window->close();
    window->setMessageService(nullptr);
    window.reset();
    // The clock is a desktop window again, on the screen, still running.
    QVERIFY(X11Windows::parentOf(clock) != 0);
    QVERIFY(!xAncestor(top, clock));
    QVERIFY(X11Windows::isMapped(clock));
    QVERIFY(panel::WindowSearch::processRuns(m_started.value(0)));
}

void tst_Embedding::newProgramInTheSlotFreesTheOld()
{
    QWidget window;
    window.resize(800, 400);
    auto *panel = new ProgramPanel(&window);
    track(panel);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    launchClock(panel, 2);
    QTRY_VERIFY_WITH_TIMEOUT(panel->picChild2->hostedWindow() != 0, 10000);
    const quint64 first = panel->picChild2->hostedWindow();
    launchClock(panel, 2);
    QTRY_VERIFY_WITH_TIMEOUT(panel->picChild2->hostedWindow() != 0, 10000);
    const quint64 second = panel->picChild2->hostedWindow();
    QVERIFY(second != first);
    QVERIFY(!xAncestor(window.winId(), first));
    QVERIFY(X11Windows::isMapped(first));
    QVERIFY(xAncestor(window.winId(), second));
}

void tst_Embedding::programThatClosesFreesThePane()
{
    QWidget window;
    window.resize(800, 400);
    auto *panel = new ProgramPanel(&window);
    track(panel);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    launchClock(panel, 1);
    QTRY_VERIFY_WITH_TIMEOUT(panel->picChild->hostedWindow() != 0, 10000);
    QSignalSpy closed(panel->picChild, &HostPane::hostedWindowClosed);
    ::kill(pid_t(panel->processId(1)), SIGTERM);
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 5000);
    QCOMPARE(panel->picChild->hostedWindow(), quint64(0));
    QVERIFY(!panel->picChild->container());
    QCOMPARE(panel->picChild->statusText(), QStringLiteral("Riquadro 1"));
}

void tst_Embedding::programWithoutWindowRunsFree()
{
    QWidget window;
    auto *panel = new ProgramPanel(&window);
    panel->windowSearch()->setLimit(300);
    panel->windowSearch()->setInterval(20);
    track(panel);
    QSignalSpy gaveUp(panel->windowSearch(), &panel::WindowSearch::gaveUp);
    panel->launchInSlot(2, QStringLiteral("sleep 30"));
    QCOMPARE(panel->picChild2->statusText(), QStringLiteral("Avvio di sleep in corso..."));
    QTRY_COMPARE(gaveUp.size(), 1);
    QCOMPARE(panel->picChild2->statusText(),
             QStringLiteral("sleep è aperto in una finestra a sé: la sua finestra non è comparsa "
                            "in tempo per essere ospitata qui."));
    QVERIFY(panel::WindowSearch::processRuns(panel->processId(2)));
}

void tst_Embedding::programThatEndsAtOnce()
{
    QWidget window;
    auto *panel = new ProgramPanel(&window);
    panel->windowSearch()->setInterval(20);
    QSignalSpy ended(panel->windowSearch(), &panel::WindowSearch::processEnded);
    panel->launchInSlot(3, QStringLiteral("true"));
    QTRY_COMPARE(ended.size(), 1);
    QCOMPARE(panel->picChild3->statusText(),
             QStringLiteral("true è terminato senza aprire una finestra."));
}

int main(int argc, char *argv[])
{
    if (chooseDisplay())
        qputenv("QT_QPA_PLATFORM", "xcb");
    else
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int rc = 0;
    {
        QApplication app(argc, argv);
        tst_Embedding test;
        rc = QTest::qExec(&test, argc, argv);
    }
    stopXvfb();
    return rc;
}

#include "tst_embedding.moc"
