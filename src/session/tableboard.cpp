#include "tableboard.h"

#include "chatsession.h"
#include "dispatcher.h"
#include "participantlist.h"
#include "protocol.h"
#include "tags.h"

namespace session
{

namespace
{

/// The whole lines of @p blocks, each with its CR LF.
QList<QByteArray> linesOf(const QList<QByteArray> &blocks)
{
    QList<QByteArray> lines;
    for (const QByteArray &block : blocks) {
        qsizetype pos = 0;
        for (qsizetype end; (end = block.indexOf("\r\n", pos)) >= 0; pos = end + 2)
            lines.append(block.mid(pos, end + 2 - pos));
    }
    return lines;
}

} // namespace

TableBoard::TableBoard(ChatSession &session) : QObject(&session), m_session(session) {}

void TableBoard::status(const QString &text) const
{
    if (ConversationSink *sink = m_session.conversationSink())
        sink->UpdateStatus(text);
}

QString TableBoard::nameOf(qint16 origin) const
{
    return origin == -1 ? m_session.sMyName() : m_session.participants()->sConnectionName(origin);
}

bool TableBoard::clearForAll()
{
    if (!m_session.bHost() && m_session.isClientConnected() && m_hostSays) {
        status(kHostOnly);
        return false;
    }
    // Sent first, as the drawing tools send it; the host keeps the board it
    // forgets, to bring it back on request.
    m_session.Broadcast(tag::Pulisci);
    if (BoardSink *board = m_session.boardSink())
        board->clearBoard();
    if (m_session.bHost())
        announceClear(-1);
    return true;
}

bool TableBoard::clearHostOnly() const
{
    return m_session.bHost() ? m_ownChoice : m_hostSays;
}

bool TableBoard::admitClear(qint16 origin)
{
    if (!m_ownChoice)
        return true;
    m_session.SendToPerson(tag::PuliziaRifiutata, origin);
    m_session.SendToPerson(tag::SoloHost + QStringLiteral("1"), origin);
    // The client cleared its own board before sending: it gets the board back.
    m_session.startReplay(origin);
    status(nameOf(origin) + kClearTried);
    return false;
}

void TableBoard::announceClear(qint16 origin)
{
    const QString name = nameOf(origin);
    // The originator too: everyone's status box says who it was.
    m_session.SendToAll(tag::PulitaDa + name, false);
    status(name + kClearedBy);
}

void TableBoard::keepCleared(const BoardHistory &history)
{
    // A clear of an empty board leaves the board cleared before it to restore.
    if (history.isEmpty())
        return;
    m_cleared = history;
    const bool was = m_haveCleared;
    m_haveCleared = true;
    if (!was)
        emit restorableChanged(true);
}

void TableBoard::reset()
{
    const bool was = m_haveCleared;
    m_cleared.reset();
    m_haveCleared = false;
    if (was)
        emit restorableChanged(false);
    // A client learns its host's setting anew; a host keeps its own choice.
    if (m_hostSays) {
        m_hostSays = false;
        if (!m_session.bHost())
            emit clearHostOnlyChanged(false);
    }
}

bool TableBoard::canRestore() const
{
    return m_session.bHost() && m_haveCleared;
}

bool TableBoard::restore()
{
    if (!canRestore())
        return false;
    // The cleared board first, then what was drawn since, as it happened.
    BoardHistory merged = m_cleared;
    merged.setLimit(m_session.boardHistory().limit());
    for (const QByteArray &line : linesOf(m_session.boardHistory().blocks()))
        merged.record(decodeText(QByteArrayView(line).chopped(2)), line);
    m_session.history() = merged;
    m_cleared.reset();
    m_haveCleared = false;
    emit restorableChanged(false);

    const QString name = m_session.sMyName();
    m_session.SendToAll(tag::Ripristinata + name, false);
    m_session.SendToAll(tag::Pulisci, false);
    for (qint16 i = 1; i <= m_session.iConnections() && i > 0; ++i) {
        if (!m_session.participants()->sConnectionName(i).isEmpty())
            m_session.startReplay(i);
    }
    if (BoardSink *board = m_session.boardSink())
        board->clearBoard();
    drawLocally(stateLines());
    status(name + kRestoredBy);
    return true;
}

void TableBoard::setClearHostOnly(bool on)
{
    if (!m_session.bHost() || on == m_ownChoice)
        return;
    m_ownChoice = on;
    m_session.SendToAll(tag::SoloHost + (on ? QStringLiteral("1") : QStringLiteral("0")), false);
    emit clearHostOnlyChanged(on);
}

void TableBoard::welcome(qint16 index)
{
    // Off is what a client assumes: only a change from it is worth a line.
    if (m_ownChoice)
        m_session.SendToPerson(tag::SoloHost + QStringLiteral("1"), index);
}

QList<QByteArray> TableBoard::stateLines() const
{
    return linesOf(m_session.boardHistory().blocks());
}

void TableBoard::feedStateLines(const QList<QByteArray> &lines)
{
    if (!m_session.bHost())
        return;
    BoardHistory &history = m_session.history();
    QList<QByteArray> kept;
    for (const QByteArray &raw : lines) {
        QByteArray line = raw;
        if (!line.endsWith("\r\n"))
            line += "\r\n";
        const QString message = decodeText(QByteArrayView(line).chopped(2));
        // A clearing in the middle of what is fed would forget what came before.
        if (message.startsWith(tag::Pulisci))
            continue;
        if (history.record(message, line) != BoardHistory::Outcome::Ignored)
            kept.append(line);
    }
    drawLocally(kept);
}

void TableBoard::drawLocally(const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines)
        m_session.dispatcher().applyLocally(decodeText(QByteArrayView(line).chopped(2)));
}

bool TableBoard::dispatch(const QString &tag, const QString &params, qint16 origin)
{
    // Only a host says these; a client's copy reaching the host is ignored.
    const bool fromHost = !m_session.bHost() && origin == -1;
    if (tag == tag::PulitaDa) {
        if (fromHost && !params.isEmpty())
            status(params + kClearedBy);
    } else if (tag == tag::Ripristinata) {
        if (fromHost && !params.isEmpty())
            status(params + kRestoredBy);
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
            status(kHostOnly);
    } else {
        return false;
    }
    return true;
}

} // namespace session
