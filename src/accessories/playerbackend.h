#pragma once

#include <QString>
#include <QtGlobal>

namespace accessories
{

/**
 * @brief What the music player needs of a sound library: one file at a
 * time, played, paused, stopped, moved in, at a volume of its own.
 *
 * The implementation lives in a module loaded the first time the player
 * is used, so the program does not load the sound library and its codecs
 * at every start. Plain C++ with no meta-object: the module and the
 * program share this header and nothing else.
 */
class PlayerBackend
{
public:
    /// Why a file could not be played.
    enum class Failure { Unreadable, Unsupported, AccessDenied, Other };

    /// The backend's reports. Every report about a file names it, so a
    /// late report about a file left behind can be told apart.
    class Listener
    {
    public:
        virtual ~Listener() = default;
        virtual void backendPlaying(const QString &path) = 0;
        virtual void backendPaused(const QString &path) = 0;
        virtual void backendEnded(const QString &path) = 0;
        /// @p detail is the sound library's own text (English), for the curious.
        virtual void backendFailed(const QString &path, Failure failure, const QString &detail) = 0;
        virtual void backendPosition(qint64 ms) = 0;
        virtual void backendDuration(qint64 ms) = 0;
        virtual void backendMetaData(const QString &path, const QString &title,
                                     const QString &artist) = 0;
    };

    virtual ~PlayerBackend() = default;
    virtual void setListener(Listener *listener) = 0;
    /// Makes @p path the current file and starts playing it.
    virtual void play(const QString &path) = 0;
    /// Goes on with the current file after a pause.
    virtual void resume() = 0;
    virtual void pause() = 0;
    /// Stops and forgets the current file.
    virtual void stop() = 0;
    virtual void seek(qint64 ms) = 0;
    /// 0 silent to 1 the file's own loudness; the system's mixer is not touched.
    virtual void setVolume(float linear) = 0;
};

} // namespace accessories

/// The module's one entry point: a new backend the caller owns.
using TavernixPlayerBackendCreate = accessories::PlayerBackend *(*)();
