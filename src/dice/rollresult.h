#pragma once

#include "expression.h"

#include <QList>

namespace dice
{

/// One die as it lies on the table after a roll.
struct RolledDie {
    int value = 0;         ///< the face (a compounded die: the sum of its throws)
    bool kept = true;      ///< false: left out by a keep or drop rule
    bool rerolled = false; ///< thrown again by a reroll rule: never counts
    bool exploded = false; ///< showed the top face and brought another throw
    bool operator==(const RolledDie &) const = default;
    bool counts() const { return kept && !rerolled; }
};

/// The dice of one term (none for a constant) and what the term is worth,
/// its sign included.
struct TermRoll {
    QList<RolledDie> dice;
    int value = 0;
    bool operator==(const TermRoll &) const = default;
};

/**
 * @brief What a roll produced: the dice of each term, the total, and every
 * throw in the order it was taken (what a receiver needs to rebuild the rest).
 */
struct RollResult {
    Expression expression;
    QList<TermRoll> terms;
    int total = 0;
    /// Explosions and rerolls stopped at Roller::kMaxExtraThrows.
    bool capped = false;
    QList<int> draws;
    bool operator==(const RollResult &) const = default;
};

} // namespace dice
