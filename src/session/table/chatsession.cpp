#include "chatsession.h"

#include "boardhistory.h"
#include "connectionindex.h"
#include "dispatcher.h"
#include "heartbeat.h"
#include "hostrelay.h"
#include "lineframer.h"
#include "localaddress.h"
#include "namebounds.h"
#include "outbox.h"
#include "participantlist.h"
#include "protocol.h"
#include "recapfilter.h"
#include "rejoin.h"
#include "seats.h"
#include "tableboard.h"
#include "tabledice.h"
#include "tablestate.h"
#include "tags.h"
#include "trafficlog.h"

#include "accesstags.h"
#include "admission.h"
#include "connector.h"
#include "tablesecurity.h"
#include "truststore.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSet>
#include <QSslSocket>
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

// What the dispatcher and the table board share with the session is its
// TableState; the rest is the session's own.
struct ChatSession::Private : TableState {
    explicit Private(ChatSession *session) : q(session), dispatcher(*this, *session) {}

    ChatSession *q;
    TrafficLog *sent = nullptr;

    /// Opens the client's connections: TLS to Tavernix hosts, judged before use.
    secure::Connector *connector = nullptr;
    secure::TableSecurity *security = nullptr; ///< host: the private table, or none
    secure::TrustStore *trust = nullptr;        ///< client: hosts met before
    std::optional<secure::Fingerprint> invitePin; ///< client: the invitation's, for the next "Connetti"
    std::optional<secure::Fingerprint> pin;     ///< client: the invitation's, then the host's
    std::optional<secure::TableKey> key;        ///< client: the invitation's key
    QString password;                           ///< client: a table password typed
    secure::TableKey seatPass;                  ///< client: what the host handed us
    secure::Access tableAccess = secure::Access::Anyone; ///< client: who the host lets in, as it said
    secure::Fingerprint ownPrint;               ///< our transfer port's fingerprint
    /// The transfer fingerprints of the others, by connection index (-1 the
    /// host): host, as each client said it; client, as the host passed them on.
    QHash<qint16, secure::Fingerprint> prints;
    bool encrypted = false;                     ///< client: the connection is TLS
    bool connectorFailed = false;               ///< client: the connection could not be made
    bool waitDone = false;                      ///< client: the 3.2 s wait has ended
    QString refusal;                            ///< client: the host refused us for this
    std::function<bool(const QString &)> refusalHandler;
    LineFramer clientFramer;
    bool clientClosingByUs = false;

    qint32 port = 600;
    Phase phase = Phase::Idle;
    QString name;
    int waitMs = kDefaultConnectWaitMs;
    quint64 clientGeneration = 0;
    QTimer *waitTimer = nullptr;
    QTimer *answerTimer = nullptr; ///< runs from our introduction to the host's rename
    int answerMs = kDefaultAnswerWaitMs;

    // Getting back in after a lost connection.
    Rejoin *rejoin = nullptr;
    Heartbeat *heartbeat = nullptr;
    QString address;          ///< where the last "Connetti" went
    quint16 clientPort = 0;
    bool expelled = false;    ///< the host said it expels us: no coming back

    // What reaches the host, between Tavernix programs. The host greets every
    // connection, counts the lines it reads and says when a newcomer's
    // welcome is over; the client keeps what it said and drew until counted,
    // and holds what is made while the link is down for after the return.
    QString tableId;          ///< host: ours; client: the one our host gave last
    QTimer *ackTimer = nullptr; ///< host: the counts go back after a burst
    Outbox outbox;
    qint64 written = 0;       ///< client: lines written on this connection
    bool greeted = false;     ///< client: this connection's host greeted it
    bool awaitingSeat = false; ///< client: what is made now waits for the seat
    bool newGame = false;     ///< client: back at a table with another identity
    bool tableClosed = false; ///< client: the host said it closes the table
    bool heldSaid = false;    ///< client: the pane said once that things wait
    QString portChoice;       ///< how another port is chosen, in a refusal

    Dispatcher dispatcher;

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
        prints.clear();
        emit q->kickVisibleChanged(false);
        people->clear();
        if (conversation)
            conversation->clearDialog();
        if (board)
            board->clearBoard();
    }

    void closeClient()
    {
        connector->abort(); // a connection still being opened is dropped too
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
        for (const QByteArray &line : lines) {
            // The private table's own tags, only ever from a host inside TLS.
            if (encrypted && line.startsWith(secure::tag::Rifiuto)) {
                refusal = QString::fromLatin1(line.mid(qsizetype(sizeof secure::tag::Rifiuto) - 1));
                expelled = true; // not a lost host: no coming back by itself
                continue;
            }
            if (encrypted && line.startsWith(secure::tag::Lasciapassare)) {
                takeSeatPass(line.mid(qsizetype(sizeof secure::tag::Lasciapassare) - 1));
                continue;
            }
            if (encrypted && line.startsWith(secure::tag::Impronta)) {
                const QString value = QString::fromLatin1(line.mid(qsizetype(sizeof secure::tag::Impronta) - 1));
                const auto print = secure::Fingerprint::fromLinkText(sLongParam(value, 2));
                const qint16 index = qint16(sParam(value, 1).toInt());
                if (print)
                    prints.insert(index, *print);
                else
                    prints.remove(index);
                continue;
            }
            // Whoever leaves takes its fingerprint along: the index may soon
            // name someone else.
            if (line.startsWith(tag::Disconnessione.toLatin1()) || line.startsWith(tag::Espulsione.toLatin1()))
                prints.remove(qint16(sParam(decodeText(line).mid(line.indexOf(']') + 1), 1).toInt()));
            dispatcher.dispatchLine(decodeText(line), kHostIndex);
        }
    }
    /// "[Tavernix Lasciapassare]": the pass, then who the table lets in.
    void takeSeatPass(const QByteArray &value)
    {
        const QList<QByteArray> words = value.split(' ');
        const auto pass = secure::TableKey::fromLinkText(QString::fromLatin1(words.value(0)));
        if (!pass)
            return;
        seatPass = *pass;
        // A table that does not say is taken as private: the stricter door.
        tableAccess = secure::accessFromName(QString::fromLatin1(words.value(1))).value_or(secure::Access::Invited);
        emit q->seatPassChanged(seatPass, tableAccess);
    }
    /// The connection the connector opened becomes sckConnect.
    void adoptClient(QSslSocket *socket, bool isEncrypted)
    {
        QObject::disconnect(client, nullptr, q, nullptr);
        client->abort();
        client->deleteLater();
        client = socket;
        socket->setParent(q);
        encrypted = isEncrypted;
        if (encrypted)
            pin = connector->presented(); // a way back in goes to this host only
        emit q->encryptionChanged(encrypted);
        QObject::connect(client, &QTcpSocket::readyRead, q, [this] { readClient(); });
        QObject::connect(client, &QTcpSocket::disconnected, q, [this] { onClientClosed(); });
        setLowDelay(client);
        Heartbeat::enableKeepAlive(client);
        if (client->bytesAvailable() > 0)
            readClient();
    }
    void openClient(const QString &host, quint16 hostPort)
    {
        connectorFailed = false;
        waitDone = false;
        refusal.clear();
        // TLS for a program that keeps trust (the window, with its hosts met
        // before) or was given an invitation; otherwise the basic protocol.
        if (trust || pin)
            connector->open(host, hostPort, pin);
        else
            connector->openPlain(host, hostPort);
    }
    /// What the joiner brings, inside TLS only; never in the logs.
    void presentAccess()
    {
        if (!encrypted)
            return;
        QByteArray value;
        if (key)
            value = secure::tag::kKeyMark + key->toLinkText().toLatin1();
        else if (!password.isEmpty())
            value = secure::tag::kPasswordMark + password.toUtf8();
        if (!value.isEmpty())
            client->write(QByteArray(secure::tag::Accesso) + value + "\r\n");
        // So a sender the host tells of it can check it reaches our transfer port.
        if (!ownPrint.isNull())
            client->write(QByteArray(secure::tag::Impronta) + ownPrint.toLinkText().toLatin1() + "\r\n");
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
        if (phase == Phase::Connected && !expelled && !tableClosed) {
            keepForReturn();
            return;
        }
        if (!refusal.isEmpty() && !(refusalHandler && refusalHandler(refusal)))
            message(MessageService::Icon::Warning, secure::Admission::refusalText(refusal));
        // The host closed the table on purpose: nobody to come back to, but
        // the evening's pane and board stay for the player to keep.
        if (phase == Phase::Connected && tableClosed) {
            emit q->kickVisibleChanged(false);
            people->clear();
            status(ChatSession::tr("L'host ha chiuso il tavolo: la connessione non sarà "
                                   "ritentata. \"Connetti\" per entrare di nuovo."));
            abandonOutbox(true);
            closeConnection();
            setPhase(Phase::Idle);
            return;
        }
        abandonOutbox(false);
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
        takeBackUnconfirmed();
        closeConnection();
        setPhase(Phase::Reconnecting);
        rejoin->begin(address, clientPort);
    }

    // --- the outbox -------------------------------------------------------
    void markOwn(quint64 id, ConversationSink::OwnLine state, bool late)
    {
        if (conversation && id != 0)
            conversation->markOwnLine(id, state, late);
    }
    static bool isLine(const Outbox::Item &item) { return item.kind != Outbox::Kind::Drawing; }
    /// The link is gone: what the host did not confirm waits again, shown as
    /// waiting; a private line cannot go to the same people after a return
    /// and is handed back.
    void takeBackUnconfirmed()
    {
        const Outbox::Lost lost = outbox.connectionLost();
        QStringList typed;
        for (const Outbox::Item &item : lost.privateLines) {
            markOwn(item.id, ConversationSink::OwnLine::Unsent, false);
            if (!item.typed.isEmpty())
                typed << item.typed;
        }
        for (const Outbox::Item &item : lost.unconfirmed) {
            if (item.kind == Outbox::Kind::Line) {
                // The host never had it: its recap will not either. Taken
                // back as it was remembered, as the wire's code page left it.
                recap.unsay(decodeText(encodeText(item.message)).mid(tag::Messaggio.size()));
                markOwn(item.id, ConversationSink::OwnLine::Waiting, true);
            }
        }
        if (!typed.isEmpty()) {
            status(ChatSession::tr("Un messaggio privato non è arrivato prima che la connessione "
                                   "si perdesse: è tornato nella casella del messaggio."));
            emit q->unsentReturned(typed);
        }
        // Only a host that greeted confirms lines and says when the player is
        // seated again; towards any other nothing is held.
        awaitingSeat = greeted;
        heldSaid = !outbox.isEmpty();
        if (heldSaid)
            status(ChatSession::tr("Ciò che non è arrivato all'host, e ciò che si scrive o disegna "
                                   "ora, resta in attesa e partirà al ritorno al tavolo."));
    }
    /// Nothing kept can go any more: lines are said to be unsent (and, when
    /// the pane stays, marked so there) and what was typed goes back.
    void abandonOutbox(bool paneKept)
    {
        awaitingSeat = false;
        heldSaid = false;
        const std::vector<Outbox::Item> items = outbox.takeAll();
        QStringList typed;
        int lines = 0;
        int drawings = 0;
        for (const Outbox::Item &item : items) {
            if (!isLine(item)) {
                ++drawings;
                continue;
            }
            ++lines;
            if (paneKept)
                markOwn(item.id, ConversationSink::OwnLine::Unsent, false);
            if (!item.typed.isEmpty())
                typed << item.typed;
        }
        if (lines + drawings == 0)
            return;
        status(ChatSession::tr("Non inviati al tavolo: %1 (ciò che era stato scritto è tornato "
                               "nella casella del messaggio) e %2.")
                   .arg(countedLines(lines), countedDrawings(drawings)));
        if (!typed.isEmpty())
            emit q->unsentReturned(typed);
    }
    static QString countedLines(int n) { return ChatSession::tr("%n messaggi", nullptr, n); }
    static QString countedDrawings(int n) { return ChatSession::tr("%n disegni", nullptr, n); }
    /// Draws @p message on our board alone, as it was drawn while away: the
    /// host's board has just replaced ours. Lines, circles and fills the
    /// host sends back to everyone, us included, so those are left to it.
    void redrawLocally(const QString &message)
    {
        if (message.startsWith(tag::Linea) || message.startsWith(tag::Circonferenza) ||
            message.startsWith(tag::Colora))
            return;
        if (message == tag::Pulisci) {
            table->boardCleared();
            if (board)
                board->clearBoard();
            return;
        }
        dispatcher.applyLocally(message);
    }
    /// Seated again: what waited goes, in order, drawings after the board.
    void sendHeld()
    {
        awaitingSeat = false;
        if (newGame) {
            const auto dropped = outbox.dropHeldDrawings();
            if (!dropped.empty())
                status(ChatSession::tr("%n disegni fatti durante l'assenza non sono stati "
                                       "inviati: erano sulla lavagna della partita finita.",
                                       nullptr, int(dropped.size())));
        }
        int lines = 0;
        int drawings = 0;
        for (const Outbox::Item &item : outbox.held()) {
            if (!isLine(item))
                redrawLocally(item.message);
            if (!q->sendToHost(item.message, encodeLine(item.message)))
                return; // gone again: the rest waits for the next return
            outbox.markWritten(item.id, written);
            ++(isLine(item) ? lines : drawings);
        }
        if (lines + drawings > 0)
            status(ChatSession::tr("Inviati al ritorno: %1 e %2 fatti durante l'assenza.")
                       .arg(countedLines(lines), countedDrawings(drawings)));
    }
    /// The link is down towards a host that brings players back: @p message
    /// waits. False when it cannot (a drawing past the budget).
    bool hold(Outbox::Kind kind, const QString &message, const QString &typed, quint64 *id)
    {
        *id = outbox.hold(kind, message, typed);
        if (*id == 0) {
            status(ChatSession::tr("Troppi disegni in attesa: quelli nuovi restano solo su questa "
                                   "lavagna finché la connessione non torna."));
            return false;
        }
        if (!heldSaid) {
            heldSaid = true;
            status(ChatSession::tr("Connessione assente: ciò che si scrive o disegna ora resta in "
                                   "attesa e partirà al ritorno al tavolo."));
        }
        return true;
    }
    bool holding() const
    {
        return !host && awaitingSeat &&
               (phase == Phase::Reconnecting || phase == Phase::Connected);
    }
    /// Client: the host greeted this connection with table @p id.
    void noteGreeting(const QString &id)
    {
        // An identity is short; anything longer is not one we gave out.
        const QString table = id.left(kTableIdLength);
        if (phase == Phase::Reconnecting && !tableId.isEmpty() && table != tableId)
            newGame = true;
        tableId = table;
        greeted = true;
        q->hostKnownTavernix();
    }
    /// Client: the host has read @p count lines of this connection.
    void noteAcknowledged(qint64 count)
    {
        for (const Outbox::Item &item : outbox.confirm(count)) {
            if (isLine(item))
                markOwn(item.id, ConversationSink::OwnLine::Confirmed, item.late);
        }
    }
    /// Client: the host's welcome is all here; what waited goes now.
    void noteSeated()
    {
        if (awaitingSeat)
            sendHeld();
        newGame = false;
    }
    /// Host: tells every "[Tavernix]" client how many of its lines came in.
    void sendCounts()
    {
        for (qint16 i = 1; i <= peers.last() && i > 0; ++i) {
            if (!peers.isTavernix(i) || !relay->isConnected(i))
                continue;
            if (const auto count = peers.takeUntoldCount(i))
                q->SendToPerson(tag::Ricevuto + sFormatSend(double(*count)), i);
        }
    }
    /// Host: the table closes on purpose; the players are told first.
    void closeTable()
    {
        endHosting();
        if (host && relay->isListening())
            relay->sayLast(tag::TavoloChiuso, encodeLine(tag::TavoloChiuso));
        relay->close();
    }
    void introduce()
    {
        q->SendToServer(tag::Tavernix + QLatin1Char('1'));
        presentAccess();
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
        if (newGame) {
            status(ChatSession::tr("L'host ha iniziato una nuova partita: la lavagna è stata "
                                   "svuotata."));
            markPane(ChatSession::tr("——— nuova partita: la lavagna è stata svuotata ———"));
        }
        // A host that did not greet this time says nothing of the seat, so
        // what waited would wait for ever.
        if (!greeted)
            abandonOutbox(true);
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
    void onElementClosed(qint16 index, qint16 except = kNoException)
    {
        // Lost, not let go: its player may come back with the token.
        seats.vacate(index, QDateTime::currentMSecsSinceEpoch());
        prints.remove(index);
        table->connectionGone(index);
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
        // How another port is chosen: the window's button, or the server's option.
        const QString how = portChoice.isEmpty() ? ChatSession::tr("con \"Porta\"") : portChoice;
        if (port < 0 || port > 65535)
            return ChatSession::tr("La porta %1 non è valida: scegliere %2 un numero da 1 a 65535.")
                .arg(p, how);
        switch (error) {
        case QAbstractSocket::AddressInUseError:
            return ChatSession::tr("Impossibile ospitare la sessione: la porta %1 è già in uso da "
                                   "un altro programma. Scegliere un'altra porta %2.")
                .arg(p, how);
        case QAbstractSocket::SocketAccessError:
            return ChatSession::tr("Impossibile ospitare la sessione: la porta %1 è riservata (le "
                                   "porte sotto 1024 richiedono i privilegi di amministratore). "
                                   "Scegliere una porta da 1024 a 65535 %2.")
                .arg(p, how);
        default:
            return ChatSession::tr("Impossibile ospitare la sessione: non è possibile restare in "
                                   "attesa di connessioni sulla porta %1.")
                .arg(p);
        }
    }

    void onConnectWaitDone()
    {
        waitDone = true;
        if (connectorFailed) {
            connectFailed();
            return;
        }
        // Still judging the host, or waiting for it: the connector's end decides.
        if (connector->isBusy())
            return;
        combo->setStringList({});
        // "[Tavernix]" first: a host that knows it sends the rest of the
        // join with the tags beyond the basic protocol.
        const bool tavernix = q->SendToServer(tag::Tavernix + QLatin1Char('1'));
        presentAccess();
        if (!tavernix || !q->SendToServer(tag::Connessione + name) || !q->SendToServer(tag::Listato)) {
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
        // Where it tried, so a mistyped address or a port left from an
        // invitation shows at once.
        message(MessageService::Icon::Warning,
                tr("Impossibile stabilire una connessione.") + QLatin1Char('\n') +
                    ChatSession::tr("Indirizzo: %1, porta %2.")
                        .arg(address.isEmpty() ? ChatSession::tr("(vuoto)") : address)
                        .arg(port));
        closeClient();
        status(ChatSession::tr(kStatusDisconnected));
        closeConnection();
        setPhase(Phase::Idle);
    }
};

ChatSession::ChatSession(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this))
{
    d->people = new ParticipantList(this);
    d->people->setPlainTest(
        [this](qint32 tag) { return d->host && isClientIndex(tag) && !d->relay->isEncrypted(qint16(tag)); });
    d->table = new TableBoard(*d, *this, this);
    d->dice = new TableDice(*d, *this, this);
    d->combo = new QStringListModel(this);
    d->recipients = new QStringListModel(this);
    d->sent = new TrafficLog(this);
    d->received = new TrafficLog(this);

    d->client = new QSslSocket(this); // closed until the connector hands over one
    d->connector = new secure::Connector(nullptr, this);
    connect(d->connector, &secure::Connector::opened, this, [this](QSslSocket *socket, bool encrypted) {
        d->adoptClient(socket, encrypted);
        if (d->phase == Phase::Reconnecting) {
            if (d->rejoin->tryOpen())
                d->introduce();
            return;
        }
        // A completed TLS handshake says a Tavernix host is there: no need
        // to wait for a basic host to be ready.
        if (d->phase == Phase::Connecting && d->waitDone)
            d->onConnectWaitDone();
        else if (encrypted)
            hostKnownTavernix();
    });
    connect(d->connector, &secure::Connector::failed, this, [this](const QString &why) {
        if (d->phase == Phase::Reconnecting && why.isEmpty()) {
            d->rejoin->tryFailed(); // a try that never got through
            return;
        }
        if (!why.isEmpty()) {
            // Not the host meant: say why, and never come back by ourselves.
            d->stopReturning();
            d->waitTimer->stop();
            d->message(MessageService::Icon::Critical, why);
            d->closeClient();
            d->status(kStatusDisconnected);
            d->clearStuff();
            d->closeConnection();
            d->setPhase(Phase::Idle);
            return;
        }
        d->connectorFailed = true;
        if (d->waitDone)
            d->connectFailed();
    });
    connect(d->connector, &secure::Connector::certificateChanged, this, [this](const QString &question) {
        if (!d->messages) {
            d->connector->answerChange(false);
            return;
        }
        d->messages->ask(MessageService::Icon::Warning, kAppTitle, question,
                         MessageService::Buttons::YesNo, d->connector,
                         [this](bool yes) { d->connector->answerChange(yes); });
    });

    d->relay = new HostRelay(this);
    HostRelay::Hooks hooks;
    hooks.lineReceived = [this](qint16 index, const QByteArray &line) {
        // Counted as read, whatever it says: the player learns from the
        // count what reached us.
        d->peers.countLine(index);
        if (d->peers.isTavernix(index) && !d->ackTimer->isActive())
            d->ackTimer->start();
        d->dispatcher.dispatchLine(decodeText(line), index);
    };
    hooks.accepted = [this](qint16 index) {
        d->peers.reset(index);
        d->seats.forget(index);
        d->prints.remove(index);
        d->table->connectionGone(index);
    };
    hooks.ready = [this](qint16 index) {
        // First of all, before the newcomer says anything: a Tavernix client
        // introduces itself at once instead of pausing. A program of the
        // basic protocol ignores a tag it does not know.
        if (d->host)
            SendToPerson(tag::Saluto + d->tableId, index);
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
                             d->written = 0;
                             d->greeted = false;
                             d->openClient(d->address, d->clientPort);
                         },
                         [this] { d->closeClient(); }, [this](const QString &t) { d->status(t); }});
    d->recap.setShow([this](const RecentTalk::Said &said) {
        if (d->conversation)
            d->conversation->showRecap(said.line, QDateTime::fromSecsSinceEpoch(said.secs));
    });
    d->recap.setNothingMissed([this] { d->status(shown(ChatSession::kNothingMissed)); });
    connect(d->rejoin, &Rejoin::back, this, [this] { d->onReturned(); });
    connect(d->rejoin, &Rejoin::gaveUp, this, [this] {
        d->abandonOutbox(true);
        d->setPhase(Phase::Idle);
    });
    d->heartbeat = new Heartbeat(this);
    connect(d->heartbeat, &Heartbeat::beat, this, [this] {
        const QByteArray line = encodeLine(tag::Battito);
        for (qint16 i = 1; i <= d->peers.last() && i > 0; ++i) {
            if (d->peers.isTavernix(i) && !d->people->sConnectionName(i).isEmpty())
                send(i, tag::Battito, line);
        }
    });
    // Silence from a host that beats: it is gone, as if it had closed.
    connect(d->heartbeat, &Heartbeat::silent, this, [this] {
        if (d->client->state() == QAbstractSocket::ConnectedState)
            d->client->abort();
    });

    Dispatcher::Hooks heard;
    heard.named = [this](const QString &name) {
        adoptName(name);
        SendToServer(addressMessage(name));
        SendToServer(tag::NeoConnesso);
    };
    heard.seatTaken = [this](qint16 old, qint16 newcomer) { releaseSeat(old, newcomer); };
    heard.expelled = [this] {
        d->expelled = true;
        d->status(shown(ChatSession::kExpelled));
    };
    heard.hostBeats = [this] {
        if (!d->heartbeat->isArmed())
            d->heartbeat->arm();
    };
    heard.greeted = [this](const QString &id) { d->noteGreeting(id); };
    heard.acknowledged = [this](qint64 count) { d->noteAcknowledged(count); };
    heard.seated = [this] { d->noteSeated(); };
    heard.tableClosed = [this] { d->tableClosed = true; };
    d->dispatcher.setHooks(std::move(heard));

    d->waitTimer = new QTimer(this);
    d->waitTimer->setSingleShot(true);
    connect(d->waitTimer, &QTimer::timeout, this, [this] { d->onConnectWaitDone(); });
    d->answerTimer = new QTimer(this);
    d->answerTimer->setSingleShot(true);
    connect(d->answerTimer, &QTimer::timeout, this, [this] { d->onAnswerWaitDone(); });
    d->ackTimer = new QTimer(this);
    d->ackTimer->setSingleShot(true);
    d->ackTimer->setInterval(kAckDelayMs);
    connect(d->ackTimer, &QTimer::timeout, this, [this] { d->sendCounts(); });
}

ChatSession::~ChatSession()
{
    // No close event may reach a half-destroyed session.
    d->waitTimer->stop();
    d->answerTimer->stop();
    d->ackTimer->stop();
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
    if (index == kListenerIndex)
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
void ChatSession::setJoinTimeout(int ms)
{
    d->relay->setJoinTimeout(ms);
}
void ChatSession::setMaxPendingJoins(int count)
{
    d->relay->setMaxPendingJoins(count);
}
int ChatSession::pendingJoins() const
{
    return d->relay->pendingJoins();
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

const TextSet &ChatSession::receivedText() const
{
    return d->dispatcher.textSet();
}

const BoardHistory &ChatSession::boardHistory() const
{
    return d->history;
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
    return d->unsentBytes(index);
}

void ChatSession::record(const QString &vsData)
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
    if (outcome != BoardHistory::Outcome::Ignored)
        emit boardRecorded(vsData);
}

void ChatSession::replay(qint16 index, bool anew)
{
    // A replay under way already sends the board, and would be cut short.
    if (!d->host || (!anew && d->relay->isReplaying(index)))
        return;
    // Sent before the board, so a client that comes back draws the host's
    // board instead of adding it to what it kept.
    if (d->peers.isTavernix(index))
        SendToPerson(tag::LavagnaIntera, index);
    d->relay->startReplay(index, d->table->replayBlocks());
}

void ChatSession::drawHere(const QString &line)
{
    d->dispatcher.applyLocally(line);
}

void ChatSession::hostKnownTavernix()
{
    // Only a connection still in its pause; a return introduces itself as
    // soon as it is connected.
    if (d->host || d->phase != Phase::Connecting || !d->waitTimer->isActive() ||
        d->client->state() != QAbstractSocket::ConnectedState)
        return;
    d->waitTimer->stop();
    d->onConnectWaitDone();
}

TableDice *ChatSession::dice() const
{
    return d->dice;
}

void ChatSession::keepPublic(const QString &line)
{
    notePublic(tag::Messaggio + line);
}

void ChatSession::setPortChoice(const QString &how)
{
    d->portChoice = how;
}

QString ChatSession::tableId() const
{
    return d->tableId;
}

void ChatSession::setTableId(const QString &id)
{
    d->tableId = id.left(kTableIdLength);
}

const Outbox &ChatSession::outbox() const
{
    return d->outbox;
}

bool ChatSession::sayToHost(const QString &vsData, const QString &shown, const QString &typed)
{
    if (d->host)
        return false;
    const Outbox::Kind kind =
        vsData.startsWith(tag::Privato) ? Outbox::Kind::PrivateLine : Outbox::Kind::Line;
    // Recipients are named by their places, which a return gives out anew:
    // a private line waits for nobody, and goes at once once back in.
    if (d->holding() && kind == Outbox::Kind::Line) {
        quint64 id = 0;
        if (!d->hold(kind, vsData, typed, &id))
            return false;
        if (d->conversation)
            d->conversation->showOwnLine(id, shown, ConversationSink::OwnLine::Waiting);
        return true;
    }
    if (!isClientConnected() || !SendToServer(vsData))
        return false;
    const quint64 id = d->greeted ? d->outbox.written(kind, vsData, typed, d->written) : 0;
    if (d->conversation)
        d->conversation->showOwnLine(id, shown, ConversationSink::OwnLine::Sent);
    return true;
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

void ChatSession::resumeTalk(const std::vector<RecentTalk::Said> &talk)
{
    if (!d->host)
        return;
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
    d->closeTable();
    // Listen before anything changes, so a refused port leaves the session
    // exactly as it was.
    const bool portValid = d->port >= 0 && d->port <= 65535;
    if (!portValid || !d->relay->listen(quint16(d->port))) {
        d->message(MessageService::Icon::Warning, d->listenFailure(d->relay->error()));
        return;
    }
    d->relay->setTls(d->security ? d->security->serverTls() : QSslConfiguration());
    d->relay->setGuard(d->security ? d->security->guard() : nullptr);
    if (d->security) {
        d->security->guard()->setSeatCheck(
            [this](const QString &token) { return d->seats.vouches(token, QDateTime::currentMSecsSinceEpoch()); });
    }

    d->openConnection();
    d->abandonOutbox(false);
    d->host = true;
    d->clearStuff();
    d->closeClient();
    // A table of its own until the session keeper names the one taken up.
    d->tableId = QString::number(QRandomGenerator::global()->generate64(), 16);
    d->status(tr("Server in attesa..."));
    // The name we host under is our confirmed name from now on.
    d->myName = d->name;
    d->people->AddName(kHostIndex, d->name);
    emit kickVisibleChanged(true);
    d->combo->setStringList({});
    d->setPhase(Phase::Hosting);
    d->dice->hostingBegan();
    d->heartbeat->startBeating();
    SendToSelf(tag::Listato);
    SendToSelf(addressMessage(d->name));
}

void ChatSession::setTableSecurity(secure::TableSecurity *security)
{
    d->security = security;
}

void ChatSession::setTrustStore(secure::TrustStore *store)
{
    d->trust = store;
    d->connector->setTrustStore(store);
}

void ChatSession::setInvitation(const std::optional<secure::Fingerprint> &fingerprint,
                                const std::optional<secure::TableKey> &key)
{
    d->invitePin = fingerprint;
    d->key = key;
}

void ChatSession::setTablePassword(const QString &password)
{
    d->password = password;
}

void ChatSession::setRefusalHandler(std::function<bool(const QString &code)> handler)
{
    d->refusalHandler = std::move(handler);
}

bool ChatSession::isEncrypted() const
{
    return d->encrypted && static_cast<QSslSocket *>(d->client)->isEncrypted();
}

secure::Fingerprint ChatSession::hostFingerprint() const
{
    return d->encrypted ? d->connector->presented() : secure::Fingerprint();
}

bool ChatSession::isPlainPeer(qint16 index) const
{
    return index > 0 && !d->relay->isEncrypted(index);
}

secure::TableKey ChatSession::seatPass() const
{
    if (d->host)
        return d->security ? d->security->seatPass() : secure::TableKey();
    return d->seatPass;
}

bool ChatSession::isSecretKeeper(qint16 index) const
{
    return d->host && d->security && d->relay->isEncrypted(index) && d->peers.isTavernix(index);
}

void ChatSession::sendSeatPass(qint16 index)
{
    if (!isSecretKeeper(index))
        return;
    // Never into the logs: it opens the players' doors.
    const QByteArray line = QByteArray(secure::tag::Lasciapassare) + d->security->seatPass().toLinkText().toLatin1() +
                            ' ' + secure::accessName(d->security->admission().access()).toLatin1() + "\r\n";
    d->relay->send(index, QString::fromLatin1(secure::tag::Lasciapassare) + QStringLiteral("…"), line);
}

void ChatSession::welcomeToTable(qint16 index)
{
    if (!isSecretKeeper(index))
        return;
    sendSeatPass(index);
    if (!d->ownPrint.isNull())
        sendPrint(index, -1, d->ownPrint);
    for (auto it = d->prints.cbegin(); it != d->prints.cend(); ++it) {
        if (it.key() != index)
            sendPrint(index, it.key(), it.value());
    }
}

void ChatSession::sendPrint(qint16 to, qint16 whose, const secure::Fingerprint &print)
{
    const QString text = QString::fromLatin1(secure::tag::Impronta) + sFormatSend(whose) + print.toLinkText();
    d->relay->send(to, text, encodeLine(text));
}

void ChatSession::passOnPrint(qint16 index, const QString &linkText)
{
    // Only what came inside TLS from a Tavernix program is worth passing on.
    const auto print = secure::Fingerprint::fromLinkText(linkText);
    if (!print || !isSecretKeeper(index) || d->prints.value(index) == *print)
        return;
    d->prints.insert(index, *print);
    for (qint16 i = 1; i <= d->relay->count() && i > 0; ++i) {
        if (i != index && !d->people->sConnectionName(i).isEmpty() && isSecretKeeper(i))
            sendPrint(i, index, *print);
    }
}

void ChatSession::setTransferFingerprint(const secure::Fingerprint &print)
{
    d->ownPrint = print;
}

std::optional<secure::Fingerprint> ChatSession::transferFingerprint(const QString &name) const
{
    for (int row = 0; row < d->people->count(); ++row) {
        if (d->people->nameAt(row) != name)
            continue;
        const auto found = d->prints.constFind(qint16(d->people->tagAt(row)));
        if (found != d->prints.cend())
            return *found;
    }
    return std::nullopt;
}

secure::Access ChatSession::tableAccess() const
{
    if (d->host)
        return d->security ? d->security->admission().access() : secure::Access::Anyone;
    return d->seatPass.isNull() ? secure::Access::Anyone : d->tableAccess;
}

void ChatSession::shareSeatPass()
{
    if (!d->host || !d->security)
        return;
    for (qint16 i = 1; i <= d->relay->count() && i > 0; ++i) {
        if (!d->people->sConnectionName(i).isEmpty())
            sendSeatPass(i);
    }
    emit seatPassChanged(d->security->seatPass(), d->security->admission().access());
}

void ChatSession::renewSeatPass()
{
    if (!d->host || !d->security)
        return;
    d->security->renewSeatPass();
    shareSeatPass();
}

void ChatSession::banSelected()
{
    QSet<qint32> chosen;
    for (int i = 0; i < d->people->count(); ++i) {
        if (d->people->isSelected(i))
            chosen.insert(d->people->tagAt(i));
    }
    ban(chosen);
    d->people->deselectAll();
}

void ChatSession::ban(const QSet<qint32> &tags)
{
    if (!d->host || !d->security)
        return;
    for (int i = 0; i < d->people->count(); ++i) {
        const qint32 index = d->people->tagAt(i);
        if (tags.contains(index) && isClientIndex(index))
            d->security->admission().bans().ban(d->relay->peerAddress(qint16(index)), d->people->nameAt(i),
                                               QDateTime::currentDateTimeUtc());
    }
    expel(tags);
    // Whoever was let go knew the old pass.
    renewSeatPass();
}

void ChatSession::cmdConnect_Click(const QString &address)
{
    d->pin = d->invitePin;
    if (d->name.isEmpty())
        return;
    d->waitTimer->stop();
    d->answerTimer->stop();
    d->stopReturning();
    // One role at a time: a host that connects elsewhere stops hosting.
    d->closeTable();
    d->dice->joining();

    d->openConnection();
    d->abandonOutbox(false);
    d->host = false;
    d->clearStuff();
    d->status(tr("Connessione in corso..."));
    d->closeClient();
    d->setPhase(Phase::Connecting);
    const bool portValid = d->port > 0 && d->port <= 65535;
    // An invalid port or address fails on its own; the wait's end reports it.
    ++d->clientGeneration;
    d->expelled = false;
    d->tableClosed = false;
    d->newGame = false;
    d->greeted = false;
    d->written = 0;
    d->tableId.clear();
    // Where a lost connection tries to get back to.
    d->address = address;
    d->clientPort = portValid ? quint16(d->port) : 0;
    if (portValid)
        d->openClient(address, quint16(d->port));
    else
        d->connectorFailed = true;
    d->waitTimer->start(d->waitMs);
}

void ChatSession::cmdDisconnect_Click()
{
    d->waitTimer->stop(); // a pending introduction is cancelled, not failed
    d->answerTimer->stop();
    d->stopReturning();
    d->closeClient();
    d->closeTable();
    d->host = false;
    d->status(ChatSession::tr(kStatusDisconnected));
    d->abandonOutbox(false);
    d->clearStuff();
    d->closeConnection();
    d->setPhase(Phase::Idle);
}

void ChatSession::cmdKick_Click()
{
    if (!d->host)
        return;
    ParticipantList *people = d->people;
    QSet<qint32> chosen;
    for (int i = 0; i < people->count(); ++i) {
        if (people->isSelected(i))
            chosen.insert(people->tagAt(i));
    }
    expel(chosen);
    people->deselectAll();
}

void ChatSession::expel(const QSet<qint32> &tags)
{
    if (!d->host)
        return;
    ParticipantList *people = d->people;
    for (int i = people->count() - 1; i >= 0; --i) {
        const qint32 expelled = people->tagAt(i);
        if (!tags.contains(expelled) || expelled == kHostIndex)
            continue;
        const QString notice = tag::Espulsione + sFormatSend(expelled);
        const QByteArray line = encodeLine(notice);
        for (int j = 0; j < people->count(); ++j) {
            const qint32 other = people->tagAt(j);
            // Those expelled together hear nothing of each other; the host's
            // own entry and stray tags name no connection.
            if (tags.contains(other) || !isClientIndex(other))
                continue;
            send(qint16(other), notice, line);
        }
        if (isClientIndex(expelled)) {
            // The basic protocol gives the expelled client no word; a Tavernix
            // client is told, so it does not take the kick for a lost host.
            if (d->peers.isTavernix(qint16(expelled)))
                SendToPerson(tag::SeiEspulso, qint16(expelled));
            d->seats.forget(qint16(expelled));
            d->dice->left(qint16(expelled));
            d->relay->closeConnection(qint16(expelled));
        }
        d->status(tr("Espulsione dalla chat di: %1.").arg(people->nameAt(i)));
        people->removeAt(i);
    }
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

void ChatSession::closeAllSockets(bool closesTable)
{
    d->waitTimer->stop();
    d->stopReturning();
    d->closeClient();
    if (closesTable) {
        d->closeTable();
    } else {
        // Back soon or not, the seed is revealed while the players can hear it.
        d->endHosting();
        d->relay->close();
    }
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
        d->people->ChangeAddName(kHostIndex, typed);
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
    send(viConnection, vsData, encodeLine(vsData));
}

void ChatSession::send(qint16 to, const QString &text, const QByteArray &line)
{
    d->relay->send(to, text, line);
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
    // An origin that names no client (the host's own lines) leaves nobody out.
    d->relay->sendToAll(vsData, encodeLine(vsData), viConnection);
}

void ChatSession::sendToAll(const QString &text, qint16 except)
{
    SendToAllButOriginator(text, except);
}

void ChatSession::SendToSelf(const QString &vsData)
{
    ProcessData(vsData + QStringLiteral("\r\n"), kHostIndex);
}

bool ChatSession::SendToServer(const QString &vsData)
{
    return sendToHost(vsData, encodeLine(vsData));
}

bool ChatSession::sendToHost(const QString &vsData, const QByteArray &line)
{
    if (d->client->state() != QAbstractSocket::ConnectedState)
        return false;
    if (d->client->write(line) < 0)
        return false;
    // A line past the host's limit is dropped there unread, so not counted.
    if (line.size() - 2 <= LineFramer::kDefaultLimit)
        ++d->written;
    ShowSentData(kHostIndex, vsData);
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
        record(vsData);
        SendToAll(vsData, false);
        return;
    }
    // Drawn while away from a host that brings players back: it waits, and
    // is drawn again on the host's board once that has replaced ours.
    if (d->holding()) {
        quint64 id = 0;
        d->hold(Outbox::Kind::Drawing, vsData, QString(), &id);
        return;
    }
    if (isClientConnected() && SendToServer(vsData) && d->greeted)
        d->outbox.written(Outbox::Kind::Drawing, vsData, QString(), d->written);
}

void ChatSession::broadcast(const QString &text)
{
    Broadcast(text);
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
        // The host's own entry and stray tags name no connection.
        if (!isClientIndex(target))
            continue;
        send(qint16(target), tag::NuovoNome, announce);
        for (int j = 0; j < count; ++j)
            send(qint16(target), entries[j], lines[j]);
    }
}

void ChatSession::sendPeopleList()
{
    SendPeopleList();
}

// --- dispatcher ------------------------------------------------------------------

void ChatSession::ProcessData(const QString &vsData, qint16 index)
{
    d->dispatcher.ProcessData(vsData, index);
}

} // namespace session
