#include "ledger.h"

#include "dicewire.h"
#include "expressionparser.h"

namespace dice
{

namespace
{

const QString kCommentOpen = QStringLiteral("<!--dadi ");
const QString kCommentClose = QStringLiteral("-->");

struct Split {
    QStringView tag;
    QStringView params;
};

Split split(QStringView line)
{
    const qsizetype end = line.indexOf(u']');
    if (end < 0)
        return {};
    return {line.left(end + 1), line.mid(end + 1)};
}

/// Feeds one kept line to @p v; false when it is malformed.
bool feed(Verifier *v, QStringView line, bool due)
{
    const Split s = split(line);
    if (s.tag == DiceWire::Impegno) {
        const auto c = DiceWire::decodeCommitment(s.params);
        if (c && v)
            v->addCommitment(*c);
        return c.has_value();
    }
    if (s.tag == DiceWire::Tiro) {
        const auto r = RollRecord::decode(s.params);
        if (r && v)
            v->addRoll(*r);
        return r.has_value();
    }
    if (s.tag == DiceWire::Rivela) {
        const auto r = DiceWire::decodeReveal(s.params);
        if (r && v)
            v->addReveal(r->commitment, r->seed);
        return r.has_value();
    }
    if (s.tag == DiceWire::Richiesta) {
        const auto q = DiceWire::decodeRequest(s.params);
        const auto e = q ? ExpressionParser::parse(q->expression).expression : std::nullopt;
        if (e && v && due)
            v->addRequest(q->nonce, e->text());
        return e.has_value();
    }
    if (s.tag == DiceWire::Nonce) {
        const auto a = DiceWire::decodeNonce(s.params);
        if (a && v && due)
            v->addSuppliedNonce(a->nonce);
        return a.has_value();
    }
    return false;
}

} // namespace

bool Ledger::add(const QString &line, qint64 msecs)
{
    if (!feed(nullptr, line, false))
        return false;
    if (m_lines.size() == kMaxLines) {
        m_lines.removeFirst();
        m_times.removeFirst();
    }
    m_lines.append(line);
    m_times.append(msecs);
    return true;
}

void Ledger::clear()
{
    m_lines.clear();
    m_times.clear();
}

Verifier::Report Ledger::check(qint64 nowMsecs, int graceMs) const
{
    Verifier v;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        feed(&v, m_lines[i], nowMsecs - m_times[i] >= graceMs);
    return v.check();
}

QString Ledger::asComment(const QString &line)
{
    return kCommentOpen + line + kCommentClose;
}

QStringList Ledger::evidenceIn(QStringView text)
{
    QStringList found;
    qsizetype at = 0;
    while ((at = text.indexOf(kCommentOpen, at)) >= 0) {
        at += kCommentOpen.size();
        const qsizetype end = text.indexOf(kCommentClose, at);
        if (end < 0)
            break;
        found.append(text.mid(at, end - at).toString());
        at = end + kCommentClose.size();
    }
    return found;
}

} // namespace dice
