#include "handshakequeue.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace session
{

namespace
{
/// The bits of an IPv6 address one subscriber usually holds all of.
constexpr int kIPv6GroupBits = 64;
} // namespace

HandshakeQueue::HandshakeQueue() : HandshakeQueue(Limits{}) {}

HandshakeQueue::HandshakeQueue(Limits limits) : m_limits(limits), m_tokens(limits.burst) {}

QString HandshakeQueue::group(const QHostAddress &address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4); // also an IPv4-mapped IPv6 address
    if (isV4)
        return QHostAddress(v4).toString();
    Q_IPV6ADDR bytes = address.toIPv6Address();
    for (int i = kIPv6GroupBits / 8; i < 16; ++i)
        bytes[i] = 0;
    return QHostAddress(bytes).toString();
}

void HandshakeQueue::noteSeated(const QHostAddress &address, qint64 nowMs)
{
    m_known.insert(group(address), nowMs + kKnownForMs);
    // Forgotten lazily: an address that comes back later is a stranger again.
    if (m_known.size() > 4096) {
        for (auto it = m_known.begin(); it != m_known.end();)
            it = it.value() < nowMs ? m_known.erase(it) : std::next(it);
    }
}

bool HandshakeQueue::isKnown(const QHostAddress &address, qint64 nowMs) const
{
    return m_known.value(group(address), -1) >= nowMs;
}

bool HandshakeQueue::request(qint16 index, const QHostAddress &address, qint64 nowMs)
{
    finished(index); // an element carries one connection at a time
    if (isKnown(address, nowMs))
        return true;
    const QString g = group(address);
    auto &queue = m_queues[g];
    if (queue.empty())
        m_turns.push_back(g);
    queue.push_back(index);
    m_queued.insert(index, g);
    return false;
}

void HandshakeQueue::finished(qint16 index)
{
    if (const auto it = m_running.constFind(index); it != m_running.constEnd()) {
        const QString g = *it;
        m_running.erase(it);
        if (--m_runningByGroup[g] <= 0)
            m_runningByGroup.remove(g);
        return;
    }
    const auto it = m_queued.constFind(index);
    if (it == m_queued.constEnd())
        return;
    const QString g = *it;
    m_queued.erase(it);
    auto &queue = m_queues[g];
    queue.erase(std::remove(queue.begin(), queue.end(), index), queue.end());
    if (queue.empty()) {
        m_queues.remove(g);
        m_turns.erase(std::remove(m_turns.begin(), m_turns.end(), g), m_turns.end());
    }
}

double HandshakeQueue::tokensAt(qint64 nowMs) const
{
    if (m_refilledAt < 0)
        return m_tokens;
    const double earned = double(qMax<qint64>(0, nowMs - m_refilledAt)) * m_limits.perSecond / 1000.0;
    return qMin(double(m_limits.burst), m_tokens + earned);
}

bool HandshakeQueue::anyEligible() const
{
    for (const QString &g : m_turns) {
        if (m_runningByGroup.value(g) < m_limits.perAddress)
            return true;
    }
    return false;
}

std::optional<qint16> HandshakeQueue::take(qint64 nowMs)
{
    m_tokens = tokensAt(nowMs);
    m_refilledAt = nowMs;
    if (m_tokens < 1.0 || runningCount() >= m_limits.running)
        return std::nullopt;
    for (size_t tried = 0, turns = m_turns.size(); tried < turns; ++tried) {
        const QString g = m_turns.front();
        m_turns.pop_front();
        if (m_runningByGroup.value(g) >= m_limits.perAddress) {
            m_turns.push_back(g); // its turn comes again once one of its own ends
            continue;
        }
        auto &queue = m_queues[g];
        const qint16 index = queue.front();
        queue.pop_front();
        if (queue.empty())
            m_queues.remove(g);
        else
            m_turns.push_back(g);
        m_queued.remove(index);
        m_running.insert(index, g);
        ++m_runningByGroup[g];
        m_tokens -= 1.0;
        return index;
    }
    return std::nullopt;
}

qint64 HandshakeQueue::waitMs(qint64 nowMs) const
{
    if (m_queued.isEmpty() || runningCount() >= m_limits.running || !anyEligible())
        return -1;
    const double tokens = tokensAt(nowMs);
    if (tokens >= 1.0)
        return 0;
    return qint64(std::ceil((1.0 - tokens) * 1000.0 / qMax(1, m_limits.perSecond)));
}

} // namespace session
