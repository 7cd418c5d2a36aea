#pragma once

#include "bellclock.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QLabel;
class QMovie;
class QWidget;

namespace conversation
{

/**
 * @brief The clock label Orologio, the hidden flag OrarioBell and the bell
 * window Form4 with its animation KookooBox and the cuckoo sound.
 *
 * The bell's files are looked up beside the executable (a build tree) and
 * in share/tavernix of the prefix the program is installed in; when one is missing
 * the bell window is still shown (empty) and nothing is reported, so the
 * clock keeps going.
 */
class ClockBell : public QObject
{
    Q_OBJECT
public:
    using SoundPlayer = std::function<void(const QString &path)>;

    /// Creates the label as a child of @p parent; the bell window is a
    /// separate top-level window owned by @p parent's window. With @p start
    /// the clock ticks at once.
    ClockBell(QWidget *parent, BellClock::TimeSource source = {}, bool start = true);
    ~ClockBell() override;

    QLabel *Orologio() const { return m_orologio; }
    QCheckBox *OrarioBell() const { return m_orarioBell; }
    BellClock *clock() const { return m_clock; }
    /// The bell window while it is loaded, else null.
    QWidget *Form4() const { return m_form4; }
    /// The clock text (H.MM.SS), the source of the time stamps.
    QString clockText() const;

    /// The bell's file names, as the program's folder holds them.
    static const QStringList &assetNames();
    /**
     * @brief Where the bell's files are for a program in @p programFolder:
     * the folder itself when it holds one of them (a build tree), else
     * share/tavernix beside the folder's parent (an installed program, for
     * any prefix), else the same folder under the system's data folders
     * ($XDG_DATA_DIRS). Without any, the installed place is returned.
     */
    static QString findAssetFolder(const QString &programFolder);
    /// The folder the bell's files come from (default: findAssetFolder of the program's folder).
    void setAssetFolder(const QString &folder);
    QString assetFolder() const { return m_folder; }
    /**
     * @brief The bell's sound module for a program in @p programFolder:
     * beside the program (a build tree), else in lib/tavernix of its prefix
     * (the library folder name the build was installed with). Empty when
     * neither holds it: the bell is then silent.
     */
    static QString findSoundModule(const QString &programFolder);
    /// The sound module loaded at the first ring (default: findSoundModule of the program's folder).
    void setSoundModule(const QString &path);
    QString soundModule() const { return m_module; }
    /// The sound effect the module made at the first ring; null before it,
    /// or for good when the module is missing or unusable.
    QObject *soundEffect() const { return m_sound; }
    /// Replaces the sound output (tests record instead of playing).
    void setSoundPlayer(SoundPlayer player);

signals:
    /// The bell rang: a main window kept on top must go back to normal.
    void bellRang();

private:
    void ring(const QString &text);
    void closeBell();
    void playSound(const QString &path);

    QWidget *m_parent;
    BellClock *m_clock;
    QLabel *m_orologio;
    QCheckBox *m_orarioBell;
    QPointer<QWidget> m_form4;
    QMovie *m_movie = nullptr;
    SoundPlayer m_player;
    QString m_folder;
    QString m_module;
    QObject *m_sound = nullptr;
    bool m_moduleTried = false;
};

} // namespace conversation
