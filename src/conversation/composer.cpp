#include "composer.h"

#include "linebreaks.h"
#include "tags.h"

#include "chatsession.h"
#include "participantlist.h"
#include "protocol.h"
#include "sinks.h"

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
    if (!msg.startsWith(prefix))
        return false;
    qsizetype pos = skipDigits(msg, prefix.size());
    if (!msg.mid(pos).startsWith(u"d"))
        return false;
    pos = skipDigits(msg, pos + 1);
    const QStringView gets = u" ed ottiene ";
    if (!msg.mid(pos).startsWith(gets))
        return false;
    pos = skipDigits(msg, pos + gets.size());
    return msg.mid(pos) == suffix;
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
    for (const QString &p : names) {
        if (matchesRoll(msg, QString(QStringLiteral("# ") + p + QStringLiteral(" lancia ")), u"."))
            return true;
        if (matchesRoll(msg, QString(QStringLiteral("# *") + p + QStringLiteral(" lancia ")),
                        u".*"))
            return true;
    }
    return matchesRoll(msg, u", lancia ", u".");
}

QString Composer::refusalText(const QString &name)
{
    return QStringLiteral("Non si fanno queste cose ") + name + QStringLiteral("...");
}

bool Composer::sendEnabled(const QString &msg, const QString &name)
{
    return !msg.isEmpty() && !name.isEmpty();
}

QColor Composer::sendButtonColour(bool enabled, const QColor &menu, const QColor &highlight)
{
    return enabled ? highlight : menu;
}

void Composer::deliver(session::ChatSession &chat, const QString &publicLine,
                       const QString &privateLine, bool isPrivate, bool anonymousAllowed)
{
    const bool blocked = !anonymousAllowed && chat.name().isEmpty();
    session::ParticipantList *people = chat.participants();

    if (chat.bHost()) {
        if (!isPrivate) {
            if (!blocked)
                chat.SendToAll(session::tag::Messaggio + publicLine, false);
        } else if (people) {
            for (int row = 0; row < people->count(); ++row) {
                const qint32 tag = people->tagAt(row);
                if (!people->isSelected(row) || tag == -1)
                    continue;
                if (!blocked)
                    chat.SendToPerson(session::tag::Messaggio + privateLine, qint16(tag));
            }
        }
    } else if (chat.isClientConnected()) {
        if (!isPrivate) {
            if (!blocked)
                chat.SendToServer(session::tag::Messaggio + publicLine);
        } else {
            QString fields;
            int n = 0;
            if (people) {
                for (int row = 0; row < people->count(); ++row) {
                    if (!people->isSelected(row))
                        continue;
                    fields += session::sFormatSend(people->tagAt(row));
                    ++n;
                }
            }
            if (n > 0 && !blocked)
                chat.SendToServer(session::tag::Privato + session::sFormatSend(n) + fields + privateLine);
        }
    }

    if (blocked)
        return;
    if (session::ConversationSink *sink = chat.conversationSink())
        sink->UpdateDialog(isPrivate ? privateLine : publicLine);
}

Composer::Outcome Composer::send(session::ChatSession &chat, const QString &typed, bool isPrivate)
{
    // A conversation line is shown as one line everywhere, so a pasted
    // line break travels as the space the receivers will see.
    const QString msg = flattenLineBreaks(typed);
    const QString name = chat.name();
    const QStringList names = chat.participants() ? chat.participants()->names() : QStringList();
    if (isForgedRoll(msg, names)) {
        if (session::MessageService *box = chat.messageService())
            box->showMessage(session::MessageService::Icon::None, session::kAppTitle,
                             refusalText(name));
        return Outcome::Refused;
    }
    const Lines lines = compose(msg, name);
    deliver(chat, lines.publicLine, lines.privateLine, isPrivate, false);
    return Outcome::Done;
}

} // namespace conversation
