#include "composer.h"

#include "linebreaks.h"
#include "rollwording.h"
#include "tags.h"

#include "chatsession.h"
#include "connectionindex.h"
#include "participantlist.h"
#include "protocol.h"
#include "sinks.h"

#include <QCoreApplication>

namespace conversation
{

namespace
{

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype skipDigits(QStringView s, qsizetype pos)
{
    while (pos < s.size() && isAsciiDigit(s[pos]))
        ++pos;
    return pos;
}

// Whole-text match of prefix + digits + "d" + digits + " ed ottiene " +
// digits + suffix. Digits can never be "d" or " ", so a greedy scan decides.
bool matchesRoll(QStringView msg, QStringView prefix, QStringView suffix)
{
    using namespace dice::rollwording;
    if (!msg.startsWith(prefix))
        return false;
    qsizetype pos = skipDigits(msg, prefix.size());
    if (!msg.mid(pos).startsWith(kDie))
        return false;
    pos = skipDigits(msg, pos + kDie.size());
    if (!msg.mid(pos).startsWith(kGets))
        return false;
    pos = skipDigits(msg, pos + kGets.size());
    return msg.mid(pos) == suffix;
}

// What must be typed before the number of dice so that the line shows as
// @p who's announcement once composed: @p lead, then @p who and the verb.
QString rollPrefix(QStringView lead, QStringView who)
{
    QString prefix;
    prefix += lead;
    prefix += who;
    prefix += dice::rollwording::kRolls;
    return prefix;
}

} // namespace

Composer::Lines Composer::compose(const QString &msg, const QString &name)
{
    Lines l;
    if (msg.startsWith(QStringLiteral(", "))) {
        l.kind = Kind::Action;
        l.publicLine = name + msg.mid(1);
        l.privateLine = QLatin1Char('*') + l.publicLine + QLatin1Char('*');
    } else if (msg.startsWith(QStringLiteral("# "))) {
        l.kind = Kind::Narration;
        l.publicLine = msg.mid(2);
        l.privateLine = QLatin1Char('*') + l.publicLine + QLatin1Char('*');
    } else {
        l.kind = Kind::Speech;
        l.publicLine = name + QStringLiteral(": ") + msg;
        l.privateLine = QLatin1Char('*') + name + QStringLiteral("*: ") + msg;
    }
    return l;
}

bool Composer::isForgedRoll(const QString &text, const QStringList &names)
{
    // Blanks after the final dot do not show, so they must not hide a roll
    // (a pasted line usually ends with its line break).
    QStringView msg(text);
    while (!msg.isEmpty() && msg.back().isSpace())
        msg.chop(1);
    using namespace dice::rollwording;
    // Narration shows the text after "# " as it is, so it could pass for a
    // public or a private announcement of anyone in the room. An action shows
    // as the speaker's name followed by the text after ",", so ", lancia ..."
    // would pass for a roll of the speaker's own.
    const QString privateLead = QStringLiteral("# ") + kPrivateMark.toString();
    const QString privateEnd = kEnd.toString() + kPrivateMark.toString();
    for (const QString &p : names) {
        if (matchesRoll(msg, rollPrefix(u"# ", p), kEnd))
            return true;
        if (matchesRoll(msg, rollPrefix(privateLead, p), privateEnd))
            return true;
    }
    return matchesRoll(msg, rollPrefix(u",", {}), kEnd);
}

QString Composer::withModePrefix(const QString &typed, Kind mode)
{
    // "/me" is how other chat programs say an action: the player who types it
    // means one, whatever the choice beside the box.
    static const QString me = QStringLiteral("/me ");
    if (typed.startsWith(me, Qt::CaseInsensitive)) {
        const QString rest = typed.mid(me.size()).trimmed();
        if (!rest.isEmpty())
            return QStringLiteral(", ") + rest;
    }
    if (mode == Kind::Speech || typed.startsWith(QStringLiteral(", ")) ||
        typed.startsWith(QStringLiteral("# ")))
        return typed;
    // The prefix brings its own space.
    qsizetype start = 0;
    while (start < typed.size() && typed.at(start) == QLatin1Char(' '))
        ++start;
    const QString lead = mode == Kind::Action ? QStringLiteral(", ") : QStringLiteral("# ");
    return lead + typed.mid(start);
}

QStringList Composer::privateRecipients(const session::ChatSession &chat)
{
    QStringList names;
    const session::ParticipantList *people = chat.participants();
    for (int row = 0; row < people->count(); ++row) {
        if (people->isSelected(row) && (!chat.bHost() || people->tagAt(row) != session::kHostIndex))
            names << people->nameAt(row);
    }
    return names;
}

QString Composer::refusalText(const QString &name)
{
    return tr("Non si fanno queste cose %1...").arg(name);
}

bool Composer::sendEnabled(const QString &msg, const QString &name)
{
    return !msg.isEmpty() && !name.isEmpty();
}

QString Composer::noRecipientText()
{
    return tr("Messaggio privato non inviato: scegliere almeno un destinatario tra "
              "i Personaggi.");
}

QString Composer::privateWhileAwayText()
{
    return QCoreApplication::translate("conversation::Composer",
                                       "Messaggio privato non inviato: la connessione con l'host "
                                       "è persa. Resta nella casella finché non si torna al "
                                       "tavolo.");
}

bool Composer::deliver(session::ChatSession &chat, const QString &publicLine,
                       const QString &privateLine, bool isPrivate, bool anonymousAllowed,
                       const QString &typed)
{
    // A typed line needs a name: without one it is neither sent nor shown.
    if (!anonymousAllowed && chat.name().isEmpty())
        return true;
    const session::ParticipantList *people = chat.participants();

    if (isPrivate && chat.phase() == session::ChatSession::Phase::Reconnecting) {
        if (session::ConversationSink *sink = chat.conversationSink())
            sink->UpdateStatus(privateWhileAwayText());
        return false;
    }

    // Shown as sent, a private line that reaches nobody would mislead: the
    // recipients may have been lost with a list refresh or never chosen.
    if (isPrivate && (chat.bHost() || chat.isClientConnected())) {
        bool anyone = false;
        for (int row = 0; row < people->count() && !anyone; ++row)
            anyone = people->isSelected(row) && (!chat.bHost() || people->tagAt(row) != session::kHostIndex);
        if (!anyone) {
            if (session::ConversationSink *sink = chat.conversationSink())
                sink->UpdateStatus(noRecipientText());
            return false;
        }
    }

    if (chat.bHost()) {
        if (!isPrivate) {
            chat.SendToAll(session::tag::Messaggio + publicLine, false);
        } else {
            for (int row = 0; row < people->count(); ++row) {
                const qint32 tag = people->tagAt(row);
                if (people->isSelected(row) && tag != session::kHostIndex)
                    chat.SendToPerson(session::tag::Messaggio + privateLine, qint16(tag));
            }
        }
    } else {
        QString message;
        if (!isPrivate) {
            message = session::tag::Messaggio + publicLine;
        } else {
            QString fields;
            int n = 0;
            for (int row = 0; row < people->count(); ++row) {
                if (!people->isSelected(row))
                    continue;
                fields += session::sFormatSend(people->tagAt(row));
                ++n;
            }
            if (n > 0)
                message = session::tag::Privato + session::sFormatSend(n) + fields + privateLine;
        }
        // The session shows it, as said or as waiting for the return.
        if (!message.isEmpty() &&
            chat.sayToHost(message, isPrivate ? privateLine : publicLine, typed))
            return true;
        if (chat.phase() == session::ChatSession::Phase::Reconnecting) {
            if (session::ConversationSink *sink = chat.conversationSink())
                sink->UpdateStatus(QCoreApplication::translate(
                    "conversation::Composer",
                    "Messaggio non inviato: la connessione con l'host è persa."));
        }
    }

    if (session::ConversationSink *sink = chat.conversationSink())
        sink->UpdateDialog(isPrivate ? privateLine : publicLine);
    return true;
}

std::optional<QString> Composer::rollCommand(const QString &typed)
{
    // The words of other chat programs' dice ("/r") and our own ("/tira").
    for (const QLatin1String command : {QLatin1String("/r "), QLatin1String("/tira ")}) {
        if (typed.startsWith(command, Qt::CaseInsensitive))
            return typed.mid(command.size()).trimmed();
    }
    return std::nullopt;
}

Composer::Outcome Composer::send(session::ChatSession &chat, const QString &typed, bool isPrivate)
{
    // A conversation line is shown as one line everywhere, so a pasted
    // line break travels as the space the receivers will see.
    const QString msg = flattenLineBreaks(typed);
    const QString name = chat.name();
    const QStringList names = chat.participants()->names();
    if (isForgedRoll(msg, names)) {
        if (session::MessageService *box = chat.messageService())
            box->showMessage(session::MessageService::Icon::None, session::kAppTitle,
                             refusalText(name));
        return Outcome::Refused;
    }
    const Lines lines = compose(msg, name);
    if (!deliver(chat, lines.publicLine, lines.privateLine, isPrivate, false, msg))
        return Outcome::NoRecipient;
    return Outcome::Done;
}

} // namespace conversation
