#pragma once

#include "accessorywindow.h"
#include "mp3play.h"

#include <QFileDialog>
#include <QPointer>

class QLabel;
class QListView;
class QPushButton;
class QSlider;

namespace accessories
{

class ppFileName;

/**
 * @brief The music player window: a play list filled through the system's
 * file dialog (or by dropping files on it), the transport buttons, a
 * position slider and the player's own volume.
 *
 * Closing the window stops the music; minimising it does not. Keys: Ctrl+O
 * open, Ctrl+P play or pause, Ctrl+. stop, Ctrl+Right and Ctrl+Left next
 * and previous, Ctrl+Up and Ctrl+Down the volume, Ctrl+M mute, Ctrl+R
 * repeat, Enter plays the chosen row, Delete takes it off the list; the
 * keyboard's media keys work while the window has the focus.
 */
class frmMP3Play : public AccessoryWindow
{
    Q_OBJECT
public:
    explicit frmMP3Play(const QString &iniPath, QWidget *parent = nullptr);

    MP3Play *player() const { return m_player; }
    /// The file dialog while it is open, else null.
    QFileDialog *fileDialog() const { return m_dialog; }

    ppFileName *fileName;
    QSlider *sldPosition;
    QLabel *lblTime;
    QPushButton *cmdPrevious;
    QPushButton *cmdPlay;
    QPushButton *cmdStop;
    QPushButton *cmdNext;
    QPushButton *cmdRepeat;
    QPushButton *cmdMute;
    QSlider *sldVolume;
    QListView *lstPlayList;
    QPushButton *cmdOpen;
    QPushButton *cmdRemove;
    QPushButton *cmdClear;
    QLabel *lblStatus;

    /// The picture of the main window's button that opens the player.
    static QIcon buttonPicture();

public slots:
    /// Opens the system's file dialog to add music to the list.
    void openFiles();
    /// Adds @p paths to the list; plays the first of them when nothing plays.
    void addAndPlay(const QStringList &paths);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void saveSettings() override;

private:
    void buildControls();
    void addShortcuts();
    void showState(MP3Play::State state);
    void showPosition();
    void showTrack();
    void removeChosen();

    MP3Play *m_player;
    QString m_folder; ///< where the file dialog opens
    QPointer<QFileDialog> m_dialog;
    bool m_movingSlider = false; ///< the slider follows the music, not the user
};

} // namespace accessories
