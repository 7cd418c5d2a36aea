#include "lineframer.h"

namespace session
{

QList<QByteArray> LineFramer::feed(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    const qsizetype n = bytes.size();
    if (n == 0)
        return lines;
    qsizetype pos = 0;

    // Only the joint needs a look across the boundary: a CR at the end of the
    // previous read and an LF at the start of this one end a line together.
    if (bytes[0] == '\n') {
        if (m_discarding && m_discardSawCr) {
            m_discarding = false;
            pos = 1;
        } else if (!m_discarding && m_pending.endsWith('\r')) {
            m_pending.chop(1);
            lines.append(m_pending);
            m_pending.clear();
            pos = 1;
        }
    }
    m_discardSawCr = false;

    while (pos < n) {
        const qsizetype end = bytes.indexOf("\r\n", pos);
        if (end < 0)
            break;
        const qsizetype length = end - pos;
        if (m_discarding) {
            m_discarding = false; // the end of the over-long line: drop it
        } else if (m_pending.size() + length > m_limit) {
            m_pending.clear(); // a whole over-long line in one read: dropped as well
        } else if (m_pending.isEmpty()) {
            lines.append(bytes.mid(pos, length));
        } else {
            m_pending.append(bytes.constData() + pos, length);
            lines.append(m_pending);
            m_pending.clear();
        }
        pos = end + 2;
    }

    if (pos < n) {
        const qsizetype rest = n - pos;
        // A CR at the very end may be the first half of the line's CR LF, so
        // it does not count against the limit yet.
        const qsizetype content = rest - (bytes[n - 1] == '\r' ? 1 : 0);
        if (!m_discarding && m_pending.size() + content > m_limit) {
            m_discarding = true;
            m_pending.clear();
            m_pending.squeeze();
        }
        if (m_discarding)
            m_discardSawCr = bytes[n - 1] == '\r';
        else
            m_pending.append(bytes.constData() + pos, rest);
    }
    return lines;
}

void LineFramer::reset()
{
    m_pending.clear();
    m_discarding = false;
    m_discardSawCr = false;
}

} // namespace session
