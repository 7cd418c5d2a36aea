#include "bellclock.h"
#include "boardpanel.h"
#include "clockbell.h"
#include "boardsurface.h"
#include "boardview.h"
#include "composer.h"
#include "composerpanel.h"
#include "dicepanel.h"
#include "dialogpane.h"
#include "dialogsaver.h"
#include "journal.h"
#include "eventspanel.h"
#include "drawingtools.h"
#include "frminstext.h"
#include "frmmain.h"
#include "frmserverclient.h"
#include "palette.h"
#include "reticolobox.h"
#include "togglebutton.h"
#include "trafficlog.h"
#include "form1.h"
#include "frmfind.h"
#include "form5.h"
#include "frmports.h"
#include "hostpane.h"
#include "presetbar.h"
#include "programpanel.h"
#include "messageboxservice.h"
#include "messagerecorder.h"
#include "participantlist.h"
#include "signalbridge.h"
#include "startupwarmup.h"

#include <QIcon>
#include <QCheckBox>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPlainTextEdit>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTest>
#include <QGroupBox>

#include <QFontMetrics>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include <csignal>
#include <memory>

using app::frmMain;
using session::ChatSession;
using session::MessageService;

namespace {

using RecordingMessages = MessageRecorder;

// A window with its own preferences file and recorded message boxes.
struct Window {
    explicit Window(const QTemporaryDir &dir, const QString &tag)
        : prefsPath(dir.filePath(tag + QStringLiteral(".ini"))),
          form(std::make_unique<frmMain>(prefsPath))
    {
        form->setMessageService(&messages);
        form->chat()->setConnectWait(150);
    }
    ~Window()
    {
        if (form)
            form->setMessageService(nullptr);
    }
    void type(QLineEdit *edit, const QString &text)
    {
        edit->setText(text);
        emit edit->textEdited(text);
    }
    void host(const QString &name)
    {
        form->chat()->setPort(0);
        type(form->txtName, name);
        form->cmdHost->click();
    }
    void join(const QString &name, quint16 port)
    {
        form->chat()->setPort(port);
        type(form->txtName, name);
        form->txtIP->setText(QStringLiteral("127.0.0.1"));
        form->cmdConnect->click();
    }
    ChatSession *chat() const { return form->chat(); }
    session::ParticipantList *people() const { return chat()->participants(); }

    QString prefsPath;
    RecordingMessages messages;
    std::unique_ptr<frmMain> form;
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void controlsAtStart();
    void hostAndJoinShowTheRightButtons();
    void clientElementsAreReused();
    void connectFailureReturnsToIdle();
    void hostDisconnectLeavesClientsTheirTable();
    void kickFromTheList();
    void portDialogRefusesBadPorts();
    void portsRefusedWhileConnected();
    void listenFailureNamesThePort();
    void closeWritesPreferences();
    void commandLineHostsAndConnects();
    void commandLineLogDirKeepsTheConversation();
    void signalBridgeDeliversSigterm();
    void startupWarmupDecodesTheIcon();
    void conversationReachesEveryWindow();
    void drawingReachesEveryBoard();
    void clearFromAClientClearsEveryBoard();
    void serverLabelShowsTheAddress();
    void eventsPanelFollowsThePreference();
    void bellTakesTheWindowOffTop();
    void boardGridTextAndPictureControls();
    void switchColoursAreDistinctAndShared();
    void nameIsConfirmedOnlyWhenFocusMovesOn();
    void questionsAnswerAfterTheAskingCallReturns();
    void unlockRevealsAndHidesTheHiddenOptions();
    void findButtonOpensOneDialogOffTop();
    void topMostButtonShowsItsState();
    void presetButtonsSitOnTheBoardRow();
    void programPanelIsReachable();
    void fileBrowserOpensOffTopAndReachesThisWindow();
    void presetSizesKeepTheTable_data();
    void presetSizesKeepTheTable();
    void largerWindowGrowsBoardAndPane();
    void diceBoxesShowThreeDigits();
    void startColourIsTheNamedOne();
    void privateLineWithoutRecipientStaysInTheBox();
    void everyPresetKeepsAWayBackAndItsCaptions_data();
    void everyPresetKeepsAWayBackAndItsCaptions();
    void freshStartOpensTheEventsPanel();
    void windowCentredAtStart();

private:
    QTemporaryDir m_dir;
};

void tst_MainWindow::controlsAtStart()
{
    Window w(m_dir, QStringLiteral("start"));
    QCOMPARE(w.form->objectName(), QStringLiteral("frmMain"));
    for (const char *name : {"txtName", "txtIP", "ComboIP", "lstConnections", "cmdHost",
                             "cmdConnect", "cmdDisconnect", "cmdKick", "cmdDeselect", "cmdPorts"})
        QVERIFY2(w.form->findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(w.form->cmdHost->text(), QStringLiteral("Host"));
    QCOMPARE(w.form->cmdConnect->text(), QStringLiteral("Connetti"));
    QCOMPARE(w.form->cmdDisconnect->text(), QStringLiteral("Sconnetti"));
    QCOMPARE(w.form->cmdKick->text(), QStringLiteral("Kick"));
    QCOMPARE(w.form->cmdDeselect->text(), QStringLiteral("Deseleziona tutto"));
    QCOMPARE(w.form->cmdPorts->text(), QStringLiteral("Porta"));
    QVERIFY(w.form->cmdKick->isHidden());
    QVERIFY(w.form->ComboIP->isHidden());
    QCOMPARE(w.chat()->lPort(), 600); // no preferences file yet
    // The medium preset, 7695 x 6450 twips at 15 twips per pixel, less the
    // title bar: the chat column's 6000 twips fill the content exactly.
    QCOMPARE(w.form->width(), 7695 / 15);
    QCOMPARE(w.form->height(), 6000 / 15);
    // Hosting with an empty name does nothing.
    w.form->cmdHost->click();
    QCOMPARE(w.chat()->phase(), ChatSession::Phase::Idle);
    QVERIFY(!w.form->cmdHost->isHidden());
}

void tst_MainWindow::hostAndJoinShowTheRightButtons()
{
    Window host(m_dir, QStringLiteral("h1"));
    host.host(QStringLiteral("Master"));
    QCOMPARE(host.chat()->phase(), ChatSession::Phase::Hosting);
    QVERIFY(host.form->cmdHost->isHidden());
    QVERIFY(host.form->cmdConnect->isHidden());
    QVERIFY(host.form->cmdPorts->isHidden());
    QVERIFY(!host.form->cmdKick->isHidden());
    const quint16 port = host.chat()->listeningPort();
    QVERIFY(port != 0);

    Window a(m_dir, QStringLiteral("a1"));
    Window b(m_dir, QStringLiteral("b1"));
    a.join(QStringLiteral("Ada"), port);
    b.join(QStringLiteral("Ada"), port);
    QVERIFY(a.form->cmdHost->isHidden());
    QTRY_COMPARE(host.people()->count(), 3);
    QTRY_COMPARE(a.people()->count(), 3);
    QTRY_COMPARE(b.people()->count(), 3);
    // The second Ada is renamed by the host and the window shows it.
    QTRY_COMPARE(b.form->txtName->text(), QStringLiteral("Ada[2]"));
    QCOMPARE(b.chat()->sMyName(), QStringLiteral("Ada[2]"));
    QCOMPARE(host.people()->names(),
             (QStringList{QStringLiteral("Master"), QStringLiteral("Ada"), QStringLiteral("Ada[2]")}));
    QVERIFY(a.form->cmdKick->isHidden());
    QVERIFY(a.messages.shown.isEmpty());
    QVERIFY(host.messages.shown.isEmpty());
}

void tst_MainWindow::clientElementsAreReused()
{
    Window host(m_dir, QStringLiteral("h2"));
    host.host(QStringLiteral("Master"));
    const quint16 port = host.chat()->listeningPort();
    {
        Window a(m_dir, QStringLiteral("a2"));
        Window b(m_dir, QStringLiteral("b2"));
        a.join(QStringLiteral("Ada"), port);
        QTRY_COMPARE(host.people()->count(), 2);
        b.join(QStringLiteral("Bea"), port);
        QTRY_COMPARE(host.people()->count(), 3);
        QCOMPARE(host.chat()->iConnections(), qint16(2));
        a.form->cmdDisconnect->click();
        b.form->cmdDisconnect->click();
        QTRY_COMPARE(host.people()->count(), 1);
        QCOMPARE(a.chat()->phase(), ChatSession::Phase::Idle);
        QVERIFY(!a.form->cmdHost->isHidden());
    }
    Window c(m_dir, QStringLiteral("c2"));
    c.join(QStringLiteral("Cid"), port);
    QTRY_COMPARE(host.people()->count(), 2);
    QCOMPARE(host.chat()->iConnections(), qint16(2));
    QCOMPARE(host.people()->tagAt(1), 1);
}

void tst_MainWindow::connectFailureReturnsToIdle()
{
    // A port that was free a moment ago: nobody listens there.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 dead = probe.serverPort();
    probe.close();

    Window w(m_dir, QStringLiteral("fail"));
    w.join(QStringLiteral("Ada"), dead);
    QCOMPARE(w.chat()->phase(), ChatSession::Phase::Connecting);
    QVERIFY(w.form->cmdHost->isHidden());
    QTRY_COMPARE(w.messages.shown.size(), 1);
    QCOMPARE(w.messages.shown[0].text,
             QStringLiteral("Impossibile stabilire una connessione.\nIndirizzo: 127.0.0.1, porta %1.")
                 .arg(dead));
    QCOMPARE(w.messages.shown[0].title, QStringLiteral("Vellumara"));
    QCOMPARE(w.messages.shown[0].icon, MessageService::Icon::Warning);
    QCOMPARE(w.chat()->phase(), ChatSession::Phase::Idle);
    QVERIFY(!w.form->cmdHost->isHidden());
    QVERIFY(!w.form->cmdConnect->isHidden());
    QVERIFY(!w.form->cmdPorts->isHidden());
}

void tst_MainWindow::hostDisconnectLeavesClientsTheirTable()
{
    Window host(m_dir, QStringLiteral("h3"));
    host.host(QStringLiteral("Master"));
    const quint16 port = host.chat()->listeningPort();
    Window a(m_dir, QStringLiteral("a3"));
    a.join(QStringLiteral("Ada"), port);
    QTRY_COMPARE(a.people()->count(), 2);
    host.chat()->SendToAll(QStringLiteral("[Messaggio]Master: si parte"), false);
    QTRY_VERIFY(a.form->dialogPane()->dialogText().contains(QStringLiteral("Master: si parte")));
    // The host's connections go without a word, as when its program dies;
    // a "Sconnetti" would close the table and nobody would come back.
    host.chat()->closeAllSockets(false);
    host.form->cmdDisconnect->click();
    QCOMPARE(host.people()->count(), 0);
    QVERIFY(!host.form->cmdHost->isHidden());
    QVERIFY(host.form->cmdKick->isHidden());
    QTRY_COMPARE(a.people()->count(), 0);
    QTRY_COMPARE(a.chat()->phase(), ChatSession::Phase::Reconnecting);
    QVERIFY(!a.form->cmdConnect->isHidden());
    QVERIFY(a.messages.shown.isEmpty());
    const QString kept = a.form->dialogPane()->dialogText();
    QVERIFY(kept.contains(QStringLiteral("Master: si parte")));
    QVERIFY(kept.contains(QStringLiteral("connessione con l'host persa")));
    // The host is back and takes its session up again: so is Ada, by
    // herself, under the same name, and hears as a recap only what was said
    // while she was away, not the talk she already has.
    host.chat()->setPort(port);
    host.form->cmdHost->click();
    QCOMPARE(host.messages.asked.size(), 1);
    QVERIFY(host.messages.reply(true));
    QCOMPARE(host.chat()->listeningPort(), port);
    host.chat()->SendToAll(QStringLiteral("[Messaggio]Master: bentornati"), false);
    QTRY_COMPARE_WITH_TIMEOUT(a.chat()->phase(), ChatSession::Phase::Connected, 10000);
    QTRY_COMPARE(a.people()->names(), (QStringList{QStringLiteral("Master"), QStringLiteral("Ada")}));
    QVERIFY(a.form->cmdConnect->isHidden());
    QVERIFY(a.form->dialogPane()->dialogText().startsWith(kept));
    const QRegularExpression missed(QStringLiteral("\\(già detto alle \\d+\\.\\d\\d\\) Master: bentornati"));
    QTRY_VERIFY(a.form->dialogPane()->dialogText().contains(missed));
    const QString back = a.form->dialogPane()->dialogText().mid(kept.size());
    QCOMPARE(back.count(missed), 1);
    QVERIFY2(!back.contains(QStringLiteral("Master: si parte")), qPrintable(back));
}

void tst_MainWindow::kickFromTheList()
{
    Window host(m_dir, QStringLiteral("h4"));
    host.host(QStringLiteral("Master"));
    const quint16 port = host.chat()->listeningPort();
    Window a(m_dir, QStringLiteral("a4"));
    Window b(m_dir, QStringLiteral("b4"));
    a.join(QStringLiteral("Ada"), port);
    QTRY_COMPARE(host.people()->count(), 2);
    b.join(QStringLiteral("Bea"), port);
    QTRY_COMPARE(b.people()->count(), 3);

    // Select Ada in the host's list view, as a click would.
    const QModelIndex ada = host.people()->index(1);
    QCOMPARE(ada.data().toString(), QStringLiteral("Ada"));
    host.form->lstConnections->selectionModel()->select(ada, QItemSelectionModel::Select);
    host.form->cmdKick->click();
    QCOMPARE(host.people()->names(), (QStringList{QStringLiteral("Master"), QStringLiteral("Bea")}));
    QTRY_COMPARE(a.chat()->phase(), ChatSession::Phase::Idle);
    QTRY_COMPARE(b.people()->count(), 2);
    QVERIFY(!b.people()->containsName(QStringLiteral("Ada")));
    QVERIFY(host.form->lstConnections->selectionModel()->selectedIndexes().isEmpty());
}

void tst_MainWindow::portDialogRefusesBadPorts()
{
    Window w(m_dir, QStringLiteral("ports"));
    QPointer<app::frmPorts> dialog;
    connect(w.form.get(), &frmMain::portDialogOpened, this,
            [&dialog](app::frmPorts *d) { dialog = d; });
    w.form->cmdPorts->click();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Porta"));
    QCOMPARE(dialog->txtPort->text(), QStringLiteral("600"));
    QCOMPARE(dialog->CmdCancel->text(), QStringLiteral("Annulla"));

    for (const char *bad : {"abc", "0", "65536", "-3", "12.5", ""}) {
        dialog->txtPort->setText(QLatin1String(bad));
        dialog->cmdOK->click();
        QVERIFY2(dialog && dialog->isVisible(), bad);
    }
    QCOMPARE(w.messages.shown.size(), 6);
    QCOMPARE(w.chat()->lPort(), 600);

    dialog->txtPort->setText(QStringLiteral("2601"));
    dialog->cmdOK->click();
    QTRY_VERIFY(!dialog);
    QCOMPARE(w.chat()->lPort(), 2601);

    // Cancel keeps the port.
    w.form->cmdPorts->click();
    QVERIFY(dialog);
    dialog->txtPort->setText(QStringLiteral("3000"));
    dialog->CmdCancel->click();
    QTRY_VERIFY(!dialog);
    QCOMPARE(w.chat()->lPort(), 2601);

    w.form->close();
    QSettings ini(w.prefsPath, QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Vellumara/Port")).toString(), QStringLiteral("2601"));
}

void tst_MainWindow::portsRefusedWhileConnected()
{
    Window host(m_dir, QStringLiteral("h5"));
    host.host(QStringLiteral("Master"));
    Window a(m_dir, QStringLiteral("a5"));
    a.join(QStringLiteral("Ada"), host.chat()->listeningPort());
    QTRY_COMPARE(a.people()->count(), 2);
    bool opened = false;
    connect(a.form.get(), &frmMain::portDialogOpened, this, [&opened] { opened = true; });
    a.form->cmdPorts_Click();
    QVERIFY(!opened);
    QCOMPARE(a.messages.shown.size(), 1);
    QCOMPARE(a.messages.shown[0].text,
             QStringLiteral("Una o più connessioni sono attualmente aperte. Occorre disconnettersi "
                            "prima di mutare porta."));
    QCOMPARE(a.messages.shown[0].icon, MessageService::Icon::Information);
}

void tst_MainWindow::listenFailureNamesThePort()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any));
    Window w(m_dir, QStringLiteral("busy"));
    w.chat()->setPort(squatter.serverPort());
    w.type(w.form->txtName, QStringLiteral("Master"));
    w.form->cmdHost->click();
    QCOMPARE(w.messages.shown.size(), 1);
    QVERIFY2(w.messages.shown[0].text.contains(QString::number(squatter.serverPort())),
             qPrintable(w.messages.shown[0].text));
    QCOMPARE(w.messages.shown[0].title, QStringLiteral("Vellumara"));
    QCOMPARE(w.chat()->phase(), ChatSession::Phase::Idle);
    QVERIFY(!w.chat()->bHost());
    QVERIFY(!w.form->cmdHost->isHidden());
    QVERIFY(w.form->cmdKick->isHidden());
}

void tst_MainWindow::closeWritesPreferences()
{
    const QString path = m_dir.filePath(QStringLiteral("fresh.ini"));
    QVERIFY(!QFile::exists(path));
    {
        frmMain form(path);
        QCOMPARE(form.chat()->lPort(), 600);
        form.show();
        form.close();
    }
    QSettings ini(path, QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Vellumara/Port")).toString(), QStringLiteral("600"));
    QCOMPARE(ini.value(QStringLiteral("Vellumara/Tutorial")).toString(), QStringLiteral("0"));

    // A second start reads what the first wrote.
    {
        QSettings edit(path, QSettings::IniFormat);
        edit.setValue(QStringLiteral("Vellumara/Port"), 2700);
    }
    frmMain again(path);
    QCOMPARE(again.chat()->lPort(), 2700);
}

void tst_MainWindow::commandLineHostsAndConnects()
{
    Window host(m_dir, QStringLiteral("cl-h"));
    app::CommandLine hostLine = app::CommandLine::parse(
        {QStringLiteral("tavernix"), QStringLiteral("--name"), QStringLiteral("Master"),
         QStringLiteral("--host")});
    host.chat()->setPort(0);
    host.form->applyCommandLine(hostLine);
    QCOMPARE(host.chat()->phase(), ChatSession::Phase::Hosting);
    QCOMPARE(host.form->txtName->text(), QStringLiteral("Master"));

    Window client(m_dir, QStringLiteral("cl-c"));
    const QString port = QString::number(host.chat()->listeningPort());
    client.form->applyCommandLine(app::CommandLine::parse(
        {QStringLiteral("tavernix"), QStringLiteral("--name"), QStringLiteral("Ada"),
         QStringLiteral("--port"), port, QStringLiteral("--connect"), QStringLiteral("127.0.0.1")}));
    QCOMPARE(client.chat()->lPort(), port.toInt());
    QCOMPARE(client.form->txtIP->text(), QStringLiteral("127.0.0.1"));
    QTRY_COMPARE(host.people()->count(), 2);
    QTRY_COMPARE(client.chat()->phase(), ChatSession::Phase::Connected);
}

void tst_MainWindow::commandLineLogDirKeepsTheConversation()
{
    QTemporaryDir logs;
    Window host(m_dir, QStringLiteral("log-h"));
    host.chat()->setPort(0);
    host.form->applyCommandLine(app::CommandLine::parse(
        {QStringLiteral("tavernix"), QStringLiteral("--log-dir"), logs.filePath("serate"),
         QStringLiteral("--name"), QStringLiteral("Master"), QStringLiteral("--host")}));
    QCOMPARE(host.chat()->phase(), ChatSession::Phase::Hosting);
    host.chat()->SendToSelf(QStringLiteral("[Messaggio]Master: si comincia"));
    const QString journal = host.form->journal()->textPath();
    QVERIFY(journal.startsWith(logs.filePath(QStringLiteral("serate/dialogo_"))));
    QFile text(journal);
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(text.readAll(), QByteArray("Master: si comincia\n"));
    QVERIFY(host.messages.shown.isEmpty());

    // A folder that cannot be made: one message, and the session goes on.
    QFile plain(logs.filePath(QStringLiteral("file")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    Window other(m_dir, QStringLiteral("log-bad"));
    other.chat()->setPort(0);
    other.form->applyCommandLine(app::CommandLine::parse(
        {QStringLiteral("tavernix"), QStringLiteral("--log-dir"), logs.filePath("file/x"),
         QStringLiteral("--name"), QStringLiteral("Ada"), QStringLiteral("--host")}));
    QCOMPARE(other.messages.shown.size(), 1);
    QVERIFY(other.messages.shown[0].text.startsWith(
        QStringLiteral("Impossibile scrivere il diario del dialogo nella cartella")));
    QCOMPARE(other.chat()->phase(), ChatSession::Phase::Hosting);
    other.chat()->SendToSelf(QStringLiteral("[Messaggio]Ada: ci sono"));
    QVERIFY(other.form->dialogPane()->dialogText().contains(QStringLiteral("Ada: ci sono")));
    QCOMPARE(other.messages.shown.size(), 1);

    // The pane's context menu offers to save it.
    QMenu *menu = host.form->dialogSaver()->contextMenu(QPoint());
    QStringList entries;
    for (QAction *a : menu->actions())
        entries << a->text();
    delete menu;
    QVERIFY(entries.contains(QStringLiteral("Salva dialogo…")));
}

void tst_MainWindow::signalBridgeDeliversSigterm()
{
    platform::SignalBridge bridge;
    QSignalSpy spy(&bridge, &platform::SignalBridge::terminationRequested);
    ::raise(SIGTERM);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), SIGTERM);
    ::raise(SIGINT);
    QTRY_COMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), SIGINT);
}

// Three windows in one process: a host and two clients, joined.
struct Table {
    explicit Table(const QTemporaryDir &dir, const QString &tag)
        : host(dir, tag + QStringLiteral("-h")), a(dir, tag + QStringLiteral("-a")),
          b(dir, tag + QStringLiteral("-b"))
    {
        host.host(QStringLiteral("Master"));
        const quint16 port = host.chat()->listeningPort();
        a.join(QStringLiteral("Ada"), port);
        QTRY_COMPARE(host.people()->count(), 2);
        b.join(QStringLiteral("Bea"), port);
        QTRY_COMPARE(b.people()->count(), 3);
        QTRY_COMPARE(a.people()->count(), 3);
    }
    Window host, a, b;
};

static QString pane(const Window &w) { return w.form->dialogPane()->txtDialog()->toPlainText(); }

void tst_MainWindow::conversationReachesEveryWindow()
{
    Table t(m_dir, QStringLiteral("talk"));
    QPlainTextEdit *box = t.a.form->composer()->txtMessage();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("Salve a tutti"));
    QVERIFY(t.a.form->composer()->cmdSend()->isEnabled());
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->toPlainText(), QString());
    QCOMPARE(pane(t.a), QStringLiteral("Ada: Salve a tutti"));
    QTRY_COMPARE(pane(t.host), QStringLiteral("Ada: Salve a tutti"));
    QTRY_COMPARE(pane(t.b), QStringLiteral("Ada: Salve a tutti"));

    // An action from the host reaches both clients once.
    QPlainTextEdit *hostBox = t.host.form->composer()->txtMessage();
    QTest::keyClicks(hostBox, QStringLiteral(", si alza"));
    QTest::keyClick(hostBox, Qt::Key_Return);
    const QString both = QStringLiteral("Ada: Salve a tutti\nMaster si alza");
    QCOMPARE(pane(t.host), both);
    QTRY_COMPARE(pane(t.a), both);
    QTRY_COMPARE(pane(t.b), both);
}

void tst_MainWindow::drawingReachesEveryBoard()
{
    Table t(m_dir, QStringLiteral("draw"));
    board::BoardPanel *panel = t.a.form->boardPanel();
    t.a.form->palette()->picSelColor_Click(5); // "Rosso"
    QWidget *view = panel->picDraw();
    // A freehand stroke in the visible corner of the board.
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 10), view->mapToGlobal(QPointF(60, 10)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(60, 10));

    // The board is not scrolled, so view pixels are board pixels.
    const QPoint inStroke(35, 10);
    const auto red = std::optional<quint32>(0x000000FF);
    QCOMPARE(panel->surface()->pixel(inStroke.x(), inStroke.y()), red);
    auto pixelOf = [&](const Window &w) {
        return w.form->boardPanel()->surface()->pixel(inStroke.x(), inStroke.y());
    };
    QTRY_COMPARE(pixelOf(t.host), red);
    QTRY_COMPARE(pixelOf(t.b), red);
    QCOMPARE(pixelOf(t.b), red);
    // Somewhere the stroke did not pass stays white.
    QCOMPARE(t.b.form->boardPanel()->surface()->pixel(400, 400), std::optional<quint32>(0xFFFFFF));
}

void tst_MainWindow::clearFromAClientClearsEveryBoard()
{
    Table t(m_dir, QStringLiteral("clear"));
    for (Window *w : {&t.host, &t.a, &t.b})
        w->form->boardPanel()->surface()->line(QPointF(0, 0), QPointF(3000, 3000), 0);
    QCOMPARE(t.b.form->boardPanel()->surface()->pixel(100, 100), std::optional<quint32>(0));
    auto *clear = t.a.form->findChild<QAbstractButton *>(QStringLiteral("cmdClearDraw"));
    QVERIFY(clear);
    // Asked first: "No" leaves every board as it is.
    clear->click();
    QCOMPARE(t.a.messages.asked.size(), 1);
    QCOMPARE(t.a.messages.asked[0].text, QStringLiteral("Pulire la lavagna per tutti?"));
    QVERIFY(t.a.messages.reply(false));
    QCOMPARE(t.a.form->boardPanel()->surface()->pixel(100, 100), std::optional<quint32>(0));
    clear->click();
    QVERIFY(t.a.messages.reply(true));
    const auto white = std::optional<quint32>(0xFFFFFF);
    QCOMPARE(t.a.form->boardPanel()->surface()->pixel(100, 100), white);
    QTRY_COMPARE(t.host.form->boardPanel()->surface()->pixel(100, 100), white);
    QTRY_COMPARE(t.b.form->boardPanel()->surface()->pixel(100, 100), white);
    // Every status box names who cleared, the one who did too.
    for (Window *w : {&t.host, &t.a, &t.b})
        QTRY_VERIFY(w->form->dialogPane()->txtStatus()->toPlainText().contains(
            QStringLiteral("Ada ha pulito la lavagna per tutti.")));
    QVERIFY(!t.host.form->boardPanel()->cmdRestoreBoard()->isHidden());
    QVERIFY(t.a.form->boardPanel()->cmdRestoreBoard()->isHidden());
}

void tst_MainWindow::serverLabelShowsTheAddress()
{
    Window w(m_dir, QStringLiteral("ip"));
    QTest::mouseClick(w.form->Label2, Qt::LeftButton);
    // The last line; a first start's hint may stand above it.
    const QString status =
        w.form->dialogPane()->txtStatus()->toPlainText().section(QLatin1Char('\n'), -1);
    QVERIFY2(status.startsWith(QLatin1String("IP: ")) && status.endsWith(QLatin1Char('.')),
             qPrintable(status));
}

void tst_MainWindow::eventsPanelFollowsThePreference()
{
    const QString path = m_dir.filePath(QStringLiteral("tutorial.ini"));
    {
        QSettings ini(path, QSettings::IniFormat);
        ini.setValue(QStringLiteral("Vellumara/Tutorial"), 1);
    }
    {
        frmMain form(path);
        QVERIFY(form.eventsPanel()->chkTutorial()->isChecked());
        // Ticked, though the box itself is not revealed: the logs are there.
        QVERIFY(!form.eventsPanel()->lstSent()->isHidden());
        // The logs are models: the host's own list changes are logged as received.
        form.txtName->setText(QStringLiteral("Master"));
        emit form.txtName->textEdited(QStringLiteral("Master"));
        form.chat()->setPort(0);
        form.cmdHost->click();
        QVERIFY(form.chat()->receivedLog()->size() >= 2);
        QCOMPARE(form.eventsPanel()->lstReceived()->model(), form.chat()->receivedLog());
        form.close();
        QVERIFY(!form.eventsPanel()->chkTutorial()->isChecked());
    }
    QSettings ini(path, QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Vellumara/Tutorial")).toString(), QStringLiteral("0"));
    frmMain again(path);
    QVERIFY(!again.eventsPanel()->chkTutorial()->isChecked());
    QVERIFY(again.eventsPanel()->lstSent()->isHidden());
}

void tst_MainWindow::bellTakesTheWindowOffTop()
{
    Window w(m_dir, QStringLiteral("bell"));
    w.form->clockBell()->setSoundPlayer([](const QString &) {});
    QTime now(13, 59, 59);
    conversation::BellClock *clock = w.form->clockBell()->clock();
    clock->setTimeSource([&now] { return now; });
    clock->tick();
    w.form->setTopMost(true);
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("vero"));
    QVERIFY(w.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    now = QTime(14, 0, 0);
    clock->tick();
    QVERIFY(w.form->clockBell()->Form4());
    QCOMPARE(w.form->clockBell()->Form4()->windowTitle(), QStringLiteral("Ore: 14.00.00"));
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(!w.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void tst_MainWindow::boardGridTextAndPictureControls()
{
    Window w(m_dir, QStringLiteral("boardextras"));
    board::BoardPanel *board = w.form->boardPanel();
    const struct {
        const char *name;
        int left, top, width, height; // twips
    } places[] = {{"reticolo", 7125, 2670, 375, 375},
                  {"txtWidth", 6000, 3975, 420, 330},
                  {"txtHeight", 6450, 3975, 420, 330},
                  {"cmdRidim", 6900, 3975, 330, 330},
                  {"IncollaClipboard", 7230, 3975, 330, 330}};
    for (const auto &p : places) {
        auto *widget = w.form->findChild<QWidget *>(QLatin1String(p.name));
        QVERIFY2(widget, p.name);
        QCOMPARE(widget->geometry(), QRect(p.left / 15, p.top / 15, p.width / 15, p.height / 15));
    }
    // The strip lies right of the colour list, inside the board column.
    QVERIFY(w.form->findChild<QWidget *>(QStringLiteral("Combo1"))->geometry().right() <
            board->txtWidth()->geometry().left());
    QVERIFY(!w.form->findChild<QWidget *>(QStringLiteral("picHidden"))->isVisible());

    // The snap takes its step from the grid dialog's general step.
    QCOMPARE(board->PASSIGEN(), QStringLiteral("120"));
    QCOMPARE(board->tools()->sngGridStep(), 0.0833f);
    board->gridDialog()->PASSIGEN->setText(QStringLiteral("100"));
    board->tools()->mousePress(board::DrawingTools::Left, false, 10, 10);
    QCOMPARE(board->tools()->sngGridStep(), 0.0694f);

    // Both dialogs open only after a window kept on top has stepped back.
    w.form->setTopMost(true);
    board->reticolo()->click();
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(board->gridDialog()->isVisible());
    board->gridDialog()->retAnnulla->click();

    w.form->setTopMost(true);
    w.form->palette()->picSelColor_Click(5);
    board->tools()->Command12_Click();
    QTest::mouseClick(board->picDraw(), Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(board->textDialog());
    QVERIFY(board->textDialog()->isVisible());
    QCOMPARE(board->textDialog()->parentWidget(), w.form.get());
    board->textDialog()->cmdCancel->click();
}

void tst_MainWindow::switchColoursAreDistinctAndShared()
{
    const QPalette palette = QApplication::palette();
    const QColor on = conversation::ToggleButton::menuColour(palette);
    const QColor off = conversation::ToggleButton::highlightColour(palette);
    // A user must see which switches are on: the two greys differ clearly.
    QVERIFY2(qAbs(qGray(on.rgb()) - qGray(off.rgb())) >= 24,
             qPrintable(on.name() + QLatin1Char(' ') + off.name()));
    // The board's tool buttons and the conversation's switches speak alike.
    QCOMPARE(board::BoardPanel::highlightOnColour(palette), on);
    QCOMPARE(board::BoardPanel::highlightOffColour(palette), off);
}

void tst_MainWindow::nameIsConfirmedOnlyWhenFocusMovesOn()
{
    Window w(m_dir, QStringLiteral("focus"));
    w.type(w.form->txtName, QStringLiteral("Ann"));
    // Switching to another window or opening the context menu is no confirmation.
    for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(w.form->txtName, &out);
        QCOMPARE(w.chat()->sMyName(), QString());
    }
    // Moving on to another control is.
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w.form->txtName, &out);
    QCOMPARE(w.chat()->sMyName(), QStringLiteral("Ann"));
}

void tst_MainWindow::questionsAnswerAfterTheAskingCallReturns()
{
    using Buttons = MessageService::Buttons;
    QWidget owner;
    app::MessageBoxService service(&owner);
    // Each row: the buttons, the one pressed, and the answer it must give.
    const struct {
        Buttons buttons;
        QMessageBox::StandardButton press;
        bool expected;
        const char *captions; // of the box's buttons, in the user's language
    } cases[] = {
        {Buttons::YesNo, QMessageBox::Yes, true, "Sì|No"},
        {Buttons::YesNo, QMessageBox::No, false, "Sì|No"},
        {Buttons::OkCancel, QMessageBox::Ok, true, "OK|Annulla"},
        {Buttons::OkCancel, QMessageBox::Cancel, false, "OK|Annulla"},
    };
    for (const auto &c : cases) {
        std::optional<bool> answer;
        service.ask(MessageService::Icon::Question, QStringLiteral("Titolo"), QStringLiteral("Domanda?"),
                    c.buttons, &owner, [&answer](bool yes) { answer = yes; });
        QVERIFY(!answer); // the user has not answered yet
        QMessageBox *box = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible())
                box = b;
        }
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Titolo"));
        QVERIFY(box->button(c.press));
        QStringList captions;
        for (QAbstractButton *b : box->buttons())
            captions << b->text();
        captions.sort();
        QStringList expectedCaptions = QString::fromUtf8(c.captions).split(QLatin1Char('|'));
        expectedCaptions.sort();
        QCOMPARE(captions, expectedCaptions);
        box->button(c.press)->click();
        QTRY_VERIFY(answer.has_value());
        QCOMPARE(*answer, c.expected);
        QTRY_VERIFY(!box->isVisible());
    }

    // An asker that is gone hears nothing, even when the box is answered.
    bool called = false;
    auto context = std::make_unique<QObject>();
    service.ask(MessageService::Icon::Question, QStringLiteral("T"), QStringLiteral("?"),
                Buttons::YesNo, context.get(), [&called](bool) { called = true; });
    context.reset();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible())
            b->button(QMessageBox::Yes)->click();
    }
    QCoreApplication::processEvents();
    QVERIFY(!called);
}

void tst_MainWindow::findButtonOpensOneDialogOffTop()
{
    Window w(m_dir, QStringLiteral("find"));
    QAbstractButton *button = w.form->findChild<QAbstractButton *>(QStringLiteral("Command17"));
    QVERIFY(button);
    QCOMPARE(button->geometry(), QRect(2430 / 15, 3090 / 15, 330 / 15, 300 / 15));
    QCOMPARE(button->toolTip(), QStringLiteral("Cerca"));
    QCOMPARE(w.form->findDialog(), nullptr);

    w.form->setTopMost(true);
    button->click();
    conversation::frmFind *dialog = w.form->findDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Cerca nel dialogo"));
    // A window kept on top would have hidden the dialog.
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(!w.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    button->click();
    QCOMPARE(w.form->findDialog(), dialog); // one dialog, brought forward

    // It searches this window's pane and reports through its message boxes,
    // also after they are replaced.
    w.form->dialogPane()->UpdateDialog(QStringLiteral("ciao ciao"));
    QPlainTextEdit *pane = w.form->dialogPane()->txtDialog();
    QTRY_COMPARE(pane->textCursor().position(), 9);
    QCoreApplication::processEvents();
    QTest::keyClicks(dialog->Text1, QStringLiteral("ciao"));
    dialog->cmdFind->click();
    QCOMPARE(pane->textCursor().selectionStart(), 5);
    dialog->cmdFind->click();
    QCOMPARE(pane->textCursor().selectionStart(), 0);
    RecordingMessages other;
    w.form->setMessageService(&other);
    dialog->cmdFind->click();
    QCOMPARE(other.texts(), QStringList{QStringLiteral("Impossibile trovare: \"ciao\"")});
    QCOMPARE(other.titles(), QStringList{QStringLiteral("Vellumara")});
    QVERIFY(w.messages.shown.isEmpty());
    w.form->setMessageService(&w.messages);

    // The settings stay with the window after the dialog is gone.
    dialog->optDirection[1]->click();
    dialog->cmdcancel->click();
    QTRY_COMPARE(w.form->findDialog(), nullptr);
    QCOMPARE(w.form->findSettings().gFindDirection, 1);
    QCOMPARE(w.form->findSettings().gFindText, QStringLiteral("ciao"));
    button->click();
    QVERIFY(w.form->findDialog());
    QVERIFY(w.form->findDialog()->optDirection[1]->isChecked());
    QCOMPARE(w.form->findDialog()->Text1->text(), QString());
}

void tst_MainWindow::topMostButtonShowsItsState()
{
    Window w(m_dir, QStringLiteral("top"));
    auto *button = w.form->cmdTopMost;
    QCOMPARE(button->toolTip(), QStringLiteral("Sempre in primo piano"));
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(w.form->primopiano->isHidden());
    const QPalette base = w.form->QWidget::palette();
    QCOMPARE(button->backColour(), conversation::ToggleButton::highlightColour(base));
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    const QRect place = w.form->geometry();
    button->click();
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("vero"));
    QVERIFY(button->isOn());
    QCOMPARE(button->backColour(), conversation::ToggleButton::menuColour(base));
    QVERIFY(w.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(w.form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    // The window stays where it was, on the screen.
    QVERIFY(w.form->isVisible());
    QCOMPARE(w.form->geometry(), place);
    button->click();
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QCOMPARE(button->backColour(), conversation::ToggleButton::highlightColour(base));
    QVERIFY(!w.form->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    // The port dialog is a secondary window too.
    button->click();
    w.form->cmdPorts->click();
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
}

void tst_MainWindow::presetButtonsSitOnTheBoardRow()
{
    Window w(m_dir, QStringLiteral("presets"));
    const int lefts[] = {5970, 6360, 6750, 7140};
    for (int i = 0; i < 4; ++i) {
        auto *b = w.form->findChild<conversation::ToggleButton *>(QStringLiteral("Command23_%1").arg(i));
        QVERIFY(b);
        QCOMPARE(b->geometry(), QRect(lefts[i] / 15, 60 / 15, 375 / 15, 240 / 15));
        // The window opens at the medium preset, which shows as selected.
        QCOMPARE(b->isOn(), i == 3);
    }
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    w.form->presets()->Command23(2)->click();
    // The whole window, frame included as the platform reports it.
    const QSize frame = w.form->frameGeometry().size() - w.form->size();
    QTRY_COMPARE(w.form->size() + frame, QSize(800, 430));
    QCOMPARE(w.form->presets()->highlighted(), 2);
    // At the wide preset the program panel is inside the window.
    const QRect panel = w.form->programPanel()->Picture1->geometry();
    QVERIFY(panel.right() < w.form->width());
    QCOMPARE(panel.left(), 7570 / 15);
    w.form->resize(700, 400); // by hand: nothing matches
    QTRY_COMPARE(w.form->presets()->highlighted(), -1);
}

void tst_MainWindow::programPanelIsReachable()
{
    Window w(m_dir, QStringLiteral("panel"));
    panel::ProgramPanel *programs = w.form->programPanel();
    QVERIFY(programs);
    // The file browser reaches the path boxes and the launch from here.
    for (const char *name : {"txtProgram", "txtProgram2", "txtProgram3", "txtProgram4", "Command7",
                             "Command8", "Command9", "Command10", "Command11", "VScroll1", "VScroll2",
                             "Picture1", "picChild3"})
        QVERIFY2(w.form->findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(w.form->findChild<QLineEdit *>(QStringLiteral("txtProgram2")), programs->txtProgram2);
    // An empty launch only passes through the stay-on-top state, ending off.
    programs->Command7->click();
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(!w.form->cmdTopMost->isOn());
    w.form->setTopMost(true);
    programs->Command7_Click();
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(!w.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The panel's controls stay within the right column.
    for (const char *name : {"txtProgram", "Command7", "Command11", "VScroll1", "VScroll2"}) {
        const QRect r = w.form->findChild<QWidget *>(QLatin1String(name))->geometry();
        QVERIFY2(r.left() >= 7570 / 15 && r.right() < 12000 / 15 && r.bottom() < 6000 / 15, name);
    }
}

void tst_MainWindow::unlockRevealsAndHidesTheHiddenOptions()
{
    auto openUnlock = [](Window &w) {
        w.form->show();
        QTest::mouseDClick(w.form->dialogPane()->txtStatus()->viewport(), Qt::LeftButton);
        return w.form->unlockWindow();
    };
    auto enter = [](conversation::Form5 *form5, const QString &code) {
        QVERIFY(form5);
        QTest::keyClicks(form5->Text1, code);
        QTest::keyClick(form5->Text1, Qt::Key_Return);
    };
    auto addressEntryShown = [](Window &w) { return w.form->transferWindow()->addressEntryVisible(); };

    Window host(m_dir, QStringLiteral("unlock-host"));
    host.host(QStringLiteral("Master"));
    Window client(m_dir, QStringLiteral("unlock-client"));
    client.join(QStringLiteral("Ada"), host.chat()->listeningPort());
    QTRY_COMPARE(client.people()->count(), 2);

    // A client's double click does nothing.
    QVERIFY(!openUnlock(client));

    QCheckBox *tutorial = host.form->eventsPanel()->chkTutorial();
    QVERIFY(tutorial->isHidden());

    // The host's opens "Codice Master", whose box masks what is typed.
    conversation::Form5 *form5 = openUnlock(host);
    QVERIFY(form5);
    QCOMPARE(form5->windowTitle(), QStringLiteral("Codice Master"));
    QCOMPARE(form5->Text1->echoMode(), QLineEdit::Password);

    // The code followed by a space is wrong: the message, then the window goes.
    enter(form5, QStringLiteral("58127394 "));
    QCOMPARE(host.messages.lines(), QStringList{QStringLiteral("Vellumara|Sbagliato!")});
    QTRY_VERIFY(!host.form->unlockWindow());
    QVERIFY(tutorial->isHidden());
    QVERIFY(!addressEntryShown(host));

    // The code reveals "Eventi" (unticked), the address list instead of the
    // address box during the session, and the transfer window's address entry.
    enter(openUnlock(host), QStringLiteral("58127394"));
    QTRY_VERIFY(!host.form->unlockWindow());
    QVERIFY(!tutorial->isHidden());
    QVERIFY(!tutorial->isChecked());
    QVERIFY(host.form->txtIP->isHidden());
    QVERIFY(!host.form->ComboIP->isHidden());
    QVERIFY(addressEntryShown(host));

    // The user ticks "Eventi"; the code again hides everything the first
    // time showed, and unticks "Eventi" with its logs.
    tutorial->click();
    QVERIFY(tutorial->isChecked());
    QVERIFY(!host.form->eventsPanel()->lstSent()->isHidden());
    enter(openUnlock(host), QStringLiteral("58127394"));
    QTRY_VERIFY(!host.form->unlockWindow());
    QVERIFY(tutorial->isHidden());
    QVERIFY(!tutorial->isChecked());
    QVERIFY(host.form->eventsPanel()->lstSent()->isHidden());
    QVERIFY(host.form->ComboIP->isHidden());
    QVERIFY(!host.form->txtIP->isHidden());
    QVERIFY(!addressEntryShown(host));
    QCOMPARE(host.messages.shown.size(), 1);

    // Left open while the session ends, the code still reveals "Eventi" and
    // the transfer address entry, but the address box stays.
    form5 = openUnlock(host);
    QVERIFY(form5);
    host.form->cmdDisconnect->click();
    QTRY_VERIFY(!host.form->cmdPorts->isHidden());
    enter(form5, QStringLiteral("58127394"));
    QVERIFY(!tutorial->isHidden());
    QVERIFY(!host.form->txtIP->isHidden());
    QVERIFY(host.form->ComboIP->isHidden());
    QVERIFY(addressEntryShown(host));
    // Once the session has ended nobody hosts: the double click does nothing.
    QTRY_VERIFY(!host.form->unlockWindow());
    QVERIFY(!openUnlock(host));
}

void tst_MainWindow::fileBrowserOpensOffTopAndReachesThisWindow()
{
    Window w(m_dir, QStringLiteral("browser"));
    auto *button = w.form->findChild<QAbstractButton *>(QStringLiteral("Command1"),
                                                        Qt::FindDirectChildrenOnly);
    QVERIFY(button);
    QCOMPARE(button, w.form->Command1);
    QCOMPARE(button->geometry(), QRect(2050 / 15, 3090 / 15, 330 / 15, 300 / 15));
    QCOMPARE(button->toolTip(), QStringLiteral("Esplora risorse"));
    QVERIFY(!button->icon().isNull());
    // Its row: the caption of the conversation pane ends before it, the find
    // button begins after it.
    const QRect caption = w.form->findChild<QLabel *>(QStringLiteral("lblDialog"))->geometry();
    QVERIFY(!caption.intersects(button->geometry()));
    QVERIFY(!w.form->Command17->geometry().intersects(button->geometry()));
    QCOMPARE(w.form->fileBrowser(), nullptr);

    w.form->setTopMost(true);
    button->click();
    panel::Form1 *browser = w.form->fileBrowser();
    QVERIFY(browser);
    QVERIFY(browser->isVisible());
    QVERIFY(browser->isWindow());
    QCOMPARE(browser->windowTitle(), QStringLiteral("Esplora risorse"));
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    QVERIFY(!w.form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The browser's own Command1 is the pane button, not the main window's.
    QCOMPARE(browser->findChild<QPushButton *>(QStringLiteral("Command1"))->text(),
             QStringLiteral("1"));
    QCOMPARE(w.form->findChild<QAbstractButton *>(QStringLiteral("Command1")), button);
    button->click();
    QCOMPARE(w.form->fileBrowser(), browser); // one browser, brought forward

    // A picture double-clicked lands on this window's board.
    QTemporaryDir files;
    QImage picture(24, 16, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    QVERIFY(picture.save(files.filePath(QStringLiteral("mappa.png"))));
    QVERIFY(browser->setFolder(files.path()));
    browser->File1->setCurrentRow(0);
    browser->File1_DblClick();
    QCOMPARE(w.form->boardPanel()->txtWidth()->text(), QStringLiteral("24"));
    QCOMPARE(w.form->boardPanel()->txtHeight()->text(), QStringLiteral("16"));
    QVERIFY(w.form->boardPanel()->hasPicture());

    // Its message boxes follow a replacement set on the main window.
    RecordingMessages other;
    w.form->setMessageService(&other);
    browser->Text2->setText(files.filePath(QStringLiteral("manca/lavagna.png")));
    browser->Command4->click();
    QCOMPARE(other.asked.size(), 1);
    QVERIFY(other.reply(true));
    QCOMPARE(other.texts(), QStringList{QStringLiteral("Il percorso indicato non è valido. "
                                                       "L'immagine non è stata salvata.")});
    QVERIFY(w.messages.asked.isEmpty());
    w.form->setMessageService(&w.messages);
    browser->Text2->setText(files.filePath(QStringLiteral("lavagna.bmp")));
    browser->Command4->click();
    QVERIFY(w.messages.reply(true));
    QCOMPARE(w.messages.texts(), QStringList{QStringLiteral("Immagine salvata con successo.")});
    const QImage saved(files.filePath(QStringLiteral("lavagna.bmp")));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), w.form->boardPanel()->surface()->image());

    // A pane button fills this window's program panel and hides the browser;
    // the launch leaves the window off top.
    w.form->programPanel()->txtProgram->setText(QStringLiteral("/percorso/che/non/esiste"));
    browser->Text2->setText(files.filePath(QStringLiteral("nessun-programma")));
    browser->Command3->click();
    QVERIFY(browser->isHidden());
    QCOMPARE(w.form->programPanel()->txtProgram3->text(),
             files.filePath(QStringLiteral("nessun-programma")));
    QVERIFY(w.form->programPanel()->txtProgram->text().isEmpty());
    QCOMPARE(w.form->primopiano->text(), QStringLiteral("falso"));
    button->click();
    QVERIFY(browser->isVisible());
    QCOMPARE(w.form->fileBrowser(), browser);
}

namespace {

struct Twips {
    const char *name;
    int left, top, width, height;
};

// Where the window puts its controls at the preset sizes, in twips: every
// column and row of the window, and each way a control follows a larger one.
constexpr Twips kTable[] = {
    {"txtName", 720, 60, 3180, 300},        {"lstConnections", 60, 1430, 1700, 1290},
    {"txtStatus", 1820, 1190, 2080, 1530},  {"txtDialog", 60, 3420, 3840, 1290},
    {"lblMessage", 60, 5120, 1120, 240},    {"chkPrivate", 1200, 5090, 1100, 270},
    {"cmdModo", 60, 5400, 630, 600},        {"txtMessage", 720, 5400, 2700, 600},
    {"cmdSend", 3480, 5400, 420, 600},
    {"Command23_3", 7140, 60, 375, 240},    {"picCont", 3945, 300, 3615, 2295},
    {"Command13", 4395, 2670, 375, 375},    {"reticolo", 7125, 2670, 375, 375},
    {"picSelColor(0)", 3945, 3120, 375, 375}, {"picSelColor(15)", 6570, 3480, 375, 375},
    {"Combo1", 3945, 3975, 2000, 330},      {"zFrame4", 5550, 4380, 1650, 1530},
    {"cmdZoomOut", 4800, 45, 255, 255},     {"cmdZoom100", 5565, 45, 255, 255},
    {"cmdRestoreBoard", 7230, 4740, 330, 330}, {"cmdClearHostOnly", 7230, 5100, 330, 330},
    {"IncollaClipboard", 7230, 3975, 330, 330}, {"txtProgram", 7710, 60, 630, 270},
    {"Command11", 11700, 45, 270, 300},     {"VScroll2", 11735, 3165, 255, 2745},
    {"lstSent", 60, 6240, 7335, 840},       {"lstReceived", 60, 7320, 7335, 840},
};

QRect pixels(const Twips &t)
{
    return QRect(t.left / 15, t.top / 15, t.width / 15, t.height / 15);
}

// Pairs of visible controls of the window that overlap. The colour swatches'
// rows overlap by a hair on purpose and are not counted among themselves.
QStringList overlaps(const QWidget *window)
{
    QList<const QWidget *> shown;
    for (const QWidget *w : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!w->isWindow() && w->isVisible())
            shown << w;
    }
    QStringList found;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        for (qsizetype j = i + 1; j < shown.size(); ++j) {
            const QString a = shown[i]->objectName();
            const QString b = shown[j]->objectName();
            if (a.startsWith(QLatin1String("picSelColor")) && b.startsWith(QLatin1String("picSelColor")))
                continue;
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                found << a + QLatin1Char('/') + b;
        }
    }
    return found;
}

// Visible controls that reach past the window's edges.
QStringList outside(const QWidget *window)
{
    QStringList found;
    for (const QWidget *w : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!w->isWindow() && w->isVisible() && !window->rect().contains(w->geometry()))
            found << w->objectName();
    }
    return found;
}

} // namespace

void tst_MainWindow::presetSizesKeepTheTable_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("logs");
    QTest::newRow("narrow") << QSize(264, 400) << false;
    QTest::newRow("medium") << QSize(513, 400) << false;
    QTest::newRow("wide") << QSize(800, 400) << false;
    QTest::newRow("medium with the logs") << QSize(513, 549) << true;
    QTest::newRow("wide, logs shown in the short window") << QSize(800, 400) << true;
}

void tst_MainWindow::presetSizesKeepTheTable()
{
    QFETCH(QSize, size);
    QFETCH(bool, logs);
    Window w(m_dir, QStringLiteral("table"));
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    // Grown first, so the preset size has something to undo.
    w.form->resize(1500, 900);
    QTRY_COMPARE(w.form->size(), QSize(1500, 900));
    w.form->eventsPanel()->chkTutorial()->show(); // as the hidden options' reveal does
    w.form->eventsPanel()->chkTutorial()->setChecked(logs);
    w.form->eventsPanel()->chkTutorial_Click();
    w.form->resize(size);
    QTRY_COMPARE(w.form->size(), size);
    for (const Twips &t : kTable) {
        auto *widget = w.form->findChild<QWidget *>(QLatin1String(t.name));
        QVERIFY2(widget, t.name);
        QCOMPARE(widget->geometry(), pixels(t));
    }
    QCOMPARE(w.form->programPanel()->Picture1->geometry().topLeft(), QPoint(7570 / 15, 360 / 15));
    QCOMPARE(w.form->eventsPanel()->lstSent()->isVisible(), logs);
}

void tst_MainWindow::largerWindowGrowsBoardAndPane()
{
    Window w(m_dir, QStringLiteral("grown"));
    QCOMPARE(w.form->minimumSize(), QSize(260, 360));
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    auto find = [&](const char *name) {
        return w.form->findChild<QWidget *>(QLatin1String(name));
    };
    // Until the program has been closed once "Eventi" starts ticked.
    w.form->eventsPanel()->chkTutorial()->setChecked(false);
    w.form->eventsPanel()->chkTutorial_Click();
    const QSize extra(1600 - 800, 1000 - 400);
    w.form->resize(1600, 1000);
    QTRY_COMPARE(w.form->size(), QSize(1600, 1000));

    // The board view takes the extra width and height, the pane the height;
    // what lies right of or below them moves along, the rest stays.
    const QRect board = find("picCont")->geometry();
    QCOMPARE(board, QRect(263, 20, 241 + extra.width(), 153 + extra.height()));
    const QRect pane = find("txtDialog")->geometry();
    QCOMPARE(pane, QRect(4, 228, 256, 86 + extra.height()));
    QCOMPARE(find("cmdSend")->geometry().bottom(), 399 + extra.height());
    QCOMPARE(find("txtMessage")->geometry().top(), 360 + extra.height());
    QCOMPARE(find("txtStatus")->geometry(), QRect(121, 79, 138, 102));
    QCOMPARE(find("Combo1")->geometry().top(), 265 + extra.height());
    QCOMPARE(find("picSelColor(0)")->geometry().top(), 208 + extra.height());
    QCOMPARE(find("Command23_3")->geometry().left(), 476 + extra.width());
    QCOMPARE(w.form->programPanel()->Picture1->geometry().left(), 504 + extra.width());
    QCOMPARE(find("VScroll1")->geometry().left(), 782 + extra.width());
    QCOMPARE(overlaps(w.form.get()), QStringList());
    QCOMPARE(outside(w.form.get()), QStringList());
    // The board fits across now; only its height scrolls.
    QVERIFY(w.form->boardPanel()->hsbImm()->isHidden());
    QVERIFY(!w.form->boardPanel()->vsbImm()->isHidden());

    // "Eventi" puts the logs at the bottom; the pane and the board give up
    // the room and nothing overlaps.
    w.form->eventsPanel()->chkTutorial()->show();
    w.form->eventsPanel()->chkTutorial()->setChecked(true);
    w.form->eventsPanel()->chkTutorial_Click();
    QTRY_VERIFY(w.form->eventsPanel()->lstReceived()->isVisible());
    const int logs = 549 - 400;
    QCOMPARE(find("txtDialog")->height(), 86 + extra.height() - logs);
    QCOMPARE(find("picCont")->height(), 153 + extra.height() - logs);
    QCOMPARE(w.form->eventsPanel()->lstReceived()->geometry().bottom(), 1000 - 549 + 543);
    QCOMPARE(overlaps(w.form.get()), QStringList());
    QCOMPARE(outside(w.form.get()), QStringList());
    w.form->eventsPanel()->chkTutorial()->setChecked(false);
    w.form->eventsPanel()->chkTutorial_Click();
    QCOMPARE(find("txtDialog")->height(), 86 + extra.height());

    // Maximised, the same holds at the screen's size.
    w.form->showMaximized();
    QTRY_VERIFY(w.form->isMaximized());
    QTRY_VERIFY(find("picCont")->width() >= 241);
    QCOMPARE(overlaps(w.form.get()), QStringList());
    QCOMPARE(outside(w.form.get()), QStringList());
    w.form->showNormal();

    // Narrower than the chat column it would be cut off; a little lower
    // than the presets the pane and the board give up the height.
    w.form->resize(100, 100);
    QTRY_COMPARE(w.form->size(), QSize(260, 360));
    QCOMPARE(find("cmdSend")->geometry().bottom(), 359);
    QCOMPARE(find("txtDialog")->height(), 86 - 40);
}

void tst_MainWindow::diceBoxesShowThreeDigits()
{
    Window w(m_dir, QStringLiteral("dice"));
    conversation::DicePanel *dice = w.form->dice();
    const QFontMetrics metrics(w.form->font());
    for (QListWidget *box : {dice->dado1(), dice->dado2()}) {
        // A list cuts an entry short unless the text and the view's margins fit.
        const int margin = box->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, box) + 1;
        QVERIFY2(box->viewport()->width() >= metrics.horizontalAdvance(QStringLiteral("100")) + 2 * margin,
                 qPrintable(box->objectName()));
        QVERIFY(box->toolTip().contains(QStringLiteral("Invio")));
    }
    QVERIFY(dice->dado1()->toolTip().contains(QStringLiteral("dadi")));
    QVERIFY(dice->dado2()->toolTip().contains(QStringLiteral("Facce")));
    QVERIFY(dice->Label6()->toolTip().contains(QStringLiteral("Invio")));
    // The row reads N d F left to right, between "Privato" and the send button's edge.
    const QRect n = dice->dado1()->geometry();
    const QRect d = dice->Label6()->geometry();
    const QRect f = dice->dado2()->geometry();
    QVERIFY(n.right() < d.left() && d.right() < f.left());
    QVERIFY(w.form->composer()->chkPrivate()->geometry().right() < n.left());
    QVERIFY(f.right() <= w.form->composer()->cmdSend()->geometry().right());
    QCOMPARE(n.top(), 5090 / 15);
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    QCOMPARE(overlaps(w.form.get()), QStringList());
}

void tst_MainWindow::startColourIsTheNamedOne()
{
    Window w(m_dir, QStringLiteral("colour"));
    auto *combo = w.form->findChild<QComboBox *>(QStringLiteral("Combo1"));
    QCOMPARE(combo->currentText(), QStringLiteral("Nero"));
    QCOMPARE(w.form->palette()->selectedIndex(), 1);
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    // The first stroke draws in black, without asking for a colour.
    QWidget *view = w.form->boardPanel()->picDraw();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 30));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 30), view->mapToGlobal(QPointF(60, 30)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(60, 30));
    QCOMPARE(w.form->boardPanel()->surface()->pixel(35, 30), std::optional<quint32>(0));
    QCOMPARE(w.messages.texts(), QStringList());

    // Without a colour a drag asks once, however far it goes.
    w.form->palette()->clearBorders();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 60));
    for (int x = 15; x <= 100; x += 5) {
        QMouseEvent step(QEvent::MouseMove, QPointF(x, 60), view->mapToGlobal(QPointF(x, 60)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &step);
    }
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(100, 60));
    QCOMPARE(w.messages.texts(), QStringList{QStringLiteral("Selezionare un colore prima...")});
    QCOMPARE(w.form->boardPanel()->surface()->pixel(50, 60), std::optional<quint32>(0xFFFFFF));
}

void tst_MainWindow::privateLineWithoutRecipientStaysInTheBox()
{
    Window w(m_dir, QStringLiteral("private"));
    w.host(QStringLiteral("Master"));
    QCOMPARE(w.chat()->phase(), ChatSession::Phase::Hosting);
    conversation::ComposerPanel *composer = w.form->composer();
    composer->chkPrivate()->setChecked(true);
    composer->txtMessage()->setPlainText(QStringLiteral("a chi?"));
    QTest::keyClick(composer->txtMessage(), Qt::Key_Return);
    // Refused: not shown as said, the status box tells why, the line waits.
    QCOMPARE(composer->txtMessage()->toPlainText(), QStringLiteral("a chi?"));
    QVERIFY(!pane(w).contains(QStringLiteral("a chi?")));
    QVERIFY(w.form->dialogPane()->statusText().endsWith(conversation::Composer::noRecipientText()));
}

// The icon decoded off the UI thread is the file's picture; a file that
// cannot be read gives no icon rather than a broken one.
void tst_MainWindow::startupWarmupDecodesTheIcon()
{
    QTemporaryDir dir;
    QImage picture(48, 32, QImage::Format_ARGB32);
    picture.fill(qRgb(200, 30, 40));
    const QString path = dir.filePath(QStringLiteral("icon.png"));
    QVERIFY(picture.save(path));
    app::StartupWarmup warmup(path);
    const QIcon icon = warmup.windowIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(), QList<QSize>{QSize(48, 32)});
    QCOMPARE(icon.pixmap(QSize(48, 32)).toImage().pixel(47, 31), qRgb(200, 30, 40));
    QVERIFY(warmup.windowIcon().isNull()); // handed over once

    QFile::resize(path, 10);
    QVERIFY(app::StartupWarmup(path).windowIcon().isNull());
    QVERIFY(app::StartupWarmup(dir.filePath(QStringLiteral("none.png"))).windowIcon().isNull());
    app::StartupWarmup unasked(path); // ends without being asked
}

// At every preset some control leads to the other sizes (the preset row
// where it fits in the window, else the presets' menu in the chat column),
// and every caption shown fits its control: labels, buttons, check boxes and
// frame titles are not cut off.
void tst_MainWindow::everyPresetKeepsAWayBackAndItsCaptions_data()
{
    QTest::addColumn<int>("element");
    QTest::addColumn<bool>("menu");
    QTest::newRow("narrow") << 0 << true;
    QTest::newRow("maximised") << 1 << false;
    QTest::newRow("wide") << 2 << false;
    QTest::newRow("medium") << 3 << false;
}

void tst_MainWindow::everyPresetKeepsAWayBackAndItsCaptions()
{
    QFETCH(int, element);
    QFETCH(bool, menu);
    Window w(m_dir, QStringLiteral("wayback"));
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    w.form->presets()->Command23(element)->click();
    QTRY_COMPARE(w.form->presets()->highlighted(), element);
    QTest::qWait(20);
    QStringList cut;
    const QRect inside = w.form->rect();
    const auto widgets = w.form->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget->window() != w.form.get() || !widget->isVisible())
            continue;
        const QRect at(widget->mapTo(w.form.get(), QPoint(0, 0)), widget->size());
        if (!inside.contains(at))
            continue; // beyond this preset's edge, not shown at all
        const QFontMetrics fm(widget->font());
        QString text;
        int room = 0;
        if (auto *label = qobject_cast<QLabel *>(widget); label && !label->wordWrap()) {
            text = label->text();
            room = label->contentsRect().width();
        } else if (auto *box = qobject_cast<QCheckBox *>(widget)) {
            text = box->text();
            room = box->width() -
                   box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) -
                   box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
        } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
            text = button->text();
            room = button->width() - 4;
        } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
            text = frame->title();
            room = frame->width() - 8;
        }
        text.remove(QLatin1Char('&'));
        if (!text.isEmpty() && fm.horizontalAdvance(text) > room)
            cut << widget->objectName() + QLatin1Char('=') + text;
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String(" | "))));
    // The board's corner button says "---"; its tool tip says what it opens.
    QCOMPARE(w.form->findChild<QPushButton *>(QStringLiteral("Command2"))->toolTip(),
             QStringLiteral("Esplora immagine"));

    QToolButton *presetMenu = w.form->findChild<QToolButton *>(QStringLiteral("cmdPresets"));
    QVERIFY(presetMenu);
    QTRY_COMPARE(presetMenu->isVisible(), menu);
    if (menu) {
        QVERIFY(inside.contains(presetMenu->geometry()));
        QVERIFY(!inside.contains(w.form->presets()->Command23(3)->geometry()));
        // Not in anybody's way in the chat column.
        QCOMPARE(overlaps(w.form.get()), QStringList());
        presetMenu->menu()->findChild<QAction *>(QStringLiteral("actPreset_3"))->trigger();
        QTRY_COMPARE(w.form->presets()->highlighted(), 3);
        QTRY_VERIFY(!presetMenu->isVisible());
    } else {
        for (int i = 0; i < 4; ++i)
            QVERIFY(inside.contains(w.form->presets()->Command23(i)->geometry()));
    }
    if (w.form->isMaximized())
        w.form->showNormal();
}

// A first start (no preferences) ticks "Eventi": the logs are shown, and in
// a window tall enough to see them the sent log is scrolled to its newest entry.
void tst_MainWindow::freshStartOpensTheEventsPanel()
{
    Window w(m_dir, QStringLiteral("fresh-logs"));
    QVERIFY(w.form->eventsPanel()->chkTutorial()->isChecked());
    QVERIFY(w.form->eventsPanel()->chkTutorial()->isHidden());
    QListView *sent = w.form->eventsPanel()->lstSent();
    QVERIFY(sent->isVisibleTo(w.form.get()));
    for (int i = 0; i < 200; ++i)
        w.chat()->ShowSentData(-1, QStringLiteral("riga %1").arg(i));
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    w.form->resize(1200, 900);
    QTRY_VERIFY(sent->isVisible() && !sent->visibleRegion().isEmpty());
    // The newest entry is the last row, and it is in sight.
    const auto newestInSight = [sent] {
        const QModelIndex newest = sent->model()->index(sent->model()->rowCount() - 1, 0);
        return sent->viewport()->rect().contains(sent->visualRect(newest));
    };
    QVERIFY(sent->verticalScrollBar()->maximum() > 0);
    QTRY_VERIFY(newestInSight());
    w.chat()->ShowSentData(-1, QStringLiteral("ultima"));
    QTRY_VERIFY(newestInSight());
}

// The start centres the window, and centres it again once the window
// manager's frame has changed the preset's size.
void tst_MainWindow::windowCentredAtStart()
{
    Window w(m_dir, QStringLiteral("centred"));
    const QSize frame(12, 38);
    w.form->presets()->setFrameSource([&] { return w.form->isVisible() ? frame : QSize(); });
    QSignalSpy followed(w.form->presets(), &panel::PresetBar::frameFollowed);
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    QTRY_COMPARE(followed.size(), 1);
    const QRect area = w.form->screen()->geometry();
    const QSize whole = w.form->size() + frame;
    QTRY_COMPARE(w.form->pos(), area.topLeft() + QPoint((area.width() - whole.width()) / 2,
                                                        (area.height() - whole.height()) / 2));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
