#pragma once

#include "access.h"
#include "dispatcher.h"
#include "fingerprint.h"
#include "hostrelay.h"
#include "peernotes.h"
#include "recenttalk.h"
#include "routes.h"
#include "sinks.h"
#include "tablekey.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QStringListModel;
class QTcpSocket;
class QTimer;

namespace secure
{
class TableSecurity;
class TrustStore;
} // namespace secure

namespace session
{

class BoardHistory;
class Outbox;
class Heartbeat;
class ReconnectPolicy;
class TableDice;
class TableBoard;
class ParticipantList;
class TrafficLog;

/**
 * @brief The chat session of one main window: hosting and joining, the
 * table of client connections, the five routing operations with their
 * traffic logs, the participant and address lists, and the dispatcher that
 * acts on every received line.
 *
 * As host it listens on lPort and keeps an array of client connections whose
 * closed elements are used again; as client it holds one connection. Clients
 * are 1..iConnections; the indexes that name no client (the listener, the
 * host with the client socket, a local origin) are in connectionindex.h.
 *
 * Its dispatcher and its table board share its TableState and reach it
 * through the Routes it implements, and through nothing else.
 */
class ChatSession : public QObject, private Routes
{
    Q_OBJECT
public:
    /// Socket state codes as the rest of the program reads them.
    static constexpr int kClosed = 0;
    static constexpr int kConnected = 7;
    /// Default wait between starting a connection and introducing ourselves.
    static constexpr int kDefaultConnectWaitMs = 3200;
    /// Status text after a participant's name when its connection is lost.
    inline static const QString kLostContact = Dispatcher::kLostContact;
    /// Most address entries one client connection may add (its join and renames).
    static constexpr int kMaxAddressEntriesPerConnection = PeerNotes::kMaxAddressEntries;

    /// Reconnecting: the connection to the host was lost and the session
    /// tries to get back in by itself (see reconnectPolicy()).
    enum class Phase { Idle, Hosting, Connecting, Connected, Reconnecting };
    Q_ENUM(Phase)

    explicit ChatSession(QObject *parent = nullptr);
    ~ChatSession() override;

    // --- the private table --------------------------------------------------
    /// Host: serve TLS and admit through @p security's door (none: the basic protocol's open table).
    void setTableSecurity(secure::TableSecurity *security);
    /// Client: the hosts met before, for trust on first use.
    void setTrustStore(secure::TrustStore *store);
    /// Client: what the invitation carried, for the next "Connetti"; both empty for a typed address.
    void setInvitation(const std::optional<secure::Fingerprint> &fingerprint,
                       const std::optional<secure::TableKey> &key);
    /// Client: a table password to present at the next "Connetti".
    void setTablePassword(const QString &password);
    /**
     * @brief Client: who hears first of a refusal by the host (its code,
     * Admission::refusalCode); returning true, it has told the player, and
     * no message box is shown.
     */
    void setRefusalHandler(std::function<bool(const QString &code)> handler);
    /// Client: the connection to the host is encrypted.
    bool isEncrypted() const;
    /// Client: the certificate the host presented (null in plain text).
    secure::Fingerprint hostFingerprint() const;
    /// Host: connection @p index speaks plain text (the host's own entry does not).
    bool isPlainPeer(qint16 index) const;
    /// Client: the pass the host gave us for the others' transfer ports.
    secure::TableKey seatPass() const;
    /// Host: hands the seat pass to connection @p index when it is a Tavernix client inside TLS.
    void sendSeatPass(qint16 index);
    /// Host: the seat pass (and who the table lets in) to every seated Tavernix client inside TLS, again.
    void shareSeatPass();
    /// Host: a new seat pass, handed to every seated Tavernix client inside TLS.
    void renewSeatPass();
    /// Our own transfer port's fingerprint: said to the host (client) or passed to all (host).
    void setTransferFingerprint(const secure::Fingerprint &print);
    /// The transfer fingerprint of the participant called @p name, when the table told it.
    std::optional<secure::Fingerprint> transferFingerprint(const QString &name) const;
    /**
     * @brief Who may offer files to us: the host's own access when hosting;
     * as the host said with the seat pass when seated; anyone otherwise.
     */
    secure::Access tableAccess() const;
    /// Host: bans the addresses of the selected participants, then expels them.
    void banSelected();
    /// Host: bans the addresses of the participants whose entries carry @p tags, then expels them.
    void ban(const QSet<qint32> &tags);

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
    /// How a refused port's message says to choose another, as the end of
    /// "Scegliere un'altra porta …": the window's "con \"Porta\"" unless set
    /// (the server says "con l'opzione --port").
    void setPortChoice(const QString &how);
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

    /// The host's bounds, which its relay keeps (see HostRelay, also
    /// reached through relay()): the few that the session's own tests set
    /// and read before and while it hosts.
    void setWriteBacklogLimit(qint64 bytes);
    qint64 totalBacklogLimit() const;
    void setTotalBacklogLimit(qint64 bytes);
    qint64 totalUnsentBytes() const;
    void setJoinTimeout(int ms);
    void setMaxPendingJoins(int count);
    int pendingJoins() const;
    void setAcceptPause(int ms);
    int acceptPauses() const;
    bool acceptPaused() const;

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
    /// plus what waits behind its replay; 0 outside the array. kHostIndex
    /// names the client socket.
    qint64 unsentBytes(qint16 index) const;

    /// The host's connection table, shared with the headless server.
    HostRelay *relay() const;
    /// The table's dice: the host's roll service, or the player's side of it.
    TableDice *dice() const;

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
     * @brief Host only, right after hosting started: takes @p talk of an
     * earlier session, oldest first, as the conversation so far (shown as a
     * recap, kept for newcomers). Nothing of it is reported by
     * publicLineSaid(). The board of that session goes through
     * TableBoard::feedStateLines().
     */
    void resumeTalk(const std::vector<RecentTalk::Said> &talk);

    // --- connection manager -------------------------------------------------
    /// Starts hosting on lPort. Does nothing with an empty name. Listening that
    /// fails shows a message naming the port and leaves the session idle.
    void cmdHost_Click();
    /// Connects to @p address; after the connect wait introduces the user, or
    /// shows "Impossibile stabilire una connessione." and returns to idle.
    void cmdConnect_Click(const QString &address);
    void cmdDisconnect_Click();
    /// Expels the selected participants (host only) and clears the selection.
    void cmdKick_Click();
    /**
     * @brief Host only: expels the participants whose entries carry @p tags,
     * as Kick does for the selected ones. Everyone not expelled with them is
     * told, a Tavernix client is told it was expelled, each connection is
     * closed and its entry removed. The host's own entry is never expelled.
     */
    void expel(const QSet<qint32> &tags);
    void cmdDeselect_Click();
    /// True when the port may be changed now; otherwise shows why not.
    bool cmdPorts_Click();
    /**
     * @brief Closes every socket without any other effect (the window is
     * closing, the server stops). A host that @p closesTable tells its
     * players first that the table is closed, so they do not try to come
     * back; one that may be back soon (a service restarted) does not.
     */
    void closeAllSockets(bool closesTable = true);

    // --- between Tavernix programs -----------------------------------------
    /**
     * @brief The host is known to be a Tavernix program (its greeting came,
     * or a private table's handshake with it completed): a connection still
     * waiting to introduce itself does so at once instead of pausing, as a
     * host of the basic protocol needs.
     */
    void hostKnownTavernix();
    /// Host: the table's identity, in every greeting. It stays the same while
    /// a session is taken up again and changes with a new game; a player
    /// coming back to another identity is told the board was emptied.
    QString tableId() const;
    void setTableId(const QString &id);
    /// Host: how long after a line comes in its count goes back to the
    /// player (a burst of lines gets one count).
    static constexpr int kAckDelayMs = 100;
    /// The longest table identity taken from a greeting.
    static constexpr int kTableIdLength = 64;

    /**
     * @brief Client: says conversation line @p vsData ("[Messaggio]" or
     * "[Messaggio Privato]" with its text) to the host and shows @p shown in
     * our pane through showOwnLine(). Towards a Tavernix host the line is
     * kept until the host confirms it; while the link to such a host is down
     * it waits and goes once the player is seated again. @p typed is what
     * the player typed, given back (unsentReturned()) should the line never
     * go. False, with nothing sent or shown, when the line could go nowhere
     * (not connected, or a host that does not bring players back).
     */
    bool sayToHost(const QString &vsData, const QString &shown, const QString &typed);
    /// Client: what was said or drawn for the host and is not confirmed yet.
    const Outbox &outbox() const;

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
    /// Logs a message sent on connection @p viConnection (kHostIndex: the client socket).
    void ShowSentData(qint32 viConnection, const QString &vsData);
    /// Logs a line received on connection @p viConnection (kHostIndex: the client socket or ourselves).
    void ShowReceivedData(qint32 viConnection, const QString &vsData);
    /// Host only: sends every client the whole participant list, each list
    /// announced by "[Nuovo Nome in Lista]".
    void SendPeopleList();

    // --- dispatcher ---------------------------------------------------------
    /// Splits @p vsData at CR LF and acts on every complete line as coming
    /// from connection @p index.
    void ProcessData(const QString &vsData, qint16 index);

signals:
    /// Client: the connection to the host became encrypted, or not.
    void encryptionChanged(bool encrypted);
    /// The seat pass changed (client: the host handed us one; host: a new one
    /// or a new access), with who the table lets in.
    void seatPassChanged(const secure::TableKey &pass, secure::Access access);
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
    /// Client: lines typed that can no longer go to the table (the player
    /// left, the table closed), oldest first, for the message box.
    void unsentReturned(const QStringList &typed);

private:
    // --- Routes, for the dispatcher and the table board ----------------------
    void send(qint16 to, const QString &text, const QByteArray &line) override;
    void sendToAll(const QString &text, qint16 except) override;
    bool sendToHost(const QString &text, const QByteArray &line) override;
    void broadcast(const QString &text) override;
    void sendPeopleList() override;
    void replay(qint16 to, bool anew) override;
    void record(const QString &message) override;
    void drawHere(const QString &line) override;
    void welcomeToTable(qint16 to) override;
    void passOnPrint(qint16 from, const QString &linkText) override;
    void keepPublic(const QString &line) override;

    /// Takes @p name as the confirmed own name and shows it in txtName.
    void adoptName(const QString &name);
    /// "[Aggiorna ComboIP]" with our address entry under @p name.
    QString addressMessage(const QString &name) const;
    /// Host: connection @p index is a Tavernix client inside TLS, so it may hear the table's secrets.
    bool isSecretKeeper(qint16 index) const;
    /// Host: tells connection @p to the transfer fingerprint of connection @p whose.
    void sendPrint(qint16 to, qint16 whose, const secure::Fingerprint &print);
    /// Host: a message going to everyone; a public line is kept for newcomers.
    void notePublic(const QString &vsData);
    /// Host: lets connection @p index go as if it had been lost, its leave
    /// told to everyone but @p newcomer; false when it is not connected.
    bool releaseSeat(qint16 index, qint16 newcomer);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace session
