#include "hostrelay.h"

#include "duallisten.h"
#include "heartbeat.h"
#include "joingate.h"
#include "lineframer.h"
#include "memoryrelease.h"
#include "protocol.h"
#include "readpacer.h"
#include "writebudget.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>
#include <limits>
#include <vector>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <sys/socket.h>
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
class Listener : public QTcpServer
{
public:
    explicit Listener(QObject *parent) : QTcpServer(parent)
    {
        m_resume.setSingleShot(true);
        connect(this, &QTcpServer::acceptError, this, [this] { afterAcceptError(); });
        connect(&m_resume, &QTimer::timeout, this, [this] {
            if (isListening())
                resumeAccepting();
        });
    }
    std::function<void(qintptr)> onIncoming;
    int pauseMs = HostRelay::kDefaultAcceptPauseMs;
    int pauses = 0;
    bool paused() const { return m_resume.isActive(); }

protected:
    void incomingConnection(qintptr descriptor) override { onIncoming(descriptor); }

private:
    void afterAcceptError()
    {
        pauseAccepting();
#if defined(Q_OS_UNIX)
        // Once an accept has failed, the socket engine goes on reporting that
        // failure when a later accept merely finds nothing waiting, so ask the
        // system itself whether this is a real shortage.
        for (;;) {
            const int descriptor = ::accept4(int(socketDescriptor()), nullptr, nullptr, SOCK_CLOEXEC);
            if (descriptor >= 0) {
                onIncoming(descriptor);
                continue;
            }
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                resumeAccepting(); // nothing waiting: no shortage
                return;
            }
            break;
        }
#endif
        ++pauses;
        m_resume.start(pauseMs);
    }

    QTimer m_resume;
};

/// What one turn of a connection frames at most, and what it acts on: at
/// most so many lines, and no further line once so many bytes of lines were
/// acted on. A fast sender or a long line waits for the others' turns.
constexpr qint64 kReadSlice = 32 * 1024;
constexpr int kLinesPerSlice = 256;
constexpr qint64 kActSlice = 16 * 1024;
/// Received bytes a connection holds before the sender must wait for us.
constexpr qint64 kReadBufferSize = 64 * 1024;

} // namespace

struct HostRelay::Private {
    struct Element {
        QTcpSocket *socket = nullptr;
        LineFramer framer;
        bool closingByUs = false;   ///< our own close is not a close event
        quint64 generation = 0;     ///< counts the connections this element carried
        bool dropping = false;      ///< over a backlog bound: its abort is on its way
        bool unflushed = false;     ///< written to since the last flush
        QList<QByteArray> ready;    ///< framed lines not yet acted on
        qsizetype readyNext = 0;    ///< the first of them still to act on
        QElapsedTimer since;        ///< from the accept

        /// A newcomer being sent the board: the history as it was when its
        /// name was confirmed, then whatever was sent to it since, in order.
        struct Replay {
            bool active = false;
            QList<QByteArray> blocks; ///< shared with the history, never changed
            qsizetype nextBlock = 0;
            struct Queued {
                QByteArray line;
                QString text;
            };
            std::deque<Queued> queued;
            qint64 queuedBytes = 0;
        } replay;
    };

    explicit Private(HostRelay *relay) : q(relay) {}

    HostRelay *q;
    Hooks hooks;
    Listener *server = nullptr;
    /// Element i is elements[i - 1]. Created on demand, kept for the relay's life.
    std::vector<std::unique_ptr<Element>> elements;
    qint64 backlogLimit = kDefaultWriteBacklogLimit;
    WriteBudget budget;
    ReadPacer *pacer = nullptr;
    JoinGate *gate = nullptr;
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

    void closeElement(qint16 index)
    {
        Element *e = element(index);
        if (!e)
            return;
        // Before the flush, whose bytesWritten would send more of the board.
        e->replay = {};
        e->closingByUs = true;
        e->socket->flush();
        e->socket->abort();
        e->closingByUs = false;
        e->framer.reset();
        e->ready.clear();
        e->readyNext = 0;
        gate->settle(index);
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
            if (hooks.lineReceived)
                hooks.lineReceived(index, line);
        }
        if (gate->isWaiting(index) && hooks.introduced && hooks.introduced(index))
            gate->settle(index);
        return e->readyNext < e->ready.size() || e->socket->bytesAvailable() > 0;
    }

    void onElementClosed(qint16 index)
    {
        Element *e = element(index);
        if (!e || e->closingByUs)
            return;
        readElement(index); // what it said last, framed or not yet, still counts
        closeElement(index);
        if (hooks.closed)
            hooks.closed(index);
    }

    QTcpSocket *newElementSocket(qint16 index)
    {
        auto *socket = new QTcpSocket(q);
        socket->setReadBufferSize(kReadBufferSize);
        QObject::connect(socket, &QTcpSocket::readyRead, q, [this, index] { pacer->wake(index); });
        QObject::connect(socket, &QTcpSocket::bytesWritten, q, [this, index] { countUnsent(index); });
        QObject::connect(socket, &QTcpSocket::disconnected, q,
                         [this, index] { onElementClosed(index); });
        QObject::connect(socket, &QTcpSocket::bytesWritten, q,
                         [this, index] { pumpReplay(index); });
        return socket;
    }

    /// Refuses the request behind @p descriptor.
    static void refuse(qintptr descriptor)
    {
        QTcpSocket refused;
        refused.setSocketDescriptor(descriptor);
        refused.abort();
    }

    void onIncoming(qintptr descriptor)
    {
        if (gate->full()) {
            refuse(descriptor); // enough strangers are waiting already
            return;
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
        e->socket->setSocketDescriptor(descriptor);
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
                e->socket->flush();
                countUnsent(index);
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
        QTcpSocket *socket = e->socket;
        if (socket->state() != QAbstractSocket::ConnectedState || e->dropping) {
            r = {};
            return;
        }
        while (socket->bytesToWrite() < kReplayWindow) {
            if (r.nextBlock < r.blocks.size()) {
                const QByteArray block = r.blocks[r.nextBlock++];
                if (socket->write(block) < 0) {
                    r = {};
                    return;
                }
                reportBlock(index, block);
            } else if (!r.queued.empty()) {
                const Element::Replay::Queued next = std::move(r.queued.front());
                r.queued.pop_front();
                r.queuedBytes -= next.line.size();
                if (socket->write(next.line) < 0) {
                    r = {};
                    return;
                }
                reportSent(index, next.text);
            } else {
                r = {};
                return;
            }
        }
    }

    void reportBlock(qint16 index, const QByteArray &block)
    {
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
        if (e && !e->dropping)
            budget.set(index, e->socket->bytesToWrite());
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
        if (!e || e->socket->bytesToWrite() <= backlogLimit)
            return;
        drop(index);
    }
};

HostRelay::HostRelay(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this))
{
    d->server = new Listener(this);
    d->server->onIncoming = [this](qintptr descriptor) { d->onIncoming(descriptor); };
    d->pacer = new ReadPacer([this](qint16 index) { return d->readSlice(index); }, this);
    // A stranger that never introduces itself leaves no trace, as one that
    // closes before its introduction.
    d->gate = new JoinGate([this](qint16 index) { d->closeElement(index); }, this);
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
    d->server->close();
}

void HostRelay::setHooks(Hooks hooks)
{
    d->hooks = std::move(hooks);
}

bool HostRelay::listen(quint16 port)
{
    return listenDualStack(d->server, port);
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
    d->server->close();
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
    Private::Element *e = d->element(index);
    // A participant whose connection has just closed misses the message.
    if (!e || e->socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (e->replay.active) {
        // Behind the board it is being sent, in order. What waits here counts
        // against the same limit as the socket's own backlog.
        if (e->replay.queuedBytes + e->socket->bytesToWrite() + line.size() > d->backlogLimit) {
            d->drop(index);
            return;
        }
        e->replay.queued.push_back({line, text});
        e->replay.queuedBytes += line.size();
        return;
    }
    // A peer already over its backlog is being dropped; writing more would
    // only grow the buffer until the drop runs.
    if (e->dropping || e->socket->bytesToWrite() > d->backlogLimit)
        return;
    if (e->socket->write(line) < 0)
        return;
    d->reportSent(index, text);
    d->countUnsent(index);
    d->noteWritten(index, e);
    d->dropIfBacklogged(index);
    d->shedOverflow();
}

void HostRelay::sendToAll(const QString &text, const QByteArray &line, qint16 except)
{
    const qint16 last = count();
    for (qint16 i = 1; i <= last && i > 0; ++i) {
        if (i != except)
            send(i, text, line); // skips elements that are not connected
    }
}

void HostRelay::startReplay(qint16 index, const QList<QByteArray> &blocks)
{
    Private::Element *e = d->element(index);
    if (!e || blocks.isEmpty() || e->socket->state() != QAbstractSocket::ConnectedState)
        return;
    e->replay = {};
    e->replay.active = true;
    e->replay.blocks = blocks;
    d->pumpReplay(index);
}

bool HostRelay::isReplaying(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e && e->replay.active;
}

qint64 HostRelay::unsentBytes(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e ? e->socket->bytesToWrite() + e->replay.queuedBytes : 0;
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
    d->gate->setCapacity(count);
}
int HostRelay::pendingJoins() const
{
    return d->gate->waitingCount();
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
