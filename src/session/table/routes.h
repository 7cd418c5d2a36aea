#pragma once

#include "protocol.h"

#include <QByteArray>
#include <QString>

namespace session
{

/**
 * @brief How the dispatcher, the table board and the table's dice reach the
 * coordinator: where a line goes (one connection, every client, our host, as
 * the drawing tools send it), the board a client is sent again, what the
 * host keeps of the board for newcomers, a board line drawn here alone, a
 * public line kept without being sent, and what a private table tells the
 * seated inside TLS. ChatSession implements it; nothing else of the
 * coordinator is reached through it.
 *
 * Texts are messages without CR LF. Where a line is given as well it is the
 * text already encoded for the wire, so a broadcast encodes once.
 */
class Routes
{
public:
    /// SendToPerson: @p text on client connection @p to, logged as sent; a
    /// connection that is not connected misses it.
    virtual void send(qint16 to, const QString &text, const QByteArray &line) = 0;
    void send(qint16 to, const QString &text) { send(to, text, encodeLine(text)); }
    /// SendToAllButOriginator: every connected client but @p except
    /// (kNoException leaves nobody out). A public line is kept for newcomers.
    virtual void sendToAll(const QString &text, qint16 except) = 0;
    /// SendToServer: a client's line to its host; false when the client
    /// socket is not connected (nothing is sent or logged).
    virtual bool sendToHost(const QString &text, const QByteArray &line) = 0;
    bool sendToHost(const QString &text) { return sendToHost(text, encodeLine(text)); }
    /// The drawing tools' rule: a host keeps the board line and sends it to
    /// every client, a connected client sends it to its host.
    virtual void broadcast(const QString &text) = 0;
    /// Host: every client is sent the whole participant list.
    virtual void sendPeopleList() = 0;

    /// Host: sends client @p to the board, unless a replay is already
    /// sending it; @p anew sends it after what waits there instead of the
    /// rest of that replay.
    virtual void replay(qint16 to, bool anew) = 0;
    /// Host: keeps a board message it drew or passed on for newcomers, or
    /// forgets the board at a clear.
    virtual void record(const QString &message) = 0;
    /// Acts on one board line on this board only: nothing is logged, passed
    /// on or kept.
    virtual void drawHere(const QString &line) = 0;
    /// Host, at a private table: what newcomer @p to is told inside TLS
    /// only (the seat pass, the others' transfer fingerprints).
    virtual void welcomeToTable(qint16 to) = 0;
    /// Host, at a private table: client @p from said its transfer port's
    /// fingerprint; the others inside TLS hear of it.
    virtual void passOnPrint(qint16 from, const QString &linkText) = 0;
    /// Host: @p line (without its tag), a public conversation line that went
    /// out each participant's own way (a roll), is kept for newcomers and
    /// the session file as one sent to everyone; nothing is sent.
    virtual void keepPublic(const QString &line) = 0;

protected:
    ~Routes() = default;
};

} // namespace session
