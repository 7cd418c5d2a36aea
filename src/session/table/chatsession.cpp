#include "chatsession.h"

#include "boardhistory.h"
#include "dispatcher.h"
#include "heartbeat.h"
#include "hostrelay.h"
#include "lineframer.h"
#include "localaddress.h"
#include "namebounds.h"
#include "participantlist.h"
#include "protocol.h"
#include "recapfilter.h"
#include "rejoin.h"
#include "seats.h"
#include "tableboard.h"
#include "tabledice.h"
#include "tags.h"
#include "trafficlog.h"

#include <QDateTime>
#include <QStringListModel>
#include <QTcpSocket>
#include <QTimer>

#include <vector>

namespace session
{

namespace
{

/// A status text of this file's constants in the reader's language.
QString shown(const QString &source)
{
    return ChatSession::tr(source.toUtf8().constData());
}

const char *const kStatusDisconnected =
    QT_TRANSLATE_NOOP("session::ChatSession", "Disconnessione.");

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

/// Writes already go out once per event-loop turn, gathered; holding the
/// next one back until the peer acknowledges the last (Nagle) only adds the
/// peer's delayed acknowledgement, up to 40 ms, to every line of a burst.
void setLowDelay(QTcpSocket *socket)
{
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

} // namespace

struct ChatSession::Private {
    /// What the protocol notes of each client connection, reset when the
    /// element carries a new one.
    struct Notes {
        bool addressesSent = false; ///< the address list went out to this connection
        int addressEntries = 0;     ///< address entries this connection has added
        bool tavernix = false;      ///< said "[Tavernix]": gets the tags beyond the basic protocol
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
    HostRelay *relay = nullptr; ///< sckConnection, element 0 and the clients
    std::vector<Notes> notes;   ///< connection i at i - 1

    qint32 port = 600;
    bool host = false;
    Phase phase = Phase::Idle;
    QString name;
    QString myName;
    int waitMs = kDefaultConnectWaitMs;
    quint64 clientGeneration = 0;
    QTimer *waitTimer = nullptr;
    QTimer *answerTimer = nullptr; ///< runs from our introduction to the host's rename
    int answerMs = kDefaultAnswerWaitMs;
    QSize extent{12000, 12000};
    BoardHistory history;
    TableBoard *table = nullptr;
    TableDice *dice = nullptr;

    // Getting back in after a lost connection.
    Rejoin *rejoin = nullptr;
    Heartbeat *heartbeat = nullptr;
    QString address;          ///< where the last "Connetti" went
    quint16 clientPort = 0;
    bool expelled = false;    ///< the host said it expels us: no coming back
    Seats seats;
    // The host's recent conversation, and whether an earlier session is
    // being taken back (nothing of it is reported as new).
    RecentTalk talk;
    bool resuming = false;
    RecapFilter recap; ///< client: the talk in the pane, against a return's recap

    Dispatcher dispatcher;

    Notes *notesFor(qint16 index)
    {
        if (index < 1 || index > qint16(notes.size()))
            return nullptr;
        return &notes[size_t(index - 1)];
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
        table->reset();
        talk.clear();
        recap.forget();
        seats.clear();
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
    void readClient()
    {
        heartbeat->heard();
        const QByteArray bytes = client->readAll();
        const QList<QByteArray> lines = clientFramer.feed(bytes);
        for (const QByteArray &line : lines)
            dispatcher.dispatchLine(decodeText(line), -1);
    }
    void onClientClosed()
    {
        if (clientClosingByUs)
            return;
        if (client->bytesAvailable() > 0)
            readClient(); // what the host said last still counts
        answerTimer->stop();
        heartbeat->disarm();
        if (phase == Phase::Reconnecting) {
            rejoin->tryFailed(); // in, but gone again before the host answered
            return;
        }
        status(ChatSession::tr(kStatusDisconnected));
        closeClient();
        // A lost connection keeps what the player saw and tries to get back
        // in; only a kick, the user's own doing or a new session clears.
        if (phase == Phase::Connected && !expelled) {
            keepForReturn();
            return;
        }
        clearStuff(); // empties the participant list too
        closeConnection();
        // While the connect wait runs, its end still decides (and fails).
        if (phase == Phase::Connected)
            setPhase(Phase::Idle);
    }

    static QString clockNow() { return QTime::currentTime().toString(QStringLiteral("H.mm")); }
    void markPane(const QString &note)
    {
        if (conversation)
            conversation->markPane(note);
    }
    /// Before the connections of a hosted session close: the dice seed is
    /// revealed while everyone can still hear it.
    void endHosting()
    {
        if (host)
            dice->hostingEnds();
    }
    void keepForReturn()
    {
        dice->hostLost();
        emit q->kickVisibleChanged(false);
        people->clear();
        status(shown(ChatSession::kLostHost));
        markPane(tr("——— connessione con l'host persa alle %1 ———").arg(clockNow()));
        closeConnection();
        setPhase(Phase::Reconnecting);
        rejoin->begin(address, clientPort);
    }
    void introduce()
    {
        q->SendToServer(tag::Tavernix + QLatin1Char('1'));
        if (!seats.kept().isEmpty())
            q->SendToServer(tag::Ritorno + seats.kept());
        q->SendToServer(tag::Connessione + name);
        q->SendToServer(tag::Listato);
    }
    void onReturned()
    {
        openConnection();
        setPhase(Phase::Connected);
        status(shown(ChatSession::kBackIn));
        markPane(tr("——— di nuovo al tavolo alle %1 ———").arg(clockNow()));
    }
    /// Stops every way back in (the user chose otherwise).
    void stopReturning()
    {
        rejoin->stop();
        heartbeat->disarm();
        heartbeat->stopBeating();
    }

    /// A client's connection closed by its own doing, or let go for the
    /// player coming back to its seat; everyone but @p except hears of it.
    void onElementClosed(qint16 index, qint16 except = -1)
    {
        seats.forget(index);
        dice->left(index);
        const QString who = people->sConnectionName(index);
        if (who.isEmpty())
            return; // gone before it introduced itself: no trace
        status(who + ChatSession::kLostContact);
        people->RemoveName(index);
        q->SendToAllButOriginator(tag::Disconnessione + sFormatSend(index), except);
    }

    void dropClientIfBacklogged()
    {
        if (client->bytesToWrite() <= relay->writeBacklogLimit())
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
        // "[Tavernix]" first: a host that knows it sends the rest of the
        // join with the tags beyond the basic protocol.
        if (!q->SendToServer(tag::Tavernix + QLatin1Char('1')) ||
            !q->SendToServer(tag::Connessione + name) || !q->SendToServer(tag::Listato)) {
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
            status(shown(ChatSession::kNoAnswer));
    }

    void connectFailed()
    {
        message(MessageService::Icon::Warning, tr("Impossibile stabilire una connessione."));
        closeClient();
        status(ChatSession::tr(kStatusDisconnected));
        closeConnection();
        setPhase(Phase::Idle);
    }
};

ChatSession::ChatSession(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this))
{
    d->people = new ParticipantList(this);
    d->table = new TableBoard(*this);
    d->dice = new TableDice(*this);
    d->combo = new QStringListModel(this);
    d->recipients = new QStringListModel(this);
    d->sent = new TrafficLog(this);
    d->received = new TrafficLog(this);

    d->client = new QTcpSocket(this);
    connect(d->client, &QTcpSocket::readyRead, this, [this] { d->readClient(); });
    connect(d->client, &QTcpSocket::connected, this, [this] {
        setLowDelay(d->client);
        Heartbeat::enableKeepAlive(d->client);
        if (d->phase == Phase::Reconnecting && d->rejoin->tryOpen())
            d->introduce();
    });
    connect(d->client, &QTcpSocket::errorOccurred, this, [this] {
        // A try that never got through (refused, unreachable); one that got
        // in and was closed again ends through the close event.
        if (d->phase == Phase::Reconnecting &&
            d->client->state() == QAbstractSocket::UnconnectedState)
            d->rejoin->tryFailed();
    });
    connect(d->client, &QTcpSocket::disconnected, this, [this] { d->onClientClosed(); });

    d->relay = new HostRelay(this);
    HostRelay::Hooks hooks;
    hooks.lineReceived = [this](qint16 index, const QByteArray &line) {
        d->dispatcher.dispatchLine(decodeText(line), index);
    };
    hooks.accepted = [this](qint16 index) {
        if (size_t(index) > d->notes.size())
            d->notes.resize(size_t(index));
        d->notes[size_t(index - 1)] = {};
        d->seats.forget(index);
    };
    hooks.closed = [this](qint16 index) { d->onElementClosed(index); };
    hooks.sent = [this](qint16 index, const QString &text) { ShowSentData(index, text); };
    hooks.sentToMany = [this](const QList<qint16> &indexes, const QString &text) {
        d->sent->appendTraffic(indexes, text);
    };
    hooks.sentLines = [this](qint16 index, const QByteArray &lines) {
        d->sent->appendWire(index, lines);
    };
    hooks.introduced = [this](qint16 index) {
        return !d->people->sConnectionName(index).isEmpty();
    };
    d->relay->setHooks(std::move(hooks));

    d->rejoin = new Rejoin(this);
    d->rejoin->setAnswerWait(d->answerMs);
    d->rejoin->setHooks({[this] {
                             d->closeClient();
                             d->recap.expectReturn();
                             ++d->clientGeneration;
                             d->expelled = false;
                             d->client->connectToHost(d->address, d->clientPort);
                         },
                         [this] { d->closeClient(); }, [this](const QString &t) { d->status(t); }});
    d->recap.setShow([this](const RecentTalk::Said &said) {
        if (d->conversation)
            d->conversation->showRecap(said.line, QDateTime::fromSecsSinceEpoch(said.secs));
    });
    d->recap.setNothingMissed([this] { d->status(shown(ChatSession::kNothingMissed)); });
    connect(d->rejoin, &Rejoin::back, this, [this] { d->onReturned(); });
    connect(d->rejoin, &Rejoin::gaveUp, this, [this] { d->setPhase(Phase::Idle); });
    d->heartbeat = new Heartbeat(this);
    connect(d->heartbeat, &Heartbeat::beat, this, [this] {
        const QByteArray line = encodeLine(tag::Battito);
        for (qint16 i = 1; i <= qint16(d->notes.size()) && i > 0; ++i) {
            if (d->notes[size_t(i - 1)].tavernix && !d->people->sConnectionName(i).isEmpty())
                sendEncoded(tag::Battito, line, i);
        }
    });
    // Silence from a host that beats: it is gone, as if it had closed.
    connect(d->heartbeat, &Heartbeat::silent, this, [this] {
        if (d->client->state() == QAbstractSocket::ConnectedState)
            d->client->abort();
    });

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
    d->stopReturning();
    QObject::disconnect(d->client, nullptr, this, nullptr);
    d->client->abort();
    d->relay->setHooks({});
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
    return d->relay->port();
}

bool ChatSession::bHost() const
{
    return d->host;
}
qint16 ChatSession::iConnections() const
{
    return d->relay->count();
}

bool ChatSession::bConnected() const
{
    if (clientState() != kClosed)
        return true;
    for (qint16 i = 1; i <= d->relay->count() && i > 0; ++i) {
        if (stateCode(d->relay->state(i)) != kClosed)
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
        return d->relay->isListening() ? 2 : kClosed;
    return stateCode(d->relay->state(index));
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
    d->name = boundedName(name);
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
    if (d->phase == Phase::Reconnecting)
        d->rejoin->answered();
}

HostRelay *ChatSession::relay() const
{
    return d->relay;
}
qint64 ChatSession::writeBacklogLimit() const
{
    return d->relay->writeBacklogLimit();
}
void ChatSession::setWriteBacklogLimit(qint64 bytes)
{
    d->relay->setWriteBacklogLimit(bytes);
}
qint64 ChatSession::totalBacklogLimit() const
{
    return d->relay->totalBacklogLimit();
}
void ChatSession::setTotalBacklogLimit(qint64 bytes)
{
    d->relay->setTotalBacklogLimit(bytes);
}
qint64 ChatSession::totalUnsentBytes() const
{
    return d->relay->totalUnsentBytes();
}
int ChatSession::joinTimeoutMs() const
{
    return d->relay->joinTimeoutMs();
}
void ChatSession::setJoinTimeout(int ms)
{
    d->relay->setJoinTimeout(ms);
}
int ChatSession::maxPendingJoins() const
{
    return d->relay->maxPendingJoins();
}
void ChatSession::setMaxPendingJoins(int count)
{
    d->relay->setMaxPendingJoins(count);
}
int ChatSession::pendingJoins() const
{
    return d->relay->pendingJoins();
}
int ChatSession::acceptPauseMs() const
{
    return d->relay->acceptPauseMs();
}
void ChatSession::setAcceptPause(int ms)
{
    d->relay->setAcceptPause(ms);
}
int ChatSession::acceptPauses() const
{
    return d->relay->acceptPauses();
}
bool ChatSession::acceptPaused() const
{
    return d->relay->acceptPaused();
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
    d->rejoin->setAnswerWait(d->answerMs);
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

BoardHistory &ChatSession::history()
{
    return d->history;
}

Dispatcher &ChatSession::dispatcher()
{
    return d->dispatcher;
}

RecapFilter &ChatSession::recapFilter()
{
    return d->recap;
}

Seats &ChatSession::seats()
{
    return d->seats;
}

bool ChatSession::releaseSeat(qint16 index, qint16 newcomer)
{
    if (!d->host || index == newcomer || !d->relay->isConnected(index))
        return false;
    d->relay->closeConnection(index);
    d->onElementClosed(index, newcomer);
    return true;
}

TableBoard *ChatSession::tableBoard() const
{
    return d->table;
}

void ChatSession::setBoardHistoryLimit(qsizetype bytes)
{
    d->history.setLimit(bytes);
}

bool ChatSession::isReplaying(qint16 index) const
{
    return d->relay->isReplaying(index);
}

qint64 ChatSession::unsentBytes(qint16 index) const
{
    if (index == -1)
        return d->client->bytesToWrite();
    return d->relay->unsentBytes(index);
}

void ChatSession::recordBoard(const QString &vsData)
{
    if (!d->host)
        return;
    if (vsData == tag::Pulisci)
        d->table->keepCleared(d->history);
    const BoardHistory::Outcome outcome = d->history.record(vsData);
    if (outcome == BoardHistory::Outcome::Full)
        d->status(shown(ChatSession::kBoardHistoryFull));
    else if (outcome == BoardHistory::Outcome::Cleared)
        d->relay->forgetReplayedBoards();
    if (outcome != BoardHistory::Outcome::Ignored && !d->resuming)
        emit boardRecorded(vsData);
}

void ChatSession::startReplay(qint16 index)
{
    if (!d->host)
        return;
    replayBoard(index);
    // After the board: what goes to a connection being replayed waits
    // behind it, in order.
    if (isTavernixPeer(index)) {
        for (const QString &message : d->talk.messages())
            SendToPerson(message, index);
    }
}

void ChatSession::replayBoard(qint16 index, bool anew)
{
    // A replay under way already sends the board, and would be cut short.
    if (!d->host || (!anew && d->relay->isReplaying(index)))
        return;
    // Sent before the board, so a client that comes back draws the host's
    // board instead of adding it to what it kept.
    if (isTavernixPeer(index))
        SendToPerson(tag::LavagnaIntera, index);
    d->relay->startReplay(index, d->table->replayBlocks());
}

bool ChatSession::isTavernixPeer(qint16 index) const
{
    const Private::Notes *notes = d->notesFor(index);
    return notes && notes->tavernix;
}

void ChatSession::noteTavernixPeer(qint16 index)
{
    if (Private::Notes *notes = d->notesFor(index))
        notes->tavernix = true;
}

TableDice *ChatSession::dice() const
{
    return d->dice;
}

void ChatSession::notePublicLine(const QString &line)
{
    notePublic(tag::Messaggio + line);
}

void ChatSession::noteExpelled()
{
    d->expelled = true;
    d->status(shown(ChatSession::kExpelled));
}

void ChatSession::noteHostBeats()
{
    if (!d->heartbeat->isArmed())
        d->heartbeat->arm();
}

void ChatSession::notePublic(const QString &vsData)
{
    if (!d->host || !vsData.startsWith(tag::Messaggio))
        return;
    const QString line = vsData.mid(tag::Messaggio.size());
    const qint64 secs = QDateTime::currentSecsSinceEpoch();
    d->talk.add(line, secs);
    emit publicLineSaid(line, secs);
}

ReconnectPolicy *ChatSession::reconnectPolicy() const
{
    return d->rejoin->policy();
}

Heartbeat *ChatSession::heartbeat() const
{
    return d->heartbeat;
}

const RecentTalk &ChatSession::recentTalk() const
{
    return d->talk;
}

void ChatSession::resumeTable(const QList<QByteArray> &boardBlocks,
                              const std::vector<RecentTalk::Said> &talk)
{
    if (!d->host)
        return;
    d->resuming = true;
    for (const QByteArray &block : boardBlocks) {
        qsizetype pos = 0;
        for (qsizetype end; (end = block.indexOf("\r\n", pos)) >= 0; pos = end + 2)
            d->dispatcher.restoreLine(decodeText(QByteArrayView(block).sliced(pos, end - pos)));
    }
    d->resuming = false;
    const size_t first = talk.size() > size_t(d->talk.capacity())
                             ? talk.size() - size_t(d->talk.capacity())
                             : 0;
    for (size_t i = first; i < talk.size(); ++i) {
        d->talk.add(talk[i].line, talk[i].secs);
        if (d->conversation)
            d->conversation->showRecap(talk[i].line,
                                       QDateTime::fromSecsSinceEpoch(talk[i].secs));
    }
}

// --- connection manager ------------------------------------------------------

void ChatSession::cmdHost_Click()
{
    if (d->name.isEmpty())
        return;
    d->waitTimer->stop();
    d->answerTimer->stop();
    d->stopReturning();
    d->endHosting();
    d->relay->close();
    // Listen before anything changes, so a refused port leaves the session
    // exactly as it was.
    const bool portValid = d->port >= 0 && d->port <= 65535;
    if (!portValid || !d->relay->listen(quint16(d->port))) {
        d->message(MessageService::Icon::Warning, d->listenFailure(d->relay->error()));
        return;
    }

    d->openConnection();
    d->host = true;
    d->clearStuff();
    d->closeClient();
    d->status(tr("Server in attesa..."));
    // The name we host under is our confirmed name from now on.
    d->myName = d->name;
    d->people->AddName(-1, d->name);
    emit kickVisibleChanged(true);
    d->combo->setStringList({});
    d->setPhase(Phase::Hosting);
    d->dice->hostingBegan();
    d->heartbeat->startBeating();
    SendToSelf(tag::Listato);
    SendToSelf(addressMessage(d->name));
}

void ChatSession::cmdConnect_Click(const QString &address)
{
    if (d->name.isEmpty())
        return;
    d->waitTimer->stop();
    d->answerTimer->stop();
    d->stopReturning();
    // One role at a time: a host that connects elsewhere stops hosting.
    d->endHosting();
    d->relay->close();
    d->dice->joining();

    d->openConnection();
    d->host = false;
    d->clearStuff();
    d->status(tr("Connessione in corso..."));
    d->closeClient();
    d->setPhase(Phase::Connecting);
    const bool portValid = d->port > 0 && d->port <= 65535;
    // An invalid port or address fails on its own; the wait's end reports it.
    ++d->clientGeneration;
    d->expelled = false;
    // Where a lost connection tries to get back to.
    d->address = address;
    d->clientPort = portValid ? quint16(d->port) : 0;
    if (portValid)
        d->client->connectToHost(address, quint16(d->port));
    d->waitTimer->start(d->waitMs);
}

void ChatSession::cmdDisconnect_Click()
{
    d->waitTimer->stop(); // a pending introduction is cancelled, not failed
    d->answerTimer->stop();
    d->stopReturning();
    d->closeClient();
    d->endHosting();
    d->relay->close();
    d->host = false;
    d->status(ChatSession::tr(kStatusDisconnected));
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
        if (expelled >= 1 && expelled <= 32767) {
            // The basic protocol gives the expelled client no word; a Tavernix
            // client is told, so it does not take the kick for a lost host.
            const Private::Notes *notes = d->notesFor(qint16(expelled));
            if (notes && notes->tavernix)
                SendToPerson(tag::SeiEspulso, qint16(expelled));
            d->seats.forget(qint16(expelled));
            d->dice->left(qint16(expelled));
            d->relay->closeConnection(qint16(expelled));
        }
        d->status(tr("Espulsione dalla chat di: %1.").arg(people->nameAt(i)));
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
        d->message(MessageService::Icon::Information,
                   tr("Una o più connessioni sono attualmente aperte. Occorre disconnettersi "
                      "prima di mutare porta."));
        return false;
    }
    return true;
}

void ChatSession::closeAllSockets()
{
    d->waitTimer->stop();
    d->stopReturning();
    d->closeClient();
    d->endHosting();
    d->relay->close();
}

bool ChatSession::confirmOwnName()
{
    const QString typed = d->name;
    if (typed == d->myName)
        return false;
    if (typed.isEmpty() || d->people->containsName(typed)) {
        if (!typed.isEmpty())
            d->message(MessageService::Icon::None,
                       tr("Il nome è gia' in uso! Quanta poca fantasia.."));
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
    d->relay->send(viConnection, vsData, line);
}

bool ChatSession::admitAddressEntry(qint16 index)
{
    Private::Notes *e = d->notesFor(index);
    if (!e || e->addressEntries >= kMaxAddressEntriesPerConnection)
        return false;
    ++e->addressEntries;
    return true;
}

bool ChatSession::takeAddressRequest(qint16 index)
{
    Private::Notes *e = d->notesFor(index);
    if (!e || e->addressesSent)
        return false;
    e->addressesSent = true;
    return true;
}

// A broadcast encodes its line once and logs one shared copy of the text for
// every client, rather than one of each per client.
void ChatSession::SendToAll(const QString &vsData, bool vbSelf)
{
    notePublic(vsData);
    d->relay->sendToAll(vsData, encodeLine(vsData));
    if (vbSelf)
        SendToSelf(vsData);
}

void ChatSession::SendToAllButOriginator(const QString &vsData, qint16 viConnection)
{
    notePublic(vsData);
    // -1 names no connection, so everyone gets it.
    d->relay->sendToAll(vsData, encodeLine(vsData), viConnection);
}

void ChatSession::SendToSelf(const QString &vsData)
{
    ProcessData(vsData + QStringLiteral("\r\n"), -1);
}

bool ChatSession::SendToServer(const QString &vsData)
{
    return sendEncodedToServer(vsData, encodeLine(vsData));
}

bool ChatSession::sendEncodedToServer(const QString &vsData, const QByteArray &line)
{
    if (d->client->state() != QAbstractSocket::ConnectedState)
        return false;
    if (d->client->write(line) < 0)
        return false;
    ShowSentData(-1, vsData);
    // Remembered as the host will hold it: what the code page cannot carry
    // arrives there as "?".
    if (vsData.startsWith(tag::Messaggio))
        d->recap.said(decodeText(QByteArrayView(line).chopped(2)).mid(tag::Messaggio.size()));
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
