#pragma once

#include "rollrecord.h"

#include <QCoreApplication>
#include <QString>

namespace session
{
class ChatSession;
}

namespace conversation
{

/**
 * @brief Where a roll the user asks for goes: to the host when it rolls
 * checkable dice, otherwise rolled here and delivered as a conversation line
 * (a private roll always is, as are rolls at a basic-protocol host).
 */
class DiceDesk
{
    Q_DECLARE_TR_FUNCTIONS(conversation::DiceDesk)
public:
    /// What became of a roll asked for.
    struct Outcome
    {
        bool rolled = false; ///< asked of the host, or rolled and delivered here
        QString problem;     ///< why not, for the user; empty when rolled
    };

    /**
     * @brief Rolls @p text (an expression, label included) as @p kind;
     * @p isPrivate sends it to the chosen participants only, rolled here;
     * @p details shows the dice of a plain roll on a second line.
     */
    static Outcome roll(session::ChatSession &chat, const QString &text,
                        dice::RollRecord::Kind kind, bool isPrivate, bool details);
};

} // namespace conversation
