#pragma once

#include <QByteArray>
#include <QList>

namespace session
{

/**
 * @brief Cuts one connection's byte stream into CR LF terminated lines.
 *
 * The bytes after the last CR LF of a read are kept and put in front of the
 * next read, so a line that TCP splits is not lost. What is kept is bounded:
 * a line longer than the limit is never delivered: it is dropped whole (up
 * to its CR LF) and the connection carries on with the next line. The work
 * is linear in the bytes fed.
 */
class LineFramer
{
public:
    static constexpr qsizetype kDefaultLimit = 1024 * 1024;

    explicit LineFramer(qsizetype limit = kDefaultLimit) : m_limit(limit) {}

    /// Appends @p bytes and returns the lines completed by them, without CR LF.
    QList<QByteArray> feed(const QByteArray &bytes);

    /// Forgets any partial line (a new connection on the same socket).
    void reset();

    /// Bytes kept from an unfinished line.
    qsizetype pendingSize() const { return m_pending.size(); }
    /// True while the rest of an over-long line is being skipped.
    bool discarding() const { return m_discarding; }
    qsizetype limit() const { return m_limit; }

private:
    QByteArray m_pending;
    qsizetype m_limit;
    bool m_discarding = false;
    bool m_discardSawCr = false; ///< the skipped text ended in CR: an LF next ends it
};

} // namespace session
