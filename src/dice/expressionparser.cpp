#include "expressionparser.h"

#include <QCoreApplication>

namespace dice
{

namespace
{

using Code = ExpressionParser::ErrorCode;
using P = ExpressionParser;

/// Where each modifier of a group was written, for the messages about it.
struct Spot {
    qsizetype at = -1, end = -1;
    bool given() const { return at >= 0; }
};

struct Spots {
    Spot keep, explode, reroll, target, fail, twice;
};

/// Reads left to right; the first fault found stops everything (every step
/// returns false once error is set).
class Reader
{
public:
    explicit Reader(QStringView text) : m_text(text) {}

    std::optional<Expression> read();
    ExpressionParser::Error error;

private:
    QChar at(qsizetype i) const { return i < m_text.size() ? m_text[i] : QChar(); }
    QChar lower(qsizetype i) const { return at(i).toLower(); }
    bool isDigit(qsizetype i) const { return at(i) >= u'0' && at(i) <= u'9'; }
    void skipSpaces()
    {
        while (at(m_pos) == u' ')
            ++m_pos;
    }

    bool fail(Code code, qsizetype from, qsizetype to = -1, int value = 0, int other = 0)
    {
        error.code = code;
        error.position = int(from) + 1;
        if (to > from)
            error.token = m_text.mid(from, to - from).toString();
        error.value = value;
        error.other = other;
        return false;
    }
    bool fail(Code code, Spot s, int value = 0, int other = 0)
    {
        return fail(code, s.at, s.end, value, other);
    }

    bool number(int &out);
    bool term(Term &t);
    bool modifiers(DiceGroup &g, Spots &s);
    bool check(const DiceGroup &g, const Spots &s);
    bool label(Expression &e);

    QStringView m_text;
    qsizetype m_pos = 0;
};

bool Reader::number(int &out)
{
    const qsizetype start = m_pos;
    while (isDigit(m_pos))
        ++m_pos;
    if (m_pos - start > P::kMaxDigits)
        return fail(Code::NumberTooBig, start, m_pos);
    out = m_text.mid(start, m_pos - start).toInt();
    return true;
}

bool Reader::term(Term &t)
{
    const qsizetype start = m_pos;
    if (m_pos >= m_text.size())
        return fail(Code::MissingTerm, start);
    if (isDigit(m_pos)) {
        int n = 0;
        if (!number(n))
            return false;
        if (lower(m_pos) != u'd') {
            if (n > P::kMaxConstant)
                return fail(Code::ConstantTooBig, start, m_pos, P::kMaxConstant);
            t.isDice = false;
            t.constant = n;
            return true;
        }
        if (n == 0)
            return fail(Code::ZeroCount, start, m_pos + 1);
        t.group.count = n;
    } else if (lower(m_pos) != u'd') {
        return fail(Code::ExpectedTerm, start, start + 1);
    }
    ++m_pos; // the "d"

    DiceGroup &g = t.group;
    const qsizetype faces = m_pos;
    if (isDigit(m_pos)) {
        if (!number(g.faces))
            return false;
        if (g.faces < 1 || g.faces > P::kMaxFaces)
            return fail(Code::FacesOutOfRange, faces, m_pos, P::kMaxFaces, g.faces);
    } else if (at(m_pos) == u'%') {
        ++m_pos;
        g.kind = FaceKind::Percent;
        g.faces = 100;
    } else if (lower(m_pos) == u'f') {
        ++m_pos;
        g.kind = FaceKind::Fudge;
        g.faces = 3;
    } else {
        return fail(Code::MissingFaces, faces);
    }
    Spots spots;
    return modifiers(g, spots) && check(g, spots);
}

bool Reader::modifiers(DiceGroup &g, Spots &s)
{
    // Each modifier at most once, in any order; the first character that
    // starts none of them ends the group.
    while (m_pos < m_text.size()) {
        const qsizetype start = m_pos;
        const QChar c = lower(m_pos), next = lower(m_pos + 1);
        Spot *spot = nullptr;
        if ((c == u'k' || c == u'd') && (next == u'h' || next == u'l')) {
            m_pos += 2;
            g.keepCount = 1;
            if (isDigit(m_pos) && !number(g.keepCount))
                return false;
            g.keep = c == u'k' ? (next == u'h' ? KeepRule::KeepHighest : KeepRule::KeepLowest)
                               : (next == u'h' ? KeepRule::DropHighest : KeepRule::DropLowest);
            spot = &s.keep;
        } else if (c == u'!') {
            m_pos += next == u'!' ? 2 : 1;
            g.explosion = next == u'!' ? Explosion::Compound : Explosion::Explode;
            spot = &s.explode;
        } else if (c == u'r' || (c == u'>' && next == u'=') || c == u'f') {
            // modifiers that need a number
            m_pos += (c == u'f' || (c == u'r' && next != u'o')) ? 1 : 2;
            if (!isDigit(m_pos))
                return fail(Code::MissingNumber, start, m_pos);
            int n = 0;
            if (!number(n))
                return false;
            if (c == u'r') {
                g.reroll = next == u'o' ? RerollRule::Once : RerollRule::Always;
                g.rerollValue = n;
                spot = &s.reroll;
            } else if (c == u'f') {
                g.failAtOrBelow = n;
                spot = &s.fail;
            } else {
                g.target = n;
                spot = &s.target;
            }
        } else if (c == u'x' && at(m_pos + 1) == u'2') {
            m_pos += 2;
            g.doubleTop = true;
            spot = &s.twice;
        } else {
            break;
        }
        if (spot->given())
            return fail(Code::Repeated, start, m_pos);
        *spot = {start, m_pos};
    }
    return true;
}

bool Reader::check(const DiceGroup &g, const Spots &s)
{
    if (g.kind == FaceKind::Fudge) {
        for (const Spot &spot : {s.explode, s.reroll, s.target, s.fail, s.twice})
            if (spot.given())
                return fail(Code::FudgeModifier, spot);
    }
    if (g.keep != KeepRule::All) {
        const bool drop = g.keep == KeepRule::DropHighest || g.keep == KeepRule::DropLowest;
        const int most = drop ? g.count - 1 : g.count;
        if (g.keepCount < 1 || g.keepCount > most)
            return fail(Code::KeepOutOfRange, s.keep, g.count, most);
    }
    if (g.faces == 1) {
        if (s.explode.given())
            return fail(Code::OneFace, s.explode);
        if (s.reroll.given())
            return fail(Code::OneFace, s.reroll);
    }
    if (s.reroll.given() && (g.rerollValue < 1 || g.rerollValue > g.faces))
        return fail(Code::RerollNotAFace, s.reroll, g.faces, g.rerollValue);
    if (s.target.given() && (g.target < 1 || g.target > g.faces))
        return fail(Code::TargetOutOfRange, s.target, g.faces);
    if (!s.target.given()) {
        if (s.fail.given())
            return fail(Code::PoolOnly, s.fail);
        if (s.twice.given())
            return fail(Code::PoolOnly, s.twice);
    }
    if (s.fail.given() && (g.failAtOrBelow < 1 || g.failAtOrBelow >= g.target))
        return fail(Code::FailureOutOfRange, s.fail, g.target - 1);
    return true;
}

bool Reader::label(Expression &e)
{
    const qsizetype start = m_pos;
    QStringView rest = m_text.mid(start);
    while (rest.endsWith(u' '))
        rest.chop(1);
    if (rest.size() > P::kMaxLabel)
        return fail(Code::LabelTooLong, start, start + rest.size(), P::kMaxLabel);
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest[i];
        // Letters, digits, spaces, apostrophes and hyphens: a label cannot
        // carry punctuation that would make the announcement read as another.
        if (!(c.isLetterOrNumber() || c == u' ' || c == u'\'' || c == u'\u2019' || c == u'-'))
            return fail(Code::BadLabel, start + i, start + i + 1);
    }
    e.label = rest.toString();
    m_pos = m_text.size();
    return true;
}

std::optional<Expression> Reader::read()
{
    skipSpaces();
    if (m_pos >= m_text.size())
        return fail(Code::Empty, m_pos), std::nullopt;
    if (m_text.size() > P::kMaxLength)
        return fail(Code::TooLong, P::kMaxLength, -1, P::kMaxLength), std::nullopt;

    Expression e;
    int dice = 0;
    bool anyDice = false, pool = false, negative = false;
    while (true) {
        const qsizetype start = m_pos;
        Term t;
        if (!term(t))
            return std::nullopt;
        t.negative = negative;
        if (e.terms.size() == P::kMaxTerms)
            return fail(Code::TooManyTerms, start, m_pos, P::kMaxTerms), std::nullopt;
        if (t.isDice) {
            dice += t.group.count;
            if (dice > P::kMaxDice)
                return fail(Code::TooManyDice, start, m_pos, P::kMaxDice, dice), std::nullopt;
            if (!anyDice)
                pool = t.group.isPool();
            else if (t.group.isPool() != pool)
                return fail(Code::MixedPool, start, m_pos), std::nullopt;
            anyDice = true;
        }
        e.terms.append(t);

        const qsizetype afterTerm = m_pos;
        skipSpaces();
        if (at(m_pos) == u'+' || at(m_pos) == u'-') {
            negative = at(m_pos) == u'-';
            ++m_pos;
            skipSpaces();
            continue;
        }
        if (m_pos >= m_text.size())
            break;
        if (m_pos == afterTerm) // no space: a stray character, not a label
            return fail(Code::Unexpected, m_pos, m_pos + 1), std::nullopt;
        if (!label(e))
            return std::nullopt;
        break;
    }
    if (!anyDice)
        return fail(Code::NoDice, -1), std::nullopt;
    return e;
}

QString tr(const char *text)
{
    // Named as the sources name it: every text is in Error::message().
    return QCoreApplication::translate("dice::ExpressionParser::Error", text);
}

} // namespace

ExpressionParser::Result ExpressionParser::parse(QStringView text)
{
    Reader reader(text);
    Result r;
    r.expression = reader.read();
    if (!r.expression)
        r.error = reader.error;
    return r;
}

QString ExpressionParser::Error::message() const
{
    const QString at = QString::number(position);
    switch (code) {
    case Code::None:
        return {};
    case Code::Empty:
        return tr("Scrivi un tiro, per esempio 2d6+1 o 4d6kh3.");
    case Code::TooLong:
        return tr("Il tiro è troppo lungo: al massimo %1 caratteri, etichetta compresa; dal "
                  "carattere %2 in poi è di troppo.")
            .arg(value)
            .arg(at);
    case Code::MissingTerm:
        return tr("Il tiro finisce al carattere %1, dove serve ancora un dado o un numero.")
            .arg(at);
    case Code::ExpectedTerm:
        return tr("Al carattere %1 c'è «%2» dove serve un dado o un numero, come 2d6 o 3.")
            .arg(at, token);
    case Code::Unexpected:
        return tr("Al carattere %1 «%2» non è previsto: dopo i dadi vengono kh, kl, dh, dl, !, "
                  "!!, r, ro, >=, un segno + o -, oppure uno spazio e l'etichetta.")
            .arg(at, token);
    case Code::MissingFaces:
        return tr("Al carattere %1 mancano le facce del dado: un numero, % oppure F.").arg(at);
    case Code::MissingNumber:
        return tr("Al carattere %1 «%2» vuole un numero subito dopo.").arg(at, token);
    case Code::NumberTooBig:
        return tr("Al carattere %1 il numero %2 è troppo grande.").arg(at, token);
    case Code::NoDice:
        return tr("Nel tiro non c'è nessun dado: scrivi per esempio 1d20+5.");
    case Code::ZeroCount:
        return tr("Al carattere %1 «%2»: si lancia almeno un dado.").arg(at, token);
    case Code::TooManyDice:
        return tr("Al carattere %1 «%2»: troppi dadi, %3 in un tiro; al massimo %4.")
            .arg(at, token)
            .arg(other)
            .arg(value);
    case Code::FacesOutOfRange:
        return tr("Al carattere %1: un dado ha da 1 a %2 facce, non %3.")
            .arg(at)
            .arg(value)
            .arg(other);
    case Code::TooManyTerms:
        return tr("Al carattere %1 «%2»: al massimo %3 gruppi di dadi e numeri in un tiro.")
            .arg(at, token)
            .arg(value);
    case Code::ConstantTooBig:
        return tr("Al carattere %1 il numero %2 è troppo grande: al massimo %3.")
            .arg(at, token)
            .arg(value);
    case Code::Repeated:
        return tr("Al carattere %1 «%2» ripete un modificatore già dato a questi dadi.")
            .arg(at, token);
    case Code::KeepOutOfRange:
        return tr("Al carattere %1 «%2»: su %3 dadi se ne tengono o scartano da 1 a %4.")
            .arg(at, token)
            .arg(value)
            .arg(other);
    case Code::RerollNotAFace:
        return tr("Al carattere %1 «%2»: un dado a %3 facce non mostra mai %4.")
            .arg(at, token)
            .arg(value)
            .arg(other);
    case Code::OneFace:
        return tr("Al carattere %1 «%2»: un dado con una faccia sola esploderebbe o si "
                  "ritirerebbe per sempre.")
            .arg(at, token);
    case Code::FudgeModifier:
        return tr("Al carattere %1 «%2»: dei dadi Fudge si tengono o si scartano soltanto.")
            .arg(at, token);
    case Code::TargetOutOfRange:
        return tr("Al carattere %1 «%2»: il bersaglio va da 1 a %3, le facce del dado.")
            .arg(at, token)
            .arg(value);
    case Code::PoolOnly:
        return tr("Al carattere %1 «%2» vale solo per una riserva di successi con >=, "
                  "per esempio 10d10>=8f1x2.")
            .arg(at, token);
    case Code::FailureOutOfRange:
        return tr("Al carattere %1 «%2»: i fallimenti stanno sotto il bersaglio, da 1 a %3.")
            .arg(at, token)
            .arg(value);
    case Code::MixedPool:
        return tr("Al carattere %1 «%2»: una riserva di successi (>=) non si somma con dadi "
                  "che si sommano.")
            .arg(at, token);
    case Code::LabelTooLong:
        return tr("Al carattere %1 l'etichetta è troppo lunga: al massimo %2 caratteri.")
            .arg(at)
            .arg(value);
    case Code::BadLabel:
        return tr("Al carattere %1 l'etichetta contiene «%2»: sono ammessi lettere, cifre, "
                  "spazi, apostrofi e trattini.")
            .arg(at, token);
    }
    return {};
}

} // namespace dice
