#pragma once

#include "rollrecord.h"

#include <QString>
#include <QStringList>

namespace dice
{

/**
 * @brief The conversation line that announces a roll.
 *
 * A plain "NdF" roll keeps the classic line, "Brom lancia 3d6 ed ottiene
 * 11.", with the dice after a line break only when the roller asked for
 * them. Any other roll is one line that every program shows as it is:
 * "Ada lancia 4d6kh3 ed ottiene 14. « 6, 5, 3, (1) »", a die that does not
 * count in brackets, a die that exploded followed by "!", the groups of a
 * sum apart by " | ", Fudge dice as "+", "0" and "-".
 */
class Announcement
{
public:
    /// The line for @p roll by @p who ("Qualcuno" when empty); enclosed in
    /// asterisks when @p isPrivate. @p details asks for the dice of a plain roll.
    static QString line(const QString &who, const RollResult &roll, bool isPrivate, bool details);

    /**
     * @brief The line for a roll the host announced: as line() for a
     * public roll; "Ada lancia in segreto …" or "Ada lancia per il master …"
     * for those who see a secret roll; "Ada fa un tiro segreto." (or "… per
     * il master.") for those who may not.
     */
    static QString recordLine(const RollRecord &record, bool details);

    /**
     * @brief True when @p line reads as the announcement of a roll (or of
     * a secret one) by one of @p names or by "Qualcuno", public or private:
     * what a line that did not come as a roll must not pass for.
     */
    static bool readsAsRoll(QStringView line, const QStringList &names);

    /// The dice alone, as the richer line lists them: "6, 5, 3, (1)".
    static QString diceText(const RollResult &roll);

    /// The total as the line says it: "14", or "3 successi" for a pool.
    static QString totalText(const RollResult &roll);

    /// The text of one die: "4", "(1)", "6!", "+".
    static QString dieText(const DiceGroup &group, const RolledDie &die);
};

} // namespace dice
