#include "servicenotifier.h"

#include "serverlog.h"

#include <QTimer>

#include <systemd/sd-daemon.h>

#include <limits>

namespace server
{

ServiceNotifier::ServiceNotifier(QObject *parent) : QObject(parent)
{
    uint64_t usec = 0;
    // Also checks $WATCHDOG_PID, so a child started with the variables
    // inherited does not ping for its parent.
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
        const uint64_t half = usec / 2 / 1000;
        m_intervalMs = int(qBound<uint64_t>(1, half, uint64_t(std::numeric_limits<int>::max())));
        m_watchdog = new QTimer(this);
        m_watchdog->setTimerType(Qt::CoarseTimer);
        connect(m_watchdog, &QTimer::timeout, this, [this] { notify("WATCHDOG=1"); });
        m_watchdog->start(m_intervalMs);
    }
}

void ServiceNotifier::notify(const QByteArray &state)
{
    // unset_environment 0: the pings need the socket's address later on.
    sd_notify(0, state.constData());
}

void ServiceNotifier::ready(const QString &text)
{
    notify("READY=1\nSTATUS=" + ServerLog::clean(text).toUtf8());
}

void ServiceNotifier::stopping()
{
    if (m_watchdog)
        m_watchdog->stop();
    notify("STOPPING=1");
}

void ServiceNotifier::status(const QString &text)
{
    notify("STATUS=" + ServerLog::clean(text).toUtf8()); // one line
}

} // namespace server
