#include "heartbeat.h"

#include <QAbstractSocket>
#include <QVariant>
#include <QTimer>

#if defined(Q_OS_LINUX)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace session
{

Heartbeat::Heartbeat(QObject *parent)
    : QObject(parent), m_beat(new QTimer(this)), m_silence(new QTimer(this))
{
    m_beat->setInterval(m_beatMs);
    connect(m_beat, &QTimer::timeout, this, &Heartbeat::beat);
    m_silence->setSingleShot(true);
    connect(m_silence, &QTimer::timeout, this, [this] {
        m_armed = false;
        emit silent();
    });
}

void Heartbeat::setIntervals(int beatMs, int silenceMs)
{
    m_beatMs = qMax(1, beatMs);
    m_silenceMs = qMax(1, silenceMs);
    m_beat->setInterval(m_beatMs);
    if (m_silence->isActive())
        m_silence->start(m_silenceMs);
}

void Heartbeat::startBeating()
{
    m_beat->start(m_beatMs);
}

void Heartbeat::stopBeating()
{
    m_beat->stop();
}

bool Heartbeat::isBeating() const
{
    return m_beat->isActive();
}

void Heartbeat::arm()
{
    m_armed = true;
    m_silence->start(m_silenceMs);
}

void Heartbeat::heard()
{
    if (m_armed)
        m_silence->start(m_silenceMs);
}

void Heartbeat::disarm()
{
    m_armed = false;
    m_silence->stop();
}

bool Heartbeat::enableKeepAlive(QAbstractSocket *socket)
{
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, QVariant(1));
#if defined(Q_OS_LINUX)
    const int fd = int(socket->socketDescriptor());
    if (fd < 0)
        return false;
    const int idle = kKeepAliveIdleS;
    const int interval = kKeepAliveIntervalS;
    const int count = kKeepAliveCount;
    // Probes only run while nothing waits to be acknowledged; data the peer
    // never acknowledges is covered by the user timeout instead.
    const unsigned int userTimeoutMs = (idle + interval * count) * 1000;
    return ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) == 0 &&
           ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) == 0 &&
           ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count) == 0 &&
           ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs,
                        sizeof userTimeoutMs) == 0;
#else
    return true;
#endif
}

} // namespace session
