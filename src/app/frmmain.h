#pragma once

#include "chatsession.h"
#include "commandline.h"
#include "eventspanel.h"
#include "preferences.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace board {
class BoardPanel;
class Palette;
class PaletteWidget;
} // namespace board

namespace transfer {
class FrmServerCLient;
} // namespace transfer

namespace conversation {
class ClockBell;
class ComposerPanel;
class DialogPane;
class DicePanel;
class EventsPanel;
} // namespace conversation

namespace app {

class MessageBoxService;
class frmPorts;

/**
 * @brief The main window: the session's controls, the conversation pane, the
 * dice, the board and the logs in one window laid out on a twips grid.
 *
 * Columns: the chat from 0 to 3960 twips (the narrow preset), the board up
 * to 7570 (the medium preset is 7695 wide), the program panel from 7570 (the
 * wide preset is 12000); the events panel lies below 6000 twips.
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

    /// Runs the start sequence: reads the preferences from @p prefsPath
    /// (the user's "tavernix.ini" when empty) and prepares every control.
    explicit frmMain(const QString &prefsPath = QString(), QWidget *parent = nullptr);
    ~frmMain() override;

    session::ChatSession *chat() const { return m_session; }
    conversation::DialogPane *dialogPane() const { return m_dialog; }
    conversation::ClockBell *clockBell() const { return m_clock; }
    conversation::EventsPanel *eventsPanel() const { return m_events; }
    conversation::ComposerPanel *composer() const { return m_composer; }
    conversation::DicePanel *dice() const { return m_dice; }
    board::BoardPanel *boardPanel() const { return m_board; }
    board::Palette *palette() const { return m_palette; }
    /// The file-transfer window, created hidden at start.
    transfer::FrmServerCLient *transferWindow() const { return m_transfer; }
    /// Replaces the message boxes (tests record them instead).
    void setMessageService(session::MessageService *service);
    session::MessageService *messageService() const { return m_messages; }
    QString preferencesPath() const { return m_prefs.filePath(); }

    static int twips(int t) { return t / kTwipsPerPixel; }

    /// Acts on --name, --port, --host and --connect as if typed and pressed.
    void applyCommandLine(const CommandLine &options);

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
    QPushButton *cmdTopMost;
    QLineEdit *primopiano; ///< hidden: "vero" while the window stays on top
    QPushButton *Command22; ///< opens the file-transfer window

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
    /// Shows the file-transfer window with the participants as recipients.
    void Command22_Click();

signals:
    /// The port dialog opened (tests answer it).
    void portDialogOpened(app::frmPorts *dialog);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createSessionControls();
    void createConversation();
    void createBoard();
    void createTransfer();
    void layoutControls();
    void Form_Load();
    void Form_Unload();
    void UnloadAllWindows();
    void OpenConnection();
    void CloseConnection();

    session::PreferencesStore m_prefs;
    session::ChatSession *m_session;
    conversation::DialogPane *m_dialog = nullptr;
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
    // The file-transfer window and the message boxes it opens over itself.
    transfer::FrmServerCLient *m_transfer = nullptr;
    std::unique_ptr<MessageBoxService> m_transferMessages;
};

} // namespace app
