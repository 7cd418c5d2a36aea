#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>

namespace session
{

/**
 * @brief The connections that are open but have not introduced themselves
 * yet: each may wait so long, and only so many may wait at once.
 *
 * Anyone who can reach the port can open connections and never speak; each
 * holds a descriptor and an element. A connection is admitted when it is
 * accepted and settled when it joins or closes; one still waiting when its
 * time is up is handed to the expiry callback. While the gate is full, new
 * connections are to be refused, unless the longest waiting one has waited
 * long enough to be evicted in their favour (evictOldest()).
 */
class JoinGate : public QObject
{
public:
    using Expire = std::function<void(qint16 index)>;
    static constexpr int kDefaultTimeoutMs = 30000;
    static constexpr int kDefaultCapacity = 64;

    explicit JoinGate(Expire expire, QObject *parent = nullptr);

    int timeoutMs() const { return m_timeoutMs; }
    /// Applies to connections admitted from now on.
    void setTimeoutMs(int ms) { m_timeoutMs = qMax(0, ms); }
    int capacity() const { return m_capacity; }
    void setCapacity(int count) { m_capacity = qMax(0, count); }

    bool full() const { return m_waiting.size() >= m_capacity; }
    int waitingCount() const { return int(m_waiting.size()); }
    bool isWaiting(qint16 index) const { return m_waiting.contains(index); }

    /// Connection @p index was accepted: its time starts now.
    void admit(qint16 index);
    /// Connection @p index joined or closed: it no longer waits.
    void settle(qint16 index) { m_waiting.remove(index); }
    /// Nobody waits any more (the listener closed).
    void clear();
    /**
     * @brief Hands the waiting connection due first (with one wait for
     * all, the one that has waited longest) to the expiry callback, if it
     * has waited at least @p minAgeMs; returns whether one went. A connection younger than that may be a player still in the
     * pause before it introduces itself: it is never the one evicted.
     */
    bool evictOldest(qint64 minAgeMs);

private:
    void expireDue();
    void arm();

    struct Deadline {
        qint64 admitted;
        qint64 at;
        qint16 index;
        quint64 ticket;
    };
    Expire m_expire;
    QHash<qint16, quint64> m_waiting;  ///< index -> ticket of its admission
    std::deque<Deadline> m_deadlines; ///< in admission order, so also by time
    quint64 m_nextTicket = 1;
    QElapsedTimer m_clock;
    QTimer m_timer;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_capacity = kDefaultCapacity;
};

} // namespace session
