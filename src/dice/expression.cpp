#include "expression.h"

namespace dice
{

namespace
{

QString groupText(const DiceGroup &g)
{
    QString s = QString::number(g.count) + QLatin1Char('d');
    switch (g.kind) {
    case FaceKind::Numbered:
        s += QString::number(g.faces);
        break;
    case FaceKind::Percent:
        s += QLatin1Char('%');
        break;
    case FaceKind::Fudge:
        s += QLatin1Char('F');
        break;
    }
    if (g.reroll != RerollRule::None)
        s += (g.reroll == RerollRule::Once ? QLatin1String("ro") : QLatin1String("r")) +
             QString::number(g.rerollValue);
    if (g.explosion == Explosion::Explode)
        s += QLatin1Char('!');
    else if (g.explosion == Explosion::Compound)
        s += QLatin1String("!!");
    static const char *const keepWords[] = {"", "kh", "kl", "dh", "dl"};
    if (g.keep != KeepRule::All)
        s += QLatin1String(keepWords[int(g.keep)]) + QString::number(g.keepCount);
    if (g.isPool()) {
        s += QLatin1String(">=") + QString::number(g.target);
        if (g.failAtOrBelow > 0)
            s += QLatin1Char('f') + QString::number(g.failAtOrBelow);
        if (g.doubleTop)
            s += QLatin1String("x2");
    }
    return s;
}

} // namespace

QString Expression::text() const
{
    QString s;
    for (qsizetype i = 0; i < terms.size(); ++i) {
        const Term &t = terms[i];
        if (t.negative)
            s += QLatin1Char('-');
        else if (i > 0)
            s += QLatin1Char('+');
        s += t.isDice ? groupText(t.group) : QString::number(t.constant);
    }
    return s;
}

bool Expression::isPlain() const
{
    if (terms.size() != 1 || !label.isEmpty())
        return false;
    const Term &t = terms.first();
    DiceGroup plain;
    plain.count = t.group.count;
    plain.faces = t.group.faces;
    return t.isDice && !t.negative && t.group == plain;
}

bool Expression::isPool() const
{
    for (const Term &t : terms)
        if (t.isDice && t.group.isPool())
            return true;
    return false;
}

int Expression::diceCount() const
{
    int n = 0;
    for (const Term &t : terms)
        if (t.isDice)
            n += t.group.count;
    return n;
}

} // namespace dice
