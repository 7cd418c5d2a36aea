#pragma once

#include "playerbackend.h"

#include <QLibrary>
#include <QObject>
#include <QTimer>

#include <memory>

namespace accessories
{

class PlayList;
class clsVolume;

/**
 * @brief The music player's engine: the play list, the transport (play,
 * pause, stop, next, previous, repeat, seek) and the volume, over a sound
 * library loaded from a module the first time something plays.
 *
 * A file that cannot be played (missing, not a regular file, not audio,
 * a format no codec reads) is marked in the list, reported once through
 * trackFailed() with its name, and the next one plays; when no file of
 * the list plays, the player stops and says so instead of going round.
 */
class MP3Play : public QObject, private PlayerBackend::Listener
{
    Q_OBJECT
public:
    enum class State { Stopped, Loading, Playing, Paused };
    Q_ENUM(State)

    /// How long a file may take to start before it counts as not playable.
    static constexpr int kLoadTimeoutMs = 15000;
    /// "Previous" this far into a piece starts it again instead.
    static constexpr qint64 kRestartThresholdMs = 3000;

    explicit MP3Play(QObject *parent = nullptr);
    ~MP3Play() override;

    /**
     * @brief Where the sound module is for a program in @p programFolder:
     * beside it (a build tree) or in lib/tavernix of its prefix (installed);
     * empty when in neither.
     */
    static QString findBackendModule(const QString &programFolder);
    /// The module to load (default: findBackendModule of the program's folder).
    void setBackendModule(const QString &path);

    PlayList *playList() const { return m_list; }
    clsVolume *volume() const { return m_volume; }
    State state() const { return m_state; }
    bool repeat() const { return m_repeat; }
    qint64 position() const { return m_position; }
    qint64 duration() const { return m_duration; }
    QString title() const { return m_title; }
    QString artist() const { return m_artist; }

public slots:
    /// Adds files at the end of the list.
    void addFiles(const QStringList &paths);
    /// Removes a row; removing the one playing stops it.
    void removeRow(int row);
    void clearList();
    /// Plays row @p row from its start.
    void playRow(int row);
    /// Goes on after a pause, or plays the current row (the first when none).
    void play();
    void pause();
    void playPause();
    void stop();
    /// The next row; after the last, the first when repeating, else stop.
    void next();
    /// The previous row, or the current one again when well into it.
    void previous();
    void setRepeat(bool on);
    void seek(qint64 ms);

signals:
    void stateChanged(accessories::MP3Play::State state);
    void positionChanged(qint64 ms);
    void durationChanged(qint64 ms);
    void repeatChanged(bool on);
    void metaDataChanged(const QString &title, const QString &artist);
    /// @p path could not be played; @p message says which file and why, in full.
    void trackFailed(const QString &path, const QString &message);
    /// A line for the player's status bar (failures included).
    void statusMessage(const QString &text);

private:
    bool ensureBackend();
    /// Plays @p row, counting on from the failures so far.
    void start(int row);
    void setState(State state);
    /// Marks the current row failed for @p reason, tells, and moves on.
    void fail(const QString &reason);
    void moveOnAfterFailure(int failedRow);
    /// Stops and makes the first row current: the end of the list.
    void endOfList();
    static QString reasonText(PlayerBackend::Failure failure, const QString &detail);

    // PlayerBackend::Listener
    void backendPlaying(const QString &path) override;
    void backendPaused(const QString &path) override;
    void backendEnded(const QString &path) override;
    void backendFailed(const QString &path, PlayerBackend::Failure failure,
                       const QString &detail) override;
    void backendPosition(qint64 ms) override;
    void backendDuration(qint64 ms) override;
    void backendMetaData(const QString &path, const QString &title, const QString &artist) override;

    PlayList *m_list;
    clsVolume *m_volume;
    QString m_modulePath;
    bool m_moduleTried = false;
    QLibrary m_module;
    std::unique_ptr<PlayerBackend> m_backend;
    QTimer m_loadTimer;
    State m_state = State::Stopped;
    QString m_path; ///< the file handed to the backend last
    bool m_repeat = false;
    qint64 m_position = 0;
    qint64 m_duration = 0;
    QString m_title;
    QString m_artist;
    int m_failuresInRow = 0;
};

} // namespace accessories
