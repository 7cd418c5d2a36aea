#include "spokenline.h"

#include "diceroller.h"
#include "rollwording.h"

#include <QRegularExpression>

namespace conversation
{

namespace
{

const QChar kMark = QLatin1Char('*');

bool enclosed(QStringView text)
{
    return text.size() >= 2 && text.startsWith(kMark) && text.endsWith(kMark);
}

struct Roll {
    QString who;
    int dice = 0;
    int faces = 0;
    QString total;
    QString detail; ///< "4, 1, 6", or empty
};

// "Brom lancia 3d6 ed ottiene 11." with its detail, private or not.
bool readRoll(QStringView line, Roll *roll, bool *isPrivate)
{
    QStringView head = line;
    if (const qsizetype detail = DiceRoller::detailStart(line); detail >= 0) {
        // The CR before the detail's line feed shows as a space.
        head = line.left(detail).trimmed();
        roll->detail = line.mid(detail).toString().remove(QChar(0xAB)).remove(QChar(0xBB)).trimmed();
    }
    static const QRegularExpression shape(
        QStringLiteral("^(\\*?)(.+)%1([0-9]*)%2([0-9]*)%3([0-9]*)\\.(\\*?)$")
            .arg(QRegularExpression::escape(dice::rollwording::kRolls.toString()),
                 QRegularExpression::escape(dice::rollwording::kDie.toString()),
                 QRegularExpression::escape(dice::rollwording::kGets.toString())));
    const QRegularExpressionMatch m = shape.match(head.toString());
    if (!m.hasMatch() || m.capturedLength(1) != m.capturedLength(6))
        return false;
    roll->who = m.captured(2);
    roll->dice = m.captured(3).toInt();
    roll->faces = m.captured(4).toInt();
    roll->total = m.captured(5).isEmpty() ? QStringLiteral("0") : m.captured(5);
    *isPrivate = m.capturedLength(1) == 1;
    return true;
}

} // namespace

SpokenLine::Reading SpokenLine::read(const QString &line, const QStringList &names)
{
    Reading r;
    r.text = line;
    Roll roll;
    if (readRoll(line, &roll, &r.isPrivate)) {
        r.kind = Kind::Dice;
        r.speaker = roll.who;
        return r;
    }
    // The first name in list order that fits decides, as for the colours.
    for (const QString &p : names) {
        if (p.isEmpty())
            continue;
        if (line.startsWith(p + QStringLiteral(": "))) {
            r.kind = Kind::Speech;
        } else if (line.startsWith(kMark + p + kMark + QStringLiteral(": "))) {
            r.kind = Kind::Speech;
            r.isPrivate = true;
        } else if (line.startsWith(p + QLatin1Char(' '))) {
            r.kind = Kind::Action;
        } else if (line.startsWith(kMark + p + QLatin1Char(' ')) && line.endsWith(kMark)) {
            r.kind = Kind::Action;
            r.isPrivate = true;
        } else {
            continue;
        }
        r.speaker = p;
        return r;
    }
    r.kind = Kind::Narration;
    r.isPrivate = enclosed(line);
    return r;
}

SpokenLine::Reading SpokenLine::event(const QString &line)
{
    Reading r;
    r.kind = Kind::Event;
    r.text = line;
    return r;
}

QString SpokenLine::kindWords(const Reading &reading)
{
    QString kind;
    switch (reading.kind) {
    case Kind::Speech:
        kind = tr("parlato");
        break;
    case Kind::Action:
        kind = tr("azione");
        break;
    case Kind::Narration:
        kind = tr("narrazione");
        break;
    case Kind::Dice:
        kind = tr("tiro di dadi");
        break;
    case Kind::Event:
        kind = tr("evento");
        break;
    }
    return reading.isPrivate ? tr("privato, %1").arg(kind) : kind;
}

QString SpokenLine::description(const Reading &reading)
{
    const QString kind = kindWords(reading);
    return reading.speaker.isEmpty() ? kind : tr("%1, di %2").arg(kind, reading.speaker);
}

QString SpokenLine::spoken(const Reading &reading)
{
    const QString text = reading.text;
    QString words;
    switch (reading.kind) {
    case Kind::Speech: {
        // "Brom: ciao" or "*Brom*: ciao": what follows the speaker's colon.
        const qsizetype colon = text.indexOf(QStringLiteral(": "));
        const QString said = colon >= 0 ? text.mid(colon + 2) : text;
        words = tr("%1 dice: %2").arg(reading.speaker, said);
        break;
    }
    case Kind::Action:
    case Kind::Narration:
        words = reading.isPrivate && enclosed(text) ? text.mid(1, text.size() - 2) : text;
        if (reading.kind == Kind::Narration)
            words = tr("Narrazione: %1").arg(words);
        break;
    case Kind::Dice: {
        Roll roll;
        bool isPrivate = false;
        readRoll(text, &roll, &isPrivate);
        // Singular and plural spelled out: Italian is the source language,
        // so no translation file is there to pick the form for %n.
        const QString dice = roll.dice == 1 ? tr("un dado") : tr("%1 dadi").arg(roll.dice);
        const QString faces =
            roll.faces == 1 ? tr("una faccia") : tr("%1 facce").arg(roll.faces);
        words = tr("%1 lancia %2 da %3 e ottiene %4.").arg(roll.who, dice, faces, roll.total);
        if (!roll.detail.isEmpty())
            words += QLatin1Char(' ') + tr("Dadi: %1.").arg(roll.detail);
        break;
    }
    case Kind::Event:
        words = text;
        break;
    }
    return reading.isPrivate ? tr("In privato: %1").arg(words) : words;
}

} // namespace conversation
