#include "controlreader.h"

#include <array>

namespace transfer {

namespace {

constexpr qsizetype kHeader = 15;    // family, ":" and kind
constexpr qsizetype kValueAt = 16;   // index of position 17
constexpr qsizetype kFamilyLen = 8;

struct Known {
    const char *family; // lower case
    const char *kind;   // lower case
    Kind value;
    bool hasValue;
};

constexpr std::array<Known, 9> kKnown{{
    {"received", "accept", Kind::Accept, false},
    {"received", "denied", Kind::Denied, false},
    {"received", "packet", Kind::PacketAnswer, true},
    {"received", "pend~#", Kind::Pend, true},
    {"received", "kickh#", Kind::Kick, false},
    {"request#", "packet", Kind::PacketRequest, false},
    {"file~~~#", "name~#", Kind::Name, true},
    {"file~~~#", "size~#", Kind::Size, true},
    {"request#", "seat~#", Kind::SeatPass, true},
}};

constexpr std::array<const char *, 3> kFamilies{"received", "request#", "file~~~#"};

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Compares @p n bytes of @p bytes from @p at with the lower-case @p word.
bool equalsCi(const QByteArray &bytes, qsizetype at, const char *word, qsizetype n)
{
    if (at + n > bytes.size())
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        if (lower(bytes.at(at + i)) != word[i])
            return false;
    }
    return true;
}

qsizetype indexOfCi(const QByteArray &bytes, const char *word, qsizetype from)
{
    for (qsizetype i = from; i + kFamilyLen <= bytes.size(); ++i) {
        if (equalsCi(bytes, i, word, kFamilyLen))
            return i;
    }
    return -1;
}

// One pass that stops at the first family word: looking for each word over
// the whole buffer would rescan it for every message of a flood.
qsizetype nextFamily(const QByteArray &bytes, qsizetype from)
{
    for (qsizetype i = from; i + kFamilyLen <= bytes.size(); ++i) {
        for (const char *family : kFamilies) {
            if (equalsCi(bytes, i, family, kFamilyLen))
                return i;
        }
    }
    return -1;
}

// True when @p bytes (shorter than a header) may still grow into a known
// header; position 9 is never examined.
bool mayBecomeKnown(const QByteArray &bytes)
{
    for (const Known &k : kKnown) {
        bool fits = true;
        for (qsizetype i = 0; i < bytes.size() && fits; ++i) {
            if (i < kFamilyLen)
                fits = lower(bytes.at(i)) == k.family[i];
            else if (i > kFamilyLen)
                fits = lower(bytes.at(i)) == k.kind[i - kFamilyLen - 1];
        }
        if (fits)
            return true;
    }
    return false;
}

// True when the tail of @p bytes from @p at is the start of a family word.
bool mayBecomeFamily(const QByteArray &bytes, qsizetype at)
{
    const qsizetype n = bytes.size() - at;
    for (const char *family : kFamilies) {
        if (equalsCi(bytes, at, family, n))
            return true;
    }
    return false;
}

// How many of the last bytes of @p bytes, none before @p from, may be the
// first part of a family word still on its way.
qsizetype familyStartAtEnd(const QByteArray &bytes, qsizetype from)
{
    for (qsizetype n = qMin<qsizetype>(kFamilyLen - 1, bytes.size() - from); n > 0; --n) {
        if (mayBecomeFamily(bytes, bytes.size() - n))
            return n;
    }
    return 0;
}

const Known *find(const QByteArray &bytes)
{
    for (const Known &k : kKnown) {
        if (equalsCi(bytes, 0, k.family, kFamilyLen) &&
            equalsCi(bytes, kFamilyLen + 1, k.kind, kHeader - kFamilyLen - 1))
            return &k;
    }
    return nullptr;
}

} // namespace

bool ControlReader::identify(const QByteArray &bytes, Kind *kind)
{
    const Known *k = bytes.size() >= kHeader ? find(bytes) : nullptr;
    if (k && kind)
        *kind = k->value;
    return k != nullptr;
}

void ControlReader::skipUnknown()
{
    const qsizetype at = nextFamily(m_buffer, 1);
    if (at > 0) {
        m_buffer.remove(0, at);
        return;
    }
    // Keep a tail that may be the first part of the next family word.
    m_buffer.remove(0, m_buffer.size() - familyStartAtEnd(m_buffer, 1));
}

ControlReader::Status ControlReader::next(ControlMessage *out)
{
    while (!m_buffer.isEmpty()) {
        if (m_buffer.size() < kHeader) {
            if (mayBecomeKnown(m_buffer))
                return Status::Incomplete;
            skipUnknown();
            continue;
        }
        const Known *k = find(m_buffer);
        if (!k) {
            skipUnknown();
            continue;
        }
        if (!k->hasValue) {
            const qsizetype end = nextFamily(m_buffer, kHeader);
            out->kind = k->value;
            out->value.clear();
            // The next message's header may be cut by the read boundary.
            m_buffer.remove(0, end < 0 ? m_buffer.size() - familyStartAtEnd(m_buffer, kHeader)
                                       : end);
            return Status::Message;
        }
        if (m_buffer.size() < kValueAt) // the separator before the value is still on its way
            return Status::Incomplete;
        // The answer to an offer is always one digit: without it, it is
        // still on its way (taking it empty would leave the sender waiting).
        if (k->value == Kind::Pend && m_buffer.size() == kValueAt)
            return Status::Incomplete;
        qsizetype end = kValueAt;
        if (k->value == Kind::Name) {
            end = indexOfCi(m_buffer, "file~~~#", kValueAt);
            if (end < 0 && m_buffer.size() > kMaxPending) {
                m_buffer.clear(); // dropped, so a peer cannot make it grow
                return Status::Overflow;
            }
            if (end < 0)
                return Status::Incomplete;
        } else if (k->value == Kind::Size || k->value == Kind::SeatPass) {
            // File bytes come only after the answer to the offer, so all that
            // follows the length up to the next message is part of it: a
            // length like "12abc" is no length, not 12 and some content.
            end = nextFamily(m_buffer, kValueAt);
            if (end < 0)
                end = m_buffer.size() - familyStartAtEnd(m_buffer, kValueAt);
        } else {
            // Numbers end at their last digit; what follows is the caller's.
            while (end < m_buffer.size() && m_buffer.at(end) >= '0' && m_buffer.at(end) <= '9')
                ++end;
        }
        out->kind = k->value;
        out->value = m_buffer.mid(kValueAt, end - kValueAt);
        m_buffer.remove(0, end);
        return Status::Message;
    }
    return Status::Incomplete;
}

QByteArray ControlReader::takeAll()
{
    QByteArray out;
    out.swap(m_buffer);
    return out;
}

} // namespace transfer
