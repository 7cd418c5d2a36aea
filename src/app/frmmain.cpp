#include "frmmain.h"

#include "boardpanel.h"
#include "boardzoom.h"
#include "tableboard.h"
#include "tableshare.h"
#include "clockbell.h"
#include "composerpanel.h"
#include "dialogpane.h"
#include "dialogsaver.h"
#include "dicepanel.h"
#include "eventspanel.h"
#include "fontscale.h"
#include "form3.h"
#include "form5.h"
#include "form1.h"
#include "frmfind.h"
#include "frmmp3play.h"
#include "frmzoom.h"
#include "form2.h"
#include "frmports.h"
#include "frmraggiungibilita.h"
#include "frmserverclient.h"
#include "invitation.h"
#include "journal.h"
#include "localaddress.h"
#include "mainwindowaccess.h"
#include "palette.h"
#include "palettewidget.h"
#include "messageboxservice.h"
#include "namebounds.h"
#include "participantlist.h"
#include "presetbar.h"
#include "windowpresets.h"
#include "privatetable.h"
#include "programpanel.h"
#include "reachability.h"
#include "secureinvite.h"
#include "sessionkeeper.h"
#include "sessionstore.h"
#include "togglebutton.h"
#include "admission.h"
#include "windowontop.h"

#include <QCloseEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QGuiApplication>
#include <QInputDialog>
#include <QResizeEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QStringListModel>
#include <QStyle>
#include <QToolButton>

#include <utility>

namespace app {

namespace {

// How a control follows a window larger than the presets: moved right or
// down by the extra width or height, or stretched by it.
enum Follow : unsigned { Fixed = 0, MoveX = 1, MoveY = 2, GrowW = 4, GrowH = 8 };

struct Place {
    const char *name;
    int left, top, width, height; // twips
    unsigned follow = Fixed;
};

// Where every control sits, in twips. Controls made by the conversation and
// board panels are placed here too, so the whole window reads in one table.
// Up to the wide preset's width and the presets' height the table is the
// layout; beyond them the extra width goes to the board view and the extra
// height to the conversation pane and the board view, and what lies right of
// or below those moves along.
constexpr Place kLayout[] = {
    // Chat column, 0..3960
    {"lblName", 60, 90, 660, 255},
    {"txtName", 720, 60, 3180, 300},
    {"Label2", 60, 450, 660, 255},
    {"txtIP", 720, 420, 3180, 300},
    {"ComboIP", 720, 420, 3180, 300},
    {"cmdHost", 60, 800, 900, 330},
    {"cmdKick", 60, 800, 900, 330},
    {"cmdConnect", 990, 800, 900, 330},
    // "Sconnetti" needs a little more than the others, "Porta" less.
    {"cmdDisconnect", 1920, 800, 960, 330},
    {"cmdPorts", 2910, 800, 630, 330},
    {"cmdTopMost", 3570, 800, 330, 330},
    {"lblConnections", 60, 1190, 1075, 240},
    // Beside it, "Raggiungibilità": ports on the router and invitations.
    {"cmdRaggiungibilita", 1140, 1190, 300, 240},
    // The size presets' menu, shown where their buttons are out of the window.
    {"cmdPresets", 1460, 1190, 300, 240},
    {"lstConnections", 60, 1430, 1700, 1290},
    {"cmdDeselect", 60, 2750, 1700, 300},
    {"txtStatus", 1820, 1190, 2080, 1530},
    {"Orologio", 1820, 2780, 1000, 270},
    {"chkTutorial", 2850, 2750, 1050, 300},
    {"lblDialog", 60, 3150, 1960, 240},
    {"Command1", 2050, 3090, 330, 300},
    {"Command17", 2430, 3090, 330, 300},
    {"Command22", 2810, 3090, 330, 300},
    {"Command21", 3190, 3090, 330, 300},
    {"Command19", 3570, 3090, 330, 300},
    {"txtDialog", 60, 3420, 3840, 1290, GrowH},
    // The dice row: any roll typed, who sees it, advantage, disadvantage, the check.
    {"txtDadi", 60, 4740, 1230, 300, MoveY},
    {"cmdTiro", 1320, 4740, 810, 300, MoveY},
    {"cmdVantaggio", 2160, 4740, 600, 300, MoveY},
    {"cmdSvantaggio", 2790, 4740, 750, 300, MoveY},
    {"cmdVerificaDadi", 3570, 4740, 330, 300, MoveY},
    {"lblMessage", 60, 5120, 1120, 240, MoveY},
    {"chkPrivate", 1200, 5090, 1100, 270, MoveY},
    {"dado1", 2620, 5090, 375, 255, MoveY},
    {"Label6", 3020, 5090, 200, 255, MoveY},
    {"dado2", 3240, 5090, 375, 255, MoveY},
    // The speaking way (Parla / Azione / Narra) takes the message box's left end.
    {"cmdModo", 60, 5400, 630, 600, MoveY},
    {"txtMessage", 720, 5400, 2700, 600, MoveY},
    {"cmdSend", 3480, 5400, 420, 600, MoveY},
    // Board column, 3960..7570
    {"lblLavagna", 3945, 60, 840, 240},
    // Zoom of the board, between its caption and the size presets
    {"cmdZoomOut", 4800, 45, 255, 255},
    {"cmdZoomIn", 5055, 45, 255, 255},
    {"cmdZoomFit", 5310, 45, 255, 255},
    {"cmdZoom100", 5565, 45, 255, 255},
    // Size presets Command23(0..3)
    {"Command23_0", 5970, 60, 375, 240, MoveX},
    {"Command23_1", 6360, 60, 375, 240, MoveX},
    {"Command23_2", 6750, 60, 375, 240, MoveX},
    {"Command23_3", 7140, 60, 375, 240, MoveX},
    {"picCont", 3945, 300, 3615, 2295, GrowW | GrowH},
    {"cmdClearDraw", 3945, 2670, 375, 375, MoveY},
    {"Command13", 4395, 2670, 375, 375, MoveY},
    {"Command14", 4785, 2670, 375, 375, MoveY},
    {"Command15", 5175, 2670, 375, 375, MoveY},
    {"Command16", 5565, 2670, 375, 375, MoveY},
    {"Command12", 5955, 2670, 375, 375, MoveY},
    {"Command5", 6345, 2670, 375, 375, MoveY},
    {"Command6", 6735, 2670, 375, 375, MoveY},
    {"Combo1", 3945, 3975, 2000, 330, MoveY},
    {"List1", 3945, 4380, 1290, 1350, MoveY},
    // The desk accessories under the style list: calculator, magnifier, music
    {"Command3", 3945, 5745, 255, 255, MoveY},
    {"Command4", 4230, 5745, 255, 255, MoveY},
    {"Command20", 4515, 5745, 255, 255, MoveY},
    {"pennello", 5265, 4380, 255, 1350, MoveY},
    {"zFrame4", 5550, 4380, 1650, 1530, MoveY},
    // Sharing the picture, then the host's controls of clearing, in a column
    // beside the read-out
    {"cmdSharePicture", 7230, 4380, 330, 330, MoveY},
    {"cmdRestoreBoard", 7230, 4740, 330, 330, MoveY},
    {"cmdClearHostOnly", 7230, 5100, 330, 330, MoveY},
    // Board column: grid button after the tools, picture size strip beside the colours
    {"reticolo", 7125, 2670, 375, 375, MoveY},
    {"txtWidth", 6000, 3975, 420, 330, MoveY},
    {"txtHeight", 6450, 3975, 420, 330, MoveY},
    {"cmdRidim", 6900, 3975, 330, 330, MoveY},
    {"IncollaClipboard", 7230, 3975, 330, 330, MoveY},
    // Program panel column, 7570..12000. Picture1 (7570, 360, 4150, 5550)
    // is placed by the panel itself, since its scroll bars move it; this row
    // starts right of the medium preset's edge so none of it shows there.
    {"txtProgram", 7710, 60, 630, 270, MoveX},
    {"txtProgram2", 8370, 60, 630, 270, MoveX},
    {"txtProgram3", 9030, 60, 630, 270, MoveX},
    {"txtProgram4", 9690, 60, 630, 270, MoveX},
    {"Command7", 10335, 45, 540, 300, MoveX},
    {"Command8", 10890, 45, 270, 300, MoveX},
    {"Command9", 11160, 45, 270, 300, MoveX},
    {"Command10", 11430, 45, 270, 300, MoveX},
    {"Command11", 11700, 45, 270, 300, MoveX},
    {"VScroll1", 11735, 360, 255, 2745, MoveX},
    {"VScroll2", 11735, 3165, 255, 2745, MoveX},
    // Events panel, below the presets' 6450 twips
    {"lblSent", 60, 6000, 3000, 240, MoveY},
    {"lstSent", 60, 6240, 7335, 840, MoveY},
    {"lblRecv", 60, 7080, 3000, 240, MoveY},
    {"lstReceived", 60, 7320, 7335, 840, MoveY},
};

} // namespace

frmMain::frmMain(const QString &prefsPath, QWidget *parent)
    : QWidget(parent), m_prefs(prefsPath), m_session(new session::ChatSession(this)),
      m_ownMessages(std::make_unique<MessageBoxService>(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tavernix"));
    m_messages = m_ownMessages.get();
    m_session->setMessageService(m_messages);
    // A window with a preferences file of its own (a second profile, a test)
    // keeps its sessions beside it rather than among the user's.
    const QFileInfo prefs(prefsPath);
    m_store = new session::SessionStore(
        prefsPath.isEmpty() ? session::SessionStore::defaultFolder()
                            : prefs.absolutePath() + QLatin1Char('/') + prefs.completeBaseName() +
                                  QStringLiteral("-partite"),
        this);
    m_keeper = new session::SessionKeeper(m_session, m_store, this);
    m_fontScale = a11y::FontScale::factor(this);

    createSessionControls();
    createConversation();
    createBoard();
    createFind();
    createProgramPanel();
    createPresets();
    createExplorer();
    createBrowser();
    createAccessories();
    // Much smaller than the narrow preset the chat column would be cut off;
    // a window manager's frame may take a little of the narrow preset's
    // width, and of its height, which the pane and the board give up.
    setMinimumSize(twips(kMinContentWidth), twips(kPresetHeight - kFrameAllowance) - maxShrink());
    m_presets->applySize(panel::WindowPresets::Medium);
    // "Eventi" changes how much of the height the logs take.
    connect(m_events, &conversation::EventsPanel::logsShownChanged, this, &frmMain::layoutControls);
    // The preset's size is applied again once the frame is known: a window
    // the start centred is centred again, once.
    connect(m_presets, &panel::PresetBar::frameFollowed, this, [this] {
        if (std::exchange(m_centredAtStart, false))
            m_presets->centre();
    });
    m_presets->Form_Resize();
    Form_Load();
    layoutControls();
    createTransfer();
    // The private table's identity, key and bans, and the hosts met before,
    // beside the sessions and for the same reason.
    createPrivateTable(prefsPath.isEmpty()
                           ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                           : prefs.absolutePath() + QLatin1Char('/') + prefs.completeBaseName() +
                                 QStringLiteral("-tavola"));
    createReachability();
    // Last: it names and orders every control made above.
    m_access = new MainWindowAccess(this);
}

frmMain::~frmMain()
{
    // Forwardings on the router go with the window, within a bounded wait.
    if (m_reach)
        m_reach->finish();
    // The transfer window's connections end before the boxes they report to.
    if (m_transfer) {
        m_transfer->shutDown();
        m_transfer->setMessageService(nullptr);
    }
    // Sinks and services owned here must not be reached by the session's
    // last socket notifications while the window is torn down.
    m_session->closeAllSockets();
    // Hosted programs' windows would go down with this window's native
    // windows, which Qt destroys before the child widgets.
    m_programPanel->releaseAll();
    m_session->setMessageService(nullptr);
    m_session->setConversationSink(nullptr);
    m_session->setBoardSink(nullptr);
    m_session->tableBoard()->setSink(nullptr);
    // The journal goes before the pane that feeds it.
    disconnect(m_dialog, nullptr, m_saver, nullptr);
}

void frmMain::setMessageService(session::MessageService *service)
{
    m_messages = service ? service : m_ownMessages.get();
    m_session->setMessageService(m_messages);
    if (m_journal)
        m_journal->setMessageService(m_messages);
    if (m_frmFind)
        m_frmFind->setMessageService(m_messages);
    if (m_explorer)
        m_explorer->setMessageService(m_messages);
    // The transfer window's own boxes open over it; a replacement reaches it too.
    if (m_transfer)
        m_transfer->setMessageService(service ? service : m_transferMessages.get());
    if (m_form1)
        m_form1->setMessageService(m_messages);
}

void frmMain::createSessionControls()
{
    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };

    label("lblName", tr("Nome:"));
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMaxLength(int(session::kMaxNameLength));
    txtName->installEventFilter(this);

    Label2 = label("Label2", tr("Server:"));
    Label2->setCursor(Qt::PointingHandCursor);
    txtIP = new QLineEdit(this);
    txtIP->setObjectName(QStringLiteral("txtIP"));
    ComboIP = new QComboBox(this);
    ComboIP->setObjectName(QStringLiteral("ComboIP"));
    ComboIP->setModel(m_session->addressList());
    ComboIP->hide();

    cmdHost = button("cmdHost", tr("Host"));
    cmdConnect = button("cmdConnect", tr("Connetti"));
    cmdDisconnect = button("cmdDisconnect", tr("Sconnetti"));
    cmdKick = button("cmdKick", tr("Kick"));
    cmdKick->hide();
    cmdDeselect = button("cmdDeselect", tr("Deseleziona tutto"));
    cmdPorts = button("cmdPorts", tr("Porta"));
    cmdTopMost = new conversation::ToggleButton(QStringLiteral("cmdTopMost"), this);
    cmdTopMost->setPicture(conversation::ToggleButton::Picture::TopMost);
    cmdTopMost->setToolTip(tr("Sempre in primo piano"));
    primopiano = new QLineEdit(QStringLiteral("falso"), this);
    primopiano->setObjectName(QStringLiteral("primopiano"));
    primopiano->hide();

    label("lblConnections", tr("Personaggi:"));
    lstConnections = new QListView(this);
    lstConnections->setObjectName(QStringLiteral("lstConnections"));
    lstConnections->setModel(m_session->participants());
    lstConnections->setSelectionModel(m_session->participants()->selectionModel());
    lstConnections->setSelectionMode(QAbstractItemView::MultiSelection);
    lstConnections->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstConnections->setUniformItemSizes(true);

    connect(cmdHost, &QPushButton::clicked, this, &frmMain::cmdHost_Click);
    connect(cmdConnect, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    connect(cmdDisconnect, &QPushButton::clicked, this, &frmMain::cmdDisconnect_Click);
    connect(cmdKick, &QPushButton::clicked, this, &frmMain::cmdKick_Click);
    connect(cmdDeselect, &QPushButton::clicked, this, &frmMain::cmdDeselect_Click);
    connect(cmdPorts, &QPushButton::clicked, this, &frmMain::cmdPorts_Click);
    connect(cmdTopMost, &QPushButton::clicked, this, &frmMain::cmdTopMost_Click);
    connect(txtIP, &QLineEdit::returnPressed, this, &frmMain::cmdConnect_Click);

    connect(txtName, &QLineEdit::textEdited, m_session, &session::ChatSession::setName);
    // What the user typed is remembered, not a suffix a host added to it.
    connect(txtName, &QLineEdit::textEdited, this, [this](const QString &text) { m_typedName = text; });
    connect(txtName, &QLineEdit::returnPressed, m_session, &session::ChatSession::confirmOwnName);
    connect(m_session, &session::ChatSession::nameChanged, this, [this](const QString &name) {
        if (txtName->text() != name)
            txtName->setText(name);
    });
    connect(m_session, &session::ChatSession::connectionOpened, this, &frmMain::OpenConnection);
    connect(m_session, &session::ChatSession::connectionClosed, this, &frmMain::CloseConnection);
    connect(m_session, &session::ChatSession::kickVisibleChanged, cmdKick, &QWidget::setVisible);
}

void frmMain::createConversation()
{
    m_dialog = new conversation::DialogPane(this, m_session);
    m_session->setConversationSink(m_dialog);
    m_clock = new conversation::ClockBell(this);
    m_dialog->setClockText([this] { return m_clock->clockText(); });
    // Each session's conversation has files of its own, named by its start.
    m_journal = std::make_unique<conversation::Journal>(m_messages);
    m_saver = new conversation::DialogSaver(m_dialog, m_journal.get(), this);
    connect(m_session, &session::ChatSession::phaseChanged, this,
            [this](session::ChatSession::Phase phase) {
                if (phase == session::ChatSession::Phase::Hosting ||
                    phase == session::ChatSession::Phase::Connecting)
                    m_journal->beginSession(QDateTime::currentDateTime());
            });
    m_composer = new conversation::ComposerPanel(m_session, this);
    m_dice = new conversation::DicePanel(m_session, this);
    m_dice->setPrivateBox(m_composer->chkPrivate());
    // "/r 2d6" and "/tira 2d6" in the message box roll as the dice box does.
    m_composer->setRoller([this](const QString &text) { return m_dice->rollExpression(text); });
    m_events = new conversation::EventsPanel(m_session, this);

    // A window kept on top would hide the bell.
    connect(m_clock, &conversation::ClockBell::bellRang, this, &frmMain::leaveTopMost);
    Label2->installEventFilter(this);
    m_dialog->txtStatus()->viewport()->installEventFilter(this);

    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
    };
    label("lblDialog", tr("Casella di dialogo:"));
    label("lblMessage", tr("Messaggio:"));
}

void frmMain::createBoard()
{
    m_palette = new board::Palette(this);
    m_board = new board::BoardPanel(this, m_palette, m_session);
    m_paletteWidget =
        new board::PaletteWidget(m_palette, this, QPoint(twips(kPaletteLeft), twips(kPaletteTop)));
    m_session->setBoardSink(m_board->boardSink());
    m_session->tableBoard()->setSink(m_board->tableShare());
    // The grid and text dialogs would open behind a window kept on top.
    connect(m_board, &board::BoardPanel::secondaryWindowOpening, this, &frmMain::leaveTopMost);
}

void frmMain::createFind()
{
    Command17 = new conversation::ToggleButton(QStringLiteral("Command17"), this);
    Command17->setPicture(conversation::ToggleButton::Picture::Find);
    Command17->setToolTip(tr("Cerca"));
    connect(Command17, &QPushButton::clicked, this, &frmMain::Command17_Click);
}

void frmMain::createProgramPanel()
{
    m_programPanel = new panel::ProgramPanel(this);
    m_programPanel->setTopMostControl(
        [this] { return primopiano->text() != QLatin1String("falso"); },
        [this](bool onTop) { setTopMost(onTop); });
}

void frmMain::createPresets()
{
    m_presets = new panel::PresetBar(this, kFrameAllowance);
}

conversation::frmFind *frmMain::findDialog() const { return m_frmFind.data(); }

void frmMain::Command17_Click()
{
    leaveTopMost();
    if (!m_frmFind)
        m_frmFind = new conversation::frmFind(&m_findSettings, m_dialog->txtDialog(), m_messages, this);
    m_frmFind->show();
    m_frmFind->raise();
    m_frmFind->activateWindow();
}

void frmMain::createExplorer()
{
    connect(m_board, &board::BoardPanel::imageExplorerRequested, this, &frmMain::Command2_Click);
}

explorer::Form2 *frmMain::imageExplorer() const
{
    return m_explorer;
}

void frmMain::Command2_Click()
{
    leaveTopMost();
    if (m_explorer) {
        m_explorer->raise();
        m_explorer->activateWindow();
        return;
    }
    // Made anew at each opening, so it always shows the board as it is now;
    // it belongs to this window and goes when it closes.
    m_explorer = new explorer::Form2(m_board, m_messages, this);
    m_explorer->setAttribute(Qt::WA_DeleteOnClose);
    m_explorer->show();
}

// The last step of the start: the transfer window is made hidden and
// starts listening, so files can come in from now to the end.
void frmMain::createTransfer()
{
    m_transfer = new transfer::FrmServerCLient(this);
    m_transferMessages = std::make_unique<MessageBoxService>(m_transfer);
    m_transfer->setMessageService(m_messages == m_ownMessages.get() ? m_transferMessages.get()
                                                                    : m_messages);
    m_transfer->setRecipientModel(m_session->transferRecipients());
    m_transfer->setAddressModel(m_session->addressList());

    Command22 = new QPushButton(this);
    Command22->setObjectName(QStringLiteral("Command22"));
    Command22->setIcon(transfer::FrmServerCLient::transferIcon());
    Command22->setToolTip(tr("Trasferimento file"));
    for (const Place &p : kLayout) {
        if (qstrcmp(p.name, "Command22") == 0)
            Command22->setGeometry(twips(p.left), twips(p.top), twips(p.width), twips(p.height));
    }
    connect(Command22, &QPushButton::clicked, this, &frmMain::Command22_Click);
}

void frmMain::Command22_Click()
{
    leaveTopMost();
    m_transfer->show();
    m_transfer->raise();
    m_transfer->activateWindow();
    // Filled afresh each time, so no name is listed twice.
    m_session->transferRecipients()->setStringList(m_session->participants()->names());
}

// The router is asked for nothing here: applyCommandLine() starts that, so
// a window built by a test or a tool leaves the network alone.
void frmMain::createReachability()
{
    m_reach = new session::Reachability(m_session, this);
    m_reach->setLinkMaker(
        [this](const QString &host, quint16 port) { return m_table->invitation(host, port); });
    connect(m_table, &PrivateTable::invitationsChanged, m_reach, &session::Reachability::invitationsChanged);
    m_reach->setEnabled(m_portMappingPref);
    m_reach->setTransferPort(m_transfer->receiverPort());
    connect(m_transfer, &transfer::FrmServerCLient::receiverPortChanged, m_reach,
            &session::Reachability::setTransferPort);
    connect(m_reach, &session::Reachability::transferTextChanged, m_transfer,
            &transfer::FrmServerCLient::setRouterStatus);
    connect(m_reach, &session::Reachability::chatReport, m_dialog,
            &conversation::DialogPane::UpdateStatus);

    cmdRaggiungibilita = new QPushButton(this);
    cmdRaggiungibilita->setObjectName(QStringLiteral("cmdRaggiungibilita"));
    cmdRaggiungibilita->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    cmdRaggiungibilita->setToolTip(tr("Raggiungibilità e invito"));
    for (const Place &p : kLayout) {
        if (qstrcmp(p.name, "cmdRaggiungibilita") == 0)
            cmdRaggiungibilita->setGeometry(twips(p.left), twips(p.top), twips(p.width),
                                            twips(p.height));
    }
    connect(cmdRaggiungibilita, &QPushButton::clicked, this, &frmMain::cmdRaggiungibilita_Click);
}

frmRaggiungibilita *frmMain::reachabilityWindow() const { return m_frmReach.data(); }

void frmMain::cmdRaggiungibilita_Click()
{
    leaveTopMost();
    if (!m_frmReach) {
        m_frmReach = new frmRaggiungibilita(m_reach, this);
        connect(m_frmReach, &frmRaggiungibilita::routerSwitched, this, [this](bool on) {
            m_portMappingPref = on;
            if (m_reach->isStarted())
                m_reach->setEnabled(on);
            else
                m_reach->start(on);
        });
        connect(m_frmReach, &frmRaggiungibilita::accessChosen, m_table, &PrivateTable::setAccess);
        connect(m_frmReach, &frmRaggiungibilita::newInvitationAsked, this, [this] {
            QString why;
            if (!m_table->newInvitation(&why))
                m_messages->showMessage(session::MessageService::Icon::Warning, session::kAppTitle, why);
        });
        connect(m_frmReach, &frmRaggiungibilita::passwordChosen, this, [this](const QString &password) {
            QString why;
            if (!m_table->setPassword(password, &why))
                m_messages->showMessage(session::MessageService::Icon::Warning, session::kAppTitle, why);
        });
    }
    m_frmReach->setTable(m_table);
    m_frmReach->show();
    m_frmReach->raise();
    m_frmReach->activateWindow();
}

bool frmMain::applyInvitation(const QString &link)
{
    QString why;
    const auto invitation = session::SecureInvite::parse(link, &why);
    if (!invitation) {
        m_messages->showMessage(session::MessageService::Icon::Warning, session::kAppTitle,
                                session::Invitation::refusal(why));
        return false;
    }
    if (m_session->phase() != session::ChatSession::Phase::Idle) {
        m_messages->showMessage(
            session::MessageService::Icon::Information, session::kAppTitle,
            tr("Invito per %1 non usato: c'è già una sessione in corso. Premere "
               "\"Sconnetti\" e aprire di nuovo l'invito.")
                .arg(session::Invitation::format(invitation->host, invitation->port)));
        return false;
    }
    txtIP->setText(invitation->host);
    m_invitedHost = invitation->host;
    m_session->setInvitation(invitation->fingerprint, invitation->key);
    // The invitation's port is for its host alone; the one chosen before
    // comes back for any other address and stays the preference.
    const qint32 chosen = m_invited ? m_invited->chosenPort : m_session->lPort();
    m_invited = Invited{invitation->host, invitation->port, chosen};
    m_session->setPort(invitation->port);
    m_dialog->UpdateStatus(tr("Invito ricevuto: %1, porta %2. Premere \"Connetti\".")
                               .arg(invitation->host)
                               .arg(invitation->port));
    cmdConnect->setFocus(Qt::OtherFocusReason);
    return true;
}

void frmMain::createPrivateTable(const QString &folder)
{
    m_table = new PrivateTable(m_session, m_transfer, folder, this);
    m_table->setAccess(m_accessPref);
    for (const QString &problem : m_table->startupNotes())
        m_dialog->UpdateStatus(problem);
    connect(m_table, &PrivateTable::note, m_dialog, &conversation::DialogPane::UpdateStatus);
    // A table that asks for the invitation or its password: the player may type the password.
    m_session->setRefusalHandler([this](const QString &code) {
        if (code != QLatin1String("invito") && code != QLatin1String("chiave"))
            return false;
        askTablePassword(secure::Admission::refusalText(code));
        return true;
    });
    // The host bans from the list's own menu, on the participant under the pointer.
    lstConnections->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstConnections, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const QModelIndex under = lstConnections->indexAt(at);
        if (!m_table->isHosting() || !under.isValid())
            return;
        if (!lstConnections->selectionModel()->isSelected(under))
            lstConnections->selectionModel()->select(under, QItemSelectionModel::ClearAndSelect);
        auto *menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("mnuPartecipante"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction *ban = menu->addAction(tr("Banna (espelle e non lascia più entrare dal suo indirizzo)"));
        ban->setObjectName(QStringLiteral("actBanna"));
        // The host's own entry: nobody to ban.
        ban->setEnabled(under.data(session::ParticipantList::TagRole).toInt() > 0);
        connect(ban, &QAction::triggered, m_table, &PrivateTable::banSelected);
        menu->popup(lstConnections->viewport()->mapToGlobal(at));
    });
}

void frmMain::askTablePassword(const QString &why)
{
    auto *dialog = new QInputDialog(this);
    dialog->setObjectName(QStringLiteral("dlgParolaTavolo"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(session::kAppTitle);
    dialog->setLabelText(why + QStringLiteral("\n\n") + tr("Se conosci la parola d'ordine del tavolo, scrivila qui:"));
    dialog->setTextEchoMode(QLineEdit::Password);
    // The reason is a long sentence: wrapped, not a dialog as wide as the screen.
    if (auto *label = dialog->findChild<QLabel *>())
        label->setWordWrap(true);
    dialog->setOkButtonText(tr("Entra"));
    dialog->setCancelButtonText(tr("Annulla"));
    connect(dialog, &QInputDialog::textValueSelected, this, [this](const QString &password) {
        if (password.isEmpty() || m_session->phase() != session::ChatSession::Phase::Idle)
            return;
        m_session->setTablePassword(password);
        cmdConnect_Click();
    });
    dialog->open();
}

void frmMain::createBrowser()
{
    Command1 = new conversation::ToggleButton(QStringLiteral("Command1"), this);
    Command1->setIcon(panel::Form1::buttonPicture());
    Command1->setToolTip(tr("Esplora risorse"));
    connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
}

void frmMain::Command1_Click()
{
    leaveTopMost();
    if (!m_form1)
        m_form1 = new panel::Form1(m_board, m_programPanel, m_messages, QString(), this);
    m_form1->show();
    m_form1->raise();
    m_form1->activateWindow();
}

void frmMain::createAccessories()
{
    auto button = [this](const char *name, const QIcon &icon, const QString &tip) {
        auto *b = new QPushButton(icon, QString(), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        return b;
    };
    Command3 = button("Command3", accessories::Form3::buttonPicture(), tr("Calcolatrice"));
    Command4 = button("Command4", accessories::frmZoom::buttonPicture(), tr("Lente"));
    Command20 = button("Command20", accessories::frmMP3Play::buttonPicture(), tr("Lettore musicale"));
    connect(Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmMain::Command4_Click);
    connect(Command20, &QPushButton::clicked, this, &frmMain::Command20_Click);
}

void frmMain::Command3_Click()
{
    leaveTopMost();
    if (!m_form3) {
        m_form3 = new accessories::Form3(m_prefs.filePath(), this);
        // "Al messaggio": the number goes where the caret is, ready to be sent.
        connect(m_form3, &accessories::Form3::resultForMessage, this, [this](const QString &text) {
            QPlainTextEdit *box = m_composer->txtMessage();
            box->insertPlainText(text);
            bringToFront();
            box->setFocus(Qt::OtherFocusReason);
        });
    }
    m_form3->bringForward();
}

void frmMain::Command4_Click()
{
    leaveTopMost();
    if (!m_frmZoom)
        m_frmZoom = new accessories::frmZoom(m_prefs.filePath(), this);
    m_frmZoom->bringForward();
}

void frmMain::Command20_Click()
{
    leaveTopMost();
    if (!m_frmMP3Play)
        m_frmMP3Play = new accessories::frmMP3Play(m_prefs.filePath(), this);
    m_frmMP3Play->bringForward();
}

QSize frmMain::extraSize() const
{
    // The logs take the bottom of the window while "Eventi" shows them, so
    // the height the table fills is theirs too.
    // Below the presets' height the pane and the board give up a little.
    const int presetHeight = twips(kPresetHeight - kFrameAllowance);
    const int tall = a11y::FontScale::scaled(conversation::EventsPanel::kTallHeight, m_fontScale);
    int dy = height() - presetHeight;
    if (m_events->lstSent()->isVisibleTo(this))
        dy = height() >= tall ? height() - tall : qMin(0, dy);
    return QSize(qMax(0, width() - twips(kWideWidth)), qMax(-maxShrink(), dy));
}

int frmMain::maxShrink() const
{
    return a11y::FontScale::scaled(kMaxShrink, m_fontScale);
}

void frmMain::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        followFont();
}

void frmMain::followFont()
{
    const double scale = a11y::FontScale::factor(this);
    if (scale == m_fontScale)
        return;
    m_fontScale = scale;
    setMinimumSize(twips(kMinContentWidth), twips(kPresetHeight - kFrameAllowance) - maxShrink());
    // A window at a preset stays at that preset, at the new size.
    const int preset = m_presets->highlighted();
    if (preset == panel::WindowPresets::Narrow || preset == panel::WindowPresets::Wide ||
        preset == panel::WindowPresets::Medium)
        m_presets->applySize(preset);
    layoutControls();
}

void frmMain::layoutControls()
{
    if (!m_paletteWidget || !m_programPanel)
        return; // still being built; the constructor lays out at its end
    const QSize extra = extraSize();
    const int dx = extra.width();
    const int dy = extra.height();
    for (const Place &p : kLayout) {
        auto *w = findChild<QWidget *>(QLatin1String(p.name), Qt::FindDirectChildrenOnly);
        if (!w)
            continue;
        QRect r(twips(p.left), twips(p.top), twips(p.width), twips(p.height));
        r.translate(p.follow & MoveX ? dx : 0, p.follow & MoveY ? dy : 0);
        r.setWidth(r.width() + (p.follow & GrowW ? dx : 0));
        r.setHeight(r.height() + (p.follow & GrowH ? dy : 0));
        w->setGeometry(r);
    }
    m_paletteWidget->setOrigin(QPoint(twips(kPaletteLeft), twips(kPaletteTop) + dy));
    m_programPanel->setOffset(dx);
    placeDice();
    // In a window too narrow for the preset buttons, their menu is the way
    // back to the other sizes.
    const QRect presetRow = m_presets->Command23(0)->geometry().united(
        m_presets->Command23(3)->geometry());
    m_presets->menuButton()->setVisible(!rect().contains(presetRow));
    // The visible-area read-out stacks its four values so the frame fits the
    // board column beside the style list.
    if (auto *frame = findChild<QWidget *>(QStringLiteral("zFrame4"))) {
        const auto labels = frame->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
        const auto px = [this](int pixels) { return a11y::FontScale::scaled(pixels, m_fontScale); };
        for (int i = 0; i + 1 < labels.size(); i += 2) {
            const int y = px(18 + (i / 2) * 19);
            labels[i]->move(px(8), y);
            labels[i + 1]->setGeometry(px(34), y, frame->width() - px(40), px(18));
        }
    }
    m_board->fitCaptions();
}

void frmMain::placeDice()
{
    // Three digits must show whole in the window's font ("100" faces), so
    // the boxes may be wider than the table's. The row keeps its left end
    // and spacing unless that would take it past the send button's right
    // edge; then it moves left just enough.
    QWidget *dado1 = m_dice->dado1();
    QWidget *label = m_dice->Label6();
    QWidget *dado2 = m_dice->dado2();
    const int box = qMax(dado1->width(), m_dice->boxWidth());
    const int before = label->x() - dado1->geometry().right() - 1;
    const int after = dado2->x() - label->geometry().right() - 1;
    const int row = box + before + label->width() + after + box;
    const int right = m_composer->cmdSend()->geometry().right() + 1;
    const int left = qMin(dado1->x(), right - row);
    const int top = dado1->y();
    dado1->setGeometry(left, top, box, dado1->height());
    label->move(left + box + before, top);
    dado2->setGeometry(label->geometry().right() + 1 + after, top, box, dado2->height());
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void frmMain::Form_Load()
{
    // No preferences yet: this user starts the program for the first time.
    const bool firstStart = !QFileInfo::exists(m_prefs.filePath());
    const Preferences prefs = m_prefs.GetPreferences();
    m_session->setPort(prefs.port);
    m_typedName = prefs.name;
    txtName->setText(prefs.name);
    m_session->setName(prefs.name);
    txtIP->setText(prefs.server);
    // The last evening's invitation comes back whole: its address with its port.
    if (session::Invitation::isLink(prefs.server)) {
        if (const auto invitation = session::Invitation::parse(prefs.server, nullptr)) {
            txtIP->setText(invitation->host);
            m_invited = Invited{invitation->host, invitation->port, prefs.port};
            m_session->setPort(invitation->port);
        }
    }
    m_events->chkTutorial()->setChecked(prefs.tutorial != 0);
    m_events->chkTutorial_Click();
    m_portMappingPref = prefs.portMapping;
    m_accessPref = prefs.access; // the private table is made after the transfer window
    m_languagePref = prefs.language;
    // The snap step comes from the grid dialog's general step.
    m_board->takeGridStep();
    // The board is shown as large as when the program last closed.
    if (prefs.boardZoomFit)
        m_board->zoom()->fitToView();
    else
        m_board->zoom()->setFactor(prefs.boardZoom);
    // What the last evening left: the pane's switches, the journal's folder
    // and the window (after the events panel, which centres it).
    if (prefs.timeStamps != m_dialog->bTimeStamp())
        m_dialog->Command21_Click();
    if (prefs.colours != m_dialog->colouringOn())
        m_dialog->Command19_Click();
    if (!prefs.logDir.isEmpty())
        m_journal->setFolder(prefs.logDir);
    restoreWindow(prefs);
    // Speech, actions and narration look alike until "Colori" is on, and a
    // new user would not know it is there: told once, the default kept.
    if (firstStart && !m_dialog->colouringOn())
        m_dialog->UpdateStatus(tr("Suggerimento: \"Colori\", l'ultimo pulsante accanto a "
                                  "\"Casella di dialogo:\", mostra parlato, azioni e narrazione "
                                  "in colori diversi."));
}

void frmMain::restoreWindow(const Preferences &prefs)
{
    // The events panel centred the window; a remembered place moves it below.
    m_centredAtStart = true;
    const bool sized = prefs.preset == 0 || prefs.preset == 2 || prefs.preset == 3;
    if (sized)
        m_presets->applySize(prefs.preset);
    if (prefs.window.isValid()) {
        // Only where a screen still shows the window's top (a screen may be
        // gone since); otherwise where the events panel put it.
        const QRect top(prefs.window.topLeft(), QSize(prefs.window.width(), 20));
        bool onScreen = false;
        for (const QScreen *screen : QGuiApplication::screens())
            onScreen = onScreen || screen->availableGeometry().intersects(top);
        const QSize size = sized ? this->size() : prefs.window.size();
        if (onScreen)
            setGeometry(QRect(prefs.window.topLeft(), size));
        else
            resize(size);
        m_centredAtStart = !onScreen;
    }
    if (prefs.preset == 1) {
        setWindowState(windowState() | Qt::WindowMaximized);
        m_centredAtStart = false;
    }
}

void frmMain::applyCommandLine(const CommandLine &options)
{
    // Before anything is said, so the first line is kept too.
    if (!options.logDir.isEmpty())
        m_journal->setFolder(options.logDir);
    if (options.port != 0)
        m_session->setPort(options.port);
    if (options.resume)
        m_keeper->setResume(*options.resume ? session::SessionKeeper::Resume::Yes
                                            : session::SessionKeeper::Resume::No);
    if (options.hasName) {
        txtName->setText(options.name);
        m_session->setName(options.name);
        m_typedName = options.name;
    }
    // Before "Host" is pressed, so the chat port is asked for at once.
    m_reach->start(m_portMappingPref && !options.noPortMapping);
    if (options.host) {
        cmdHost->click();
    } else if (!options.connectTo.isEmpty()) {
        // A link also says which certificate to expect and the table's key.
        if (!options.invitation.isEmpty() && !applyInvitation(options.invitation))
            return;
        txtIP->setText(options.connectTo);
        cmdConnect->click();
    } else if (!options.invitation.isEmpty()) {
        applyInvitation(options.invitation);
    }
}

void frmMain::OpenConnection()
{
    cmdHost->hide();
    cmdConnect->hide();
    cmdPorts->hide();
}

void frmMain::CloseConnection()
{
    cmdHost->show();
    cmdConnect->show();
    cmdPorts->show();
    ComboIP->hide();
    txtIP->show();
}

// A click moves the focus out of "Nome:", which confirms the typed name
// before the button acts; Enter in "Server:" and the command line do not, so
// the name is confirmed here as well (a no-op when it already was).
void frmMain::cmdHost_Click()
{
    m_session->confirmOwnName();
    if (askForName(tr("Per ospitare una sessione serve un nome: scriverlo in \"Nome:\".")))
        return;
    QString why;
    if (!m_table->prepareHosting(&why)) {
        m_messages->showMessage(session::MessageService::Icon::Critical, session::kAppTitle, why);
        return;
    }
    m_keeper->host();
}

void frmMain::cmdConnect_Click()
{
    m_session->confirmOwnName();
    if (askForName(tr("Per connettersi serve un nome: scriverlo in \"Nome:\".")))
        return;
    // An invitation pasted into "Server:" gives the address and the port.
    if (session::Invitation::isLink(txtIP->text()) && !applyInvitation(txtIP->text().trimmed()))
        return;
    QString address = txtIP->text().trimmed();
    // A typed address carries no invitation: the host is trusted on first use.
    if (address != m_invitedHost) {
        m_invitedHost.clear();
        m_session->setInvitation(std::nullopt, std::nullopt);
    }
    // "[2001:db8::1]" as an invitation writes it: the brackets are not part of the address.
    if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']')))
        address = address.mid(1, address.size() - 2);
    leaveInvitation(address);
    m_session->cmdConnect_Click(address);
}

void frmMain::leaveInvitation(const QString &address)
{
    if (!m_invited || address == m_invited->host)
        return;
    const Invited left = *m_invited;
    m_invited.reset();
    m_session->setPort(left.chosenPort);
    if (left.chosenPort != left.port)
        m_dialog->UpdateStatus(tr("La porta %1 dell'invito vale solo per %2: per %3 si usa la "
                                  "porta %4 (\"Porta\" per cambiarla).")
                                   .arg(left.port)
                                   .arg(left.host, address.isEmpty() ? tr("un altro indirizzo")
                                                                     : address)
                                   .arg(left.chosenPort));
}

// Without a name the buttons would do nothing at all; say why and put the
// caret where the name goes.
bool frmMain::askForName(const QString &why)
{
    if (!m_session->name().isEmpty())
        return false;
    m_dialog->UpdateStatus(why);
    txtName->setFocus(Qt::OtherFocusReason);
    return true;
}

void frmMain::cmdDisconnect_Click() { m_session->cmdDisconnect_Click(); }

void frmMain::cmdKick_Click() { m_session->cmdKick_Click(); }

void frmMain::cmdDeselect_Click() { m_session->cmdDeselect_Click(); }

void frmMain::cmdPorts_Click()
{
    if (!m_session->cmdPorts_Click())
        return;
    leaveTopMost();
    auto *dialog = new frmPorts(m_session->lPort(), m_messages, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        // A port chosen by hand is the one, invitation or not.
        m_invited.reset();
        m_session->setPort(dialog->port());
    });
    dialog->open();
    emit portDialogOpened(dialog);
}

void frmMain::cmdTopMost_Click() { setTopMost(primopiano->text() != QLatin1String("vero")); }

void frmMain::setTopMost(bool onTop)
{
    primopiano->setText(onTop ? QStringLiteral("vero") : QStringLiteral("falso"));
    cmdTopMost->setOn(onTop);
    panel::setWindowOnTop(this, onTop);
}

void frmMain::leaveTopMost()
{
    if (primopiano->text() == QLatin1String("vero"))
        setTopMost(false);
}

conversation::Form5 *frmMain::unlockWindow() const { return m_form5.data(); }

void frmMain::txtStatus_DblClick()
{
    // Only whoever hosts may see the hidden options.
    if (!m_session->bHost())
        return;
    leaveTopMost();
    if (!m_form5) {
        m_form5 = new conversation::Form5(this);
        m_form5->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_form5, &conversation::Form5::codeEntered, this, &frmMain::Form5_CodeEntered);
    }
    m_form5->show();
    m_form5->raise();
    m_form5->activateWindow();
}

void frmMain::Form5_CodeEntered(const QString &code)
{
    if (!conversation::Form5::isAccessCode(code)) {
        m_messages->showMessage(session::MessageService::Icon::None, session::kAppTitle,
                                tr("Sbagliato!"));
    } else {
        // Hidden flags, not visibility: the window itself may not be shown.
        QCheckBox *tutorial = m_events->chkTutorial();
        const bool reveal = tutorial->isHidden();
        // Either way "Eventi" ends unticked, which also hides the logs.
        tutorial->setChecked(false);
        m_events->chkTutorial_Click();
        tutorial->setVisible(reveal);
        if (reveal) {
            // The address list replaces the address box only during a session.
            if (cmdPorts->isHidden()) {
                txtIP->hide();
                ComboIP->show();
            }
        } else {
            ComboIP->hide();
            txtIP->show();
        }
        m_transfer->setAddressEntryVisible(reveal);
    }
    if (m_form5)
        m_form5->close();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtName && event->type() == QEvent::FocusOut) {
        // Only moving to another control confirms the name: switching to
        // another window or opening the box's context menu does not, or a
        // half-typed name would be sent to the whole table.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            m_session->confirmOwnName();
    }
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease)
        m_dialog->Label2_Click(session::sLocalIP(m_messages));
    if (watched == m_dialog->txtStatus()->viewport() && event->type() == QEvent::MouseButtonDblClick)
        txtStatus_DblClick();
    return QWidget::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Taken first: unticking "Eventi" below may shrink the window.
    const QRect windowRect = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    const int preset = m_presets->highlighted();
    m_session->closeAllSockets();
    m_store->end(); // the last moment of the session is kept too
    m_reach->finish();
    // The events panel is switched off before saving, so it opens at start
    // only until the program has been closed once.
    QCheckBox *tutorial = m_events->chkTutorial();
    tutorial->setChecked(false);
    m_events->chkTutorial_Click();
    tutorial->hide();
    ComboIP->hide();
    Preferences prefs;
    // An invitation's port is kept with its address, as the link itself, and
    // the port chosen before stays the one for every other address.
    prefs.port = m_invited ? m_invited->chosenPort : m_session->lPort();
    prefs.tutorial = tutorial->isChecked() ? 1 : 0;
    prefs.name = m_typedName;
    prefs.server = txtIP->text().trimmed();
    if (m_invited && prefs.server == m_invited->host)
        prefs.server = session::Invitation::format(m_invited->host, m_invited->port);
    prefs.boardZoom = m_board->zoom()->factor();
    prefs.boardZoomFit = m_board->zoom()->fitting();
    prefs.window = windowRect;
    prefs.preset = preset;
    prefs.timeStamps = m_dialog->bTimeStamp();
    prefs.colours = m_dialog->colouringOn();
    prefs.logDir = m_journal->folder();
    prefs.portMapping = m_portMappingPref;
    prefs.access = m_table->access();
    prefs.language = m_languagePref;
    m_prefs.WritePreferences(prefs);
    // Programs hosted in the panel keep running in windows of their own
    // rather than losing theirs with this one.
    m_programPanel->releaseAll();
    // The program ends: the transfer window goes without its own close step.
    if (m_transfer)
        m_transfer->shutDown();
    UnloadAllWindows();
}

void frmMain::bringToFront()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void frmMain::UnloadAllWindows()
{
    const auto children = findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child->isWindow() && child->isVisible())
            child->close();
    }
}

} // namespace app
