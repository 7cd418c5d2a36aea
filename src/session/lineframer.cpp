#include "lineframer.h"

namespace session {

QList<QByteArray> LineFramer::feed(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype pos = 0;
    const qsizetype n = bytes.size();

    if (m_discarding) {
        // Skip to the end of the over-long line. A CR at the end of the
        // previous read may pair with an LF at the start of this one.
        if (m_discardSawCr && n > 0 && bytes[0] == '\n') {
            pos = 1;
            m_discarding = false;
        } else {
            const qsizetype end = bytes.indexOf("\r\n");
            if (end < 0) {
                m_discardSawCr = n > 0 && bytes[n - 1] == '\r';
                return lines;
            }
            pos = end + 2;
            m_discarding = false;
        }
        m_discardSawCr = false;
    }

    if (!m_pending.isEmpty()) {
        // Only the joint needs a look across the boundary: a CR kept at the
        // end of the partial line and an LF at the start of this read.
        if (m_pending.endsWith('\r') && pos < n && bytes[pos] == '\n') {
            m_pending.chop(1);
            lines.append(m_pending);
            m_pending.clear();
            ++pos;
        } else {
            const qsizetype end = bytes.indexOf("\r\n", pos);
            if (end < 0) {
                m_pending.append(bytes.constData() + pos, n - pos);
                if (m_pending.size() > m_limit) {
                    m_discardSawCr = m_pending.endsWith('\r');
                    m_pending.clear();
                    m_pending.squeeze();
                    m_discarding = true;
                }
                return lines;
            }
            m_pending.append(bytes.constData() + pos, end - pos);
            lines.append(m_pending);
            m_pending.clear();
            pos = end + 2;
        }
    }

    while (pos < n) {
        const qsizetype end = bytes.indexOf("\r\n", pos);
        if (end < 0)
            break;
        lines.append(bytes.mid(pos, end - pos));
        pos = end + 2;
    }

    if (pos < n) {
        const qsizetype rest = n - pos;
        if (rest > m_limit) {
            m_discarding = true;
            m_discardSawCr = bytes[n - 1] == '\r';
        } else {
            m_pending = bytes.mid(pos);
        }
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
