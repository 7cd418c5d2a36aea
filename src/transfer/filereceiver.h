#pragma once

#include "access.h"
#include "controlreader.h"
#include "incomingoffer.h"
#include "sinks.h"
#include "tablekey.h"

#include <QAbstractSocket>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace transfer {

/**
 * @brief The receiving end of file transfers (`WindowsSocket` and its
 * handlers): listens on the transfer port, takes one connection at a time,
 * answers the packet-size question, decides on offers and writes accepted
 * files into the save folder as their bytes arrive.
 *
 * While it holds a connection it does not listen, so a second sender is
 * refused by the system until that connection ends. Every ending (a file
 * complete, a cancel, the peer closing, an error, an idle connection) closes
 * the connection and listens again. Questions to the user are asked through
 * the message service and answered later; an answer that comes after its
 * connection has ended is dropped.
 */
class FileReceiver : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Stopped,   ///< not listening: listening failed or stop() was called
        Listening, ///< waiting for a connection request
        Sorting,   ///< learning whether the peer speaks TLS and sits at the table
        Asking,    ///< a connection request waits for the user's answer
        Connected, ///< connected and idle, waiting for an offer
        Offered,   ///< an offer waits for the user's answer
        Receiving, ///< every byte that arrives is file content
    };
    Q_ENUM(State)

    /// After accepting failed (no descriptor left, say), listening rests
    /// this long and then takes requests again.
    static constexpr int kDefaultAcceptPauseMs = 1000;
    /// A connection that brings nothing for this long is closed.
    static constexpr int kDefaultIdleTimeoutMs = 10 * 60 * 1000;
    /// How long a cancelled connection is read and discarded so the peer
    /// sees the cancel before the connection goes.
    static constexpr int kDrainTimeoutMs = 5000;
    /**
     * A file that grows by less than kDefaultMinProgressBytes in this long
     * is given up: a sender that keeps the connection alive with a byte now
     * and then would otherwise hold the one connection the receiver takes.
     */
    static constexpr int kDefaultStallTimeoutMs = 60 * 1000;
    static constexpr qint64 kDefaultMinProgressBytes = 16 * 1024;
    /**
     * A Tavernix sender opens with TLS at once; a program of the basic
     * protocol waits for our answer. A new connection silent for this long
     * is taken for the latter.
     */
    static constexpr int kSortWaitMs = 700;
    /// The handshake and the seat pass must be through within this time.
    static constexpr int kProofTimeoutMs = 10000;

    static constexpr const char *kListening = QT_TR_NOOP("Connessione: in ascolto...");
    static constexpr const char *kCompleted = QT_TR_NOOP("Stato: Transferimento completato.");
    static constexpr const char *kNotCompleted = QT_TR_NOOP("Stato: Trasferimento non completato.");

    explicit FileReceiver(QObject *parent = nullptr);
    ~FileReceiver() override;

    /// Where questions and the write-failure message go; none asks nothing
    /// and takes every question as answered No.
    void setMessageService(session::MessageService *service);

    // --- the user's settings ---------------------------------------------
    /// ChkBlockRequest: refuse every connection request (wins over the rest).
    void setBlockRequests(bool on) { m_block = on; }
    bool blockRequests() const { return m_block; }
    /// ChkAcceptID: accept every connection request without asking.
    void setAcceptRequests(bool on) { m_acceptAll = on; }
    bool acceptRequests() const { return m_acceptAll; }
    /// ChkAutoSend: accept every offered file without asking.
    void setAutoAccept(bool on) { m_autoAccept = on; }
    bool autoAccept() const { return m_autoAccept; }
    /// The packet size answered to "Request#:PACKET".
    void setPacketSize(int size) { m_packetSize = size; }
    int packetSize() const { return m_packetSize; }
    /// TxtSaveFile: the folder accepted files are written into; empty means
    /// the usual one (defaultSaveFolder()).
    void setSaveFolder(const QString &folder) { m_saveFolder = folder; }
    QString saveFolder() const { return m_saveFolder; }
    void setIdleTimeout(int ms);
    int idleTimeout() const { return m_idleTimeoutMs; }
    void setAcceptPause(int ms);
    /// How many times accepting failed and listening rested.
    int acceptPauses() const { return m_acceptPauses; }
    /// A file being received must grow by @p minBytes every @p ms.
    void setStallLimit(int ms, qint64 minBytes);
    /**
     * @brief Who is at an address: the participant's name, or empty when
     * nobody is known there. The offer question names the sender by it
     * (by the address when it gives nothing).
     */
    void setSenderLookup(std::function<QString(const QString &address)> lookup);
    /**
     * @brief The identity Tavernix senders meet when they connect with TLS.
     * Without one every connection is taken as the basic protocol.
     */
    void setIdentity(const QSslCertificate &certificate, const QSslKey &key);
    /**
     * @brief Who may offer files. Access::Anyone: everyone, as the basic
     * protocol has it. Otherwise a sender must be seated at the table,
     * proven by @p seatPass inside TLS; with Access::LanOpen a sender from
     * the local network may also come without it. Anyone else is refused
     * before any question is asked. The default is Anyone, as a receiver
     * that belongs to no table has always been.
     */
    void setGate(secure::Access access, const secure::TableKey &seatPass);
    /// Whether the connection held now is encrypted.
    bool isEncrypted() const;
    void setProofTimeout(int ms) { m_proofTimeoutMs = ms; }

    // --- listening --------------------------------------------------------
    /**
     * @brief Ends what runs and listens on @p port (0: a free port the
     * system picks, as tests use). Returns false when listening fails; the
     * status then says so and how to choose another port.
     */
    bool listen(quint16 port);
    /// The status when port @p port could not be listened on for @p error:
    /// that nothing can arrive, why, and how to choose another port.
    static QString listenFailureText(quint16 port, QAbstractSocket::SocketError error);
    /// The port listened on, or the one asked for while not listening.
    quint16 port() const;
    bool isListening() const;
    /**
     * @brief The port change the user asks for (CmdChangePort): @p text read
     * as a 16-bit signed integer. Ports 1 to 32767 are taken; anything else
     * (not a number, 0, negative, above 32767) leaves the port as it was.
     * Either way a held idle connection is closed and listening resumes.
     * Ignored while a file is being received. Returns whether the port changed.
     */
    bool changePort(const QString &text);

    /// CmdCancel: cancels the running transfer; the peer is told first.
    void cancel();
    /// Closes everything and stops listening (the window goes away).
    void stop();

    // --- what the window shows -------------------------------------------
    State state() const { return m_state; }
    bool isReceiving() const { return m_state == State::Receiving; }
    /// lblstatus.
    QString status() const { return m_status; }
    /// Share of the file received, 0 to 100 (PrgTransfer).
    double progress() const { return m_progress; }
    qint64 receivedBytes() const { return m_received; }
    qint64 incomingSize() const { return m_incomingSize; }
    QString incomingName() const { return m_incomingName; }
    /// The name the file being received takes once complete, or the last one.
    QString destinationPath() const { return m_path; }
    /// Where the file's bytes go until it is complete: NOME.parziale beside
    /// it (shortened where that name would be too long, see partialName()).
    QString partialPath() const { return m_partial; }
    /// Who sends the file (see setSenderLookup()).
    QString senderText() const { return m_sender; }

signals:
    void statusChanged(const QString &text);
    void progressChanged(double percent);
    /// Receiving started (the transfer panel shows, the settings lock) or ended.
    void receivingChanged(bool receiving);
    void stateChanged(transfer::FileReceiver::State state);
    void portChanged(quint16 port);
    /// A file was accepted; it will be @p path once complete.
    void fileOpened(const QString &path);
    /// The file was closed: complete, it is at @p path under its own name;
    /// otherwise what came of it lies at @p path, its ".parziale" name.
    void fileClosed(const QString &path, bool complete);

private:
    void onNewConnection();
    void onReadyRead();
    void onPeerGone();
    void onIdle();
    void onStallCheck();
    /// The transfer ended before the file was whole: the user is told why
    /// (@p what) and where the part received lies.
    void tellBroken(const QString &what);
    void acceptConnection();
    void denyConnection();
    /// The request passed the gate: the user's settings decide.
    void decideRequest();
    void sortPeer();
    void onSortTimeout();
    void onPlainPeer();
    void checkSeat(const QByteArray &pass);
    bool needsSeatPass() const;
    void handleControl();
    void decideOffer(const QByteArray &sizeValue);
    void acceptFile();
    void refuseFile(const QString &reason);
    void refuseByUser();
    void consume(const char *data, qint64 length);
    void complete();
    void writeFailed(const QString &reason);
    void sendKick();
    /// Ends a file before it is whole from this side: the sender is told
    /// first, the part received stays as NOME.parziale.
    void breakOff();
    enum class Retire { Graceful, Drain, Abort };
    /// Ends the connection, closes the file and listens again.
    void returnToListening(Retire how);
    void retireSocket(Retire how);
    void startListening();
    void setState(State state);
    void setStatus(const QString &text);
    void setProgress(double percent);
    void closeFile(bool complete);
    void ask(const QString &title, const QString &text, void (FileReceiver::*onYes)(),
             void (FileReceiver::*onNo)(), State waiting);

    QTcpServer *m_server;
    QTimer *m_sort; ///< the wait for a ClientHello, then for the seat pass
    QSslCertificate m_certificate;
    QSslKey m_key;
    secure::Access m_access = secure::Access::Anyone;
    secure::TableKey m_seatPass;
    bool m_tls = false; ///< the connection held started TLS
    int m_proofTimeoutMs = kProofTimeoutMs;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_idle;
    QTimer *m_resume; ///< ends the rest after a failed accept
    int m_acceptPauses = 0;
    QTimer *m_stall;
    std::function<QString(const QString &)> m_senderLookup;
    /// Lives as long as one connection: questions asked about it die with it.
    std::unique_ptr<QObject> m_turn;
    session::MessageService *m_messages = nullptr;
    ControlReader m_reader;
    QFile m_file;
    QByteArray m_chunk;

    bool m_block = false;
    bool m_acceptAll = true;
    bool m_autoAccept = true;
    int m_packetSize = 2048;
    QString m_saveFolder;
    int m_idleTimeoutMs = kDefaultIdleTimeoutMs;
    qint64 m_minProgressBytes = kDefaultMinProgressBytes;
    qint64 m_stallMark = 0; ///< what had come at the last stall check
    quint16 m_port = 2543;

    State m_state = State::Stopped;
    QString m_status = tr(kListening);
    double m_progress = 0;
    QByteArray m_rawName;
    QString m_incomingName;
    qint64 m_incomingSize = 0;
    qint64 m_received = 0;
    QString m_path;
    QString m_partial; ///< where the bytes go until the file is complete
    QString m_sender;
};

} // namespace transfer
