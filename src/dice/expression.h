#pragma once

#include <QList>
#include <QString>

namespace dice
{

/// What a die's faces are: 1 to N, 1 to 100 written "%", or Fudge (-1, 0, +1).
enum class FaceKind { Numbered, Percent, Fudge };

/// Which dice of a group count, after rolling.
enum class KeepRule { All, KeepHighest, KeepLowest, DropHighest, DropLowest };

/// What a die showing its top face does: nothing, bring another die ("!")
/// or add another throw to itself ("!!").
enum class Explosion { None, Explode, Compound };

/// A die showing the reroll value is thrown again: until it shows another
/// value ("r"), or once only ("ro").
enum class RerollRule { None, Always, Once };

/**
 * @brief One group of dice, such as "4d6kh3" or "10d10>=8f1x2".
 *
 * A group with a target is a success pool: its value is the number of dice
 * at or above the target (the top face twice with doubleTop), less the
 * number at or below failAtOrBelow. Any other group's value is its sum.
 */
struct DiceGroup {
    int count = 1;
    int faces = 6; ///< 3 for Fudge dice, 100 for "%"
    FaceKind kind = FaceKind::Numbered;
    KeepRule keep = KeepRule::All;
    int keepCount = 0;
    Explosion explosion = Explosion::None;
    RerollRule reroll = RerollRule::None;
    int rerollValue = 0;
    int target = 0;        ///< 0: not a pool
    int failAtOrBelow = 0; ///< 0: no failures counted
    bool doubleTop = false;

    bool isPool() const { return target > 0; }
    /// The value a die shows for the throw @p draw (1 to faces).
    int faceValue(int draw) const { return kind == FaceKind::Fudge ? draw - 2 : draw; }
    bool operator==(const DiceGroup &) const = default;
};

/// One term of a sum: a group of dice or a constant, added or taken away.
struct Term {
    bool isDice = true;
    bool negative = false;
    int constant = 0;
    DiceGroup group;
    bool operator==(const Term &) const = default;
};

/**
 * @brief A parsed dice expression: its terms and its label.
 *
 * text() writes it back in one canonical spelling (count always written,
 * modifiers in a fixed order, no spaces), which parses to the same value;
 * that spelling, without the label, is what a roll's dice are derived from.
 */
class Expression
{
public:
    QList<Term> terms;
    QString label;

    /// The canonical spelling without the label, e.g. "4d6kh3+2".
    QString text() const;
    /// True for one plain group "NdF" with no label: announced as the classic line.
    bool isPlain() const;
    /// True when the groups count successes rather than add up.
    bool isPool() const;
    /// The dice thrown before any explosion or reroll.
    int diceCount() const;
    bool operator==(const Expression &) const = default;
};

} // namespace dice
