#include "attemptlimiter.h"

#include "access.h"

namespace secure
{

namespace
{
constexpr int kIPv6NetworkBytes = 8; // a /64
}

QByteArray AttemptLimiter::keyOf(const QHostAddress &address)
{
    const QHostAddress a = plainAddress(address);
    if (a.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 v4 = a.toIPv4Address();
        return QByteArray(reinterpret_cast<const char *>(&v4), sizeof v4);
    }
    const Q_IPV6ADDR v6 = a.toIPv6Address();
    return QByteArray(reinterpret_cast<const char *>(v6.c), kIPv6NetworkBytes);
}

bool AttemptLimiter::tryNow(const QHostAddress &from, qint64 nowMs)
{
    const QByteArray key = keyOf(from);
    auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        if (m_entries.size() >= kMaxTracked)
            makeRoom(nowMs);
        it = m_entries.insert(key, Entry{nowMs, 0, 0});
    }
    Entry &e = it.value();
    if (nowMs < e.pausedUntilMs)
        return false;
    if (nowMs - e.windowStartMs >= kWindowMs) {
        e.windowStartMs = nowMs;
        e.tries = 0;
    }
    if (e.tries >= kMaxTries) {
        e.pausedUntilMs = nowMs + kPauseMs;
        e.tries = 0;
        e.windowStartMs = e.pausedUntilMs;
        return false;
    }
    ++e.tries;
    return true;
}

void AttemptLimiter::succeeded(const QHostAddress &from)
{
    m_entries.remove(keyOf(from));
}

qint64 AttemptLimiter::waitMs(const QHostAddress &from, qint64 nowMs) const
{
    const auto it = m_entries.constFind(keyOf(from));
    if (it == m_entries.cend())
        return 0;
    if (nowMs < it->pausedUntilMs)
        return it->pausedUntilMs - nowMs;
    return 0;
}

void AttemptLimiter::makeRoom(qint64 nowMs)
{
    // First whatever no longer matters; if all still do, the half that
    // began longest ago.
    m_entries.removeIf([nowMs](const auto &it) {
        const Entry &e = it.value();
        return nowMs >= e.pausedUntilMs && nowMs - e.windowStartMs >= kWindowMs;
    });
    if (m_entries.size() < kMaxTracked)
        return;
    QList<qint64> starts;
    starts.reserve(m_entries.size());
    for (const Entry &e : std::as_const(m_entries))
        starts << e.windowStartMs;
    std::nth_element(starts.begin(), starts.begin() + starts.size() / 2, starts.end());
    const qint64 median = starts.at(starts.size() / 2);
    m_entries.removeIf([median](const auto &it) { return it.value().windowStartMs <= median; });
}

} // namespace secure
