#pragma once

#include "hostrelay.h"
#include "recenttalk.h"
#include "sinks.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QStringListModel;
class QTcpSocket;
class QTimer;

namespace session
{

class BoardHistory;
class Dispatcher;
class Heartbeat;
class RecapFilter;
class ReconnectPolicy;
class Seats;
class TableDice;
class TableBoard;
class LineFramer;
class ParticipantList;
class TrafficLog;

/**
 * @brief The chat session of one main window: hosting and joining, the
 * table of client connections, the five routing operations with their
 * traffic logs, the participant and address lists, and the dispatcher that
 * acts on every received line.
 *
 * As host it listens on lPort and keeps an array of client connections whose
 * closed elements are used again; as client it holds one connection. Element
 * 0 is the listening socket, clients are 1..iConnections, and -1 names the
 * host's own participant entry and everything arriving on the client socket
 * or through SendToSelf.
 */
class ChatSession : public QObject
{
    Q_OBJECT
public:
    /// Socket state codes as the rest of the program reads them.
    static constexpr int kClosed = 0;
    static constexpr int kConnected = 7;
    /// Default wait between starting a connection and introducing ourselves.
    static constexpr int kDefaultConnectWaitMs = 3200;
    /// Status text after a participant's name when its connection is lost.
    inline static const QString kLostContact = QStringLiteral(" ha perso il contatto con la realtà.");
    /// Most address entries one client connection may add (its join and renames).
    static constexpr int kMaxAddressEntriesPerConnection = 64;

    /// Reconnecting: the connection to the host was lost and the session
    /// tries to get back in by itself (see reconnectPolicy()).
    enum class Phase { Idle, Hosting, Connecting, Connected, Reconnecting };
    Q_ENUM(Phase)

    explicit ChatSession(QObject *parent = nullptr);
    ~ChatSession() override;

    // --- what the session talks to ------------------------------------------
    void setConversationSink(ConversationSink *sink);
    void setBoardSink(BoardSink *sink);
    void setMessageService(MessageService *service);
    ConversationSink *conversationSink() const;
    BoardSink *boardSink() const;
    MessageService *messageService() const;

    // --- models the window shows --------------------------------------------
    ParticipantList *participants() const;        ///< lstConnections
    QStringListModel *addressList() const;        ///< ComboIP
    QStringListModel *transferRecipients() const; ///< lstClientNome of the transfer window
    TrafficLog *sentLog() const;                  ///< lstSent
    TrafficLog *receivedLog() const;              ///< lstReceived

    // --- state --------------------------------------------------------------
    qint32 lPort() const;
    /// The port used by the next hosting or connecting. 0 lets the system
    /// choose a free port when hosting (tests use it).
    void setPort(qint32 port);
    /// The port element 0 actually listens on while hosting, else 0.
    quint16 listeningPort() const;
    bool bHost() const;
    qint16 iConnections() const;
    /// True when the client socket or any client element is not closed.
    bool bConnected() const;
    /// State code of the client socket sckConnect.
    int clientState() const;
    /// State code of element @p index of sckConnection; kClosed outside the array.
    int connectionState(qint16 index) const;
    bool isClientConnected() const { return clientState() == kConnected; }
    Phase phase() const;

    /// The name as typed in txtName; the session keeps it in step with the box.
    QString name() const;
    /// Sets the typed name without confirming it (the box changed).
    void setName(const QString &name);
    /// The last confirmed own name; empty at start.
    QString sMyName() const;

    int connectWaitMs() const;
    void setConnectWait(int ms);

    /// How long after introducing ourselves the host's "[Rename di
    /// Connessione]" may take before the status box says that the other side
    /// does not answer as a Tavernix host.
    static constexpr int kDefaultAnswerWaitMs = 15000;
    inline static const QString kNoAnswer = QString::fromUtf8(QT_TRANSLATE_NOOP(
        "session::ChatSession",
        "Nessuna risposta: il programma all'altro capo non risponde come un host Tavernix "
        "(controllare indirizzo e porta)."));
    int answerWaitMs() const;
    void setAnswerWait(int ms);

    /// Unsent bytes a connection may pile up before it is dropped as if it
    /// had closed: a peer that stops reading must not make us buffer the
    /// whole session for it.
    static constexpr qint64 kDefaultWriteBacklogLimit = HostRelay::kDefaultWriteBacklogLimit;
    qint64 writeBacklogLimit() const;
    void setWriteBacklogLimit(qint64 bytes);

    /// Unsent bytes all client connections together may pile up. Past it
    /// the connection with the largest backlog is dropped first, as if it had
    /// closed, then the next largest, until the others fit.
    static constexpr qint64 kDefaultTotalBacklogLimit = HostRelay::kDefaultTotalBacklogLimit;
    qint64 totalBacklogLimit() const;
    void setTotalBacklogLimit(qint64 bytes);
    /// The unsent bytes of every client connection not already being dropped.
    qint64 totalUnsentBytes() const;

    /// How long an accepted connection may stay without introducing itself
    /// with "[Connessione]" before it is closed. Applies to later connections.
    static constexpr int kDefaultJoinTimeoutMs = HostRelay::kDefaultJoinTimeoutMs;
    int joinTimeoutMs() const;
    void setJoinTimeout(int ms);
    /// Connections that may wait for their introduction at once; further
    /// requests are refused while that many wait.
    static constexpr int kDefaultMaxPendingJoins = HostRelay::kDefaultMaxPendingJoins;
    int maxPendingJoins() const;
    void setMaxPendingJoins(int count);
    int pendingJoins() const;

    /// When accepting fails (no descriptor left, say), the listener stops
    /// taking requests for this long instead of failing again at once.
    static constexpr int kDefaultAcceptPauseMs = HostRelay::kDefaultAcceptPauseMs;
    int acceptPauseMs() const;
    void setAcceptPause(int ms);
    /// How many times accepting failed and the listener paused.
    int acceptPauses() const;
    bool acceptPaused() const;

    /// The board's outer size in twips, which the greeting a newcomer
    /// receives is built from (12000 x 12000 unless the board says otherwise).
    QSize boardExtent() const;
    void setBoardExtent(const QSize &twips);

    /// The text set store: the values of the text being received on the board.
    const TextSet &receivedText() const;

    /// Host only: the shared drawing since the last clear, which a newcomer
    /// is sent right after its name is confirmed, before anything else.
    const BoardHistory &boardHistory() const;
    /// Clearing for everyone, restoring, and the board shared beyond drawings.
    TableBoard *tableBoard() const;
    /// Most bytes of drawing messages the host keeps for newcomers.
    void setBoardHistoryLimit(qsizetype bytes);
    /// Shown once in the status box when the board outgrows its history.
    inline static const QString kBoardHistoryFull = QString::fromUtf8(QT_TRANSLATE_NOOP(
        "session::ChatSession",
        "La lavagna è troppo piena per essere conservata: chi si collega da ora non vedrà "
        "la lavagna intera, fino alla prossima pulizia."));
    /// Unsent bytes a newcomer's socket holds while its board is replayed;
    /// the next piece goes out as the socket drains below it.
    static constexpr qint64 kReplayWindow = HostRelay::kReplayWindow;
    /// True while connection @p index is still being sent the board.
    bool isReplaying(qint16 index) const;
    /// Bytes written to connection @p index and not yet taken by the system,
    /// plus what waits behind its replay; 0 outside the array. -1 names the
    /// client socket.
    qint64 unsentBytes(qint16 index) const;

    /// The host's connection table, shared with the headless server.
    HostRelay *relay() const;
    /// The table's dice: the host's roll service, or the player's side of it.
    TableDice *dice() const;
    /// Host: whether client @p index said "[Tavernix]" (gets the tags beyond
    /// the basic protocol).
    bool isTavernixPeer(qint16 index) const;
    /// Host: @p line goes to everyone as a public line, kept for newcomers
    /// and in the session file as any other.
    void notePublicLine(const QString &line);

    // --- the table survives -------------------------------------------------
    /// Status text when the connection to the host is lost.
    inline static const QString kLostHost = QString::fromUtf8(QT_TRANSLATE_NOOP(
        "session::ChatSession",
        "Connessione con l'host persa: il dialogo e la lavagna restano come erano."));
    inline static const QString kBackIn =
        QString::fromUtf8(QT_TRANSLATE_NOOP("session::ChatSession", "Di nuovo connessi all'host."));
    /// Back in, when all the host's recap was already in the pane.
    inline static const QString kNothingMissed = QString::fromUtf8(
        QT_TRANSLATE_NOOP("session::ChatSession", "Nessuna novità durante l'assenza."));
    inline static const QString kExpelled = QString::fromUtf8(
        QT_TRANSLATE_NOOP("session::ChatSession", "Sei stato espulso dalla chat."));
    /// When a client whose connection was lost tries again.
    ReconnectPolicy *reconnectPolicy() const;
    /// The host's beat and the client's watch for a host gone silent.
    Heartbeat *heartbeat() const;
    /// Host: the last public lines, which a newcomer is sent after the board.
    const RecentTalk &recentTalk() const;
    /**
     * @brief Host only, right after hosting started: takes the board of an
     * earlier session, @p boardBlocks of whole wire lines, as if it had just
     * been drawn (on our board, and kept for newcomers), and @p talk, oldest
     * first, as the conversation so far (shown as a recap, kept for newcomers).
     * Nothing of it is reported by boardRecorded() or publicLineSaid().
     */
    void resumeTable(const QList<QByteArray> &boardBlocks, const std::vector<RecentTalk::Said> &talk);

    // --- connection manager -------------------------------------------------
    /// Starts hosting on lPort. Does nothing with an empty name. Listening that
    /// fails shows a message naming the port and leaves the session idle.
    void cmdHost_Click();
    /// Connects to @p address; after the connect wait introduces the user, or
    /// shows "Impossibile stabilire una connessione." and returns to idle.
    void cmdConnect_Click(const QString &address);
    void cmdDisconnect_Click();
    /// Expels the selected participants (host only).
    void cmdKick_Click();
    void cmdDeselect_Click();
    /// True when the port may be changed now; otherwise shows why not.
    bool cmdPorts_Click();
    /// Closes every socket without any other effect (the window is closing).
    void closeAllSockets();

    /// Own-name confirmation: Enter in txtName or txtName losing the focus.
    /// Returns true when the name was taken (the Enter key is consumed).
    bool confirmOwnName();

    // --- routing (messages without CR LF) -----------------------------------
    /// Writes @p vsData on client element @p viConnection and logs it; a
    /// connection that is not connected misses it, without a log entry.
    void SendToPerson(const QString &vsData, qint16 viConnection);
    /// SendToPerson to every connected client in ascending order, then to
    /// ourselves through the dispatcher when @p vbSelf is true.
    void SendToAll(const QString &vsData, bool vbSelf);
    /// SendToAll without ourselves and without client @p viConnection.
    void SendToAllButOriginator(const QString &vsData, qint16 viConnection);
    /// Hands @p vsData to our own dispatcher as if it came from a host.
    void SendToSelf(const QString &vsData);
    /// Returns false when the client socket is not connected (nothing is sent or logged).
    bool SendToServer(const QString &vsData);
    /// The drawing tools' rule: a host sends to every client, a connected
    /// client to the host, anyone else keeps the drawing local.
    void Broadcast(const QString &vsData);
    /// Logs a message sent on connection @p viConnection (-1: the client socket).
    void ShowSentData(qint32 viConnection, const QString &vsData);
    /// Logs a line received on connection @p viConnection (-1: the client socket or ourselves).
    void ShowReceivedData(qint32 viConnection, const QString &vsData);
    /// Host only: sends every client the whole participant list, each list
    /// announced by "[Nuovo Nome in Lista]".
    void SendPeopleList();

    // --- dispatcher ---------------------------------------------------------
    /// Splits @p vsData at CR LF and acts on every complete line as coming
    /// from connection @p index.
    void ProcessData(const QString &vsData, qint16 index);

signals:
    /// OpenConnection: cmdHost, cmdConnect and cmdPorts hide.
    void connectionOpened();
    /// CloseConnection: cmdHost, cmdConnect and cmdPorts show, ComboIP hides, txtIP shows.
    void connectionClosed();
    void kickVisibleChanged(bool visible);
    /// The session changed the name to show in txtName.
    void nameChanged(const QString &name);
    void phaseChanged(session::ChatSession::Phase phase);
    /// Host: a board message was kept for newcomers (a clear too).
    void boardRecorded(const QString &message);
    /// Host: a public conversation line went to everyone at @p secs
    /// (seconds since 1970 UTC).
    void publicLineSaid(const QString &line, qint64 secs);

private:
    /// Takes @p name as the confirmed own name and shows it in txtName.
    void adoptName(const QString &name);
    /// Counts an address entry from client @p index; false once it has added too many.
    bool admitAddressEntry(qint16 index);
    /// True the first time client @p index asks for the address list.
    bool takeAddressRequest(qint16 index);
    /// "[Aggiorna ComboIP]" with our address entry under @p name.
    QString addressMessage(const QString &name) const;
    /// SendToPerson with the line already encoded (a broadcast encodes once).
    void sendEncoded(const QString &vsData, const QByteArray &line, qint16 viConnection);
    /// Host: keeps a drawing message it drew or passed on, or forgets the
    /// board at a clear.
    void recordBoard(const QString &vsData);
    /// Host: sends newcomer @p index the board, paced by its socket; a
    /// Tavernix client hears first that it replaces its own, and gets the
    /// recent conversation after it.
    void startReplay(qint16 index);
    /// Host: sends client @p index the board alone (a restore, a refused
    /// clear), unless a replay is already sending it; @p anew sends it
    /// after what waits there instead of the rest of that replay.
    void replayBoard(qint16 index, bool anew = false);
    /// Host: client @p index said "[Tavernix]".
    void noteTavernixPeer(qint16 index);
    /// Client: the host said it expels us.
    void noteExpelled();
    /// Client: the host beats; from now on its silence counts.
    void noteHostBeats();
    /// Host: a message going to everyone; a public line is kept for newcomers.
    void notePublic(const QString &vsData);

    BoardHistory &history();
    Dispatcher &dispatcher();
    /// Client: what of a recap on return is shown.
    RecapFilter &recapFilter();
    /// Seat tokens: those the host gave out, and the one our host gave us.
    Seats &seats();
    /// Host: lets connection @p index go as if it had been lost, its leave
    /// told to everyone but @p newcomer; false when it is not connected.
    bool releaseSeat(qint16 index, qint16 newcomer);
    /// SendToServer with the line already encoded and @p vsData as its log text.
    bool sendEncodedToServer(const QString &vsData, const QByteArray &line);

    friend class Dispatcher;
    friend class TableBoard;
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace session
