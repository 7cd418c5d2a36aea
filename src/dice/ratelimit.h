#pragma once

#include <QtGlobal>

namespace dice
{

/**
 * @brief So many goes at once, then one more every so often: how often one
 * participant may roll. The host keeps one per client; the client keeps the
 * same for itself, so an honest player is never refused.
 */
class RateLimit
{
public:
    RateLimit(int burst, int refillMs) : m_burst(burst), m_refillMs(refillMs), m_tokens(burst) {}

    /// Takes one go at @p nowMs (a monotonic clock); false when none is left.
    bool take(qint64 nowMs);

private:
    int m_burst;
    int m_refillMs;
    double m_tokens;
    qint64 m_last = -1;
};

} // namespace dice
