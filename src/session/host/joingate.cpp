#include "joingate.h"

#include <iterator>

namespace session
{

JoinGate::JoinGate(Expire expire, QObject *parent) : QObject(parent), m_expire(std::move(expire))
{
    m_clock.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { expireDue(); });
}

void JoinGate::admit(qint16 index)
{
    const quint64 ticket = m_nextTicket++;
    m_waiting.insert(index, ticket);
    // Every admission has the same wait, but the wait may be changed: keep
    // the line ordered by time so the front is always the next one due.
    const qint64 now = m_clock.elapsed();
    const Deadline due{now, now + m_timeoutMs, index, ticket};
    auto at = m_deadlines.end();
    while (at != m_deadlines.begin() && std::prev(at)->at > due.at)
        --at;
    m_deadlines.insert(at, due);
    arm();
}

void JoinGate::clear()
{
    m_waiting.clear();
    m_deadlines.clear();
    m_timer.stop();
}

bool JoinGate::evictOldest(qint64 minAgeMs)
{
    // The first entry still waiting is the one due first, which with one
    // wait for everyone is also the one admitted first. Entries of
    // connections no longer waiting are dropped on the way.
    while (!m_deadlines.empty()) {
        const Deadline front = m_deadlines.front();
        const auto it = m_waiting.constFind(front.index);
        if (it == m_waiting.cend() || it.value() != front.ticket) {
            m_deadlines.pop_front();
            continue;
        }
        if (m_clock.elapsed() - front.admitted < minAgeMs)
            return false;
        m_deadlines.pop_front();
        m_waiting.erase(it);
        arm();
        m_expire(front.index);
        return true;
    }
    arm();
    return false;
}

void JoinGate::expireDue()
{
    const qint64 now = m_clock.elapsed();
    while (!m_deadlines.empty() && m_deadlines.front().at <= now) {
        const Deadline due = m_deadlines.front();
        m_deadlines.pop_front();
        // A connection that joined or closed, or an element carrying a newer
        // connection, has another ticket or none.
        const auto it = m_waiting.constFind(due.index);
        if (it == m_waiting.cend() || it.value() != due.ticket)
            continue;
        m_waiting.erase(it);
        m_expire(due.index);
    }
    arm();
}

void JoinGate::arm()
{
    // Entries of connections that are no longer waiting go when they come due.
    if (m_deadlines.empty()) {
        m_timer.stop();
        return;
    }
    const qint64 wait = qMax<qint64>(0, m_deadlines.front().at - m_clock.elapsed());
    if (!m_timer.isActive() || m_timer.remainingTime() > wait)
        m_timer.start(int(wait));
}

} // namespace session
