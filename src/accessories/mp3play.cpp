#include "mp3play.h"

#include "clsvolume.h"
#include "playlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace accessories
{

MP3Play::MP3Play(QObject *parent)
    : QObject(parent), m_list(new PlayList(this)), m_volume(new clsVolume(this)),
      m_modulePath(findBackendModule(QCoreApplication::applicationDirPath()))
{
    m_loadTimer.setSingleShot(true);
    m_loadTimer.setInterval(kLoadTimeoutMs);
    connect(&m_loadTimer, &QTimer::timeout, this, [this] {
        if (m_state == State::Loading)
            fail(tr("non si apre (tempo scaduto)"));
    });
    connect(m_volume, &clsVolume::gainChanged, this, [this](float gain) {
        if (m_backend)
            m_backend->setVolume(gain);
    });
}

MP3Play::~MP3Play()
{
    // The backend reports to this object: it goes first. The module stays
    // loaded (QLibrary does not unload on destruction), so its code outlives it.
    if (m_backend)
        m_backend->setListener(nullptr);
    m_backend.reset();
}

QString MP3Play::findBackendModule(const QString &programFolder)
{
    const QString name = QStringLiteral(TAVERNIX_PLAYER_MODULE);
    const QStringList candidates = {
        programFolder + QLatin1Char('/') + name,
        programFolder + QStringLiteral("/../" TAVERNIX_MODULE_DIR "/") + name,
    };
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(path);
    }
    return QString();
}

void MP3Play::setBackendModule(const QString &path)
{
    m_modulePath = path;
    m_moduleTried = false;
}

bool MP3Play::ensureBackend()
{
    if (m_backend || m_moduleTried)
        return bool(m_backend);
    m_moduleTried = true;
    if (!m_modulePath.isEmpty()) {
        m_module.setFileName(m_modulePath);
        auto create = reinterpret_cast<TavernixPlayerBackendCreate>(
            m_module.resolve("tavernix_player_backend_create"));
        if (create)
            m_backend.reset(create());
    }
    if (!m_backend) {
        emit statusMessage(tr("Il lettore non può suonare: manca il suo modulo audio (%1).")
                               .arg(m_modulePath.isEmpty() ? QStringLiteral(TAVERNIX_PLAYER_MODULE)
                                                           : m_module.errorString()));
        return false;
    }
    m_backend->setListener(this);
    m_backend->setVolume(m_volume->gain());
    return true;
}

void MP3Play::addFiles(const QStringList &paths)
{
    m_list->append(paths);
    if (m_list->current() < 0 && m_list->count() > 0)
        m_list->setCurrent(0);
}

void MP3Play::removeRow(int row)
{
    if (row == m_list->current())
        stop();
    m_list->removeAt(row);
    if (m_list->current() < 0 && m_list->count() > 0)
        m_list->setCurrent(qMin(row, m_list->count() - 1));
}

void MP3Play::clearList()
{
    stop();
    m_list->clear();
    m_failuresInRow = 0;
}

void MP3Play::playRow(int row)
{
    m_failuresInRow = 0;
    start(row);
}

void MP3Play::start(int row)
{
    if (row < 0 || row >= m_list->count())
        return;
    if (m_backend)
        m_backend->stop();
    m_list->setCurrent(row);
    m_path = m_list->path(row);
    m_position = 0;
    m_duration = 0;
    emit positionChanged(0);
    emit durationChanged(0);
    m_title.clear();
    m_artist.clear();
    emit metaDataChanged(QString(), QString());

    // Only regular files go to the sound library: a FIFO or a device
    // would keep it reading for ever, a folder makes no sense to it.
    const QFileInfo info(m_path);
    if (!info.exists()) {
        fail(tr("il file non c'è più"));
        return;
    }
    if (!info.isFile()) {
        fail(tr("non è un file normale"));
        return;
    }
    if (!info.isReadable()) {
        fail(tr("non si ha il permesso di leggerlo"));
        return;
    }
    if (!ensureBackend()) {
        setState(State::Stopped);
        return;
    }
    setState(State::Loading);
    m_loadTimer.start();
    m_backend->play(m_path);
}

void MP3Play::play()
{
    if (m_state == State::Paused && m_backend) {
        m_backend->resume();
        return;
    }
    if (m_state == State::Playing || m_state == State::Loading)
        return;
    playRow(qMax(0, m_list->current()));
}

void MP3Play::pause()
{
    if (m_state == State::Playing && m_backend)
        m_backend->pause();
}

void MP3Play::playPause()
{
    if (m_state == State::Playing)
        pause();
    else
        play();
}

void MP3Play::stop()
{
    m_loadTimer.stop();
    if (m_backend)
        m_backend->stop();
    m_path.clear();
    m_position = 0;
    emit positionChanged(0);
    setState(State::Stopped);
}

void MP3Play::next()
{
    if (m_list->count() == 0)
        return;
    const int row = m_list->current() + 1;
    if (row < m_list->count())
        playRow(row);
    else if (m_repeat)
        playRow(0);
    else
        endOfList();
}

void MP3Play::previous()
{
    if (m_list->count() == 0)
        return;
    const int current = qMax(0, m_list->current());
    if (m_state != State::Stopped && m_position > kRestartThresholdMs)
        playRow(current);
    else if (current > 0)
        playRow(current - 1);
    else
        playRow(m_repeat ? m_list->count() - 1 : 0);
}

void MP3Play::setRepeat(bool on)
{
    if (on == m_repeat)
        return;
    m_repeat = on;
    emit repeatChanged(on);
}

void MP3Play::seek(qint64 ms)
{
    if (m_backend && (m_state == State::Playing || m_state == State::Paused))
        m_backend->seek(qMax<qint64>(0, ms));
}

void MP3Play::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (state != State::Loading)
        m_loadTimer.stop();
    emit stateChanged(state);
}

void MP3Play::fail(const QString &reason)
{
    const int row = m_list->current();
    const QString path = m_path;
    if (m_backend)
        m_backend->stop();
    m_path.clear();
    m_list->setFailure(row, reason);
    ++m_failuresInRow;
    const QString name = QFileInfo(path).fileName();
    const QString message = tr("Impossibile riprodurre «%1»: %2.").arg(name, reason);
    emit trackFailed(path, message);
    const bool last = row + 1 >= m_list->count() && !m_repeat;
    if (m_failuresInRow >= m_list->count()) {
        emit statusMessage(message + QLatin1Char(' ') +
                           tr("Nessun brano della lista si può riprodurre."));
        setState(State::Stopped);
        return;
    }
    emit statusMessage(last ? message
                            : message + QLatin1Char(' ') + tr("Passo al brano successivo."));
    setState(State::Loading);
    // Moving on from the event loop: a long list of bad files is gone
    // through without deep recursion, and the window can paint meanwhile.
    QMetaObject::invokeMethod(
        this, [this, row] { moveOnAfterFailure(row); }, Qt::QueuedConnection);
}

void MP3Play::moveOnAfterFailure(int failedRow)
{
    // The user may have chosen something else meanwhile.
    if (m_list->current() != failedRow || !m_path.isEmpty() || m_state != State::Loading)
        return;
    if (failedRow + 1 < m_list->count())
        start(failedRow + 1);
    else if (m_repeat)
        start(0);
    else
        endOfList();
}

void MP3Play::endOfList()
{
    stop();
    // The first row is a different piece: its length is not known yet.
    m_duration = 0;
    emit durationChanged(0);
    m_list->setCurrent(m_list->count() > 0 ? 0 : -1);
}

QString MP3Play::reasonText(PlayerBackend::Failure failure, const QString &detail)
{
    switch (failure) {
    case PlayerBackend::Failure::Unreadable:
        return tr("non è un file audio o è danneggiato");
    case PlayerBackend::Failure::Unsupported:
        return tr("su questo computer manca il decodificatore per il suo formato");
    case PlayerBackend::Failure::AccessDenied:
        return tr("non si ha il permesso di leggerlo");
    case PlayerBackend::Failure::Other:
        break;
    }
    return tr("errore del lettore (%1)").arg(detail);
}

void MP3Play::backendPlaying(const QString &path)
{
    if (path != m_path)
        return;
    m_failuresInRow = 0;
    m_list->setFailure(m_list->current(), QString());
    setState(State::Playing);
}

void MP3Play::backendPaused(const QString &path)
{
    if (path == m_path && m_state == State::Playing)
        setState(State::Paused);
}

void MP3Play::backendEnded(const QString &path)
{
    if (path != m_path)
        return;
    next();
}

void MP3Play::backendFailed(const QString &path, PlayerBackend::Failure failure,
                            const QString &detail)
{
    if (path != m_path || m_path.isEmpty())
        return;
    fail(reasonText(failure, detail));
}

void MP3Play::backendPosition(qint64 ms)
{
    if (m_path.isEmpty() || ms == m_position)
        return;
    m_position = ms;
    emit positionChanged(ms);
}

void MP3Play::backendDuration(qint64 ms)
{
    if (m_path.isEmpty() || ms == m_duration)
        return;
    m_duration = ms;
    emit durationChanged(ms);
}

void MP3Play::backendMetaData(const QString &path, const QString &title, const QString &artist)
{
    if (path != m_path)
        return;
    m_title = title;
    m_artist = artist;
    emit metaDataChanged(title, artist);
}

} // namespace accessories
