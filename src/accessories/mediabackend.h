#pragma once

#include "playerbackend.h"

#include <QObject>

class QAudioOutput;
class QMediaPlayer;

namespace accessories
{

/**
 * @brief The player's sound through Qt Multimedia and the system's media
 * framework (GStreamer on Debian: its plugins decide which formats play).
 *
 * Built into a module of its own, loaded by MP3Play on first use.
 */
class MediaBackend : public QObject, public PlayerBackend
{
    Q_OBJECT
public:
    MediaBackend();
    ~MediaBackend() override;

    void setListener(Listener *listener) override { m_listener = listener; }
    void play(const QString &path) override;
    void resume() override;
    void pause() override;
    void stop() override;
    void seek(qint64 ms) override;
    void setVolume(float linear) override;

private:
    void onStatus();
    void reportMetaData();

    QMediaPlayer *m_player;
    QAudioOutput *m_output;
    Listener *m_listener = nullptr;
    QString m_path;
    bool m_playingSaid = false;
};

} // namespace accessories
