#include "announcement.h"

#include "rollwording.h"

namespace dice
{

using namespace rollwording;

QString Announcement::dieText(const DiceGroup &group, const RolledDie &die)
{
    QString face;
    if (group.kind == FaceKind::Fudge)
        face = die.value > 0   ? QStringLiteral("+")
               : die.value < 0 ? QStringLiteral("-")
                               : QStringLiteral("0");
    else
        face = QString::number(die.value);
    if (die.exploded)
        face += QLatin1Char('!');
    return die.counts() ? face : QLatin1Char('(') + face + QLatin1Char(')');
}

QString Announcement::diceText(const RollResult &roll)
{
    QString text;
    for (qsizetype t = 0; t < roll.terms.size() && t < roll.expression.terms.size(); ++t) {
        const Term &term = roll.expression.terms[t];
        if (!term.isDice)
            continue;
        if (!text.isEmpty())
            text += kGroupSeparator;
        const QList<RolledDie> &dice = roll.terms[t].dice;
        for (qsizetype i = 0; i < dice.size(); ++i) {
            if (i)
                text += kDiceSeparator;
            text += dieText(term.group, dice[i]);
        }
    }
    return text;
}

QString Announcement::totalText(const RollResult &roll)
{
    QString text = QString::number(roll.total);
    if (roll.expression.isPool())
        text += roll.total == 1 ? kSuccess : kSuccesses;
    return text;
}

namespace
{

QString build(const QString &who, QStringView verb, const RollResult &roll, bool isPrivate,
              bool details)
{
    QString line;
    if (isPrivate)
        line += kPrivateMark;
    line += who.isEmpty() ? kAnonymous : QStringView(who);
    line += verb;
    if (roll.expression.isPlain()) {
        // The classic line, word for word; its dice come after a line break
        // (a lone LF, so the announcement stays one protocol line).
        const DiceGroup &g = roll.expression.terms.first().group;
        line += QString::number(g.count);
        line += kDie;
        line += QString::number(g.faces);
        line += kGets;
        line += QString::number(roll.total);
        line += kEnd;
        if (isPrivate)
            line += kPrivateMark;
        if (details && roll.draws.size() >= 2) {
            line += QLatin1Char('\n');
            line += kOpen;
            line += Announcement::diceText(roll);
            line += kClose;
        }
        return line;
    }
    line += roll.expression.text();
    if (!roll.expression.label.isEmpty()) {
        line += kFor;
        line += roll.expression.label;
    }
    line += kGets;
    line += Announcement::totalText(roll);
    line += kEnd;
    line += QLatin1Char(' ');
    line += kOpen;
    line += Announcement::diceText(roll);
    line += kClose;
    if (roll.capped)
        line += kCapped;
    if (isPrivate)
        line += kPrivateMark;
    return line;
}

} // namespace

bool Announcement::readsAsRoll(QStringView line, const QStringList &names)
{
    if (line.startsWith(kPrivateMark))
        line = line.mid(kPrivateMark.size());
    auto by = [line](QStringView who) {
        if (who.isEmpty() || !line.startsWith(who))
            return false;
        const QStringView rest = line.mid(who.size());
        for (QStringView verb : {kRolls, kRollsSecretly, kRollsForMaster})
            if (rest.startsWith(verb) && rest.contains(kGets))
                return true;
        return rest.startsWith(kSecretNotice) || rest.startsWith(kMasterNotice);
    };
    if (by(kAnonymous))
        return true;
    for (const QString &name : names)
        if (by(name))
            return true;
    return false;
}

QString Announcement::line(const QString &who, const RollResult &roll, bool isPrivate, bool details)
{
    return build(who, kRolls, roll, isPrivate, details);
}

QString Announcement::recordLine(const RollRecord &record, bool details)
{
    const bool secret = record.kind == RollRecord::Kind::Secret;
    if (!record.roll) {
        QString notice = record.roller;
        notice += secret ? kSecretNotice : kMasterNotice;
        return notice;
    }
    if (record.kind == RollRecord::Kind::Public)
        return line(record.roller, *record.roll, false, details);
    return build(record.roller, secret ? kRollsSecretly : kRollsForMaster, *record.roll, false,
                 details);
}

} // namespace dice
