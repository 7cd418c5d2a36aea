#include "mediabackend.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QUrl>

namespace accessories
{

MediaBackend::MediaBackend() : m_player(new QMediaPlayer(this)), m_output(new QAudioOutput(this))
{
    m_player->setAudioOutput(m_output);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaBackend::onStatus);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaBackend::onStatus);
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        if (m_listener && !m_path.isEmpty())
            m_listener->backendPosition(ms);
    });
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
        if (m_listener && !m_path.isEmpty())
            m_listener->backendDuration(ms);
    });
    connect(m_player, &QMediaPlayer::metaDataChanged, this, &MediaBackend::reportMetaData);
    connect(m_player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString &text) {
                if (!m_listener || m_path.isEmpty() || error == QMediaPlayer::NoError)
                    return;
                Failure failure = Failure::Other;
                if (error == QMediaPlayer::ResourceError)
                    failure = Failure::Unreadable;
                else if (error == QMediaPlayer::FormatError)
                    failure = Failure::Unsupported;
                else if (error == QMediaPlayer::AccessDeniedError)
                    failure = Failure::AccessDenied;
                // Reported once per file: the framework often follows its
                // first error with a second, vaguer one.
                const QString path = m_path;
                m_path.clear();
                m_listener->backendFailed(path, failure, text);
            });
}

MediaBackend::~MediaBackend()
{
    m_listener = nullptr;
    m_player->stop();
}

void MediaBackend::play(const QString &path)
{
    m_path = path;
    m_playingSaid = false;
    m_player->setSource(QUrl::fromLocalFile(path));
    m_player->play();
}

void MediaBackend::resume()
{
    if (m_path.isEmpty())
        return;
    m_playingSaid = false;
    m_player->play();
}

void MediaBackend::pause()
{
    m_player->pause();
}

void MediaBackend::stop()
{
    m_path.clear();
    m_player->stop();
    // Let go of the file, so it can be moved or deleted while the player waits.
    m_player->setSource(QUrl());
}

void MediaBackend::seek(qint64 ms)
{
    m_player->setPosition(ms);
}

void MediaBackend::setVolume(float linear)
{
    m_output->setVolume(linear);
}

void MediaBackend::onStatus()
{
    if (!m_listener || m_path.isEmpty())
        return;
    const auto status = m_player->mediaStatus();
    const auto state = m_player->playbackState();
    // The framework says "playing" as soon as it is asked to; the sound
    // plays only once the file was opened and decoding has begun.
    const bool decoding = status == QMediaPlayer::BufferedMedia ||
                          status == QMediaPlayer::BufferingMedia ||
                          status == QMediaPlayer::LoadedMedia;
    if (status == QMediaPlayer::EndOfMedia) {
        const QString path = m_path;
        m_path.clear();
        m_listener->backendEnded(path);
    } else if (status == QMediaPlayer::InvalidMedia) {
        // Reported by errorOccurred, which says why.
    } else if (state == QMediaPlayer::PlayingState && decoding && !m_playingSaid) {
        m_playingSaid = true;
        m_listener->backendPlaying(m_path);
    } else if (state == QMediaPlayer::PausedState) {
        m_playingSaid = false;
        m_listener->backendPaused(m_path);
    }
}

void MediaBackend::reportMetaData()
{
    if (!m_listener || m_path.isEmpty())
        return;
    const QMediaMetaData data = m_player->metaData();
    QString artist = data.stringValue(QMediaMetaData::ContributingArtist);
    if (artist.isEmpty())
        artist = data.stringValue(QMediaMetaData::AlbumArtist);
    m_listener->backendMetaData(m_path, data.stringValue(QMediaMetaData::Title), artist);
}

} // namespace accessories

extern "C" Q_DECL_EXPORT accessories::PlayerBackend *tavernix_player_backend_create()
{
    return new accessories::MediaBackend;
}
