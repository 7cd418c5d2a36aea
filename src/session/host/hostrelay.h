#pragma once

#include "connectionindex.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QString>

#include <functional>
#include <memory>

namespace secure
{
class JoinGuard;
}

namespace session
{

/**
 * @brief The host's side of the wire: the listening socket and the table of
 * client connections, what is read from them and what is written to them.
 *
 * It knows nothing of what the lines mean. It accepts connections into the
 * first free element (element i carries connection index i, from 1), takes
 * turns reading them, hands every complete line to the owner, writes lines
 * to one connection or to all, sends a newcomer the board at the pace its
 * socket drains, and keeps every bound: a stranger that never introduces
 * itself, a peer that stops reading, all peers together holding too much,
 * a listener that has run out of descriptors.
 *
 * The window's session and the headless server share it.
 */
class HostRelay : public QObject
{
    Q_OBJECT
public:
    /// What the relay tells its owner; every hook may be left empty.
    struct Hooks {
        /// One complete line from connection @p index, without its CR LF.
        std::function<void(qint16 index, const QByteArray &line)> lineReceived;
        /// Connection @p index is new: whatever was noted of the element's
        /// last connection is stale.
        std::function<void(qint16 index)> accepted;
        /// Connection @p index closed by the peer's doing (or was dropped for
        /// its backlog); its last lines have been handed over already.
        std::function<void(qint16 index)> closed;
        /// @p text went out on connection @p index (for the sent log).
        std::function<void(qint16 index, const QString &text)> sent;
        /// @p text went out on each of @p indexes, in that order (one
        /// broadcast); without it each is reported through sent.
        std::function<void(const QList<qint16> &indexes, const QString &text)> sentToMany;
        /// The whole wire lines @p lines (CR LF included) of a board replay
        /// went out on connection @p index; without it each line is reported
        /// through sent.
        std::function<void(qint16 index, const QByteArray &lines)> sentLines;
        /// Whether connection @p index has introduced itself by now.
        std::function<bool(qint16 index)> introduced;
        /// Connection @p index may now be written to in the form its peer
        /// reads, and is let in: at the accept on a plain-text table; at a
        /// private table once its first byte chose plain text or its TLS
        /// handshake finished, and the door admitted it. Once per connection.
        std::function<void(qint16 index)> ready;
    };

    static constexpr qint64 kDefaultWriteBacklogLimit = 64 * 1024 * 1024;
    static constexpr qint64 kDefaultTotalBacklogLimit = 256LL * 1024 * 1024;
    static constexpr int kDefaultJoinTimeoutMs = 30000;
    /// Strangers that may wait for their introduction at once, at most: a
    /// stranger costs a descriptor and a little memory, and a waiting room
    /// that strangers can fill is a room a player cannot enter. The room is
    /// also kept within half the descriptors the process may open.
    static constexpr int kDefaultMaxPendingJoins = 4096;
    /// While the room is full, the stranger that has waited longest makes
    /// way for a new connection once it has waited this long. A real client
    /// introduces itself 3.2 s after connecting: a younger connection may be
    /// a player, and is never the one sent away.
    static constexpr int kDefaultEvictAfterMs = 5000;
    static constexpr int kDefaultAcceptPauseMs = 1000;
    /// Unsent bytes a newcomer's socket holds while its board is replayed.
    static constexpr qint64 kReplayWindow = 256 * 1024;

    explicit HostRelay(QObject *parent = nullptr);
    ~HostRelay() override;

    void setHooks(Hooks hooks);

    // --- listening ------------------------------------------------------------
    /// Listens on @p port (0: the system chooses) on every address, IPv6 and
    /// IPv4 alike. On failure returns false and error() says why.
    bool listen(quint16 port);
    QAbstractSocket::SocketError error() const;
    bool isListening() const;
    /// The port listened on, else 0.
    quint16 port() const;
    /// Stops listening and closes every connection, as our own close.
    void close();

    // --- the private table -------------------------------------------------------
    /**
     * @brief Serves TLS to every connection whose first byte opens a TLS
     * handshake, with @p configuration (the host's certificate); the others
     * speak the basic protocol in plain text, on the same port. A null
     * configuration serves plain text only.
     */
    void setTls(const QSslConfiguration &configuration);
    /**
     * @brief The door every connection passes: until @p guard admits it, a
     * connection's lines are held or dropped and it hears nothing sent to
     * all; refused, it is told why and closed. Null: everyone is let in.
     */
    void setGuard(secure::JoinGuard *guard);
    bool isEncrypted(qint16 index) const;
    /// Joiners refused so far.
    int refusals() const;

    // --- the table --------------------------------------------------------------
    /// Elements created so far: the highest index in use or free.
    qint16 count() const;
    QAbstractSocket::SocketState state(qint16 index) const;
    bool isConnected(qint16 index) const;
    QHostAddress peerAddress(qint16 index) const;
    /// Milliseconds since connection @p index was accepted; -1 when closed.
    qint64 connectedForMs(qint16 index) const;
    /// Closes connection @p index as our own doing: no close hook runs.
    void closeConnection(qint16 index);

    // --- writing ----------------------------------------------------------------
    /// Writes @p line (@p text encoded, CR LF included) to connection
    /// @p index and reports @p text as sent. A connection that is not
    /// connected misses it; one being sent the board gets it after the board.
    void send(qint16 index, const QString &text, const QByteArray &line);
    /// send() to every connected client in ascending order but @p except.
    void sendToAll(const QString &text, const QByteArray &line, qint16 except = kNoException);
    /// Writes @p line to every connected client ahead of anything still to
    /// come (a board being replayed is dropped): the last words before
    /// close(), which sends what was written.
    void sayLast(const QString &text, const QByteArray &line);
    /// Sends newcomer @p index @p blocks (whole wire lines), paced by its
    /// socket; what is sent to it meanwhile follows the blocks. A replay
    /// already under way stops where it is: what waits behind it goes
    /// first, then @p blocks.
    void startReplay(qint16 index, const QList<QByteArray> &blocks);
    bool isReplaying(qint16 index) const;
    /// The board is cleared: what newcomers have not been sent of it yet
    /// is not sent (the clear, which follows, would wipe it), so a newcomer
    /// that does not read holds no old board.
    void forgetReplayedBoards();
    /// Bytes written to connection @p index and not yet taken by the system,
    /// plus what waits behind its replay; 0 outside the table.
    qint64 unsentBytes(qint16 index) const;

    // --- bounds -----------------------------------------------------------------
    /// Unsent bytes a connection may pile up before it is dropped as if it
    /// had closed: a peer that stops reading must not make us buffer the
    /// whole session for it.
    qint64 writeBacklogLimit() const;
    void setWriteBacklogLimit(qint64 bytes);
    /// Unsent bytes all client connections together may pile up. Past it
    /// the connection with the largest backlog is dropped first, as if it had
    /// closed, then the next largest, until the others fit.
    qint64 totalBacklogLimit() const;
    void setTotalBacklogLimit(qint64 bytes);
    /// The unsent bytes of every client connection not already being dropped.
    qint64 totalUnsentBytes() const;
    /// How long an accepted connection may stay without introducing itself
    /// with "[Connessione]" before it is closed. Applies to later connections.
    int joinTimeoutMs() const;
    void setJoinTimeout(int ms);
    /// Connections that may wait for their introduction at once; further
    /// requests are refused while that many wait.
    int maxPendingJoins() const;
    void setMaxPendingJoins(int count);
    int pendingJoins() const;
    int evictAfterMs() const;
    void setEvictAfter(int ms);
    /// Strangers sent away to make room for a new connection.
    int evictions() const;
    /// When accepting fails (no descriptor left, say), the listener stops
    /// taking requests for this long instead of failing again at once.
    int acceptPauseMs() const;
    void setAcceptPause(int ms);
    /// How many times accepting failed and the listener paused.
    int acceptPauses() const;
    bool acceptPaused() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace session
