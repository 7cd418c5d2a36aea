#include "dicedesk.h"

#include "announcement.h"
#include "composer.h"
#include "expressionparser.h"
#include "localdiesource.h"
#include "roller.h"

#include "chatsession.h"
#include "tabledice.h"

namespace conversation
{

DiceDesk::Outcome DiceDesk::roll(session::ChatSession &chat, const QString &text,
                                 dice::RollRecord::Kind kind, bool isPrivate, bool details)
{
    const dice::ExpressionParser::Result parsed = dice::ExpressionParser::parse(text);
    if (!parsed.ok())
        return {false, parsed.error.message()};
    const bool secret = kind != dice::RollRecord::Kind::Public;
    if (isPrivate && secret)
        return {false, tr("Un tiro privato va solo a chi è scelto: non può essere anche "
                          "segreto o per il master.")};

    session::TableDice *table = chat.dice();
    if (!isPrivate && table->rollsHere()) {
        switch (table->roll(*parsed.expression, kind, details)) {
        case session::TableDice::Asked::Sent:
            return {true, {}};
        case session::TableDice::Asked::TooFast:
            return {false, tr("Troppi tiri di seguito: aspetta un momento.")};
        case session::TableDice::Asked::NotHere:
            break;
        }
    }
    if (secret)
        return {false, tr("Un tiro segreto o per il master lo tira l'host: serve una "
                          "sessione con un host Tavernix.")};

    // Rolled here, as every roll was before the host rolled checkable dice.
    dice::LocalDieSource source;
    const auto roll = dice::Roller::roll(*parsed.expression, source);
    const QString name = chat.name();
    const QString publicLine = dice::Announcement::line(name, *roll, false, details);
    const QString privateLine = dice::Announcement::line(name, *roll, true, details);
    return {Composer::deliver(chat, publicLine, privateLine, isPrivate, true), {}};
}

} // namespace conversation
