#include "reconnectpolicy.h"

#include <QTimer>

namespace session
{

ReconnectPolicy::ReconnectPolicy(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_next = QDateTime();
        ++m_attempts;
        emit tryNow(m_attempts);
    });
}

void ReconnectPolicy::setSchedule(const Schedule &schedule)
{
    m_schedule = schedule;
}

int ReconnectPolicy::delayBefore(const Schedule &schedule, int attempt)
{
    if (attempt >= 0 && attempt < schedule.delaysMs.size())
        return qMax(0, schedule.delaysMs[attempt]);
    return qMax(0, schedule.repeatMs);
}

void ReconnectPolicy::start()
{
    m_attempts = 0;
    m_active = true;
    m_since.start();
    scheduleNext();
}

void ReconnectPolicy::tryFailed()
{
    if (m_active && !m_timer->isActive())
        scheduleNext();
}

void ReconnectPolicy::stop()
{
    m_active = false;
    m_timer->stop();
    m_next = QDateTime();
}

int ReconnectPolicy::msToNextTry() const
{
    return m_timer->isActive() ? m_timer->remainingTime() : -1;
}

void ReconnectPolicy::scheduleNext()
{
    const int delay = delayBefore(m_schedule, m_attempts);
    if (m_since.elapsed() + delay > m_schedule.giveUpAfterMs) {
        stop();
        emit gaveUp();
        return;
    }
    m_next = QDateTime::currentDateTime().addMSecs(delay);
    m_timer->start(delay);
    emit tryScheduled(delay, m_next);
}

} // namespace session
