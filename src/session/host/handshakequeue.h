#pragma once

#include <QHash>
#include <QHostAddress>
#include <QString>

#include <deque>
#include <optional>

namespace session
{

/**
 * @brief Which TLS handshakes the host starts, and when.
 *
 * A handshake costs the host real work on the thread every seated player's
 * lines go through, and anyone who finds the port can ask for thousands a
 * second. So a stranger's handshake waits its turn: only so many run at
 * once, only so many start each second, and the turns go round by address
 * (an IPv6 /64 counts as one), so a busy address never pushes a newcomer
 * from elsewhere to the back. An address that took a seat lately is no
 * stranger: its handshakes start at once, so a player coming back after a
 * lost connection is never held up by a flood.
 *
 * The owner passes the time in, so the rules can be driven without waiting.
 */
class HandshakeQueue
{
public:
    struct Limits {
        int running = 16;    ///< strangers' handshakes in progress at once
        int perAddress = 2;  ///< of those, from one address
        int perSecond = 40;  ///< strangers' handshakes started each second
        int burst = 20;      ///< started at once after a quiet spell
    };
    /// How long an address that took a seat is not treated as a stranger.
    static constexpr qint64 kKnownForMs = 30 * 60 * 1000;

    HandshakeQueue();
    explicit HandshakeQueue(Limits limits);

    /// A seat was taken from @p address at @p nowMs.
    void noteSeated(const QHostAddress &address, qint64 nowMs);
    bool isKnown(const QHostAddress &address, qint64 nowMs) const;

    /**
     * @brief Connection @p index from @p address wants its handshake. True
     * when it may start at once (a known address: not counted); otherwise
     * it waits for take().
     */
    bool request(qint16 index, const QHostAddress &address, qint64 nowMs);
    /// The handshake of @p index ended (done, failed, or the connection went), or it stopped waiting.
    void finished(qint16 index);
    /// The next waiting connection whose handshake starts now; nullopt when none may yet.
    std::optional<qint16> take(qint64 nowMs);
    /**
     * @brief Milliseconds until take() can give one more: 0 now, -1 when
     * nothing waits or only a running handshake's end can make room.
     */
    qint64 waitMs(qint64 nowMs) const;

    int waitingCount() const { return int(m_queued.size()); }
    int runningCount() const { return int(m_running.size()); }

private:
    static QString group(const QHostAddress &address);
    double tokensAt(qint64 nowMs) const;
    bool anyEligible() const;

    Limits m_limits;
    double m_tokens;
    qint64 m_refilledAt = -1;
    QHash<QString, std::deque<qint16>> m_queues; ///< waiting, by address group
    std::deque<QString> m_turns;                 ///< groups with someone waiting, in turn order
    QHash<qint16, QString> m_queued;             ///< waiting index -> group
    QHash<qint16, QString> m_running;            ///< counted handshakes under way
    QHash<QString, int> m_runningByGroup;
    QHash<QString, qint64> m_known; ///< group -> until when it is no stranger
};

} // namespace session
