#include "tableboard.h"

#include "connectionindex.h"
#include "participantlist.h"
#include "protocol.h"
#include "routes.h"
#include "tablestate.h"
#include "tags.h"

#include <QTimer>

#include <algorithm>

namespace session
{

namespace
{
/// A status text of this file's constants in the reader's language.
QString shown(const QString &source)
{
    return TableBoard::tr(source.toUtf8().constData());
}
} // namespace

TableBoard::TableBoard(TableState &state, Routes &routes, QObject *parent)
    : QObject(parent), m_state(state), m_routes(routes)
{
    // Slices go out as each connection drains; the pace only looks often
    // enough to keep the pipes full.
    m_pace = new QTimer(this);
    m_pace->setInterval(1);
    connect(m_pace, &QTimer::timeout, this, &TableBoard::pump);
    m_stall = new QTimer(this);
    m_stall->setInterval(500);
    connect(m_stall, &QTimer::timeout, this, &TableBoard::checkStalls);
}

QString TableBoard::refusedText(const QString &from, const QString &why)
{
    return tr("Immagine condivisa da %1 rifiutata: %2").arg(from, why);
}

void TableBoard::status(const QString &text) const
{
    m_state.status(text);
}

QString TableBoard::nameOf(qint16 origin) const
{
    return origin == kHostIndex ? m_state.myName : m_state.people->sConnectionName(origin);
}

QString TableBoard::sharerOf(qint16 origin, const QString &announced) const
{
    if (isClientIndex(origin) && m_state.host) {
        if (const QString name = nameOf(origin); !name.isEmpty())
            return name;
    }
    if (!announced.trimmed().isEmpty())
        return announced;
    return isClientIndex(origin) ? tr("la connessione %1").arg(origin) : nameOf(origin);
}

void TableBoard::connectionGone(qint16 index)
{
    m_incoming.erase(index);
    if (m_incoming.empty())
        m_stall->stop();
}

bool TableBoard::clearForAll()
{
    if (!m_state.host && m_state.clientConnected() && m_hostSays) {
        status(shown(kHostOnly));
        return false;
    }
    // Sent first, as the drawing tools send it; the host keeps the board it
    // forgets, to bring it back on request.
    m_routes.broadcast(tag::Pulisci);
    boardCleared();
    if (BoardSink *board = m_state.board)
        board->clearBoard();
    if (m_state.host)
        announceClear(kHostIndex);
    return true;
}

bool TableBoard::clearHostOnly() const
{
    return m_state.host ? m_ownChoice : m_hostSays;
}

bool TableBoard::admitClear(qint16 origin)
{
    if (!m_ownChoice)
        return true;
    m_routes.send(origin, tag::PuliziaRifiutata);
    m_routes.send(origin, tag::SoloHost + QStringLiteral("1"));
    // The client cleared its own board before sending: it gets the board back.
    m_routes.replay(origin, false);
    status(nameOf(origin) + shown(kClearTried));
    return false;
}

void TableBoard::announceClear(qint16 origin)
{
    const QString name = nameOf(origin);
    // The originator too: everyone's status box says who it was.
    m_routes.sendToAll(tag::PulitaDa + name, kNoException);
    status(name + shown(kClearedBy));
}

void TableBoard::keepCleared(const BoardHistory &history)
{
    // The shared picture goes with the drawing.
    QList<QByteArray> picture = std::exchange(m_pictureLines, {});
    const qsizetype at = std::exchange(m_pictureAt, 0);
    boardCleared();
    // A clear of an empty board leaves the board cleared before it to restore.
    if (history.isEmpty() && picture.isEmpty())
        return;
    m_cleared = history;
    m_clearedPicture = std::move(picture);
    m_clearedPictureAt = at;
    const bool was = m_haveCleared;
    m_haveCleared = true;
    if (!was)
        emit restorableChanged(true);
}

void TableBoard::boardCleared()
{
    // What was on its way belongs to the board that is gone: a picture that
    // finished after the clear would show on some boards and not others.
    m_incoming.clear();
    m_outgoing.clear();
    m_pace->stop();
    m_stall->stop();
}

void TableBoard::reset()
{
    const bool was = m_haveCleared;
    m_cleared.reset();
    m_clearedPicture.clear();
    m_clearedPictureAt = 0;
    m_haveCleared = false;
    m_pictureLines.clear();
    m_pictureAt = 0;
    boardCleared();
    if (was)
        emit restorableChanged(false);
    // A client learns its host's setting anew; a host keeps its own choice.
    if (m_hostSays) {
        m_hostSays = false;
        if (!m_state.host)
            emit clearHostOnlyChanged(false);
    }
}

bool TableBoard::canRestore() const
{
    return m_state.host && m_haveCleared;
}

bool TableBoard::restore()
{
    if (!canRestore())
        return false;
    // The cleared board first, then what was drawn since, as it happened.
    BoardHistory merged = m_cleared;
    merged.setLimit(m_state.history.limit());
    // A picture shared since the clear stays, in its place after the cleared
    // board; otherwise the old one returns to where it was.
    if (!m_pictureLines.isEmpty()) {
        m_pictureAt += merged.size();
    } else {
        m_pictureLines = m_clearedPicture;
        m_pictureAt = m_clearedPictureAt;
    }
    for (const QByteArray &line : BoardHistory::linesOf(m_state.history.blocks()))
        merged.record(decodeText(QByteArrayView(line).chopped(2)), line);
    m_pictureAt = std::min(m_pictureAt, merged.size());
    m_state.history = merged;
    m_cleared.reset();
    m_clearedPicture.clear();
    m_clearedPictureAt = 0;
    m_haveCleared = false;
    emit restorableChanged(false);

    const QString name = m_state.myName;
    m_routes.sendToAll(tag::Ripristinata + name, kNoException);
    m_routes.sendToAll(tag::Pulisci, kNoException);
    // A newcomer still being sent the board it had before gets this one
    // after the clear, instead of the rest of that one.
    for (qint16 i = 1; i <= m_state.relay->count() && i > 0; ++i) {
        if (!m_state.people->sConnectionName(i).isEmpty())
            m_routes.replay(i, true);
    }
    if (BoardSink *board = m_state.board)
        board->clearBoard();
    const QList<QByteArray> lines = stateLines();
    drawLocally(lines);
    status(name + shown(kRestoredBy));
    emit boardRestored(lines);
    return true;
}

void TableBoard::setClearHostOnly(bool on)
{
    if (!m_state.host || on == m_ownChoice)
        return;
    m_ownChoice = on;
    m_routes.sendToAll(tag::SoloHost + (on ? QStringLiteral("1") : QStringLiteral("0")), kNoException);
    emit clearHostOnlyChanged(on);
}

void TableBoard::welcome(qint16 index)
{
    // Off is what a client assumes: only a change from it is worth a line.
    if (m_ownChoice)
        m_routes.send(index, tag::SoloHost + QStringLiteral("1"));
}

QList<QByteArray> TableBoard::replayBlocks() const
{
    return m_state.history.blocksWith(m_pictureAt, m_pictureLines);
}

QList<QByteArray> TableBoard::stateLines() const
{
    return BoardHistory::linesOf(replayBlocks());
}

void TableBoard::feedStateLines(const QList<QByteArray> &lines)
{
    if (!m_state.host)
        return;
    BoardHistory &history = m_state.history;
    QList<QByteArray> kept;
    bool pictureNext = false;
    for (const QByteArray &raw : lines) {
        QByteArray line = raw;
        if (!line.endsWith("\r\n"))
            line += "\r\n";
        const QString message = decodeText(QByteArrayView(line).chopped(2));
        // A clearing in the middle of what is fed would forget what came before.
        if (message.startsWith(tag::Pulisci))
            continue;
        if (message.startsWith(tag::ImmagineParte)) {
            if (!pictureNext)
                continue; // a slice without its start
            m_pictureLines.append(line);
            kept.append(line);
            continue;
        }
        pictureNext = false;
        if (message.startsWith(tag::Immagine)) {
            // A later picture replaces an earlier one, as a later share does,
            // and covers what was drawn before it.
            m_pictureLines = {line};
            m_pictureAt = history.size();
            pictureNext = true;
            kept.append(line);
        } else if (history.record(message, line) != BoardHistory::Outcome::Ignored) {
            kept.append(line);
        }
    }
    drawLocally(kept);
}

void TableBoard::drawLocally(const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines)
        m_routes.drawHere(decodeText(QByteArrayView(line).chopped(2)));
}

bool TableBoard::dispatch(const QString &tag, const QString &params, qint16 origin, bool relay)
{
    if (tag == tag::ImmagineParte) {
        onPicturePart(params, origin, relay);
        return true;
    }
    if (tag == tag::Immagine) {
        onPictureStart(params, origin, relay);
        return true;
    }
    if (tag == tag::Reticolo) {
        onGrid(params, origin, relay);
        return true;
    }
    if (!relay)
        return false;
    // Only a host says these; a client's copy reaching the host is ignored.
    const bool fromHost = !m_state.host && origin == kHostIndex;
    if (tag == tag::PulitaDa) {
        if (fromHost && !params.isEmpty())
            status(params + shown(kClearedBy));
    } else if (tag == tag::Ripristinata) {
        if (fromHost && !params.isEmpty())
            status(params + shown(kRestoredBy));
    } else if (tag == tag::SoloHost) {
        if (fromHost && (params == QLatin1String("0") || params == QLatin1String("1"))) {
            const bool on = params == QLatin1String("1");
            if (on != m_hostSays) {
                m_hostSays = on;
                emit clearHostOnlyChanged(on);
            }
        }
    } else if (tag == tag::PuliziaRifiutata) {
        if (fromHost)
            status(shown(kHostOnly));
    } else {
        return false;
    }
    return true;
}

// --- sharing -------------------------------------------------------------------

QString TableBoard::gridMessage(const GridFields &grid, const QString &from)
{
    return tag::Reticolo + sFormatSend(grid.kind) + sFormatSend(grid.passi1) +
           sFormatSend(grid.passi2) + sFormatSend(double(grid.colour)) + sFormatSend(grid.width) +
           from;
}

QList<qint16> TableBoard::participantsBut(qint16 except) const
{
    QList<qint16> out;
    for (qint16 i = 1; i <= m_state.relay->count() && i > 0; ++i) {
        // Only who introduced itself (a newcomer gets the picture in its
        // replay), and only a program that can show it.
        if (i != except && m_state.relay->isConnected(i) &&
            !m_state.people->sConnectionName(i).isEmpty() && m_state.peers.isTavernix(i))
            out.append(i);
    }
    return out;
}

bool TableBoard::sharePicture(const QByteArray &encoded)
{
    m_why.clear();
    if (encoded.size() > PictureAssembler::kMaxBytes)
        m_why = tr("L'immagine supera i 16 MiB e non può essere condivisa.");
    else if (!PictureAssembler::looksLikePicture(encoded))
        m_why = tr("Si possono condividere solo immagini PNG o JPEG.");
    else if (!m_state.host && !m_state.clientConnected())
        m_why = tr("Nessuna sessione aperta con cui condividere l'immagine.");
    if (!m_why.isEmpty())
        return false;
    if (m_state.host) {
        adoptPicture(encoded, m_state.myName, kNoException);
    } else {
        // One share at a time from here: a newer one replaces what is still going.
        std::erase_if(m_outgoing, [](const Outgoing &o) { return o.target == kHostIndex; });
        queue(kHostIndex, PictureAssembler::encode(++m_nextId, encoded, m_state.myName));
    }
    return true;
}

bool TableBoard::shareGrid(const GridFields &grid)
{
    m_why.clear();
    if (!m_state.host && !m_state.clientConnected()) {
        m_why = tr("Nessuna sessione aperta con cui condividere il reticolo.");
        return false;
    }
    // Kept for newcomers among the drawings, as drawings are.
    m_routes.broadcast(gridMessage(grid, m_state.myName));
    return true;
}

void TableBoard::adoptPicture(const QByteArray &bytes, const QString &from, qint16 except)
{
    m_pictureLines = PictureAssembler::encode(++m_nextId, bytes, from);
    // Over what is drawn so far, under what comes next.
    m_pictureAt = m_state.history.size();
    for (const qint16 target : participantsBut(except))
        queue(target, m_pictureLines);
    emit sharedPictureChanged(m_pictureLines);
}

void TableBoard::queue(qint16 target, const QList<QByteArray> &lines)
{
    std::erase_if(m_outgoing, [target](const Outgoing &o) { return o.target == target; });
    m_outgoing.push_back({target, lines, 0, 0, {}});
    m_outgoing.back().since.start();
    pump();
    if (!m_outgoing.empty())
        m_pace->start();
}

void TableBoard::pump()
{
    for (auto it = m_outgoing.begin(); it != m_outgoing.end();) {
        Outgoing &o = *it;
        const bool host = isClientIndex(o.target);
        const bool open = host ? m_state.relay->isConnected(o.target) : m_state.clientConnected();
        const qint64 allowed = kPaceWindow + kPaceRate * o.since.elapsed() / 1000;
        while (open && o.next < o.lines.size() &&
               m_state.unsentBytes(o.target) < kPaceWindow &&
               o.sent < allowed) {
            const QByteArray &line = o.lines[o.next++];
            o.sent += line.size();
            // The log keeps which slice went, not its bytes.
            const QString text = PictureAssembler::logText(
                decodeText(QByteArrayView(line).first(std::min<qsizetype>(line.size() - 2, 80))));
            if (host)
                m_routes.send(o.target, text, line);
            else
                m_routes.sendToHost(text, line);
        }
        if (!open || o.next >= o.lines.size())
            it = m_outgoing.erase(it);
        else
            ++it;
    }
    if (m_outgoing.empty())
        m_pace->stop();
}

void TableBoard::onPictureStart(const QString &params, qint16 origin, bool relay)
{
    const qint16 key = relay ? origin : kLocalOrigin;
    // A client hears pictures from its host only.
    if (relay && !m_state.host && origin != kHostIndex)
        return;
    const auto announce = PictureAssembler::parseStart(params);
    if (!announce)
        return;
    const QString from = relay ? sharerOf(origin, announce->from) : announce->from;
    // One picture at a time from each sharer: a new one replaces its last.
    m_incoming.erase(key);
    if (incomingBytes() >= kMaxIncomingBytes) {
        status(refusedText(from, tr("troppe immagini in arrivo insieme.")));
        return;
    }
    Incoming &in = m_incoming[key];
    if (in.assembler.start(*announce) == PictureAssembler::Result::Refused) {
        status(refusedText(from, in.assembler.error()));
        m_incoming.erase(key);
        return;
    }
    in.lastSlice.start();
    if (!m_stall->isActive())
        m_stall->start();
}

void TableBoard::onPicturePart(const QString &params, qint16 origin, bool relay)
{
    const qint16 key = relay ? origin : kLocalOrigin;
    auto it = m_incoming.find(key);
    if (it == m_incoming.end())
        return; // a slice of nothing announced, or of a picture already refused
    PictureAssembler &a = it->second.assembler;
    const QString from = relay ? sharerOf(origin, a.announced().from) : a.announced().from;
    switch (a.part(params)) {
    case PictureAssembler::Result::Incomplete:
        it->second.lastSlice.start();
        // Held bytes are what costs: past the bound, the picture whose
        // slice crossed it goes, not one that merely waits.
        if (incomingBytes() > kMaxIncomingBytes) {
            status(refusedText(from, QStringLiteral("troppe immagini in arrivo insieme.")));
            m_incoming.erase(it);
        }
        return;
    case PictureAssembler::Result::Refused:
        status(refusedText(from, a.error()));
        m_incoming.erase(it);
        return;
    case PictureAssembler::Result::Complete:
        break;
    }
    const QByteArray bytes = a.take();
    m_incoming.erase(it);
    pictureComplete(bytes, from, origin, relay);
}

void TableBoard::pictureComplete(const QByteArray &bytes, const QString &from, qint16 origin,
                                 bool relay)
{
    if (relay && m_state.host)
        adoptPicture(bytes, from, origin);
    if (m_sink)
        m_sink->showSharedPicture(bytes, from);
}

void TableBoard::checkStalls()
{
    for (auto it = m_incoming.begin(); it != m_incoming.end();) {
        if (it->second.lastSlice.elapsed() < m_stallMs) {
            ++it;
            continue;
        }
        const QString from = isClientIndex(it->first)
                                 ? sharerOf(it->first, it->second.assembler.announced().from)
                                 : it->second.assembler.announced().from;
        status(refusedText(from, tr("la trasmissione non è stata completata.")));
        it = m_incoming.erase(it);
    }
    if (m_incoming.empty())
        m_stall->stop();
}

void TableBoard::onGrid(const QString &params, qint16 origin, bool relay)
{
    if (relay && !m_state.host && origin != kHostIndex)
        return;
    const auto kind = toInt16(sParam(params, 1));
    const auto p1 = toInt16(sParam(params, 2));
    const auto p2 = toInt16(sParam(params, 3));
    const auto colour = toInt64(sParam(params, 4));
    const auto width = toInt16(sParam(params, 5));
    if (!kind || *kind < 0 || *kind > 3 || !p1 || !p2 || !colour || !width)
        return;
    GridFields grid;
    grid.kind = *kind;
    grid.passi1 = *p1;
    grid.passi2 = *p2;
    grid.colour = qint32(*colour & 0xFFFFFF);
    grid.width = std::clamp<qint16>(*width, 1, 255);
    grid.from = m_state.host && relay ? nameOf(origin) : sLongParam(params, 6);
    if (relay && m_state.host) {
        // Passed on under the name the host knows, and kept for newcomers.
        const QString line = gridMessage(grid, grid.from);
        m_routes.record(line);
        m_routes.sendToAll(line, origin);
    }
    if (m_sink)
        m_sink->showSharedGrid(grid);
}

qint64 TableBoard::incomingBytes() const
{
    qint64 n = 0;
    for (const auto &[k, i] : m_incoming)
        n += i.assembler.received();
    return n;
}

qint64 TableBoard::incomingCapacity() const
{
    qint64 n = 0;
    for (const auto &[k, i] : m_incoming)
        n += i.assembler.capacity();
    return n;
}

qsizetype TableBoard::pendingSlices() const
{
    qsizetype n = 0;
    for (const Outgoing &o : m_outgoing)
        n += o.lines.size() - o.next;
    return n;
}

} // namespace session
