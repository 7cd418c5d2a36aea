#include "dispatcher.h"

#include "accesstags.h"
#include "connectionindex.h"
#include "namebounds.h"
#include "participantlist.h"
#include "pictureassembler.h"
#include "protocol.h"
#include "routes.h"
#include "tableboard.h"
#include "tabledice.h"
#include "tablestate.h"
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

Dispatcher::Dispatcher(TableState &state, Routes &routes) : m_state(state), m_routes(routes) {}

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

void Dispatcher::dispatchLine(const QString &line, qint16 index)
{
    // A picture's slice is logged by its number: its bytes would fill the log.
    m_state.received->appendTraffic(index, PictureAssembler::logText(line));
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
    act(line, kHostIndex);
    m_localOnly = false;
}

bool Dispatcher::relays() const
{
    return m_state.host && !m_localOnly;
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
    const bool fromClientToHost = m_state.host && index != kHostIndex;
    // Recap lines come one after another: anything else from our host ends them.
    if (!m_state.host && !m_localOnly && tag != tag::Riepilogo)
        m_state.recap.finish();

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
            onLeft(params, kLostContact);
    } else if (tag == tag::Espulsione) {
        if (!fromClientToHost)
            onLeft(params, QStringLiteral(" è stato espulso dalla chat."));
    } else if (tag == tag::NuovoNome) {
        if (!fromClientToHost)
            m_state.people->clearForRefresh();
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
            m_state.table->dispatch(tag, params, index, !m_localOnly);
    }
}

bool Dispatcher::onExtension(const QString &tag, const QString &params, qint16 index)
{
    if (m_state.dice->onLine(tag, params, index))
        return true;
    if (tag == tag::Tavernix) {
        if (m_state.host && isClientIndex(index))
            m_state.peers.noteTavernix(index);
        return true;
    }
    if (tag == QLatin1String(secure::tag::Impronta)) {
        if (m_state.host && isClientIndex(index))
            m_routes.passOnPrint(index, params);
        return true;
    }
    if (tag == tag::Ritorno) {
        // Before its introduction only: a player already seated has no
        // other seat to take back.
        if (m_state.host && isClientIndex(index) &&
            m_state.people->sConnectionName(index).isEmpty()) {
            if (const qint16 old = m_state.seats.claim(index, params))
                if (m_hooks.seatTaken)
                    m_hooks.seatTaken(old, index);
        }
        return true;
    }
    // The rest only ever comes from our host.
    if (m_state.host || index != kHostIndex)
        return tag == tag::LavagnaIntera || tag == tag::Riepilogo || tag == tag::SeiEspulso ||
               tag == tag::Battito || tag == tag::Posto || tag == tag::Saluto ||
               tag == tag::Ricevuto || tag == tag::Seduto || tag == tag::TavoloChiuso;
    if (tag == tag::LavagnaIntera) {
        if (BoardSink *board = m_state.board)
            board->clearBoard();
    } else if (tag == tag::Riepilogo) {
        RecentTalk::Said said;
        if (!RecentTalk::parse(params, &said))
            return true;
        m_state.recap.recapLine(said);
    } else if (tag == tag::SeiEspulso) {
        if (m_hooks.expelled)
            m_hooks.expelled();
    } else if (tag == tag::Battito) {
        if (m_hooks.hostBeats)
            m_hooks.hostBeats();
    } else if (tag == tag::Posto) {
        m_state.seats.keep(params);
    } else if (tag == tag::Saluto) {
        if (m_hooks.greeted)
            m_hooks.greeted(params);
    } else if (tag == tag::Ricevuto) {
        const auto count = toInt64(sParam(params, 1));
        if (count && *count >= 0 && m_hooks.acknowledged)
            m_hooks.acknowledged(*count);
    } else if (tag == tag::Seduto) {
        if (m_hooks.seated)
            m_hooks.seated();
    } else if (tag == tag::TavoloChiuso) {
        if (m_hooks.tableClosed)
            m_hooks.tableClosed();
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
    if (!m_state.host) {
        if (ConversationSink *sink = m_state.conversation)
            sink->UpdateStatus(boundedName(params) + QStringLiteral(" si è connesso."));
        return;
    }
    ParticipantList *people = m_state.people;
    // A client joins once; a second introduction would register it twice.
    if (!isClientIndex(origin) || !people->sConnectionName(origin).isEmpty())
        return;
    const QString name = uniqueName(params, *people);
    if (ConversationSink *sink = m_state.conversation)
        sink->UpdateStatus(name + QStringLiteral(" si è connesso."));
    m_routes.sendToAll(tag::Connessione + name, kNoException);
    people->AddName(origin, name);
    m_routes.sendPeopleList();
    m_routes.send(origin, greeting(kBoardExtentTwips, kBoardExtentTwips));
    m_routes.send(origin, tag::Rename + name);
    // Only a Tavernix client knows to bring it back after a lost connection.
    const bool tavernix = m_state.peers.isTavernix(origin);
    if (tavernix)
        m_routes.send(origin, tag::Posto + m_state.seats.issue(origin));
    // At a private table, what opens the others' transfer ports and what
    // they show there (inside TLS only).
    m_routes.welcomeToTable(origin);
    // The board as everyone else sees it, before anything else reaches the
    // newcomer; ordinary drawing messages, so any peer draws them. The recent
    // talk waits behind it, in order.
    m_routes.replay(origin, false);
    if (tavernix) {
        for (const QString &message : m_state.talk.messages())
            m_routes.send(origin, message);
    }
    m_state.table->welcome(origin);
    m_state.dice->welcome(origin);
    // Last of the welcome, behind the board and the recap: what the player
    // made while away may go now.
    if (tavernix)
        m_routes.send(origin, tag::Seduto);
}

void Dispatcher::onRename(const QString &params)
{
    if (params.isEmpty())
        return;
    if (m_hooks.named)
        m_hooks.named(boundedName(params));
}

void Dispatcher::onCambiaNome(const QString &params, qint16 origin)
{
    if (params.isEmpty())
        return;
    ParticipantList *people = m_state.people;
    // A client that has not introduced itself yet has no entry to rename.
    if (m_state.host && (!isClientIndex(origin) || people->sConnectionName(origin).isEmpty()))
        return;
    people->ChangeAddName(origin, boundedName(params));
    m_routes.sendPeopleList();
}

void Dispatcher::onLeft(const QString &params, const QString &suffix)
{
    const auto index = toInt16(sParam(params, 1));
    if (!index)
        return;
    ParticipantList *people = m_state.people;
    if (ConversationSink *sink = m_state.conversation)
        sink->UpdateStatus(people->sConnectionName(*index) + suffix);
    people->RemoveName(*index);
}

void Dispatcher::onRiordina(const QString &params)
{
    const auto index = toInt16(sParam(params, 1));
    const QString name = boundedName(sLongParam(params, 2));
    // The listener never names a participant and would pass for an untagged entry.
    if (!index || *index == kListenerIndex || name.isEmpty())
        return;
    m_state.people->ChangeAddName(*index, name);
}

void Dispatcher::onListatoInviaFile()
{
    m_state.recipients->setStringList(m_state.people->names());
    if (m_state.host)
        m_routes.sendToAll(tag::Listato, kNoException);
}

void Dispatcher::onComboIP(const QString &received, qint16 origin)
{
    const QString params = boundedAddressEntry(received);
    if (params.isEmpty())
        return;
    // A client adds an entry when it joins and one per rename; one that keeps
    // adding them is flooding every participant's list, and is not heard.
    if (m_state.host && isClientIndex(origin) && !m_state.peers.admitAddressEntry(origin))
        return;
    // Row by row rather than resetting the model, so a view keeps its state
    // and a long list is not rebuilt for every entry.
    QStringListModel *combo = m_state.combo;
    const QStringList entries = combo->stringList();
    for (qsizetype row = entries.size() - 1; row >= 0; --row) {
        if (entries[row] == params)
            combo->removeRows(int(row), 1);
    }
    const int row = combo->rowCount();
    combo->insertRows(row, 1);
    combo->setData(combo->index(row), params);
    if (m_state.host)
        m_routes.sendToAll(tag::ComboIP + params, kNoException);
}

void Dispatcher::onNeoConnesso(const QString &params, qint16 origin)
{
    QStringListModel *combo = m_state.combo;
    if (!m_state.host) {
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
    if (isClientIndex(origin) && !m_state.peers.takeAddressRequest(origin))
        return;
    const QStringList entries = combo->stringList();
    for (const QString &entry : entries)
        m_routes.send(origin, tag::NeoConnesso + entry);
}

void Dispatcher::onMessaggio(const QString &params, qint16 origin)
{
    if (!m_state.host)
        m_state.recap.heard(params);
    if (ConversationSink *sink = m_state.conversation)
        sink->UpdateDialog(params);
    if (m_state.host)
        m_routes.sendToAll(tag::Messaggio + params, origin);
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
        if (target == kHostIndex) {
            if (ConversationSink *sink = m_state.conversation)
                sink->UpdateDialog(text);
        } else if (target != origin) {
            m_routes.send(target, message, line);
        }
    }
}

void Dispatcher::onPulisci(qint16 origin)
{
    TableBoard *table = m_state.table;
    // A host that lets only itself clear passes nothing on.
    if (relays() && isClientIndex(origin) && !table->admitClear(origin))
        return;
    table->boardCleared();
    if (BoardSink *board = m_state.board)
        board->clearBoard();
    if (relays()) {
        m_routes.record(tag::Pulisci);
        m_routes.sendToAll(tag::Pulisci, origin);
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
    if (BoardSink *board = m_state.board) {
        if (tag == tag::Linea)
            board->receiveLine(*fields);
        else
            board->receiveCircle(*fields);
    }
    if (relays()) {
        m_routes.record(tag + params);
        m_routes.sendToAll(tag + params, kNoException);
    }
}

void Dispatcher::onFill(const QString &params)
{
    const auto x = toFloat(sParam(params, 1));
    const auto y = toFloat(sParam(params, 2));
    const auto colour = toColour(sParam(params, 3));
    if (!x || !y || !colour)
        return;
    if (BoardSink *board = m_state.board)
        board->receiveFill(*x, *y, *colour);
    if (relays()) {
        m_routes.record(tag::Colora + params);
        m_routes.sendToAll(tag::Colora + params, kNoException);
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
    if (BoardSink *board = m_state.board)
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
        m_routes.record(message);
        m_routes.sendToAll(message, origin);
    }
    const QString draw = tag::TestoColore + field1 + field2;
    m_routes.record(draw);
    m_routes.sendToAll(draw, origin);
}

} // namespace session
