#pragma once

#include "access.h"
#include "chatsession.h"
#include "commandline.h"
#include "eventspanel.h"
#include "findindialog.h"
#include "preferences.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace accessories {
class Form3;
class frmMP3Play;
class frmZoom;
} // namespace accessories

namespace board {
class BoardPanel;
class Palette;
class PaletteWidget;
} // namespace board

namespace explorer {
class Form2;
}
namespace transfer {
class FrmServerCLient;
} // namespace transfer

namespace conversation {
class ClockBell;
class ComposerPanel;
class DialogPane;
class DialogSaver;
class Journal;
class DicePanel;
class EventsPanel;
class ToggleButton;
class Form5;
class frmFind;
} // namespace conversation

namespace panel {
class Form1;
class PresetBar;
class ProgramPanel;
} // namespace panel

namespace session {
class Reachability;
class SessionKeeper;
class SessionStore;
} // namespace session

namespace app {

class MainWindowAccess;
class MessageBoxService;
class frmPorts;
class frmRaggiungibilita;
class PrivateTable;

/**
 * @brief The main window: the session's controls, the conversation pane, the
 * dice, the board and the logs in one window laid out on a twips grid.
 *
 * Columns: the chat from 0 to 3960 twips (the narrow preset), the board up
 * to 7570 (the medium preset is 7695 wide), the program panel from 7570 (the
 * wide preset is 12000); the events panel lies below 6000 twips. Up to the
 * wide preset's width and the presets' height (the events panel's with the
 * logs shown) the grid is the layout; a larger window gives its extra width
 * to the board view and its extra height to the board view and the
 * conversation pane.
 */
class frmMain : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kNarrowWidth = 3960;
    static constexpr int kMediumWidth = 7695;
    static constexpr int kWideWidth = 12000;
    static constexpr int kPresetHeight = 6450;
    /// The preset heights measure the whole window; a desktop's title bar and
    /// borders take about this much of it, the rest is the window's content.
    /// One value for the window and its events panel, which resizes it too.
    static constexpr int kFrameAllowance = conversation::EventsPanel::kFrameAllowance;
    /// The chat column's controls end here; a narrower window cuts them.
    static constexpr int kMinContentWidth = 3900;
    /// How many pixels below the presets' content height the pane and the
    /// board give up before the window stops shrinking.
    static constexpr int kMaxShrink = 40;
    /// The colour swatches' top-left corner at the table's size.
    static constexpr int kPaletteLeft = 3945;
    static constexpr int kPaletteTop = 3120;

    /// Runs the start sequence: reads the preferences from @p prefsPath
    /// (the user's "tavernix.ini" when empty) and prepares every control.
    explicit frmMain(const QString &prefsPath = QString(), QWidget *parent = nullptr);
    ~frmMain() override;

    session::ChatSession *chat() const { return m_session; }
    conversation::DialogPane *dialogPane() const { return m_dialog; }
    /// The conversation kept in files (--log-dir) and "Salva dialogo…".
    conversation::Journal *journal() const { return m_journal.get(); }
    conversation::DialogSaver *dialogSaver() const { return m_saver; }
    conversation::ClockBell *clockBell() const { return m_clock; }
    conversation::EventsPanel *eventsPanel() const { return m_events; }
    conversation::ComposerPanel *composer() const { return m_composer; }
    conversation::DicePanel *dice() const { return m_dice; }
    board::BoardPanel *boardPanel() const { return m_board; }
    board::Palette *palette() const { return m_palette; }
    /// The file-transfer window, created hidden at start.
    transfer::FrmServerCLient *transferWindow() const { return m_transfer; }
    /// Where hosted sessions are kept: the user's data folder, or beside the
    /// preferences file when the window was given one of its own.
    session::SessionStore *sessionStore() const { return m_store; }
    /// Offers the last session at "Host" and keeps the one being hosted.
    session::SessionKeeper *sessionKeeper() const { return m_keeper; }
    /// Replaces the message boxes (tests record them instead).
    void setMessageService(session::MessageService *service);
    session::MessageService *messageService() const { return m_messages; }
    QString preferencesPath() const { return m_prefs.filePath(); }
    /// The image explorer while it is open, else null.
    explorer::Form2 *imageExplorer() const;

    /// @p t twips in pixels, at the scale of the window's font.
    int twips(int t) const { return int(t * m_fontScale / kTwipsPerPixel); }

    /// Acts on --log-dir, then on --name, --port, --host and --connect as if
    /// typed and pressed, and on an invitation link; then starts asking the
    /// router for the ports (unless --no-port-mapping or the preference says no).
    void applyCommandLine(const CommandLine &options);

    /// Ports forwarded on the router and the invitations to give out.
    session::Reachability *reachability() const { return m_reach; }
    /// The "Raggiungibilità" window while it exists, else null.
    frmRaggiungibilita *reachabilityWindow() const;

    /// Control names, Tab order, shortcuts and announcements of the window.
    MainWindowAccess *access() const { return m_access; }

    // Session controls (named as the rest of the program knows them).
    QLineEdit *txtName;
    QLineEdit *txtIP;
    QComboBox *ComboIP;
    QLabel *Label2;
    QListView *lstConnections;
    QPushButton *cmdHost;
    QPushButton *cmdConnect;
    QPushButton *cmdDisconnect;
    QPushButton *cmdKick;
    QPushButton *cmdDeselect;
    QPushButton *cmdPorts;
    conversation::ToggleButton *cmdTopMost;
    QLineEdit *primopiano; ///< hidden: "vero" while the window stays on top
    QPushButton *Command22; ///< opens the file-transfer window
    QPushButton *cmdRaggiungibilita; ///< opens "Raggiungibilità"

    // Find, program panel and size presets.
    conversation::ToggleButton *Command17; ///< opens the find dialog
    /// The program panel: its path boxes txtProgram ... txtProgram4 and its
    /// launch Command7_Click (the file browser fills one slot and launches).
    panel::ProgramPanel *programPanel() const { return m_programPanel; }
    panel::PresetBar *presets() const { return m_presets; }
    /// The find dialog while it is open, null otherwise.
    conversation::frmFind *findDialog() const;
    /// The search settings, kept while the find dialog is closed.
    conversation::FindSettings &findSettings() { return m_findSettings; }

    // File browser.
    conversation::ToggleButton *Command1; ///< opens the file browser
    /// The file browser once it was opened, null before.
    panel::Form1 *fileBrowser() const { return m_form1; }

    // Desk accessories: each window is made at its first opening and kept
    // (hidden when closed) until the program ends.
    QPushButton *Command3;  ///< opens the calculator
    QPushButton *Command4;  ///< opens the magnifier
    QPushButton *Command20; ///< opens the music player
    accessories::Form3 *calculator() const { return m_form3; }
    accessories::frmZoom *magnifier() const { return m_frmZoom; }
    accessories::frmMP3Play *musicPlayer() const { return m_frmMP3Play; }

public slots:
    void cmdHost_Click();
    void cmdConnect_Click();
    void cmdDisconnect_Click();
    void cmdKick_Click();
    void cmdDeselect_Click();
    void cmdPorts_Click();
    void cmdTopMost_Click();
    /// Puts the window on top or back to normal and records it in primopiano.
    void setTopMost(bool onTop);
    /// A secondary window is about to open: a window kept on top would hide it.
    void leaveTopMost();
    /// Opens the find dialog (or brings it forward when it is open).
    void Command17_Click();
    /// The board's corner button: opens the image explorer, modal.
    void Command2_Click();
    /// Shows the file-transfer window with the participants as recipients.
    void Command22_Click();
    /// A double click on the status box: the host opens "Codice Master".
    void txtStatus_DblClick();
    /// Enter in "Codice Master": the access code reveals the hidden
    /// options or hides them again; any other text is refused.
    void Form5_CodeEntered(const QString &code);
    conversation::Form5 *unlockWindow() const;
    /// Opens the file browser (or brings it forward when it is open).
    void Command1_Click();
    /// Shows the window in front of others and gives it the focus, even
    /// from minimised (a second start of the program asks for this).
    void bringToFront();
    /// An invitation link (from the command line or a second start): fills
    /// in "Server:" and the port, ready for "Connetti". A malformed link, or
    /// one that arrives during a session, is refused with a message and
    /// changes nothing. Returns whether it was taken.
    bool applyInvitation(const QString &link);
    /// Opens "Raggiungibilità" (or brings it forward).
    void cmdRaggiungibilita_Click();
    /// Opens the calculator (or brings it forward).
    void Command3_Click();
    /// Opens the magnifier (or brings it forward).
    void Command4_Click();
    /// Opens the music player (or brings it forward).
    void Command20_Click();

signals:
    /// The port dialog opened (tests answer it).
    void portDialogOpened(app::frmPorts *dialog);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createSessionControls();
    void createConversation();
    void createBoard();
    void createFind();
    void createProgramPanel();
    void createPresets();
    void createExplorer();
    void createTransfer();
    void createBrowser();
    void createReachability();
    void createAccessories();
    /// The private table's folder, its identity, and how the chat and transfers are told of it.
    void createPrivateTable(const QString &folder);
    /// A table refused us for want of an invitation: the player may type its password.
    void askTablePassword(const QString &why);
    /// Places every control for the window's size (see the table).
    void layoutControls();
    /// How far the window exceeds the size the table fills: the wide
    /// preset's width, and the presets' height or, with the logs shown, the
    /// events panel's.
    QSize extraSize() const;
    /// kMaxShrink at the font's scale.
    int maxShrink() const;
    /// Lays the window out again for a font of another size.
    void followFont();
    void placeDice();
    void Form_Load();
    /// Puts the window where and as it was when the program last closed.
    void restoreWindow(const Preferences &prefs);
    void Form_Unload();
    void UnloadAllWindows();
    void OpenConnection();
    void CloseConnection();
    /// True (and the status box says @p why) when there is no name to act under.
    bool askForName(const QString &why);
    /// "Server:" says @p address: an invitation's port holds for its own
    /// host only, so another address goes back to the port chosen before,
    /// and the status box says so.
    void leaveInvitation(const QString &address);

    PreferencesStore m_prefs;
    session::ChatSession *m_session;
    session::SessionStore *m_store = nullptr;
    session::SessionKeeper *m_keeper = nullptr;
    conversation::DialogPane *m_dialog = nullptr;
    std::unique_ptr<conversation::Journal> m_journal;
    conversation::DialogSaver *m_saver = nullptr;
    conversation::ClockBell *m_clock = nullptr;
    conversation::ComposerPanel *m_composer = nullptr;
    conversation::DicePanel *m_dice = nullptr;
    conversation::EventsPanel *m_events = nullptr;
    board::Palette *m_palette = nullptr;
    board::BoardPanel *m_board = nullptr;
    board::PaletteWidget *m_paletteWidget = nullptr;
    std::unique_ptr<MessageBoxService> m_ownMessages;
    session::MessageService *m_messages = nullptr;
    bool m_unloaded = false;
    QString m_typedName; ///< kept in the preferences as "Name"

    conversation::FindSettings m_findSettings;
    QPointer<conversation::frmFind> m_frmFind;
    panel::ProgramPanel *m_programPanel = nullptr;
    panel::PresetBar *m_presets = nullptr;
    QPointer<explorer::Form2> m_explorer;
    // The file-transfer window and the message boxes it opens over itself.
    transfer::FrmServerCLient *m_transfer = nullptr;
    std::unique_ptr<MessageBoxService> m_transferMessages;
    QPointer<conversation::Form5> m_form5;
    panel::Form1 *m_form1 = nullptr;
    session::Reachability *m_reach = nullptr;
    PrivateTable *m_table = nullptr;
    secure::Access m_accessPref = secure::kDefaultAccess; ///< "Accesso" as read, until the table is made
    QString m_invitedHost; ///< the address the last invitation named
    QPointer<frmRaggiungibilita> m_frmReach;
    bool m_portMappingPref = true; ///< kept in the preferences as "PortMapping"
    MainWindowAccess *m_access = nullptr;
    /// How much larger than the laid-out font the window's font is.
    double m_fontScale = 1.0;
    accessories::Form3 *m_form3 = nullptr;
    accessories::frmZoom *m_frmZoom = nullptr;
    accessories::frmMP3Play *m_frmMP3Play = nullptr;
    QString m_languagePref;        ///< "Language", kept as it was read (--lang does not change it)
    /// The invitation whose port is in force, with the port chosen before it.
    struct Invited {
        QString host;
        quint16 port = 0;
        qint32 chosenPort = 0;
    };
    std::optional<Invited> m_invited;
    /// The start centred the window (no place was remembered): centred
    /// again once the window manager's frame changes its size.
    bool m_centredAtStart = false;
};

} // namespace app
