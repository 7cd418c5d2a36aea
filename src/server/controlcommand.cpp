#include "controlcommand.h"

namespace server
{

namespace
{

struct Verb {
    const char *word;
    ControlCommand::Kind kind;
    bool takesArgument;
};

constexpr Verb kVerbs[] = {
    {"list", ControlCommand::Kind::List, false},
    {"kick", ControlCommand::Kind::Kick, true},
    {"say", ControlCommand::Kind::Say, true},
    {"clear", ControlCommand::Kind::Clear, false},
    {"restore", ControlCommand::Kind::Restore, false},
    {"save", ControlCommand::Kind::Save, false},
    {"reveal", ControlCommand::Kind::Reveal, false},
    {"stop", ControlCommand::Kind::Stop, false},
    {"invite", ControlCommand::Kind::Invite, false},
    {"ban", ControlCommand::Kind::Ban, true},
    {"bans", ControlCommand::Kind::Bans, false},
    {"unban", ControlCommand::Kind::Unban, true},
};

ControlCommand invalid(const QString &why)
{
    ControlCommand command;
    command.error = why;
    return command;
}

QString knownWords()
{
    QStringList words;
    for (const Verb &verb : kVerbs)
        words.append(QLatin1String(verb.word));
    return words.join(QStringLiteral(", "));
}

/// Characters that would end the line early or stand for nothing a person
/// typed: line ends, NUL and the other controls.
bool hasControl(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

} // namespace

ControlCommand ControlCommand::fromWords(const QStringList &words)
{
    if (words.isEmpty())
        return invalid(QStringLiteral("manca il comando (uno fra: %1).").arg(knownWords()));
    QString line = words.first();
    if (words.size() > 1)
        line += QLatin1Char(' ') + words.mid(1).join(QLatin1Char(' '));
    return fromLine(line);
}

ControlCommand ControlCommand::fromLine(const QString &line)
{
    if (line.toUtf8().size() + 1 > kMaxLineBytes)
        return invalid(QStringLiteral("comando troppo lungo (al massimo %1 byte).").arg(kMaxLineBytes));
    if (hasControl(line))
        return invalid(QStringLiteral("il comando non può contenere a capo o caratteri di controllo."));
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString word = space < 0 ? line : line.left(space);
    const QString rest = space < 0 ? QString() : line.mid(space + 1);
    if (word.isEmpty())
        return invalid(QStringLiteral("manca il comando (uno fra: %1).").arg(knownWords()));
    for (const Verb &verb : kVerbs) {
        if (word != QLatin1String(verb.word))
            continue;
        ControlCommand command;
        if (verb.takesArgument) {
            if (rest.trimmed().isEmpty()) {
                return invalid(verb.kind == Kind::Kick ? QStringLiteral("kick vuole il nome del partecipante da espellere.")
                               : verb.kind == Kind::Ban ? QStringLiteral("ban vuole il nome del partecipante da bandire.")
                               : verb.kind == Kind::Unban ? QStringLiteral("unban vuole l'indirizzo da riammettere.")
                                                          : QStringLiteral("say vuole il testo da dire."));
            }
            command.argument = rest;
        } else if (!rest.trimmed().isEmpty()) {
            return invalid(QStringLiteral("%1 non vuole argomenti.").arg(word));
        }
        command.kind = verb.kind;
        return command;
    }
    return invalid(QStringLiteral("comando sconosciuto \"%1\" (uno fra: %2).").arg(word, knownWords()));
}

QString ControlCommand::toLine() const
{
    for (const Verb &verb : kVerbs) {
        if (verb.kind == kind)
            return argument.isEmpty() ? QLatin1String(verb.word)
                                      : QLatin1String(verb.word) + QLatin1Char(' ') + argument;
    }
    return {};
}

QString ControlReply::toLine() const
{
    QString flat = text;
    // One line whatever the text holds.
    for (QChar &c : flat) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return QString::number(status) + QLatin1Char(' ') + flat;
}

bool ControlReply::fromLine(const QString &line, ControlReply *reply)
{
    if (line.size() < 2 || line[1] != QLatin1Char(' '))
        return false;
    const int status = line[0].digitValue();
    if (status < 0 || status > 2)
        return false;
    reply->status = status;
    reply->text = line.mid(2);
    return true;
}

} // namespace server
