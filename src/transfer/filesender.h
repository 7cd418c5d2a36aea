#pragma once

#include "controlreader.h"
#include "fingerprint.h"
#include "sinks.h"
#include "tablekey.h"

#include <QFile>
#include <QObject>
#include <QString>

#include <optional>

class QTcpSocket;
class QTimer;

namespace transfer {

/**
 * @brief The sending end of file transfers (`WindowsSocket2` and the
 * sender's steps): connects to a receiver, offers one file at a time and
 * streams it in packets once the receiver agrees.
 *
 * Every wait of the exchange is a state left by a socket notification or a
 * timer, never a loop inside a handler: waiting for the connection, for the
 * receiver's answer, for the packet size, for each packet to leave the
 * socket, for the permission. Each wait also ends when the connection goes,
 * with the failure message that fits. One packet is in flight at a time:
 * the next is written only when the previous one has left the socket's
 * buffer (bytesToWrite() back at 0), and it is read from the file ahead so
 * it is ready at that moment. A packet the system takes at once has left
 * already, so several go out in one turn, a few milliseconds at most, before
 * the event loop runs again.
 */
class FileSender : public QObject
{
    Q_OBJECT
public:
    enum class State {
        NotConnected,
        Connecting,
        AwaitingAnswer,     ///< connected, the receiver has not accepted yet
        Accepted,           ///< a file may be offered
        CheckingPacket,     ///< "Request#:PACKET" sent
        OfferingName,       ///< the name is on its way
        AwaitingPermission, ///< the size is sent, the receiver decides
        Sending,
    };
    Q_ENUM(State)

    /// How a send that got the receiver's permission ended.
    enum class Outcome {
        Completed,
        CancelledBySender, ///< CmdCancel2, or the window closed
        ConnectionLost,    ///< the connection dropped without a cancel from the receiver
        ReceiverCancelled, ///< the receiver sent "Received:kickH#"
        ReadFailed,        ///< the file could no longer be read
    };
    Q_ENUM(Outcome)

    /// A connection attempt that has not succeeded by then has failed.
    static constexpr int kDefaultConnectTimeoutMs = 30000;
    /**
     * After the last packet the sender waits for the receiver to close the
     * connection (it does once the file is whole) or to cancel; a receiver
     * silent for this long counts as having it all, once its system has
     * acknowledged every byte.
     */
    static constexpr int kDefaultFinishTimeoutMs = 60000;
    /// Longest run of packets sent before the event loop gets its turn.
    static constexpr int kSliceMs = 4;
    /// The file is read this much at a time, ahead of the packets.
    static constexpr qint64 kReadBlock = 64 * 1024;

    static constexpr const char *kDisconnected = QT_TR_NOOP("Stato: Sconnesso.");

    explicit FileSender(QObject *parent = nullptr);
    ~FileSender() override;

    void setMessageService(session::MessageService *service);
    void setConnectTimeout(int ms) { m_connectTimeoutMs = ms; }
    void setFinishTimeout(int ms) { m_finishTimeoutMs = ms; }

    /**
     * @brief CmdSeek: connects to @p host on @p portText (a port 1 to 65535);
     * @p targetName only appears in the status line. An address or port the
     * transport cannot use fails as a connection that could not be made.
     */
    void connectTo(const QString &host, const QString &portText, const QString &targetName);
    /**
     * @brief How the next connectTo() protects itself. With the receiver's
     * fingerprint (passed on by the host) the connection is TLS and goes on
     * only with that certificate: another one ends it before a byte of the
     * exchange, and there is no fallback to plain text. @p seatPass, the
     * pass the host gave us, is then shown to the receiver first. Without a
     * fingerprint the connection is plain, as the basic protocol has it.
     */
    void setProtection(const std::optional<secure::Fingerprint> &receiver, const secure::TableKey &seatPass);
    /// Whether the connection held now is encrypted.
    bool isEncrypted() const;
    /// cmdAnnulla: closes the connection. Under a running send it is the
    /// user's cancel, with the sender-cancel message.
    void disconnectFromReceiver();
    /**
     * @brief CmdSend: offers the file at @p path with packets of @p packetSize
     * bytes (100 to 2500). Only while accepted and idle; returns whether the
     * offer started.
     */
    bool offer(const QString &path, int packetSize);
    /// CmdCancel2: cancels the running send.
    void cancel();
    /**
     * @brief The window closes: ends every wait. A send that was running
     * ends as cancelled by the sender, with its message unless @p quiet.
     */
    void shutDown(bool quiet);

    State state() const { return m_state; }
    /// lblstatus2.
    QString status() const { return m_status; }
    /// PrgStatus: 0 to 3, the steps of the last connection attempt.
    int connectStep() const { return m_connectStep; }
    /// ProgressTransfer2, 0 to 100.
    double progress() const { return m_progress; }
    /// The packet size the last send used.
    int packetSize() const { return m_packetSize; }
    qint64 sentBytes() const { return m_sent; }

signals:
    void statusChanged(const QString &text);
    void connectStepChanged(int step);
    void stateChanged(transfer::FileSender::State state);
    /// The connection is established (the transfer panel hides).
    void connected();
    void connectFailed();
    /// "Received:accept": a file may be chosen and offered.
    void accepted();
    /// "Received:denied": the connection was refused and closed.
    void denied();
    /// The receiver's packet size is smaller: the sender now uses @p size.
    void packetSizeAdjusted(int size);
    /// The packet size check passed; the offer goes out (the panel shows).
    void offerStarted();
    /// The offer ended before any data: refused, or given up.
    void offerRefused();
    /// Data goes out from @p path.
    void sendingStarted(const QString &path);
    void progressChanged(double percent);
    /// A send that had permission ended; the connection is closed.
    void transferEnded(transfer::FileSender::Outcome outcome);
    /// The receiver closed the connection while no send was running.
    void closedByReceiver();
    /// cmdAnnulla closed the connection.
    void disconnectedByUser();

private:
    void onConnected();
    void onEncrypted();
    void onConnectTimeout();
    void onReadyRead();
    void onBytesWritten();
    bool sendPacket(const char *data, qint64 length);
    void socketGone();
    void awaitReceiverClose();
    void onSocketGone();
    void failConnect();
    void handleMessage(const ControlMessage &message);
    void onPacketAnswer(const QByteArray &value);
    void onPermission(const QByteArray &value);
    void startData();
    bool readAhead();
    void writePacket();
    void pump();
    void setCorked(bool on);
    /// Bytes written that the system has not taken yet (encrypted or not).
    qint64 pendingBytes() const;
    /// Bytes written that the receiver's system has not acknowledged yet.
    qint64 unacknowledged() const;
    /// After the receiver hung up: whether it took every byte first.
    bool receiverHasItAll() const;
    void finishSend(Outcome outcome, bool quiet = false);
    void closeSocket(bool graceful);
    void setState(State state);
    void setStatus(const QString &text);
    void setConnectStep(int step);
    void show(session::MessageService::Icon icon, const QString &title, const QString &text);

    QTcpSocket *m_socket = nullptr;
    std::optional<secure::Fingerprint> m_pin;
    secure::TableKey m_seatPass;
    QTimer *m_connectTimer;
    QTimer *m_finishTimer;
    session::MessageService *m_messages = nullptr;
    ControlReader m_reader;
    QFile m_file;
    QString m_path;
    qint64 m_length = 0;
    int m_packetSize = 2048;
    qint64 m_sent = 0;
    qint64 m_readPos = 0;
    QByteArray m_block; ///< the file read ahead, a block at a time
    qint64 m_blockPos = 0; ///< where the next packet starts in m_block
    qint64 m_blockEnd = 0; ///< how much of m_block holds file bytes
    qint64 m_shownPercent = -1;
    qint64 m_shownKey = -1;
    bool m_lastWritten = false;
    bool m_pumpScheduled = false;
    bool m_awaitingClose = false;
    int m_watch = -1; ///< a second handle on the connection while awaiting its close
    bool m_cancelled = false;
    bool m_kicked = false;
    int m_connectTimeoutMs = kDefaultConnectTimeoutMs;
    int m_finishTimeoutMs = kDefaultFinishTimeoutMs;

    State m_state = State::NotConnected;
    QString m_status = tr(kDisconnected);
    int m_connectStep = 0;
    double m_progress = 0;
    QString m_target;
    QString m_portText;
};

} // namespace transfer
