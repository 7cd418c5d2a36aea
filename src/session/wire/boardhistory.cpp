#include "boardhistory.h"

#include "protocol.h"
#include "tags.h"

namespace session
{

namespace
{

enum class Kind { Other, Drawing, TextPart, TextColour, Clear };

Kind kindOf(const QString &message)
{
    const QStringView m(message);
    // A shared grid is painted over what is there, and a later one over it:
    // it belongs in the order of the drawings.
    if (m.startsWith(tag::Linea) || m.startsWith(tag::Circonferenza) ||
        m.startsWith(tag::Colora) || m.startsWith(tag::Reticolo))
        return Kind::Drawing;
    if (m.startsWith(tag::TestoColore))
        return Kind::TextColour;
    if (m.startsWith(tag::Pulisci))
        return Kind::Clear;
    // "[Inserisci Testo]" and "[Inserisci Testo2]" ... "[Inserisci Testo11]":
    // the tag ends at the first "]", so it must be the prefix plus at most
    // two digits.
    static const QString prefix = QStringLiteral("[Inserisci Testo");
    if (!m.startsWith(prefix))
        return Kind::Other;
    const qsizetype close = m.indexOf(u']', prefix.size());
    if (close < 0 || close - prefix.size() > 2)
        return Kind::Other;
    for (qsizetype i = prefix.size(); i < close; ++i) {
        if (!m[i].isDigit())
            return Kind::Other;
    }
    return Kind::TextPart;
}

} // namespace

bool BoardHistory::isBoardLine(QByteArrayView line)
{
    // Every tag is ASCII and short: its first bytes are enough to tell.
    constexpr qsizetype kTagBytes = 32;
    const QString head = decodeText(line.first(qMin(line.size(), kTagBytes)));
    const Kind kind = kindOf(head);
    return (kind != Kind::Other && kind != Kind::Clear) ||
           head.startsWith(QLatin1String("[Immagine Condivisa")); // its start and its slices
}

BoardHistory::Outcome BoardHistory::record(const QString &message)
{
    const Kind kind = kindOf(message);
    if (kind == Kind::Other)
        return Outcome::Ignored;
    return record(message, kind == Kind::Clear ? QByteArray() : encodeLine(message));
}

BoardHistory::Outcome BoardHistory::record(const QString &message, const QByteArray &line)
{
    const Kind kind = kindOf(message);
    switch (kind) {
    case Kind::Other:
        return Outcome::Ignored;
    case Kind::Clear:
        // Text parts waiting for their colour message are values, not
        // pixels: the clear leaves them for the text drawn after it.
        m_blocks.clear();
        m_size = 0;
        m_count = 0;
        m_full = false;
        return Outcome::Cleared;
    case Kind::TextPart:
        if (m_full)
            return Outcome::Refused;
        m_textParts += line;
        ++m_textPartCount;
        return Outcome::Kept;
    case Kind::Drawing:
    case Kind::TextColour:
        break;
    }
    if (m_full) {
        if (kind == Kind::TextColour) {
            m_textParts.clear();
            m_textPartCount = 0;
        }
        return Outcome::Refused;
    }
    QByteArray lines = line;
    qsizetype messages = 1;
    if (kind == Kind::TextColour) {
        lines = m_textParts + line;
        messages += m_textPartCount;
        m_textParts.clear();
        m_textPartCount = 0;
    }
    if (m_size + lines.size() > m_limit) {
        m_full = true;
        return Outcome::Full;
    }
    append(lines, messages);
    return Outcome::Kept;
}

void BoardHistory::append(const QByteArray &lines, qsizetype messages)
{
    if (m_blocks.isEmpty() || m_blocks.last().size() + lines.size() > kBlockSize) {
        m_blocks.append(QByteArray());
        m_blocks.last().reserve(qMax(kBlockSize, lines.size()));
    }
    m_blocks.last() += lines;
    m_size += lines.size();
    m_count += messages;
}

QList<QByteArray> BoardHistory::blocksWith(qsizetype at, const QList<QByteArray> &lines) const
{
    if (lines.isEmpty())
        return m_blocks;
    QList<QByteArray> out;
    out.reserve(m_blocks.size() + lines.size() + 1);
    qsizetype start = 0; // of the block at hand
    bool placed = false;
    for (const QByteArray &block : m_blocks) {
        const qsizetype end = start + block.size();
        if (!placed && at < end) {
            // Positions come from size(), so they fall between whole lines.
            if (at > start)
                out.append(block.first(at - start));
            out.append(lines);
            placed = true;
            if (at > start) {
                out.append(block.sliced(at - start));
                start = end;
                continue;
            }
        }
        out.append(block);
        start = end;
    }
    if (!placed)
        out.append(lines);
    return out;
}

QList<QByteArray> BoardHistory::linesOf(const QList<QByteArray> &blocks)
{
    QList<QByteArray> lines;
    for (const QByteArray &block : blocks) {
        qsizetype pos = 0;
        for (qsizetype end; (end = block.indexOf("\r\n", pos)) >= 0; pos = end + 2)
            lines.append(block.mid(pos, end + 2 - pos));
    }
    return lines;
}

void BoardHistory::reset()
{
    m_blocks.clear();
    m_size = 0;
    m_count = 0;
    m_full = false;
    m_textParts.clear();
    m_textPartCount = 0;
}

void BoardHistory::setLimit(qsizetype bytes)
{
    m_limit = qMax<qsizetype>(0, bytes);
}

} // namespace session
