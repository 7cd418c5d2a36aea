#include "roller.h"

#include <algorithm>

namespace dice
{

namespace
{

/// Throws for one roll, counting the extra throws against the limit.
class Throws
{
public:
    explicit Throws(DieSource &source) : m_source(source) {}

    bool dry = false;
    bool capped = false;
    QList<int> draws;

    /// One throw, or 0 once the source has run dry.
    int next(int faces)
    {
        if (dry)
            return 0;
        const auto v = m_source.draw(faces);
        if (!v) {
            dry = true;
            return 0;
        }
        draws.append(*v);
        return *v;
    }
    /// Takes one extra throw from the budget; false (and capped) when spent.
    bool extra()
    {
        if (m_extra == Roller::kMaxExtraThrows) {
            capped = true;
            return false;
        }
        ++m_extra;
        return true;
    }

private:
    DieSource &m_source;
    int m_extra = 0;
};

void throwDie(const DiceGroup &g, Throws &t, QList<RolledDie> &dice)
{
    int v = t.next(g.faces);
    if (g.reroll != RerollRule::None) {
        bool again = true;
        while (again && !t.dry && v == g.rerollValue && t.extra()) {
            dice.append({g.faceValue(v), false, true, false});
            v = t.next(g.faces);
            again = g.reroll == RerollRule::Always;
        }
    }
    switch (g.explosion) {
    case Explosion::None:
        dice.append({g.faceValue(v), true, false, false});
        break;
    case Explosion::Explode:
        dice.append({v, true, false, false});
        while (!t.dry && v == g.faces && t.extra()) {
            dice.last().exploded = true;
            v = t.next(g.faces);
            dice.append({v, true, false, false});
        }
        break;
    case Explosion::Compound: {
        RolledDie die{v, true, false, false};
        while (!t.dry && v == g.faces && t.extra()) {
            die.exploded = true;
            v = t.next(g.faces);
            die.value += v;
        }
        dice.append(die);
        break;
    }
    }
}

void applyKeep(const DiceGroup &g, QList<RolledDie> &dice)
{
    if (g.keep == KeepRule::All)
        return;
    QList<qsizetype> order;
    for (qsizetype i = 0; i < dice.size(); ++i)
        if (!dice[i].rerolled)
            order.append(i);
    const bool highFirst = g.keep == KeepRule::KeepHighest || g.keep == KeepRule::DropHighest;
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return highFirst ? dice[a].value > dice[b].value : dice[a].value < dice[b].value;
    });
    const bool keep = g.keep == KeepRule::KeepHighest || g.keep == KeepRule::KeepLowest;
    for (qsizetype r = 0; r < order.size(); ++r) {
        const bool first = r < g.keepCount;
        dice[order[r]].kept = keep ? first : !first;
    }
}

} // namespace

int Roller::successes(const DiceGroup &group, const RolledDie &die)
{
    if (!group.isPool() || !die.counts() || die.value < group.target)
        return 0;
    return group.doubleTop && die.value >= group.faces ? 2 : 1;
}

bool Roller::isFailure(const DiceGroup &group, const RolledDie &die)
{
    return group.isPool() && die.counts() && die.value <= group.failAtOrBelow;
}

std::optional<RollResult> Roller::roll(const Expression &expression, DieSource &source)
{
    RollResult r;
    r.expression = expression;
    Throws t(source);
    for (const Term &term : expression.terms) {
        TermRoll tr;
        if (!term.isDice) {
            tr.value = term.constant;
        } else {
            const DiceGroup &g = term.group;
            for (int i = 0; i < g.count && !t.dry; ++i)
                throwDie(g, t, tr.dice);
            applyKeep(g, tr.dice);
            for (const RolledDie &d : tr.dice) {
                if (g.isPool())
                    tr.value += successes(g, d) - (isFailure(g, d) ? 1 : 0);
                else if (d.counts())
                    tr.value += d.value;
            }
        }
        if (term.negative)
            tr.value = -tr.value;
        r.total += tr.value;
        r.terms.append(tr);
    }
    if (t.dry)
        return std::nullopt;
    r.capped = t.capped;
    r.draws = t.draws;
    return r;
}

} // namespace dice
