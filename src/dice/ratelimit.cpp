#include "ratelimit.h"

namespace dice
{

bool RateLimit::take(qint64 nowMs)
{
    if (m_last >= 0 && nowMs > m_last)
        m_tokens = qMin<double>(m_burst, m_tokens + double(nowMs - m_last) / m_refillMs);
    m_last = qMax(m_last, nowMs);
    if (m_tokens < 1)
        return false;
    m_tokens -= 1;
    return true;
}

} // namespace dice
