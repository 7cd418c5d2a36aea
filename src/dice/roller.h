#pragma once

#include "diesource.h"
#include "rollresult.h"

#include <optional>

namespace dice
{

/**
 * @brief Rolls an expression with the throws a source gives.
 *
 * The order of throws is fixed so that anyone can redo a roll from its
 * source: term by term, die by die; a die that shows the reroll value is
 * thrown again at once ("r" until it shows another value, "ro" once); a die
 * that explodes brings its next throw at once ("!" as a new die that may
 * explode in turn, "!!" added to itself). Throws added by rerolls and
 * explosions together stop at kMaxExtraThrows per roll. Keep and drop
 * rules then rank the dice by value, the earlier die first among equals.
 */
class Roller
{
public:
    static constexpr int kMaxExtraThrows = 100;

    /// The roll, or nothing when the source ran dry.
    static std::optional<RollResult> roll(const Expression &expression, DieSource &source);

    /// What @p die adds to the successes of its pool @p group: 0, 1, or 2
    /// when it reaches the top face and the top face counts double.
    static int successes(const DiceGroup &group, const RolledDie &die);
    /// True when @p die takes a success away from its pool @p group.
    static bool isFailure(const DiceGroup &group, const RolledDie &die);
};

} // namespace dice
