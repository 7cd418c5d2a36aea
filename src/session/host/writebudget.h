#pragma once

#include <QList>
#include <QtGlobal>

#include <vector>

namespace session
{

/**
 * @brief Keeps the count of unsent bytes of every client connection and their
 * sum, and picks which connections to drop when the sum grows past a limit.
 *
 * Each connection may stay under its own cap and still, five hundred of them
 * together, hold gigabytes the peers are not reading. The budget bounds the
 * whole: past the limit the connection with the largest backlog goes first,
 * then the next largest, until the rest fit. Connections are numbered from 1.
 */
class WriteBudget
{
public:
    static constexpr qint64 kDefaultLimit = 256LL * 1024 * 1024;

    qint64 limit() const { return m_limit; }
    void setLimit(qint64 bytes) { m_limit = qMax<qint64>(0, bytes); }

    /// Records that connection @p index has @p unsent bytes waiting now.
    /// Called for every line a host writes, so it stays inline.
    void set(qint16 index, qint64 unsent)
    {
        if (index < 1)
            return;
        const size_t slot = size_t(index - 1);
        if (slot >= m_unsent.size())
            m_unsent.resize(slot + 1, 0);
        m_total += unsent - m_unsent[slot];
        m_unsent[slot] = unsent;
    }
    qint64 unsent(qint16 index) const;
    qint64 total() const { return m_total; }
    bool over() const { return m_total > m_limit; }

    /// The connections to drop so that the others fit in the limit, largest
    /// backlog first (the lower index first between equals). Their bytes stop
    /// counting at once: the caller is going to drop them.
    QList<qint16> takeOverflow();

private:
    std::vector<qint64> m_unsent; ///< connection i at i - 1
    qint64 m_total = 0;
    qint64 m_limit = kDefaultLimit;
};

} // namespace session
