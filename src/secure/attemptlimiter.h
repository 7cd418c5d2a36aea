#pragma once

#include <QHash>
#include <QHostAddress>

namespace secure
{

/**
 * @brief Counts tries of a key or password per address and makes an address
 * that tries too often wait.
 *
 * A few tries a minute are allowed; past that the address is paused for
 * minutes. A successful try forgets the address's count. IPv6 addresses are
 * counted by their /64 network, which one machine can fill with addresses
 * at will. The table of addresses is bounded; when it is full the oldest
 * entries are forgotten first.
 */
class AttemptLimiter
{
public:
    static constexpr int kMaxTries = 5;
    static constexpr qint64 kWindowMs = 60 * 1000;
    static constexpr qint64 kPauseMs = 5 * 60 * 1000;
    static constexpr int kMaxTracked = 65536;

    /// Whether @p from may try now; when it may, the try is counted.
    bool tryNow(const QHostAddress &from, qint64 nowMs);
    /// @p from got in: its count starts again.
    void succeeded(const QHostAddress &from);
    /// Milliseconds @p from must still wait; 0 when it may try.
    qint64 waitMs(const QHostAddress &from, qint64 nowMs) const;
    int tracked() const { return int(m_entries.size()); }

private:
    struct Entry
    {
        qint64 windowStartMs = 0;
        int tries = 0;
        qint64 pausedUntilMs = 0;
    };
    void makeRoom(qint64 nowMs);
    static QByteArray keyOf(const QHostAddress &address);
    QHash<QByteArray, Entry> m_entries;
};

} // namespace secure
