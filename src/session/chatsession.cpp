#include "chatsession.h"

#include "boardhistory.h"
#include "dispatcher.h"
#include "duallisten.h"
#include "joingate.h"
#include "lineframer.h"
#include "localaddress.h"
#include "memoryrelease.h"
#include "participantlist.h"
#include "protocol.h"
#include "readpacer.h"
#include "tags.h"
#include "trafficlog.h"
#include "writebudget.h"

#include <QStringListModel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>
#include <functional>
#include <limits>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <sys/socket.h>
#endif

namespace session
{

namespace
{

const QString kStatusDisconnected = QStringLiteral("Disconnessione.");

/// The state codes the program reads: 0 closed, 7 connected, others in between.
int stateCode(QAbstractSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        return 0;
    case QAbstractSocket::BoundState:
        return 1;
    case QAbstractSocket::ListeningState:
        return 2;
    case QAbstractSocket::HostLookupState:
        return 4;
    case QAbstractSocket::ConnectingState:
        return 6;
    case QAbstractSocket::ConnectedState:
        return 7;
    case QAbstractSocket::ClosingState:
        return 8;
    }
    return 9;
}

/// Element 0: hands each pending connection's descriptor to the session,
/// which accepts it into an element of its own choosing.
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
    int pauseMs = ChatSession::kDefaultAcceptPauseMs;
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

/// Writes already go out once per event-loop turn, gathered; holding the
/// next one back until the peer acknowledges the last (Nagle) only adds the
/// peer's delayed acknowledgement, up to 40 ms, to every line of a burst.
void setLowDelay(QTcpSocket *socket)
{
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

} // namespace

struct ChatSession::Private {
    struct Element {
        QTcpSocket *socket = nullptr;
        LineFramer framer;
        bool closingByUs = false; ///< our own close is not a close event
        quint64 generation = 0;   ///< counts the connections this element carried
        bool addressesSent = false; ///< the address list went out to this connection
        int addressEntries = 0;     ///< address entries this connection has added
        bool dropping = false;      ///< over a backlog bound: its abort is on its way
        bool unflushed = false;     ///< written to since the last flush
        QList<QByteArray> ready;    ///< framed lines not yet acted on
        qsizetype readyNext = 0;    ///< the first of them still to act on

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

    explicit Private(ChatSession *session) : q(session), dispatcher(*session) {}

    ChatSession *q;
    ConversationSink *conversation = nullptr;
    BoardSink *board = nullptr;
    MessageService *messages = nullptr;

    ParticipantList *people = nullptr;
    QStringListModel *combo = nullptr;
    QStringListModel *recipients = nullptr;
    TrafficLog *sent = nullptr;
    TrafficLog *received = nullptr;

    QTcpSocket *client = nullptr; ///< sckConnect
    LineFramer clientFramer;
    bool clientClosingByUs = false;
    Listener *server = nullptr; ///< element 0 of sckConnection
    /// Elements 1..iConnections; element i is elements[i - 1]. Created on
    /// demand, kept for the life of the session.
    std::vector<std::unique_ptr<Element>> elements;

    qint32 port = 600;
    bool host = false;
    Phase phase = Phase::Idle;
    QString name;
    QString myName;
    int waitMs = kDefaultConnectWaitMs;
    qint64 backlogLimit = kDefaultWriteBacklogLimit;
    quint64 clientGeneration = 0;
    QTimer *waitTimer = nullptr;
    QTimer *answerTimer = nullptr; ///< runs from our introduction to the host's rename
    int answerMs = kDefaultAnswerWaitMs;
    QSize extent{12000, 12000};
    BoardHistory history;

    Dispatcher dispatcher;
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

    void status(const QString &text)
    {
        if (conversation)
            conversation->UpdateStatus(text);
    }
    void message(MessageService::Icon icon, const QString &text)
    {
        if (messages)
            messages->showMessage(icon, kAppTitle, text);
    }
    void setPhase(Phase next)
    {
        if (phase == next)
            return;
        phase = next;
        emit q->phaseChanged(next);
    }

    void openConnection() { emit q->connectionOpened(); }
    void closeConnection() { emit q->connectionClosed(); }
    void clearStuff()
    {
        history.reset();
        emit q->kickVisibleChanged(false);
        people->clear();
        if (conversation)
            conversation->clearDialog();
        if (board)
            board->clearBoard();
    }

    void closeClient()
    {
        clientClosingByUs = true;
        client->flush();
        client->abort();
        clientClosingByUs = false;
        clientFramer.reset();
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
    void closeAllElements()
    {
        for (qsizetype i = 1; i <= qsizetype(elements.size()); ++i)
            closeElement(qint16(i));
    }

    void readClient()
    {
        const QByteArray bytes = client->readAll();
        const QList<QByteArray> lines = clientFramer.feed(bytes);
        for (const QByteArray &line : lines)
            dispatcher.dispatchLine(decodeText(line), -1);
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
            dispatcher.dispatchLine(decodeText(line), index);
        }
        if (gate->isWaiting(index) && !people->sConnectionName(index).isEmpty())
            gate->settle(index); // it introduced itself
        return e->readyNext < e->ready.size() || e->socket->bytesAvailable() > 0;
    }

    void onClientClosed()
    {
        if (clientClosingByUs)
            return;
        if (client->bytesAvailable() > 0)
            readClient(); // what the host said last still counts
        answerTimer->stop();
        status(kStatusDisconnected);
        closeClient();
        clearStuff(); // empties the participant list too
        closeConnection();
        // While the connect wait runs, its end still decides (and fails).
        if (phase == Phase::Connected)
            setPhase(Phase::Idle);
    }

    void onElementClosed(qint16 index)
    {
        Element *e = element(index);
        if (!e || e->closingByUs)
            return;
        readElement(index); // what it said last, framed or not yet, still counts
        closeElement(index);
        const QString who = people->sConnectionName(index);
        if (who.isEmpty())
            return; // gone before it introduced itself: no trace
        status(who + ChatSession::kLostContact);
        people->RemoveName(index);
        q->SendToAll(tag::Disconnessione + sFormatSend(index), false);
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
        e->addressesSent = false;
        e->addressEntries = 0;
        e->dropping = false;
        e->ready.clear();
        e->readyNext = 0;
        e->replay = {};
        e->socket->setSocketDescriptor(descriptor);
        setLowDelay(e->socket);
        budget.set(chosen, 0);
        gate->admit(chosen);
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
     * other connection is served between pieces. Each message is logged as
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
        while (socket->bytesToWrite() < ChatSession::kReplayWindow) {
            if (r.nextBlock < r.blocks.size()) {
                const QByteArray block = r.blocks[r.nextBlock++];
                if (socket->write(block) < 0) {
                    r = {};
                    return;
                }
                logBlock(index, block);
            } else if (!r.queued.empty()) {
                const Element::Replay::Queued next = std::move(r.queued.front());
                r.queued.pop_front();
                r.queuedBytes -= next.line.size();
                if (socket->write(next.line) < 0) {
                    r = {};
                    return;
                }
                q->ShowSentData(index, next.text);
            } else {
                r = {};
                return;
            }
        }
    }

    void logBlock(qint16 index, const QByteArray &block)
    {
        qsizetype pos = 0;
        for (;;) {
            const qsizetype end = block.indexOf("\r\n", pos);
            if (end < 0)
                break;
            q->ShowSentData(index, decodeText(QByteArrayView(block).sliced(pos, end - pos)));
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
    void dropClientIfBacklogged()
    {
        if (client->bytesToWrite() <= backlogLimit)
            return;
        const quint64 generation = clientGeneration;
        QMetaObject::invokeMethod(
            q,
            [this, generation] {
                if (clientGeneration == generation &&
                    client->state() == QAbstractSocket::ConnectedState)
                    client->abort();
            },
            Qt::QueuedConnection);
    }

    QString listenFailure(QAbstractSocket::SocketError error) const
    {
        const QString p = QString::number(port);
        if (port < 0 || port > 65535)
            return QStringLiteral(
                       "La porta %1 non è valida: scegliere con \"Porta\" un numero da 1 a 65535.")
                .arg(p);
        switch (error) {
        case QAbstractSocket::AddressInUseError:
            return QStringLiteral(
                       "Impossibile ospitare la sessione: la porta %1 è già in uso da un altro "
                       "programma. Scegliere un'altra porta con \"Porta\".")
                .arg(p);
        case QAbstractSocket::SocketAccessError:
            return QStringLiteral(
                       "Impossibile ospitare la sessione: la porta %1 è riservata (le porte "
                       "sotto 1024 richiedono i privilegi di amministratore). Scegliere una "
                       "porta da 1024 a 65535 con \"Porta\".")
                .arg(p);
        default:
            return QStringLiteral(
                       "Impossibile ospitare la sessione: non è possibile restare in attesa "
                       "di connessioni sulla porta %1.")
                .arg(p);
        }
    }

    void onConnectWaitDone()
    {
        combo->setStringList({});
        if (!q->SendToServer(tag::Connessione + name) ||
            !q->SendToServer(tag::Listato)) {
            connectFailed();
            return;
        }
        setPhase(Phase::Connected);
        // Something listens there, but it may not be a Tavernix host at all
        // (a web server, another chat program): without the host's answer
        // the user would wait for nothing.
        answerTimer->start(answerMs);
    }
    void onAnswerWaitDone()
    {
        if (phase == Phase::Connected && client->state() == QAbstractSocket::ConnectedState)
            status(ChatSession::kNoAnswer);
    }

    void connectFailed()
    {
        message(MessageService::Icon::Warning,
                QStringLiteral("Impossibile stabilire una connessione."));
        closeClient();
        status(kStatusDisconnected);
        closeConnection();
        setPhase(Phase::Idle);
    }
};

ChatSession::ChatSession(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this))
{
    d->people = new ParticipantList(this);
    d->combo = new QStringListModel(this);
    d->recipients = new QStringListModel(this);
    d->sent = new TrafficLog(this);
    d->received = new TrafficLog(this);

    d->client = new QTcpSocket(this);
    connect(d->client, &QTcpSocket::readyRead, this, [this] { d->readClient(); });
    connect(d->client, &QTcpSocket::connected, this, [this] { setLowDelay(d->client); });
    connect(d->client, &QTcpSocket::disconnected, this, [this] { d->onClientClosed(); });

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

    d->waitTimer = new QTimer(this);
    d->waitTimer->setSingleShot(true);
    connect(d->waitTimer, &QTimer::timeout, this, [this] { d->onConnectWaitDone(); });
    d->answerTimer = new QTimer(this);
    d->answerTimer->setSingleShot(true);
    connect(d->answerTimer, &QTimer::timeout, this, [this] { d->onAnswerWaitDone(); });
}

ChatSession::~ChatSession()
{
    // No close event may reach a half-destroyed session.
    d->waitTimer->stop();
    d->answerTimer->stop();
    QObject::disconnect(d->client, nullptr, this, nullptr);
    d->client->abort();
    for (auto &e : d->elements) {
        QObject::disconnect(e->socket, nullptr, this, nullptr);
        e->socket->abort();
    }
    d->server->close();
}

void ChatSession::setConversationSink(ConversationSink *sink)
{
    d->conversation = sink;
}
void ChatSession::setBoardSink(BoardSink *sink)
{
    d->board = sink;
}
void ChatSession::setMessageService(MessageService *service)
{
    d->messages = service;
}
ConversationSink *ChatSession::conversationSink() const
{
    return d->conversation;
}
BoardSink *ChatSession::boardSink() const
{
    return d->board;
}
MessageService *ChatSession::messageService() const
{
    return d->messages;
}

ParticipantList *ChatSession::participants() const
{
    return d->people;
}
QStringListModel *ChatSession::addressList() const
{
    return d->combo;
}
QStringListModel *ChatSession::transferRecipients() const
{
    return d->recipients;
}
TrafficLog *ChatSession::sentLog() const
{
    return d->sent;
}
TrafficLog *ChatSession::receivedLog() const
{
    return d->received;
}

qint32 ChatSession::lPort() const
{
    return d->port;
}
void ChatSession::setPort(qint32 port)
{
    d->port = port;
}

quint16 ChatSession::listeningPort() const
{
    return d->server->isListening() ? d->server->serverPort() : 0;
}

bool ChatSession::bHost() const
{
    return d->host;
}
qint16 ChatSession::iConnections() const
{
    return qint16(d->elements.size());
}

bool ChatSession::bConnected() const
{
    if (clientState() != kClosed)
        return true;
    for (const auto &e : d->elements) {
        if (stateCode(e->socket->state()) != kClosed)
            return true;
    }
    return false;
}

int ChatSession::clientState() const
{
    return stateCode(d->client->state());
}

int ChatSession::connectionState(qint16 index) const
{
    if (index == 0)
        return d->server->isListening() ? 2 : kClosed;
    const Private::Element *e = d->element(index);
    return e ? stateCode(e->socket->state()) : kClosed;
}

ChatSession::Phase ChatSession::phase() const
{
    return d->phase;
}

QString ChatSession::name() const
{
    return d->name;
}
void ChatSession::setName(const QString &name)
{
    d->name = name;
}
QString ChatSession::sMyName() const
{
    return d->myName;
}

void ChatSession::adoptName(const QString &name)
{
    d->answerTimer->stop(); // the host answered
    d->name = name;
    d->myName = name;
    emit nameChanged(name);
}

qint64 ChatSession::writeBacklogLimit() const
{
    return d->backlogLimit;
}
void ChatSession::setWriteBacklogLimit(qint64 bytes)
{
    d->backlogLimit = qMax<qint64>(0, bytes);
}

qint64 ChatSession::totalBacklogLimit() const
{
    return d->budget.limit();
}
void ChatSession::setTotalBacklogLimit(qint64 bytes)
{
    d->budget.setLimit(bytes);
}
qint64 ChatSession::totalUnsentBytes() const
{
    return d->budget.total();
}

int ChatSession::joinTimeoutMs() const
{
    return d->gate->timeoutMs();
}
void ChatSession::setJoinTimeout(int ms)
{
    d->gate->setTimeoutMs(ms);
}
int ChatSession::maxPendingJoins() const
{
    return d->gate->capacity();
}
void ChatSession::setMaxPendingJoins(int count)
{
    d->gate->setCapacity(count);
}
int ChatSession::pendingJoins() const
{
    return d->gate->waitingCount();
}

int ChatSession::acceptPauseMs() const
{
    return d->server->pauseMs;
}
void ChatSession::setAcceptPause(int ms)
{
    d->server->pauseMs = qMax(0, ms);
}
int ChatSession::acceptPauses() const
{
    return d->server->pauses;
}
bool ChatSession::acceptPaused() const
{
    return d->server->paused();
}

int ChatSession::connectWaitMs() const
{
    return d->waitMs;
}
void ChatSession::setConnectWait(int ms)
{
    d->waitMs = qMax(0, ms);
}

int ChatSession::answerWaitMs() const
{
    return d->answerMs;
}
void ChatSession::setAnswerWait(int ms)
{
    d->answerMs = qMax(0, ms);
}

QSize ChatSession::boardExtent() const
{
    return d->extent;
}
void ChatSession::setBoardExtent(const QSize &twips)
{
    d->extent = twips;
}

const TextSet &ChatSession::receivedText() const
{
    return d->dispatcher.textSet();
}

const BoardHistory &ChatSession::boardHistory() const
{
    return d->history;
}

void ChatSession::setBoardHistoryLimit(qsizetype bytes)
{
    d->history.setLimit(bytes);
}

bool ChatSession::isReplaying(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e && e->replay.active;
}

qint64 ChatSession::unsentBytes(qint16 index) const
{
    const Private::Element *e = d->element(index);
    return e ? e->socket->bytesToWrite() + e->replay.queuedBytes : 0;
}

void ChatSession::recordBoard(const QString &vsData)
{
    if (!d->host)
        return;
    if (d->history.record(vsData) == BoardHistory::Outcome::Full)
        d->status(kBoardHistoryFull);
}

void ChatSession::startReplay(qint16 index)
{
    Private::Element *e = d->element(index);
    if (!d->host || !e || d->history.isEmpty() ||
        e->socket->state() != QAbstractSocket::ConnectedState)
        return;
    e->replay = {};
    e->replay.active = true;
    e->replay.blocks = d->history.blocks();
    d->pumpReplay(index);
}

// --- connection manager ------------------------------------------------------

void ChatSession::cmdHost_Click()
{
    if (d->name.isEmpty())
        return;
    d->waitTimer->stop();
    d->answerTimer->stop();
    d->closeAllElements();
    d->server->close();
    // Listen before anything changes, so a refused port leaves the session
    // exactly as it was.
    const bool portValid = d->port >= 0 && d->port <= 65535;
    if (!portValid || !listenDualStack(d->server, quint16(d->port))) {
        d->message(MessageService::Icon::Warning, d->listenFailure(d->server->serverError()));
        return;
    }

    d->openConnection();
    d->host = true;
    d->clearStuff();
    d->closeClient();
    d->status(QStringLiteral("Server in attesa..."));
    // The name we host under is our confirmed name from now on.
    d->myName = d->name;
    d->people->AddName(-1, d->name);
    emit kickVisibleChanged(true);
    d->combo->setStringList({});
    d->setPhase(Phase::Hosting);
    SendToSelf(tag::Listato);
    SendToSelf(addressMessage(d->name));
}

void ChatSession::cmdConnect_Click(const QString &address)
{
    if (d->name.isEmpty())
        return;
    d->waitTimer->stop();
    d->answerTimer->stop();
    // One role at a time: a host that connects elsewhere stops hosting.
    d->closeAllElements();
    d->server->close();

    d->openConnection();
    d->host = false;
    d->clearStuff();
    d->status(QStringLiteral("Connessione in corso..."));
    d->closeClient();
    d->setPhase(Phase::Connecting);
    const bool portValid = d->port > 0 && d->port <= 65535;
    // An invalid port or address fails on its own; the wait's end reports it.
    ++d->clientGeneration;
    if (portValid)
        d->client->connectToHost(address, quint16(d->port));
    d->waitTimer->start(d->waitMs);
}

void ChatSession::cmdDisconnect_Click()
{
    d->waitTimer->stop(); // a pending introduction is cancelled, not failed
    d->answerTimer->stop();
    d->closeClient();
    d->closeAllElements();
    d->server->close();
    d->host = false;
    d->status(kStatusDisconnected);
    d->clearStuff();
    d->closeConnection();
    d->setPhase(Phase::Idle);
}

void ChatSession::cmdKick_Click()
{
    if (!d->host)
        return;
    ParticipantList *people = d->people;
    for (int i = people->count() - 1; i >= 0; --i) {
        const qint32 expelled = people->tagAt(i);
        if (!people->isSelected(i) || expelled == -1)
            continue;
        const QString notice = tag::Espulsione + sFormatSend(expelled);
        const QByteArray line = encodeLine(notice);
        for (int j = 0; j < people->count(); ++j) {
            const qint32 other = people->tagAt(j);
            // The host's own entry (-1) and stray tags name no connection.
            if (people->isSelected(j) || other < 1 || other > 32767)
                continue;
            sendEncoded(notice, line, qint16(other));
        }
        if (expelled >= 1 && expelled <= 32767)
            d->closeElement(qint16(expelled));
        d->status(QStringLiteral("Espulsione dalla chat di: ") + people->nameAt(i) +
                  QStringLiteral("."));
        people->removeAt(i);
    }
    people->deselectAll();
}

void ChatSession::cmdDeselect_Click()
{
    d->people->deselectAll();
}

bool ChatSession::cmdPorts_Click()
{
    if (bConnected()) {
        d->message(
            MessageService::Icon::Information,
            QStringLiteral("Una o più connessioni sono attualmente aperte. Occorre disconnettersi "
                           "prima di mutare porta."));
        return false;
    }
    return true;
}

void ChatSession::closeAllSockets()
{
    d->waitTimer->stop();
    d->closeClient();
    d->closeAllElements();
    d->server->close();
}

bool ChatSession::confirmOwnName()
{
    const QString typed = d->name;
    if (typed == d->myName)
        return false;
    if (typed.isEmpty() || d->people->containsName(typed)) {
        if (!typed.isEmpty())
            d->message(MessageService::Icon::None,
                       QStringLiteral("Il nome è gia' in uso! Quanta poca fantasia.."));
        d->name = d->myName;
        emit nameChanged(d->myName);
        return false;
    }
    d->myName = typed;
    if (d->host) {
        d->people->ChangeAddName(-1, typed);
        SendPeopleList();
        SendToSelf(tag::Listato);
        SendToSelf(addressMessage(typed));
    } else if (isClientConnected()) {
        SendToServer(tag::CambiaNome + typed);
        SendToServer(tag::Listato);
        SendToServer(addressMessage(typed));
    }
    return true;
}

// --- routing -------------------------------------------------------------------

void ChatSession::SendToPerson(const QString &vsData, qint16 viConnection)
{
    sendEncoded(vsData, encodeLine(vsData), viConnection);
}

void ChatSession::sendEncoded(const QString &vsData, const QByteArray &line, qint16 viConnection)
{
    Private::Element *e = d->element(viConnection);
    // A participant whose connection has just closed misses the message.
    if (!e || e->socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (e->replay.active) {
        // Behind the board it is being sent, in order. What waits here counts
        // against the same limit as the socket's own backlog.
        if (e->replay.queuedBytes + e->socket->bytesToWrite() + line.size() > d->backlogLimit) {
            d->drop(viConnection);
            return;
        }
        e->replay.queued.push_back({line, vsData});
        e->replay.queuedBytes += line.size();
        return;
    }
    // A peer already over its backlog is being dropped; writing more would
    // only grow the buffer until the drop runs.
    if (e->dropping || e->socket->bytesToWrite() > d->backlogLimit)
        return;
    if (e->socket->write(line) < 0)
        return;
    ShowSentData(viConnection, vsData);
    d->countUnsent(viConnection);
    d->noteWritten(viConnection, e);
    d->dropIfBacklogged(viConnection);
    d->shedOverflow();
}

bool ChatSession::admitAddressEntry(qint16 index)
{
    Private::Element *e = d->element(index);
    if (!e || e->addressEntries >= kMaxAddressEntriesPerConnection)
        return false;
    ++e->addressEntries;
    return true;
}

bool ChatSession::takeAddressRequest(qint16 index)
{
    Private::Element *e = d->element(index);
    if (!e || e->addressesSent)
        return false;
    e->addressesSent = true;
    return true;
}

// A broadcast encodes its line once and logs one shared copy of the text for
// every client, rather than one of each per client.
void ChatSession::SendToAll(const QString &vsData, bool vbSelf)
{
    const QByteArray line = encodeLine(vsData);
    const qint16 count = iConnections();
    for (qint16 i = 1; i <= count && i > 0; ++i)
        sendEncoded(vsData, line, i); // skips elements that are not connected
    if (vbSelf)
        SendToSelf(vsData);
}

void ChatSession::SendToAllButOriginator(const QString &vsData, qint16 viConnection)
{
    const QByteArray line = encodeLine(vsData);
    const qint16 count = iConnections();
    for (qint16 i = 1; i <= count && i > 0; ++i) {
        if (i != viConnection)
            sendEncoded(vsData, line, i); // skips elements that are not connected
    }
}

void ChatSession::SendToSelf(const QString &vsData)
{
    ProcessData(vsData + QStringLiteral("\r\n"), -1);
}

bool ChatSession::SendToServer(const QString &vsData)
{
    if (d->client->state() != QAbstractSocket::ConnectedState)
        return false;
    if (d->client->write(encodeLine(vsData)) < 0)
        return false;
    ShowSentData(-1, vsData);
    d->dropClientIfBacklogged();
    return true;
}

void ChatSession::Broadcast(const QString &vsData)
{
    if (d->host) {
        recordBoard(vsData);
        SendToAll(vsData, false);
    }
    else if (isClientConnected())
        SendToServer(vsData);
}

void ChatSession::ShowSentData(qint32 viConnection, const QString &vsData)
{
    d->sent->appendTraffic(viConnection, vsData);
}
void ChatSession::ShowReceivedData(qint32 viConnection, const QString &vsData)
{
    d->received->appendTraffic(viConnection, vsData);
}

QString ChatSession::addressMessage(const QString &name) const
{
    return tag::ComboIP + name + QStringLiteral(" - ") + sLocalIP(d->messages);
}

void ChatSession::SendPeopleList()
{
    if (!d->host)
        return;
    const ParticipantList *people = d->people;
    const int count = people->count();
    // The entries are the same for every target: build and encode them once.
    QStringList entries;
    QList<QByteArray> lines;
    entries.reserve(count);
    lines.reserve(count);
    for (int j = 0; j < count; ++j) {
        entries.append(tag::Riordina + sFormatSend(people->tagAt(j)) + people->nameAt(j));
        lines.append(encodeLine(entries.last()));
    }
    const QByteArray announce = encodeLine(tag::NuovoNome);
    for (int i = 0; i < count; ++i) {
        const qint32 target = people->tagAt(i);
        // The host's own entry (-1) and stray tags name no connection.
        if (target < 1 || target > 32767)
            continue;
        sendEncoded(tag::NuovoNome, announce, qint16(target));
        for (int j = 0; j < count; ++j)
            sendEncoded(entries[j], lines[j], qint16(target));
    }
}

// --- dispatcher ------------------------------------------------------------------

void ChatSession::ProcessData(const QString &vsData, qint16 index)
{
    d->dispatcher.ProcessData(vsData, index);
}

} // namespace session
