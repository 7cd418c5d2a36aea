#include "hostrelay.h"

#include "boardhistory.h"
#include "duallisten.h"
#include "heartbeat.h"
#include "handshakequeue.h"
#include "joingate.h"
#include "lineframer.h"
#include "memoryrelease.h"
#include "protocol.h"
#include "readpacer.h"
#include "writebudget.h"

#include "accesstags.h"
#include "joinguard.h"
#include "tlssettings.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <vector>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace session
{

namespace
{

/// Hands each pending connection's descriptor to the relay, which accepts it
/// into an element of its own choosing.
///
/// An accept that fails for want of descriptors fails again at once for as
/// long as the other connections hold them, so the listener rests a while
/// and then tries again rather than turning in place.
///
/// On Unix the listener accepts by itself: once an accept has found nothing
/// waiting, Qt's socket engine goes on reporting that harmless error for a
/// later accept that fails for want of descriptors, so the server neither
/// pauses nor says so, and the ready listening socket wakes the event loop
/// at every turn.
class Listener : public QTcpServer
{
public:
    explicit Listener(QObject *parent) : QTcpServer(parent)
    {
        m_resume.setSingleShot(true);
        connect(this, &QTcpServer::acceptError, this, [this] { rest(); });
        connect(&m_resume, &QTimer::timeout, this, [this] { resume(); });
    }
    std::function<void(qintptr)> onIncoming;
    /// Frees a descriptor when they run out, if something may be let go;
    /// true when one was.
    std::function<bool()> makeRoom;
    int pauseMs = HostRelay::kDefaultAcceptPauseMs;
    int pauses = 0;
    bool paused() const { return m_resume.isActive(); }

    bool start(quint16 port)
    {
        stop();
        if (!listenDualStack(this, port))
            return false;
#if defined(Q_OS_UNIX)
        pauseAccepting(); // Qt's own accepting stays off: see above
        m_notifier = new QSocketNotifier(socketDescriptor(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { acceptWaiting(); });
#endif
        return true;
    }
    void stop()
    {
        delete m_notifier;
        m_notifier = nullptr;
        m_resume.stop();
        close();
    }

protected:
    void incomingConnection(qintptr descriptor) override { onIncoming(descriptor); }

private:
    /// Takes in what waits, a bounded number per turn so that a flood of
    /// requests leaves the event loop its turns too.
    void acceptWaiting()
    {
#if defined(Q_OS_UNIX)
        for (int taken = 0; taken < kAcceptsPerTurn; ++taken) {
            const int descriptor = ::accept4(int(socketDescriptor()), nullptr, nullptr, SOCK_CLOEXEC);
            if (descriptor >= 0) {
                // A request whose peer has already gone (a closed flood
                // leaves hundreds behind) would hold a descriptor until the
                // next turn: it goes at once.
                char probe;
                const ssize_t peeked = ::recv(descriptor, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
                if (peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK))
                    ::close(descriptor);
                else
                    onIncoming(descriptor);
                continue;
            }
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            // No descriptor (or memory) left: a stranger that has waited
            // long enough makes way, or the listener rests.
            if (!makeRoom || !makeRoom()) {
                rest();
                return;
            }
        }
#endif
    }
    void rest()
    {
        if (m_notifier)
            m_notifier->setEnabled(false);
        else
            pauseAccepting();
        ++pauses;
        m_resume.start(pauseMs);
    }
    void resume()
    {
        if (!isListening())
            return;
        if (m_notifier) {
            m_notifier->setEnabled(true);
            acceptWaiting();
        } else {
            resumeAccepting();
        }
    }

    static constexpr int kAcceptsPerTurn = 256;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_resume;
};

/// The descriptors this process may open, after raising the soft limit to
/// the hard one (a desktop session often starts programs at 1024 while
/// allowing far more); -1 when unknown.
qint64 raisedDescriptorLimit()
{
#if defined(Q_OS_UNIX)
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    constexpr rlim_t enough = 65536;
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? enough : qMin(limit.rlim_max, enough);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        rlimit raised = limit;
        raised.rlim_cur = wanted;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? qint64(enough) : qint64(limit.rlim_cur);
#else
    return -1;
#endif
}

/// Pending connections the system keeps for us between two accepts. A
/// burst of strangers must not leave a player's connection waiting for a
/// second try of its handshake.
constexpr int kListenBacklog = 1024;

/// What one turn of a connection frames at most, and what it acts on: at
/// most so many lines, and no further line once so many bytes of lines were
/// acted on. A fast sender or a long line waits for the others' turns.
constexpr qint64 kReadSlice = 32 * 1024;
constexpr int kLinesPerSlice = 256;
constexpr qint64 kActSlice = 16 * 1024;
/// Bytes of a connection's outbox kept allocated from one turn to the next.
constexpr qsizetype kKeptOutbox = 16 * 1024;
/// A TLS handshake not done this long after it started is let go: a peer
/// that trickles its hello would otherwise hold a place for minutes. A real
/// one takes two round trips.
constexpr int kHandshakeTimeoutMs = 5000;
/// A refused joiner has this long to read why before its connection is cut.
constexpr int kRefusalGraceMs = 2000;
/// Received bytes a connection holds before the sender must wait for us.
constexpr qint64 kReadBufferSize = 64 * 1024;

} // namespace

struct HostRelay::Private {
    /// Bytes written behind newcomers' replays, kept once however many
    /// newcomers wait for them.
    struct Chunk {
        QByteArray bytes;
    };
    /// A run of whole lines of one chunk, all drawings or all not.
    struct Piece {
        std::shared_ptr<Chunk> chunk;
        qsizetype begin = 0;
        qsizetype end = 0;
        bool board = false; ///< lines a clear makes moot
        qsizetype size() const { return end - begin; }
    };
    struct Element {
        /// Starts in plain text; becomes TLS when the peer's first byte says so.
        QSslSocket *socket = nullptr;
        /// What the peer speaks: not known until its first byte.
        enum class Speech { Unknown, Plain, Tls } speech = Speech::Unknown;
        /// A TLS peer's handshake waits for its turn until it is started.
        bool handshakeStarted = false;
        LineFramer framer;
        bool closingByUs = false;   ///< our own close is not a close event
        quint64 generation = 0;     ///< counts the connections this element carried
        bool dropping = false;      ///< over a backlog bound: its abort is on its way
        bool unflushed = false;     ///< written to since the last flush
        bool live = false;          ///< connected, as far as we have heard
        bool toldReady = false;     ///< the ready hook ran for this connection
        /// Lines written since the last flush: handed to the system in one
        /// call when the turn is over, past the socket's own buffer, whose
        /// write notifier would otherwise be switched on and off per turn
        /// for every connection.
        QByteArray outbox;
        qint64 socketBacklog = 0;   ///< the socket's own unsent bytes at the last count
        QList<QByteArray> ready;    ///< framed lines not yet acted on
        qsizetype readyNext = 0;    ///< the first of them still to act on
        QElapsedTimer since;        ///< from the accept

        /// A newcomer being sent the board: the history as it was when its
        /// name was confirmed, then whatever was sent to it since, in order.
        struct Replay {
            bool active = false;
            QList<QByteArray> blocks; ///< shared with the history, never changed
            qsizetype nextBlock = 0;
            /// What was sent to it meanwhile, in order, as pieces of the
            /// relay's shared chunks: newcomers that do not read hold one
            /// copy of a broadcast between them, not one each.
            std::deque<Piece> queued;
            qint64 queuedBytes = 0;
        } replay;
    };

    explicit Private(HostRelay *relay) : q(relay) {}

    HostRelay *q;
    Hooks hooks;
    secure::JoinGuard *guard = nullptr;
    QSslConfiguration tls; ///< null: every connection is plain text
    int refusals = 0;
    /// The chunk lines behind replays go into, and where the last line put
    /// there lies, so the same broadcast to the next newcomer refers to it.
    std::shared_ptr<Chunk> tail;
    qsizetype lastBegin = 0;
    qsizetype lastEnd = 0;
    static constexpr qsizetype kChunkBytes = 256 * 1024;
    Listener *server = nullptr;
    /// Element i is elements[i - 1]. Created on demand, kept for the relay's life.
    std::vector<std::unique_ptr<Element>> elements;
    qint64 backlogLimit = kDefaultWriteBacklogLimit;
    WriteBudget budget;
    ReadPacer *pacer = nullptr;
    JoinGate *gate = nullptr;
    HandshakeQueue handshakes;
    QTimer *handshakeTimer = nullptr; ///< the next stranger's turn, when the rate holds it back
    QElapsedTimer clock;              ///< the handshake queue's time
    int maxPending = kDefaultMaxPendingJoins; ///< as configured; the gate may hold fewer
    int evictAfterMs = kDefaultEvictAfterMs;
    int evictions = 0;
    QTimer *trimTimer = nullptr; ///< gives freed memory back, once per burst of closes
    /// The socket writes one buffered block per event-loop turn by itself,
    /// often a single line: far slower than a busy host writes. Elements
    /// written to are flushed once per turn instead.
    QTimer *flushTimer = nullptr;
    std::vector<qint16> unflushed;

    Element *element(qint16 index) const
    {
        if (index < 1 || index > qint16(elements.size()))
            return nullptr;
        return elements[size_t(index - 1)].get();
    }

    void reportSent(qint16 index, const QString &text)
    {
        if (hooks.sent)
            hooks.sent(index, text);
    }

    /// Unsent bytes of element @p e: the socket's and those of the turn.
    static qint64 unsent(const Element *e)
    {
        return e->socketBacklog + e->outbox.size() + e->replay.queuedBytes;
    }

    /// Queues @p line behind element @p e's replay, sharing the bytes with
    /// the newcomers the same line was queued for just before.
    void queueBehindReplay(Element *e, const QByteArray &line)
    {
        const bool sameAsLast =
            tail && lastEnd - lastBegin == line.size() &&
            std::memcmp(tail->bytes.constData() + lastBegin, line.constData(), size_t(line.size())) == 0;
        if (!sameAsLast) {
            if (!tail || tail->bytes.size() + line.size() > kChunkBytes) {
                tail = std::make_shared<Chunk>();
                tail->bytes.reserve(qMax(kChunkBytes, line.size()));
            }
            lastBegin = tail->bytes.size();
            tail->bytes += line;
            lastEnd = tail->bytes.size();
        }
        const bool board = BoardHistory::isBoardLine(line);
        auto &queue = e->replay.queued;
        if (!queue.empty() && queue.back().chunk == tail && queue.back().end == lastBegin &&
            queue.back().board == board)
            queue.back().end = lastEnd;
        else
            queue.push_back({tail, lastBegin, lastEnd, board});
        e->replay.queuedBytes += line.size();
    }

    enum class Sent { Written, Queued, Missed };
    /// Writes @p line to connection @p index without reporting it.
    Sent put(qint16 index, const QByteArray &line)
    {
        Element *e = element(index);
        // A participant whose connection has just closed misses the message,
        // and so does one that cannot read it yet: a TLS peer whose handshake
        // waits its turn would take a plain line for a broken hello, and a
        // stranger hears nothing of the table before the door lets it in.
        if (!e || !e->live || !e->toldReady)
            return Sent::Missed;
        if (e->replay.active) {
            // Behind the board it is being sent, in order. What waits here
            // counts against the same limit as the socket's own backlog.
            if (unsent(e) + line.size() > backlogLimit) {
                drop(index);
                return Sent::Missed;
            }
            queueBehindReplay(e, line);
            budget.set(index, unsent(e));
            shedOverflow();
            return Sent::Queued;
        }
        // A peer already over its backlog is being dropped; writing more
        // would only grow the buffer until the drop runs.
        if (e->dropping || unsent(e) > backlogLimit)
            return Sent::Missed;
        e->outbox += line;
        budget.set(index, unsent(e));
        noteWritten(index, e);
        if (unsent(e) > backlogLimit)
            drop(index);
        shedOverflow();
        return Sent::Written;
    }

    /// Hands element @p e's outbox to the system, and what it does not take
    /// to the socket, behind anything the socket still holds.
    void flushOutbox(Element *e)
    {
        if (e->outbox.isEmpty())
            return;
        qsizetype taken = 0;
#if defined(Q_OS_UNIX)
        if (e->speech != Element::Speech::Tls && e->socket->bytesToWrite() == 0) {
            const ssize_t n = ::send(int(e->socket->socketDescriptor()), e->outbox.constData(),
                                     size_t(e->outbox.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
            // Any other failure is the socket's to find and report: it gets
            // the bytes and meets the same error.
            if (n > 0)
                taken = qsizetype(n);
        }
#endif
        if (taken < e->outbox.size())
            e->socket->write(taken == 0 ? e->outbox : e->outbox.sliced(taken));
        // A turn's worth is kept allocated for the next turn; a burst's is not.
        if (e->outbox.capacity() > kKeptOutbox)
            e->outbox.clear();
        else
            e->outbox.resize(0);
    }

    void closeElement(qint16 index)
    {
        Element *e = element(index);
        if (!e)
            return;
        // Before the flush, whose bytesWritten would send more of the board.
        e->replay = {};
        e->closingByUs = true;
        e->live = false;
        if (!e->dropping)
            flushOutbox(e);
        e->outbox.clear();
        e->socketBacklog = 0;
        e->socket->flush();
        e->socket->abort();
        e->closingByUs = false;
        e->framer.reset();
        e->ready.clear();
        e->readyNext = 0;
        gate->settle(index);
        if (handshakes.runningCount() + handshakes.waitingCount() > 0) {
            handshakes.finished(index);
            if (!handshakeTimer->isActive())
                handshakeTimer->start(0); // its place goes to the next, once this turn is over
        }
        if (guard)
            guard->closed(index);
        budget.set(index, 0);
        // What the connection had buffered is freed now; a burst of leaves
        // gives it back to the system once.
        if (!trimTimer->isActive())
            trimTimer->start();
    }

    /// Everything element @p index has received (it is closing).
    void readElement(qint16 index)
    {
        while (readSlice(index)) {
        }
    }
    /// One turn of element @p index: frames at most one slice of its input
    /// and acts on at most a slice of lines. True when more is waiting.
    bool readSlice(qint16 index)
    {
        Element *e = element(index);
        if (!e)
            return false;
        if (e->speech == Element::Speech::Unknown && !sortPeer(index, e))
            return false;
        // Its hello stays unread until its handshake's turn comes.
        if (e->speech == Element::Speech::Tls && !e->handshakeStarted)
            return false;
        if (e->readyNext >= e->ready.size()) {
            e->ready.clear();
            e->readyNext = 0;
            if (e->socket->bytesAvailable() <= 0)
                return false;
            e->ready = e->framer.feed(e->socket->read(kReadSlice));
        }
        qint64 bytes = 0;
        // Acting on a line may close this very element, which empties ready.
        for (int n = 0; n < kLinesPerSlice && bytes < kActSlice && e->readyNext < e->ready.size();
             ++n) {
            const QByteArray line = e->ready.at(e->readyNext++);
            bytes += line.size();
            // A stranger's lines wait at the door until it is let in.
            if (guard && guard->line(index, line) != secure::JoinGuard::Fate::Deliver)
                continue;
            if (hooks.lineReceived)
                hooks.lineReceived(index, line);
        }
        if (gate->isWaiting(index) && hooks.introduced && hooks.introduced(index))
            seated(index);
        return e->readyNext < e->ready.size() || e->socket->bytesAvailable() > 0;
    }

    void onElementClosed(qint16 index)
    {
        Element *e = element(index);
        if (!e || e->closingByUs)
            return;
        e->live = false;
        readElement(index); // what it said last, framed or not yet, still counts
        closeElement(index);
        if (hooks.closed)
            hooks.closed(index);
    }

    QSslSocket *newElementSocket(qint16 index)
    {
        auto *socket = new QSslSocket(q);
        socket->setReadBufferSize(kReadBufferSize);
        QObject::connect(socket, &QTcpSocket::readyRead, q, [this, index] { pacer->wake(index); });
        QObject::connect(socket, &QTcpSocket::bytesWritten, q, [this, index] { countUnsent(index); });
        QObject::connect(socket, &QTcpSocket::disconnected, q,
                         [this, index] { onElementClosed(index); });
        QObject::connect(socket, &QTcpSocket::bytesWritten, q,
                         [this, index] { pumpReplay(index); });
        // Encrypted bytes leave the socket after the plain ones were taken:
        // the backlog and the replay follow what the system has taken.
        QObject::connect(socket, &QSslSocket::encryptedBytesWritten, q, [this, index] {
            countUnsent(index);
            pumpReplay(index);
        });
        QObject::connect(socket, &QSslSocket::encrypted, q, [this, index] {
            if (guard)
                guard->setEncrypted(index);
            handshakes.finished(index);
            pumpHandshakes();
            tellReady(index);
        });
        return socket;
    }

    /// Refuses the request behind @p descriptor.
    static void refuse(qintptr descriptor)
    {
#if defined(Q_OS_UNIX)
        ::close(int(descriptor));
#else
        QTcpSocket refused;
        if (refused.setSocketDescriptor(descriptor))
            refused.abort();
#endif
    }

    /// The waiting room: as configured, within half the descriptors left
    /// after a reserve for players, files and the program itself.
    void sizeWaitingRoom()
    {
        const qint64 limit = raisedDescriptorLimit();
        int room = maxPending;
        if (limit > 0)
            room = int(qMin<qint64>(room, qMax<qint64>(8, (limit - 64) / 2)));
        gate->setCapacity(room);
    }

    void onIncoming(qintptr descriptor)
    {
        if (gate->full()) {
            // The stranger that has waited longest goes, unless even it is
            // young enough to be a player about to introduce itself.
            if (!gate->evictOldest(evictAfterMs)) {
                refuse(descriptor);
                return;
            }
            ++evictions;
        }
        qint16 chosen = 0;
        for (qsizetype i = 1; i <= qsizetype(elements.size()); ++i) {
            if (elements[size_t(i - 1)]->socket->state() == QAbstractSocket::UnconnectedState) {
                chosen = qint16(i);
                break;
            }
        }
        if (chosen == 0) {
            if (elements.size() >= size_t(std::numeric_limits<qint16>::max())) {
                refuse(descriptor); // no index left
                return;
            }
            chosen = qint16(elements.size() + 1);
            auto e = std::make_unique<Element>();
            e->socket = newElementSocket(chosen);
            elements.push_back(std::move(e));
        }
        Element *e = element(chosen);
        e->framer.reset();
        ++e->generation;
        e->dropping = false;
        e->ready.clear();
        e->readyNext = 0;
        e->replay = {};
        e->outbox.clear();
        e->socketBacklog = 0;
        e->toldReady = false;
        e->handshakeStarted = false;
        if (!tls.isNull() && e->generation > 1) {
            // A socket that carried a TLS connection keeps its TLS state
            // past its close: each connection gets a fresh one.
            QObject::disconnect(e->socket, nullptr, q, nullptr);
            e->socket->deleteLater();
            e->socket = newElementSocket(chosen);
        }
        e->speech = tls.isNull() ? Element::Speech::Plain : Element::Speech::Unknown;
        if (!e->socket->setSocketDescriptor(descriptor)) {
            // Not taken by the socket, so still ours: closed, and never
            // admitted as a connection that could hold a seat.
            e->live = false;
            refuse(descriptor);
            return;
        }
        e->live = true;
        // Writes already go out once per event-loop turn, gathered; holding
        // the next one back until the peer acknowledges the last (Nagle) only
        // adds the peer's delayed acknowledgement to every line of a burst.
        e->socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // A client gone without a word (switched off, network dropped) is
        // let go within a minute, not a quarter of an hour.
        Heartbeat::enableKeepAlive(e->socket);
        e->since.start();
        budget.set(chosen, 0);
        gate->admit(chosen);
        if (hooks.accepted)
            hooks.accepted(chosen);
        if (guard && e->live)
            guard->accepted(chosen, e->socket->peerAddress());
        tellReady(chosen);
    }

    /// Runs the ready hook once the connection can read what we write (a
    /// plain line before a TLS client's handshake would garble it) and the
    /// door has let it in (a stranger hears nothing of the table).
    void tellReady(qint16 index)
    {
        Element *e = element(index);
        if (!e || !e->live || e->toldReady || e->speech == Element::Speech::Unknown)
            return;
        if (e->speech == Element::Speech::Tls && !e->socket->isEncrypted())
            return;
        if (guard && !guard->isAdmitted(index))
            return;
        e->toldReady = true;
        if (hooks.ready)
            hooks.ready(index);
    }

    /// Bytes a socket holds that the system has not taken, encrypted or not.
    static qint64 pending(const QSslSocket *socket)
    {
        return socket->bytesToWrite() + socket->encryptedBytesToWrite();
    }

    /**
     * Looks at the first byte a new connection sent: a TLS handshake starts
     * encryption on the same connection, anything else is the basic
     * protocol's first line. False while nothing has come, or while the
     * handshake runs (its lines come later, decrypted).
     */
    bool sortPeer(qint16 index, Element *e)
    {
        char first = 0;
        if (e->socket->peek(&first, 1) != 1)
            return false;
        if (!secure::TlsSettings::startsLikeTls(QByteArray(1, first))) {
            e->speech = Element::Speech::Plain;
            tellReady(index);
            return true;
        }
        e->speech = Element::Speech::Tls;
        if (handshakes.request(index, e->socket->peerAddress(), clock.elapsed()))
            startHandshake(index, e);
        else
            pumpHandshakes();
        return false;
    }

    /// Connection @p index introduced itself and sits at the table now.
    void seated(qint16 index)
    {
        gate->settle(index);
        if (Element *e = element(index))
            handshakes.noteSeated(e->socket->peerAddress(), clock.elapsed());
    }

    void startHandshake(qint16 index, Element *e)
    {
        e->handshakeStarted = true;
        e->socket->setSslConfiguration(tls);
        e->socket->startServerEncryption();
        const quint64 generation = e->generation;
        QTimer::singleShot(kHandshakeTimeoutMs, q, [this, index, generation] {
            Element *still = element(index);
            if (still && still->generation == generation && still->live && !still->socket->isEncrypted())
                closeElement(index);
        });
    }

    /// Starts the strangers' handshakes whose turn has come; the timer
    /// wakes us when the rate lets the next one go.
    void pumpHandshakes()
    {
        const qint64 now = clock.elapsed();
        while (const auto index = handshakes.take(now)) {
            Element *e = element(*index);
            if (e && e->live && !e->handshakeStarted)
                startHandshake(*index, e);
            else
                handshakes.finished(*index);
        }
        const qint64 wait = handshakes.waitMs(now);
        if (wait >= 0)
            handshakeTimer->start(int(qMin<qint64>(wait, 1000)));
    }

    /// Tells a refused joiner why, in the form it reads, and closes it.
    void refuseJoiner(qint16 index, const QString &code, bool tavernix)
    {
        Element *e = element(index);
        if (!e || !e->live)
            return;
        const QByteArray line = tavernix && e->speech == Element::Speech::Tls
                                    ? QByteArray(secure::tag::Rifiuto) + code.toLatin1()
                                    : secure::JoinGuard::plainRefusalLine(code);
        // Nothing else was written to a stranger (see tellReady), so this goes out alone;
        // the connection then ends in good order, so the reason is read
        // before the close (an abort could reset it away). What the joiner
        // still sends is dropped at the door; one that never closes its end
        // is cut off shortly.
        e->outbox += line + "\r\n";
        flushOutbox(e);
        e->socket->flush();
        e->socket->disconnectFromHost();
        const quint64 generation = e->generation;
        QTimer::singleShot(kRefusalGraceMs, q, [this, index, generation] {
            Element *still = element(index);
            if (still && still->generation == generation && still->live)
                closeElement(index);
        });
        ++refusals;
    }

    void noteWritten(qint16 index, Element *e)
    {
        if (!e->unflushed) {
            e->unflushed = true;
            unflushed.push_back(index);
        }
        if (!flushTimer->isActive())
            flushTimer->start();
    }
    /// Hands the kernel what it takes of every element written to.
    void flushWritten()
    {
        std::vector<qint16> due;
        due.swap(unflushed);
        for (const qint16 index : due) {
            Element *e = element(index);
            if (!e)
                continue;
            e->unflushed = false;
            if (e->socket->state() == QAbstractSocket::ConnectedState && !e->dropping) {
                flushOutbox(e);
                countUnsent(index);
                dropIfBacklogged(index);
            } else if (e->socket->state() != QAbstractSocket::ConnectedState) {
                e->outbox.clear();
            }
        }
    }

    /**
     * Writes the next pieces of a newcomer's replay while its socket holds
     * less than kReplayWindow unsent bytes: the board goes out as fast as
     * the newcomer reads it, the socket's backlog stays small, and every
     * other connection is served between pieces. Each message is reported as
     * sent when it is handed to the socket.
     */
    void pumpReplay(qint16 index)
    {
        writeReplay(index);
        countUnsent(index); // what went out counts against the total bound
    }
    void writeReplay(qint16 index)
    {
        Element *e = element(index);
        if (!e || !e->replay.active)
            return;
        auto &r = e->replay;
        QSslSocket *socket = e->socket;
        if (socket->state() != QAbstractSocket::ConnectedState || e->dropping) {
            r = {};
            return;
        }
        while (pending(socket) < kReplayWindow) {
            if (r.nextBlock < r.blocks.size()) {
                const QByteArray block = r.blocks[r.nextBlock++];
                if (socket->write(block) < 0) {
                    r = {};
                    return;
                }
                reportBlock(index, block);
            } else if (!r.queued.empty()) {
                // The board is out: what waited behind it follows, at the
                // same pace, and then the replay is over.
                const Piece piece = r.queued.front();
                r.queued.pop_front();
                r.queuedBytes -= piece.size();
                const QByteArray bytes = piece.chunk->bytes.sliced(piece.begin, piece.size());
                if (socket->write(bytes) < 0) {
                    r = {};
                    return;
                }
                reportBlock(index, bytes);
            } else {
                r = {};
                return;
            }
        }
    }

    void reportBlock(qint16 index, const QByteArray &block)
    {
        if (hooks.sentLines) {
            hooks.sentLines(index, block);
            return;
        }
        if (!hooks.sent)
            return;
        qsizetype pos = 0;
        for (;;) {
            const qsizetype end = block.indexOf("\r\n", pos);
            if (end < 0)
                break;
            hooks.sent(index, decodeText(QByteArrayView(block).sliced(pos, end - pos)));
            pos = end + 2;
        }
    }

    /// Brings the budget's count for element @p index up to date.
    void countUnsent(qint16 index)
    {
        Element *e = element(index);
        if (e && !e->dropping) {
            e->socketBacklog = pending(e->socket);
            budget.set(index, unsent(e));
        }
    }

    /// Drops element @p index later, as if its peer had closed, and only if
    /// it still carries the same connection. Nothing more is written to it
    /// meanwhile and its backlog no longer counts.
    void drop(qint16 index)
    {
        Element *e = element(index);
        if (!e || e->dropping)
            return;
        e->dropping = true;
        budget.set(index, 0);
        const quint64 generation = e->generation;
        QMetaObject::invokeMethod(
            q,
            [this, index, generation] {
                Element *e = element(index);
                if (e && e->generation == generation &&
                    e->socket->state() == QAbstractSocket::ConnectedState)
                    e->socket->abort();
            },
            Qt::QueuedConnection);
    }

    /// Past the total bound, the largest backlogs go first.
    void shedOverflow()
    {
        if (!budget.over())
            return;
        const QList<qint16> largest = budget.takeOverflow();
        for (const qint16 index : largest)
            drop(index);
    }

    /// Drops a connection whose peer no longer reads, later and only if it
    /// still carries the same connection. Aborting it is not our own close:
    /// the close event runs as if the peer had gone.
    void dropIfBacklogged(qint16 index)
    {
        Element *e = element(index);
        if (!e || unsent(e) <= backlogLimit)
            return;
        drop(index);
    }
};

HostRelay::HostRelay(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this))
{
    d->server = new Listener(this);
    d->server->onIncoming = [this](qintptr descriptor) { d->onIncoming(descriptor); };
    d->server->makeRoom = [this] {
        if (!d->gate->evictOldest(d->evictAfterMs))
            return false;
        ++d->evictions;
        return true;
    };
    d->pacer = new ReadPacer([this](qint16 index) { return d->readSlice(index); }, this);
    // A stranger that never introduces itself leaves no trace, as one that
    // closes before its introduction.
    d->gate = new JoinGate([this](qint16 index) { d->closeElement(index); }, this);
    d->gate->setCapacity(d->maxPending);
    d->clock.start();
    d->handshakeTimer = new QTimer(this);
    d->handshakeTimer->setSingleShot(true);
    connect(d->handshakeTimer, &QTimer::timeout, this, [this] { d->pumpHandshakes(); });
    d->flushTimer = new QTimer(this);
    d->flushTimer->setSingleShot(true);
    d->flushTimer->setInterval(0);
    connect(d->flushTimer, &QTimer::timeout, this, [this] { d->flushWritten(); });
    d->trimTimer = new QTimer(this);
    d->trimTimer->setSingleShot(true);
    d->trimTimer->setInterval(1000);
    connect(d->trimTimer, &QTimer::timeout, this, [] { releaseFreedMemory(); });
}

HostRelay::~HostRelay()
{
    // No close event may reach a half-destroyed relay.
    for (auto &e : d->elements) {
        QObject::disconnect(e->socket, nullptr, this, nullptr);
        e->socket->abort();
    }
    d->server->stop();
}

void HostRelay::setHooks(Hooks hooks)
{
    d->hooks = std::move(hooks);
}

bool HostRelay::listen(quint16 port)
{
    d->sizeWaitingRoom();
    d->server->setListenBacklogSize(kListenBacklog);
    return d->server->start(port);
}
QAbstractSocket::SocketError HostRelay::error() const
{
    return d->server->serverError();
}
bool HostRelay::isListening() const
{
    return d->server->isListening();
}
quint16 HostRelay::port() const
{
    return d->server->isListening() ? d->server->serverPort() : 0;
}

void HostRelay::close()
{
    for (qsizetype i = 1; i <= qsizetype(d->elements.size()); ++i)
        d->closeElement(qint16(i));
    d->server->stop();
}

qint16 HostRelay::count() const
{
    return qint16(d->elements.size());
}

QAbstractSocket::SocketState HostRelay::state(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e ? e->socket->state() : QAbstractSocket::UnconnectedState;
}
void HostRelay::setTls(const QSslConfiguration &configuration)
{
    d->tls = configuration;
}

void HostRelay::setGuard(secure::JoinGuard *guard)
{
    if (d->guard)
        QObject::disconnect(d->guard, nullptr, this, nullptr);
    d->guard = guard;
    if (!guard)
        return;
    connect(guard, &secure::JoinGuard::admitted, this, [this](qint16 index, const QList<QByteArray> &held) {
        d->tellReady(index);
        for (const QByteArray &line : held) {
            if (!isConnected(index))
                return;
            if (d->hooks.lineReceived)
                d->hooks.lineReceived(index, line);
        }
        // Let in after a check aside: it has introduced itself by now.
        if (d->gate->isWaiting(index) && d->hooks.introduced && d->hooks.introduced(index))
            d->seated(index);
    });
    connect(guard, &secure::JoinGuard::refused, this,
            [this](qint16 index, const QString &code, bool tavernix) { d->refuseJoiner(index, code, tavernix); });
}

bool HostRelay::isEncrypted(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e && e->socket->isEncrypted();
}

int HostRelay::refusals() const
{
    return d->refusals;
}

bool HostRelay::isConnected(qint16 index) const
{
    return state(index) == QAbstractSocket::ConnectedState;
}
QHostAddress HostRelay::peerAddress(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e ? e->socket->peerAddress() : QHostAddress();
}
qint64 HostRelay::connectedForMs(qint16 index) const
{
    const Private::Element *e = d->element(index);
    if (!e || e->socket->state() == QAbstractSocket::UnconnectedState || !e->since.isValid())
        return -1;
    return e->since.elapsed();
}

void HostRelay::closeConnection(qint16 index)
{
    d->closeElement(index);
}

void HostRelay::send(qint16 index, const QString &text, const QByteArray &line)
{
    if (d->put(index, line) == Private::Sent::Written)
        d->reportSent(index, text);
}

void HostRelay::sendToAll(const QString &text, const QByteArray &line, qint16 except)
{
    const qint16 last = count();
    QList<qint16> reached;
    reached.reserve(last);
    for (qint16 i = 1; i <= last && i > 0; ++i) {
        // put() skips elements that are not connected; strangers hear nothing of the table
        if (i != except && (!d->guard || d->guard->isAdmitted(i)) && d->put(i, line) == Private::Sent::Written)
            reached.append(i);
    }
    if (reached.isEmpty())
        return;
    if (d->hooks.sentToMany) {
        d->hooks.sentToMany(reached, text);
        return;
    }
    for (const qint16 i : reached)
        d->reportSent(i, text);
}

void HostRelay::sayLast(const QString &text, const QByteArray &line)
{
    for (qint16 i = 1; i <= count() && i > 0; ++i) {
        Private::Element *e = d->element(i);
        if (!e->live || e->dropping)
            continue;
        // The rest of a board would only hold the words up.
        e->replay = {};
        e->outbox += line;
        d->reportSent(i, text);
    }
}

void HostRelay::startReplay(qint16 index, const QList<QByteArray> &blocks)
{
    Private::Element *e = d->element(index);
    if (!e || blocks.isEmpty() || e->socket->state() != QAbstractSocket::ConnectedState)
        return;
    // What was said to it this turn (its greeting, its name) goes first.
    d->flushOutbox(e);
    // A replay under way gives way: what waited behind it (a clear, say)
    // goes first, then the new board; the rest of the old board is moot.
    QList<QByteArray> waiting;
    if (e->replay.active) {
        for (const Private::Piece &piece : e->replay.queued)
            waiting.append(piece.chunk->bytes.sliced(piece.begin, piece.size()));
    }
    e->replay = {};
    e->replay.active = true;
    e->replay.blocks = waiting + blocks;
    d->pumpReplay(index);
}

void HostRelay::forgetReplayedBoards()
{
    for (auto &e : d->elements) {
        e->replay.blocks.clear();
        e->replay.nextBlock = 0;
        // Drawings queued behind the board are moot as well: a newcomer
        // that does not read holds only what the clear leaves.
        auto &queue = e->replay.queued;
        std::erase_if(queue, [](const Private::Piece &p) { return p.board; });
        e->replay.queuedBytes = 0;
        for (const Private::Piece &p : queue)
            e->replay.queuedBytes += p.size();
    }
    // A fresh chunk from here, so the old one goes with its last reader.
    d->tail.reset();
    d->lastBegin = d->lastEnd = 0;
}

bool HostRelay::isReplaying(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e && e->replay.active;
}

qint64 HostRelay::unsentBytes(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e ? Private::pending(e->socket) + e->outbox.size() + e->replay.queuedBytes : 0;
}

qint64 HostRelay::writeBacklogLimit() const
{
    return d->backlogLimit;
}
void HostRelay::setWriteBacklogLimit(qint64 bytes)
{
    d->backlogLimit = qMax<qint64>(0, bytes);
}
qint64 HostRelay::totalBacklogLimit() const
{
    return d->budget.limit();
}
void HostRelay::setTotalBacklogLimit(qint64 bytes)
{
    d->budget.setLimit(bytes);
}
qint64 HostRelay::totalUnsentBytes() const
{
    return d->budget.total();
}
int HostRelay::joinTimeoutMs() const
{
    return d->gate->timeoutMs();
}
void HostRelay::setJoinTimeout(int ms)
{
    d->gate->setTimeoutMs(ms);
}
int HostRelay::maxPendingJoins() const
{
    return d->gate->capacity();
}
void HostRelay::setMaxPendingJoins(int count)
{
    d->maxPending = qMax(0, count);
    d->sizeWaitingRoom();
}
int HostRelay::pendingJoins() const
{
    return d->gate->waitingCount();
}
int HostRelay::evictAfterMs() const
{
    return d->evictAfterMs;
}
void HostRelay::setEvictAfter(int ms)
{
    d->evictAfterMs = qMax(0, ms);
}
int HostRelay::evictions() const
{
    return d->evictions;
}
int HostRelay::acceptPauseMs() const
{
    return d->server->pauseMs;
}
void HostRelay::setAcceptPause(int ms)
{
    d->server->pauseMs = qMax(0, ms);
}
int HostRelay::acceptPauses() const
{
    return d->server->pauses;
}
bool HostRelay::acceptPaused() const
{
    return d->server->paused();
}

} // namespace session
