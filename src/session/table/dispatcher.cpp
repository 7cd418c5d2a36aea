#include "dispatcher.h"

#include "chatsession.h"
#include "localaddress.h"
#include "namebounds.h"
#include "participantlist.h"
#include "pictureassembler.h"
#include "protocol.h"
#include "recapfilter.h"
#include "seats.h"
#include "tableboard.h"
#include "tabledice.h"
#include "tags.h"
#include "trafficlog.h"

#include <QDateTime>
#include <QSet>
#include <QStringListModel>
#include <QVarLengthArray>

#include <cfenv>
#include <cmath>

namespace session
{

namespace
{

/// 1 for "[Inserisci Testo]", 2..11 for its numbered siblings, else 0.
int textPart(const QString &tag)
{
    static const QString prefix = QStringLiteral("[Inserisci Testo");
    if (!tag.startsWith(prefix))
        return 0;
    const QStringView middle = QStringView(tag).mid(prefix.size(), tag.size() - prefix.size() - 1);
    if (middle.isEmpty())
        return 1;
    if (middle.size() > 2 || middle.startsWith(u'0'))
        return 0;
    const auto number = toInt16(middle);
    return number && *number >= 2 && *number <= 11 ? *number : 0;
}

QString truthText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

Dispatcher::Dispatcher(ChatSession &session) : m_session(session) {}

void Dispatcher::ProcessData(const QString &vsData, qint16 index)
{
    qsizetype pos = 0;
    for (;;) {
        const qsizetype end = vsData.indexOf(QLatin1String("\r\n"), pos);
        if (end < 0)
            break;
        dispatchLine(vsData.mid(pos, end - pos), index);
        pos = end + 2;
    }
}

void Dispatcher::restoreLine(const QString &line)
{
    m_quiet = true;
    dispatchLine(line, -1);
    m_quiet = false;
}

void Dispatcher::dispatchLine(const QString &line, qint16 index)
{
    // A picture's slice is logged by its number: its bytes would fill the log.
    if (!m_quiet)
        m_session.ShowReceivedData(index, PictureAssembler::logText(line));
    act(line, index);
}

void Dispatcher::applyLocally(const QString &line)
{
    // Board lines only: a list or a conversation line has no place here.
    const QString tag = splitTag(line).tag;
    if (tag != tag::Linea && tag != tag::Circonferenza && tag != tag::Colora &&
        tag != tag::TestoColore && !textPart(tag) && tag != tag::Immagine &&
        tag != tag::ImmagineParte && tag != tag::Reticolo)
        return;
    m_localOnly = true;
    act(line, -1);
    m_localOnly = false;
}

bool Dispatcher::relays() const
{
    return m_session.bHost() && !m_localOnly;
}

void Dispatcher::act(const QString &line, qint16 index)
{
    const TaggedLine split = splitTag(line);
    const QString &tag = split.tag;
    const QString &params = split.params;
    if (tag.isEmpty())
        return;

    // What only a host sends to its clients has no business arriving at a
    // host from a client.
    const bool fromClientToHost = m_session.bHost() && index != -1;
    // Recap lines come one after another: anything else from our host ends them.
    if (!m_session.bHost() && !m_localOnly && tag != tag::Riepilogo)
        m_session.recapFilter().finish();

    if (tag == tag::Messaggio) {
        onMessaggio(params, index);
    } else if (tag == tag::Linea || tag == tag::Circonferenza) {
        onDraw(tag, params);
    } else if (tag == tag::Colora) {
        onFill(params);
    } else if (tag == tag::Connessione) {
        onConnessione(params, index);
    } else if (tag == tag::Rename) {
        if (!fromClientToHost)
            onRename(params);
    } else if (tag == tag::CambiaNome) {
        onCambiaNome(params, index);
    } else if (tag == tag::Disconnessione) {
        if (!fromClientToHost)
            onLeft(params, ChatSession::kLostContact);
    } else if (tag == tag::Espulsione) {
        if (!fromClientToHost)
            onLeft(params, QStringLiteral(" è stato espulso dalla chat."));
    } else if (tag == tag::NuovoNome) {
        if (!fromClientToHost)
            m_session.participants()->clearForRefresh();
    } else if (tag == tag::Riordina) {
        if (!fromClientToHost)
            onRiordina(params);
    } else if (tag == tag::Listato) {
        onListatoInviaFile();
    } else if (tag == tag::ComboIP) {
        onComboIP(params, index);
    } else if (tag == tag::NeoConnesso) {
        onNeoConnesso(params, index);
    } else if (tag == tag::Privato) {
        onPrivato(params, index);
    } else if (tag == tag::Pulisci) {
        onPulisci(index);
    } else if (tag == tag::TestoColore) {
        onTextColour(params, index);
    } else if (const int part = textPart(tag)) {
        onTextPart(part, params);
    } else {
        if (!onExtension(tag, params, index))
            m_session.tableBoard()->dispatch(tag, params, index, !m_localOnly);
    }
}

bool Dispatcher::onExtension(const QString &tag, const QString &params, qint16 index)
{
    if (m_session.dice()->onLine(tag, params, index))
        return true;
    if (tag == tag::Tavernix) {
        if (m_session.bHost() && index > 0)
            m_session.noteTavernixPeer(index);
        return true;
    }
    if (tag == tag::Ritorno) {
        // Before its introduction only: a player already seated has no
        // other seat to take back.
        if (m_session.bHost() && index > 0 &&
            m_session.participants()->sConnectionName(index).isEmpty()) {
            if (const qint16 old = m_session.seats().claim(index, params))
                m_session.releaseSeat(old, index);
        }
        return true;
    }
    // The rest only ever comes from our host.
    if (m_session.bHost() || index != -1)
        return tag == tag::LavagnaIntera || tag == tag::Riepilogo || tag == tag::SeiEspulso ||
               tag == tag::Battito || tag == tag::Posto;
    if (tag == tag::LavagnaIntera) {
        if (BoardSink *board = m_session.boardSink())
            board->clearBoard();
    } else if (tag == tag::Riepilogo) {
        RecentTalk::Said said;
        if (!RecentTalk::parse(params, &said))
            return true;
        m_session.recapFilter().recapLine(said);
    } else if (tag == tag::SeiEspulso) {
        m_session.noteExpelled();
    } else if (tag == tag::Battito) {
        m_session.noteHostBeats();
    } else if (tag == tag::Posto) {
        m_session.seats().keep(params);
    } else {
        return false;
    }
    return true;
}

QString Dispatcher::uniqueName(const QString &requested, const ParticipantList &list)
{
    // Equivalent to visiting the list again after every clash: the result is
    // the first candidate that no entry carries. A set keeps it linear.
    // The number goes at the end of the name cut short enough for it, so a
    // name that needed one is no longer than any other.
    const QStringList names = list.names();
    const QSet<QString> taken(names.cbegin(), names.cend());
    const QString base = boundedName(requested);
    QString candidate = base;
    for (int k = 2; taken.contains(candidate); ++k) {
        const QString suffix = QLatin1Char('[') + QString::number(k) + QLatin1Char(']');
        candidate = boundedName(QStringView(base).left(kMaxNameLength - suffix.size())) + suffix;
    }
    return candidate;
}

void Dispatcher::onConnessione(const QString &params, qint16 origin)
{
    if (params.isEmpty())
        return;
    if (!m_session.bHost()) {
        if (ConversationSink *sink = m_session.conversationSink())
            sink->UpdateStatus(boundedName(params) + QStringLiteral(" si è connesso."));
        return;
    }
    ParticipantList *people = m_session.participants();
    // A client joins once; a second introduction would register it twice.
    if (origin < 1 || !people->sConnectionName(origin).isEmpty())
        return;
    const QString name = uniqueName(params, *people);
    if (ConversationSink *sink = m_session.conversationSink())
        sink->UpdateStatus(name + QStringLiteral(" si è connesso."));
    m_session.SendToAll(tag::Connessione + name, false);
    people->AddName(origin, name);
    m_session.SendPeopleList();
    const QSize extent = m_session.boardExtent();
    m_session.SendToPerson(greeting(extent.width(), extent.height()), origin);
    m_session.SendToPerson(tag::Rename + name, origin);
    // Only a Tavernix client knows to bring it back after a lost connection.
    if (m_session.isTavernixPeer(origin))
        m_session.SendToPerson(tag::Posto + m_session.seats().issue(origin), origin);
    // The board as everyone else sees it, before anything else reaches the
    // newcomer; ordinary drawing messages, so any peer draws them.
    m_session.startReplay(origin);
    m_session.tableBoard()->welcome(origin);
    m_session.dice()->welcome(origin);
}

void Dispatcher::onRename(const QString &params)
{
    if (params.isEmpty())
        return;
    const QString name = boundedName(params);
    m_session.adoptName(name);
    m_session.SendToServer(m_session.addressMessage(name));
    m_session.SendToServer(tag::NeoConnesso);
}

void Dispatcher::onCambiaNome(const QString &params, qint16 origin)
{
    if (params.isEmpty())
        return;
    ParticipantList *people = m_session.participants();
    // A client that has not introduced itself yet has no entry to rename.
    if (m_session.bHost() && (origin < 1 || people->sConnectionName(origin).isEmpty()))
        return;
    people->ChangeAddName(origin, boundedName(params));
    m_session.SendPeopleList();
}

void Dispatcher::onLeft(const QString &params, const QString &suffix)
{
    const auto index = toInt16(sParam(params, 1));
    if (!index)
        return;
    ParticipantList *people = m_session.participants();
    if (ConversationSink *sink = m_session.conversationSink())
        sink->UpdateStatus(people->sConnectionName(*index) + suffix);
    people->RemoveName(*index);
}

void Dispatcher::onRiordina(const QString &params)
{
    const auto index = toInt16(sParam(params, 1));
    const QString name = boundedName(sLongParam(params, 2));
    // 0 never names a participant and would pass for an untagged entry.
    if (!index || *index == 0 || name.isEmpty())
        return;
    m_session.participants()->ChangeAddName(*index, name);
}

void Dispatcher::onListatoInviaFile()
{
    m_session.transferRecipients()->setStringList(m_session.participants()->names());
    if (m_session.bHost())
        m_session.SendToAll(tag::Listato, false);
}

void Dispatcher::onComboIP(const QString &received, qint16 origin)
{
    const QString params = boundedAddressEntry(received);
    if (params.isEmpty())
        return;
    // A client adds an entry when it joins and one per rename; one that keeps
    // adding them is flooding every participant's list, and is not heard.
    if (m_session.bHost() && origin > 0 && !m_session.admitAddressEntry(origin))
        return;
    // Row by row rather than resetting the model, so a view keeps its state
    // and a long list is not rebuilt for every entry.
    QStringListModel *combo = m_session.addressList();
    const QStringList entries = combo->stringList();
    for (qsizetype row = entries.size() - 1; row >= 0; --row) {
        if (entries[row] == params)
            combo->removeRows(int(row), 1);
    }
    const int row = combo->rowCount();
    combo->insertRows(row, 1);
    combo->setData(combo->index(row), params);
    if (m_session.bHost())
        m_session.SendToAll(tag::ComboIP + params, false);
}

void Dispatcher::onNeoConnesso(const QString &params, qint16 origin)
{
    QStringListModel *combo = m_session.addressList();
    if (!m_session.bHost()) {
        const QString entry = boundedAddressEntry(params);
        if (entry.isEmpty())
            return;
        const int row = combo->rowCount();
        combo->insertRows(row, 1);
        combo->setData(combo->index(row), entry);
        return;
    }
    // A newcomer asks once, after its name is confirmed. Answering every
    // repeat would let one short line make the host send the whole list.
    if (origin > 0 && !m_session.takeAddressRequest(origin))
        return;
    const QStringList entries = combo->stringList();
    for (const QString &entry : entries)
        m_session.SendToPerson(tag::NeoConnesso + entry, origin);
}

void Dispatcher::onMessaggio(const QString &params, qint16 origin)
{
    if (!m_session.bHost())
        m_session.recapFilter().heard(params);
    if (ConversationSink *sink = m_session.conversationSink())
        sink->UpdateDialog(params);
    if (m_session.bHost())
        m_session.SendToAllButOriginator(tag::Messaggio + params, origin);
}

void Dispatcher::onPrivato(const QString &params, qint16 origin)
{
    const auto count = toInt16(sParam(params, 1));
    if (!count || *count < 0)
        return;
    // Every target field must be there in full before anything is read, so a
    // huge count costs one comparison, not a loop.
    const qsizetype needed = (qsizetype(*count) + 1) * kFieldWidth;
    if (params.size() < needed)
        return;
    QVarLengthArray<qint16, 16> targets;
    for (int field = 2; field <= *count + 1; ++field) {
        const auto target = toInt16(sParam(params, field));
        if (!target)
            return;
        targets.append(*target);
    }
    const QString text = sLongParam(params, *count + 2);
    const QString message = tag::Messaggio + text;
    const QByteArray line = encodeLine(message);
    // Each participant gets the line once, however often the list names it:
    // a list repeating one target thousands of times must not make the host
    // send and log thousands of copies.
    QSet<qint16> delivered;
    for (const qint16 target : targets) {
        if (delivered.contains(target))
            continue;
        delivered.insert(target);
        if (target == -1) {
            if (ConversationSink *sink = m_session.conversationSink())
                sink->UpdateDialog(text);
        } else if (target != origin) {
            m_session.sendEncoded(message, line, target);
        }
    }
}

void Dispatcher::onPulisci(qint16 origin)
{
    TableBoard *table = m_session.tableBoard();
    // A host that lets only itself clear passes nothing on.
    if (relays() && origin > 0 && !table->admitClear(origin))
        return;
    table->boardCleared();
    if (BoardSink *board = m_session.boardSink())
        board->clearBoard();
    if (relays()) {
        m_session.recordBoard(tag::Pulisci);
        m_session.SendToAllButOriginator(tag::Pulisci, origin);
        table->announceClear(origin);
    }
}

std::optional<qint32> Dispatcher::toColour(QStringView text)
{
    // The board shows 24-bit colours 0x00BBGGRR: whatever a peer puts in the
    // bits above them (a sign, a value past 0xFFFFFF) cannot be shown, so it
    // is dropped and the drawing still happens, as it does on the sender's
    // board. Text that is not a number is still refused.
    const auto colour = toInt64(text);
    if (!colour)
        return std::nullopt;
    return qint32(*colour & 0xFFFFFF);
}

std::optional<DrawFields> Dispatcher::parseDrawFields(const QString &params)
{
    const auto x1 = toFloat(sParam(params, 1));
    const auto y1 = toFloat(sParam(params, 2));
    const auto x2 = toFloat(sParam(params, 3));
    const auto y2 = toFloat(sParam(params, 4));
    const auto colour = toColour(sParam(params, 5));
    if (!x1 || !y1 || !x2 || !y2 || !colour)
        return std::nullopt;
    DrawFields fields;
    fields.x1 = *x1;
    fields.y1 = *y1;
    fields.x2 = *x2;
    fields.y2 = *y2;
    fields.colour = *colour;
    // Pen width and unit may be absent (the joining greeting leaves them
    // out); the board then keeps its own.
    fields.penWidth = toInt16(sParam(params, 6));
    fields.unit = toInt16(sParam(params, 7));
    return fields;
}

QString Dispatcher::greeting(int boardWidth, int boardHeight)
{
    const QString w = sFormatSend(double(boardWidth) + 500);
    const QString h = sFormatSend(double(boardHeight) + 500);
    return tag::Linea + w + h + w + h + QStringLiteral("255");
}

void Dispatcher::onDraw(const QString &tag, const QString &params)
{
    const auto fields = parseDrawFields(params);
    if (!fields)
        return;
    if (BoardSink *board = m_session.boardSink()) {
        if (tag == tag::Linea)
            board->receiveLine(*fields);
        else
            board->receiveCircle(*fields);
    }
    if (relays()) {
        m_session.recordBoard(tag + params);
        m_session.SendToAll(tag + params, false);
    }
}

void Dispatcher::onFill(const QString &params)
{
    const auto x = toFloat(sParam(params, 1));
    const auto y = toFloat(sParam(params, 2));
    const auto colour = toColour(sParam(params, 3));
    if (!x || !y || !colour)
        return;
    if (BoardSink *board = m_session.boardSink())
        board->receiveFill(*x, *y, *colour);
    if (relays()) {
        m_session.recordBoard(tag::Colora + params);
        m_session.SendToAll(tag::Colora + params, false);
    }
}

std::optional<bool> Dispatcher::toTruth(QStringView text)
{
    if (text.compare(u"True", Qt::CaseInsensitive) == 0 ||
        text.compare(u"Vero", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(u"False", Qt::CaseInsensitive) == 0 ||
        text.compare(u"Falso", Qt::CaseInsensitive) == 0)
        return false;
    const auto number = toInt64(text);
    if (!number)
        return std::nullopt;
    return *number != 0;
}

std::optional<qint16> Dispatcher::toAngle(QStringView text)
{
    // Sign, digits, at most one separator, digits; at least one digit.
    qsizetype i = 0;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+'))
        i = 1;
    if (text.size() - i > 40)
        return std::nullopt;
    QString normal = text.left(i).toString();
    int digits = 0;
    bool separator = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            ++digits;
            normal.append(c);
        } else if ((c == u'.' || c == u',') && !separator) {
            separator = true;
            normal.append(QLatin1Char('.'));
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const double value = normal.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    // Half to even, as the receiver's conversion to a whole number does.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

void Dispatcher::onTextPart(int part, const QString &params)
{
    // A value that does not convert leaves the stored one as it was.
    switch (part) {
    case 1:
        m_text.Text = params;
        break;
    case 2:
        if (const auto v = toInt32(params))
            m_text.x = *v;
        break;
    case 3:
        if (const auto v = toInt32(params))
            m_text.Y = *v;
        break;
    case 4:
        if (const auto v = toTruth(params))
            m_text.Underlined = *v;
        break;
    case 5:
        if (const auto v = toTruth(params))
            m_text.Italic = *v;
        break;
    case 6:
        if (const auto v = toTruth(params))
            m_text.Strike = *v;
        break;
    case 7:
        if (const auto v = toInt16(params))
            m_text.Height = *v;
        break;
    case 8:
        if (const auto v = toInt16(params))
            m_text.Width = *v;
        break;
    case 9:
        if (const auto v = toAngle(params))
            m_text.angle = *v;
        break;
    case 10:
        if (const auto v = toInt32(params))
            m_text.FWidth = *v;
        break;
    case 11:
        m_text.FName = params;
        break;
    default:
        break;
    }
}

void Dispatcher::onTextColour(const QString &params, qint16 origin)
{
    const QString field1 = sParam(params, 1);
    const QString field2 = sParam(params, 2);
    const auto palette = toInt16(field1);
    const auto unit = toInt16(field2);
    if (!palette || *palette < 0 || !unit)
        return;
    if (BoardSink *board = m_session.boardSink())
        board->receiveText(m_text, *palette, *unit);
    if (!relays())
        return;
    const QString values[11] = {m_text.Text,
                                QString::number(m_text.x),
                                QString::number(m_text.Y),
                                truthText(m_text.Underlined),
                                truthText(m_text.Italic),
                                truthText(m_text.Strike),
                                QString::number(m_text.Height),
                                QString::number(m_text.Width),
                                QString::number(m_text.angle),
                                QString::number(m_text.FWidth),
                                m_text.FName};
    for (int part = 1; part <= 11; ++part) {
        const QString message = tag::testo(part) + values[part - 1];
        m_session.recordBoard(message);
        m_session.SendToAllButOriginator(message, origin);
    }
    const QString draw = tag::TestoColore + field1 + field2;
    m_session.recordBoard(draw);
    m_session.SendToAllButOriginator(draw, origin);
}

} // namespace session
