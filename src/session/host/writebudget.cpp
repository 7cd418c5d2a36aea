#include "writebudget.h"

#include <algorithm>
#include <utility>

namespace session
{

qint64 WriteBudget::unsent(qint16 index) const
{
    if (index < 1 || size_t(index - 1) >= m_unsent.size())
        return 0;
    return m_unsent[size_t(index - 1)];
}

QList<qint16> WriteBudget::takeOverflow()
{
    QList<qint16> dropped;
    if (m_total <= m_limit)
        return dropped;
    std::vector<std::pair<qint64, qint16>> byBacklog;
    for (size_t i = 0; i < m_unsent.size(); ++i) {
        if (m_unsent[i] > 0)
            byBacklog.emplace_back(m_unsent[i], qint16(i + 1));
    }
    std::sort(byBacklog.begin(), byBacklog.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    for (const auto &[bytes, index] : byBacklog) {
        if (m_total <= m_limit)
            break;
        dropped.append(index);
        set(index, 0);
    }
    return dropped;
}

} // namespace session
