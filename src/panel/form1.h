#pragma once

#include "sinks.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QIcon;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace board
{
class BoardPanel;
}

namespace panel
{

class ProgramPanel;

/**
 * @brief The file browser "Esplora risorse": chooses a program for a pane
 * of the program panel, a path to save the board's picture under, and
 * picture files to load onto the board.
 *
 * `Text2` holds the current path (a folder, or a folder and a file) and is
 * what the pane buttons, "Salva" and the prompt use. The window is not
 * modal and hides when closed, keeping its folder for the next opening.
 */
class Form1 : public QWidget
{
    Q_OBJECT
public:
    /**
     * @param board where pictures load and whose picture is saved
     * @param programs where the pane buttons launch
     * @param messages message boxes; may be replaced later
     * @param folder the folder shown first (the home folder when empty)
     * @param parent the main window; the browser is a window of its own
     */
    Form1(board::BoardPanel *board, ProgramPanel *programs, session::MessageService *messages,
          const QString &folder = QString(), QWidget *parent = nullptr);

    void setMessageService(session::MessageService *messages) { m_messages = messages; }

    /// The drives listed (root paths); the mount points unless set here.
    QStringList drives() const { return m_drives; }
    void setDrives(const QStringList &roots);

    /// The folder list's path: the folder the lists show.
    QString folder() const { return m_folder; }
    /// Shows @p path in the lists, as a change of folder does. False, with
    /// nothing changed, when the folder cannot be read.
    bool setFolder(const QString &path);

    QComboBox *Drive1;
    /// The folders from the root down to the current one, and its sub-folders.
    QTreeWidget *Dir1;
    QListWidget *File1;
    QLineEdit *Text2;
    QLabel *Label1;
    QPushButton *Command1; ///< pane 1
    QPushButton *Command2; ///< pane 2
    QPushButton *Command3; ///< pane 3
    QPushButton *Command5; ///< pane 4
    QPushButton *Command4; ///< "Salva"

    /// The picture of the main window's button that opens the browser.
    static QIcon buttonPicture();

    /// The pane button of pane @p pane (1 to 4), null outside.
    QPushButton *paneButton(int pane) const;

public slots:
    /// The drive list changed to entry @p index.
    void Drive1_Change(int index);
    /// A folder of the folder list was opened.
    void Dir1_Change();
    /// A file of the file list was chosen.
    void File1_Click();
    /// A file of the file list was opened: a picture loads onto the board,
    /// a program file asks for its pane.
    void File1_DblClick();
    /// Pane @p pane (1 to 4) gets the program in Text2.
    void choosePane(int pane);
    void Command1_Click() { choosePane(1); }
    void Command2_Click() { choosePane(2); }
    void Command3_Click() { choosePane(3); }
    void Command5_Click() { choosePane(4); }
    /// "Salva": asks, then saves the board's picture to the path in Text2.
    void Command4_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    void buildControls();
    void Form_Load();
    void fillLists();
    void showDriveOfFolder();
    void save(const QString &path);

    QPointer<board::BoardPanel> m_board;
    QPointer<ProgramPanel> m_programs;
    session::MessageService *m_messages;
    QStringList m_drives;
    bool m_ownDrives = true; ///< the mount points, read again at each opening
    QString m_folder;
};

} // namespace panel
