#include "filesender.h"

#include "peertrust.h"
#include "sizetext.h"
#include "tlssettings.h"
#include "transferprotocol.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>
#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace transfer {

namespace {

using Icon = session::MessageService::Icon;

const char *const kFailedTitle =
    QT_TRANSLATE_NOOP("transfer::FileSender", "Trasferimento fallito!");
const char *const kPacketTitle =
    QT_TRANSLATE_NOOP("transfer::FileSender", "Errore di trasferimento");

} // namespace

FileSender::FileSender(QObject *parent)
    : QObject(parent), m_connectTimer(new QTimer(this)), m_finishTimer(new QTimer(this))
{
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, &FileSender::onConnectTimeout);
    m_finishTimer->setSingleShot(true);
    // A receiver that never hangs up has still been handed every byte, once
    // its system has acknowledged them all; bytes still unacknowledged (a
    // stalled line) may yet be lost, so the wait goes on until the receiver
    // closes or the connection fails.
    connect(m_finishTimer, &QTimer::timeout, this, [this] {
        if (!m_awaitingClose)
            return;
        if (unacknowledged() > 0)
            m_finishTimer->start(m_finishTimeoutMs);
        else
            finishSend(Outcome::Completed);
    });
}

FileSender::~FileSender()
{
    shutDown(true);
}

void FileSender::setMessageService(session::MessageService *service)
{
    m_messages = service;
}

void FileSender::show(Icon icon, const QString &title, const QString &text)
{
    if (m_messages)
        m_messages->showMessage(icon, title, text);
}

// --- connecting ------------------------------------------------------------------

void FileSender::connectTo(const QString &host, const QString &portText, const QString &targetName)
{
    closeSocket(false);
    m_cancelled = false;
    m_kicked = false;
    m_target = targetName;
    m_portText = portText;
    setConnectStep(1);
    setStatus(tr("Connessione: in attesa su %1 [%2].").arg(targetName, portText));

    bool ok = false;
    const quint16 port = portText.trimmed().toUShort(&ok);
    const QString address = host.trimmed();
    if (!ok || port == 0 || address.isEmpty()) {
        // Nothing the transport could try: the same ending as a failed attempt.
        failConnect();
        return;
    }
    auto *socket = new QSslSocket(this);
    m_socket = socket;
    if (m_pin)
        connect(socket, &QSslSocket::encrypted, this, &FileSender::onEncrypted);
    else
        connect(m_socket, &QTcpSocket::connected, this, &FileSender::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &FileSender::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &FileSender::onBytesWritten);
    connect(socket, &QSslSocket::encryptedBytesWritten, this, &FileSender::onBytesWritten);
    connect(m_socket, &QTcpSocket::disconnected, this, &FileSender::onSocketGone);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &FileSender::onSocketGone);
    setState(State::Connecting);
    m_connectTimer->start(m_connectTimeoutMs);
    if (m_pin) {
        socket->setSslConfiguration(secure::TlsSettings::client());
        socket->connectToHostEncrypted(address, port);
    } else {
        socket->connectToHost(address, port);
    }
}

void FileSender::setProtection(const std::optional<secure::Fingerprint> &receiver, const secure::TableKey &seatPass)
{
    m_pin = receiver;
    m_seatPass = seatPass;
}

bool FileSender::isEncrypted() const
{
    const auto *ssl = qobject_cast<const QSslSocket *>(m_socket);
    return ssl && ssl->isEncrypted();
}

void FileSender::onEncrypted()
{
    auto *socket = qobject_cast<QSslSocket *>(m_socket);
    if (!socket || m_state != State::Connecting)
        return;
    const secure::Fingerprint presented = secure::Fingerprint::of(socket->peerCertificate());
    if (secure::PeerTrust::judge(presented, m_pin, secure::TrustStore::Meeting::FirstTime) !=
        secure::PeerTrust::Verdict::Pinned) {
        // Not the receiver the host vouched for: nothing of ours goes out.
        m_connectTimer->stop();
        closeSocket(false);
        setState(State::NotConnected);
        show(Icon::Critical, QStringLiteral("Errore di Connessione"),
             tr("%1 [%2] si è presentato con un'identità diversa da quella che il tavolo conosce per "
                "questo giocatore: può darsi che qualcuno si sia messo in mezzo. La connessione è stata "
                "chiusa e non è stato inviato nulla.")
                 .arg(m_target, m_portText));
        setStatus(QStringLiteral("Stato: Errore di connessione."));
        setConnectStep(3);
        emit connectFailed();
        return;
    }
    m_socket->write(QByteArray(wire::kSeatPass) + m_seatPass.toLinkText().toLatin1());
    onConnected();
}

void FileSender::onConnected()
{
    m_connectTimer->stop();
    setConnectStep(2);
    setStatus(tr("Connesso a %1 [%2].").arg(m_target, m_portText));
    setConnectStep(3);
    setState(State::AwaitingAnswer);
    emit connected();
}

void FileSender::onConnectTimeout()
{
    if (m_state == State::Connecting)
        failConnect();
}

void FileSender::failConnect()
{
    m_connectTimer->stop();
    setConnectStep(2);
    closeSocket(false);
    setState(State::NotConnected);
    show(Icon::Critical, tr("Errore di Connessione"),
         tr("La connessione col destinatario non è andata a buon fine. E' consigliabile "
            "chiudere la finestra e tentare nuovamente."));
    setStatus(tr("Stato: Errore di connessione."));
    setConnectStep(3);
    emit connectFailed();
}

void FileSender::disconnectFromReceiver()
{
    switch (m_state) {
    case State::CheckingPacket:
    case State::OfferingName:
    case State::AwaitingPermission:
    case State::Sending:
        // Closing the connection under a running send is the user's cancel.
        cancel();
        return;
    default:
        break;
    }
    closeSocket(false);
    setState(State::NotConnected);
    setStatus(tr(kDisconnected));
    emit disconnectedByUser();
}

// --- the receiver's answers --------------------------------------------------------

void FileSender::onReadyRead()
{
    if (!m_socket)
        return;
    m_reader.append(m_socket->readAll());
    ControlMessage message;
    while (m_socket && m_reader.next(&message) == ControlReader::Status::Message)
        handleMessage(message);
}

void FileSender::handleMessage(const ControlMessage &message)
{
    switch (message.kind) {
    case Kind::Accept:
        if (m_state == State::AwaitingAnswer) {
            setState(State::Accepted);
            emit accepted();
        }
        break;
    case Kind::Denied:
        if (m_state == State::AwaitingAnswer || m_state == State::Accepted) {
            show(Icon::Critical, tr("Connessione respinta"),
                 tr("Il destinatario ha rifiutato la connessione."));
            closeSocket(false);
            setState(State::NotConnected);
            emit denied();
        }
        break;
    case Kind::PacketAnswer:
        if (m_state == State::CheckingPacket)
            onPacketAnswer(message.value);
        break;
    case Kind::Pend:
        if (m_state == State::AwaitingPermission)
            onPermission(message.value);
        break;
    case Kind::Kick:
        m_kicked = true;
        // The receiver has given up on this file: sending on would only fill
        // a connection it is about to close.
        if (m_state == State::Sending || m_state == State::AwaitingPermission ||
            m_state == State::OfferingName || m_state == State::CheckingPacket)
            finishSend(Outcome::ReceiverCancelled);
        break;
    default:
        break;
    }
}

// --- offering ------------------------------------------------------------------------

bool FileSender::offer(const QString &path, int packetSize)
{
    if (m_state != State::Accepted || !m_socket)
        return false;
    m_packetSize = qBound(kMinPacketSize, packetSize, kMaxPacketSize);
    m_cancelled = false;
    m_kicked = false;
    m_path = path;
    m_file.close();
    m_file.setFileName(path);
    if (!QFileInfo(path).isFile() || !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        show(Icon::Critical, tr(kPacketTitle), tr("Il file '%1' non può essere letto.").arg(path));
        return false;
    }
    // The length is taken now; a file that grows meanwhile is sent as far as this.
    m_length = m_file.size();
    if (m_length > kMaxFileSize) {
        m_file.close();
        show(Icon::Critical, tr(kPacketTitle),
             tr("Il file '%1' è troppo grande: si possono inviare file fino a 2147483647 byte.")
                 .arg(path));
        return false;
    }
    m_socket->write(wire::kPacketRequest);
    setState(State::CheckingPacket);
    return true;
}

void FileSender::onPacketAnswer(const QByteArray &value)
{
    bool ok = false;
    const int size = value.toInt(&ok);
    // Below the smallest size the scroll bar could show, the check would ask
    // for an adjustment the sender can never make.
    if (!ok || size < kMinPacketSize) {
        m_file.close();
        setState(State::Accepted);
        show(Icon::Critical, tr(kPacketTitle),
             tr("Il destinatario ha indicato una dimensione dei pacchetti non valida. "
                "Il file non è stato inviato."));
        return;
    }
    if (size < m_packetSize) {
        m_file.close();
        setState(State::Accepted);
        show(Icon::Critical, tr(kPacketTitle),
             tr("La dimensione dei pacchetti selezionata è incompatibile con quella "
                "selezionata dal destinatario del file. La dimensione è stata ora resa "
                "compatibile. Quando pronto clicca nuovamente su 'Invia' per inoltrare "
                "il file."));
        m_packetSize = size;
        emit packetSizeAdjusted(size);
        return;
    }
    // Larger sizes pass: our packets stay within 2500 bytes anyway.
    setState(State::OfferingName);
    emit offerStarted();
    setStatus(tr("Statistiche del file in uscita..."));
    m_socket->write(nameMessage(GetFileName(m_path)));
}

void FileSender::onPermission(const QByteArray &value)
{
    bool ok = false;
    const int answer = value.toInt(&ok);
    // 2 is the value the wait itself holds: the receiver is still deciding.
    if (!ok || answer == 2)
        return; // the wait goes on until an answer comes or the line goes
    if (answer == 0) {
        m_file.close();
        setState(State::Accepted);
        show(Icon::Critical, tr("File Transfer Error"), tr("Il file è stato rifiutato. Grrrr.."));
        emit offerRefused();
        return;
    }
    startData();
}

// --- the packet loop ------------------------------------------------------------------

// Send-complete: the last write has wholly left the socket's buffer.
void FileSender::onBytesWritten()
{
    if (!m_socket || pendingBytes() > 0)
        return;
    if (m_state == State::OfferingName) {
        m_socket->write(sizeMessage(m_length));
        setStatus(tr("File in attesa di permesso..."));
        setState(State::AwaitingPermission);
    } else if (m_state == State::Sending) {
        pump();
    }
}

bool FileSender::sendPacket(const char *data, qint64 length)
{
#ifdef Q_OS_UNIX
    // A packet goes straight to the system while nothing waits in the
    // socket: the socket's own buffered write would switch its write
    // notification on and off for every packet, which costs more than the
    // packet. Only what the system cannot take now is left to the socket,
    // which reports it sent through bytesWritten.
    // Never past TLS: its records must carry every byte.
    const int fd = isEncrypted() ? -1 : int(m_socket->socketDescriptor());
    if (fd >= 0 && m_socket->bytesToWrite() == 0) {
        qint64 done = 0;
        while (done < length) {
            const ssize_t n = ::send(fd, data + done, size_t(length - done), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                return false;
            }
        }
        if (done < length)
            m_socket->write(data + done, length - done);
        return true;
    }
#endif
    const bool written = m_socket->write(data, length) == length;
    // Encrypted at once, so pendingBytes() says what the system has not taken.
    if (isEncrypted())
        m_socket->flush();
    return written;
}

qint64 FileSender::pendingBytes() const
{
    const auto *ssl = qobject_cast<const QSslSocket *>(m_socket);
    return m_socket->bytesToWrite() + (ssl ? ssl->encryptedBytesToWrite() : 0);
}

qint64 FileSender::unacknowledged() const
{
    const qint64 unsent = m_socket ? pendingBytes() : 0;
#ifdef Q_OS_LINUX
    int queued = 0;
    const int fd = m_watch >= 0 ? m_watch : (m_socket ? int(m_socket->socketDescriptor()) : -1);
    if (fd >= 0 && ::ioctl(fd, SIOCOUTQ, &queued) == 0)
        return unsent + queued;
#endif
    return unsent;
}

bool FileSender::receiverHasItAll() const
{
#ifdef Q_OS_LINUX
    // A receiver that closes once it has read everything ends with an
    // orderly close; a reset throws away whatever it had not acknowledged.
    tcp_info info{};
    socklen_t length = sizeof info;
    if (m_watch >= 0 && ::getsockopt(m_watch, IPPROTO_TCP, TCP_INFO, &info, &length) == 0)
        return info.tcpi_state != TCP_CLOSE && unacknowledged() == 0;
#endif
    return true;
}

void FileSender::setCorked(bool on)
{
#ifdef Q_OS_LINUX
    // While the file streams, the system fills whole segments from the
    // packets instead of pushing each one through the network stack on its
    // own; the bytes on the line are the same. Lifted for the last packet.
    if (!m_socket || m_socket->socketDescriptor() < 0)
        return;
    const int value = on ? 1 : 0;
    ::setsockopt(int(m_socket->socketDescriptor()), IPPROTO_TCP, TCP_CORK, &value, sizeof value);
#else
    Q_UNUSED(on);
#endif
}

void FileSender::startData()
{
    setState(State::Sending);
    emit sendingStarted(m_path);
    m_sent = 0;
    m_readPos = 0;
    m_blockPos = 0;
    m_blockEnd = 0;
    m_shownPercent = -1;
    m_shownKey = -1;
    m_block.resize(kReadBlock);
    m_lastWritten = false;
    if (m_length == 0) {
        // Nothing to send: no empty packet, just the ending of a whole file.
        m_progress = 100;
        emit progressChanged(m_progress);
        setStatus(tr("Trasferimento completato. %1 inviati.").arg(FormatKB2(0)));
        awaitReceiverClose();
        return;
    }
    if (readAhead()) {
        setCorked(true);
        pump();
    }
}

// Sends packets while each one leaves the socket at once, for a few
// milliseconds at most; then the event loop gets its turn (a zero timer
// brings the pump back), or the pump waits for the socket to report the
// packet sent when the system could not take it whole.
void FileSender::pump()
{
    m_pumpScheduled = false;
    QElapsedTimer slice;
    slice.start();
    while (m_socket && m_state == State::Sending && pendingBytes() == 0) {
        if (m_lastWritten) {
            awaitReceiverClose();
            return;
        }
        writePacket();
        if (slice.elapsed() >= kSliceMs) {
            if (m_socket && m_state == State::Sending && pendingBytes() == 0 &&
                !m_pumpScheduled) {
                m_pumpScheduled = true;
                QTimer::singleShot(0, this, [this] {
                    if (m_pumpScheduled)
                        pump();
                });
            }
            return;
        }
    }
}

// Makes sure the next packet is in the read-ahead block, reading the file
// a block at a time.
bool FileSender::readAhead()
{
    const qint64 n = qMin<qint64>(m_packetSize, m_length - m_sent);
    if (m_blockEnd - m_blockPos >= n)
        return true;
    if (m_blockPos > 0) {
        std::memmove(m_block.data(), m_block.constData() + m_blockPos, m_blockEnd - m_blockPos);
        m_blockEnd -= m_blockPos;
        m_blockPos = 0;
    }
    const qint64 want = qMin<qint64>(m_block.size() - m_blockEnd, m_length - m_readPos);
    if (want > 0 && m_file.read(m_block.data() + m_blockEnd, want) != want) {
        finishSend(Outcome::ReadFailed);
        return false;
    }
    m_readPos += want;
    m_blockEnd += want;
    return true;
}

void FileSender::writePacket()
{
    const qint64 n = qMin<qint64>(m_packetSize, m_length - m_sent);
    const char *packet = m_block.constData() + m_blockPos;
    m_blockPos += n;
    m_sent += n;
    m_lastWritten = m_sent >= m_length;
    if (m_lastWritten)
        setCorked(false);
    if (!sendPacket(packet, n)) {
        socketGone(); // the system says the connection is broken
        return;
    }
    // The next packet is read while this one leaves, so it is ready the
    // moment the socket has taken this one.
    if (!m_lastWritten && !readAhead())
        return;
    // Shown last: a slot of these signals may cancel, which ends everything.
    if (m_lastWritten) {
        m_progress = 100;
        setStatus(tr("Trasferimento completato. %1 inviati.").arg(FormatKB2(m_length)));
    } else {
        m_progress = 100.0 * double(m_sent) / double(m_length);
        // nearbyint rounds halves to even.
        const qint64 percent = qint64(std::nearbyint(m_progress));
        const qint64 key = sizeTextKey(m_length - m_sent);
        if (percent != m_shownPercent || key != m_shownKey) {
            m_shownPercent = percent;
            m_shownKey = key;
            setStatus(tr("Stato: %1% del file inviato. %2 residui.")
                          .arg(percent)
                          .arg(FormatKB2(m_length - m_sent)));
        }
    }
    emit progressChanged(m_progress);
}

void FileSender::cancel()
{
    switch (m_state) {
    case State::CheckingPacket:
    case State::OfferingName:
    case State::AwaitingPermission:
    case State::Sending:
        m_cancelled = true;
        finishSend(Outcome::CancelledBySender);
        break;
    default:
        break;
    }
}

void FileSender::finishSend(Outcome outcome, bool quiet)
{
    m_pumpScheduled = false;
    m_awaitingClose = false;
    m_finishTimer->stop();
    m_file.close();
    m_block.clear();
    closeSocket(outcome == Outcome::Completed);
    setState(State::NotConnected);
    if (!quiet) {
        switch (outcome) {
        case Outcome::Completed:
            show(Icon::Information, tr("Trasferimento completo"),
                 tr("Trasferimento del file completato."));
            break;
        case Outcome::CancelledBySender:
            show(Icon::Information, tr("Connessione terminata"),
                 tr("Il trasferimento del file è stato annullato dal mittente."));
            break;
        case Outcome::ConnectionLost:
            show(Icon::Critical, tr(kFailedTitle),
                 tr("Il trasferimento del file non è andato a buon fine: la connessione "
                    "col destinatario è stata persa."));
            break;
        case Outcome::ReceiverCancelled:
            show(Icon::Warning, tr(kFailedTitle),
                 tr("Il trasferimento del file non è andato a buon fine: il destinatario "
                    "ha perso o chiuso la connessione."));
            break;
        case Outcome::ReadFailed:
            show(Icon::Critical, tr(kFailedTitle),
                 tr("Il trasferimento del file non è andato a buon fine: il file %1 non può "
                    "più essere letto.")
                     .arg(m_path));
            break;
        }
    }
    m_cancelled = false;
    m_kicked = false;
    setStatus(tr(kDisconnected));
    emit transferEnded(outcome);
}

// --- the connection going ---------------------------------------------------------------

void FileSender::onSocketGone()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket || socket != m_socket)
        return;
    if (m_state == State::Connecting) {
        if (socket->state() != QAbstractSocket::ConnectedState)
            failConnect();
        return;
    }
    if (socket->state() == QAbstractSocket::ConnectedState)
        return; // an error the connection survives; its end comes as its own notification
    socketGone();
}

void FileSender::socketGone()
{
    QTcpSocket *socket = m_socket;
    // A cancel that came just before the close is in what is left to read.
    if (socket->bytesAvailable() > 0)
        onReadyRead();
    if (m_socket != socket)
        return;
    switch (m_state) {
    case State::CheckingPacket:
    case State::OfferingName:
    case State::AwaitingPermission:
    case State::Sending:
        if (m_awaitingClose && !m_kicked)
            // The receiver has it all and hung up, unless it broke the
            // connection off with our bytes still on their way.
            finishSend(receiverHasItAll() ? Outcome::Completed : Outcome::ConnectionLost);
        else
            finishSend(m_kicked ? Outcome::ReceiverCancelled : Outcome::ConnectionLost);
        break;
    default:
        closeSocket(false);
        setState(State::NotConnected);
        emit closedByReceiver();
        break;
    }
}

// Every byte is with the system, but that is not yet with the receiver: a
// receiver whose disk fills up cancels only when it gets there. It closes
// the connection once the file is whole, so that close is the success.
void FileSender::awaitReceiverClose()
{
    m_awaitingClose = true;
#ifdef Q_OS_LINUX
    // The socket lets its handle go as soon as it sees the connection end;
    // a second handle keeps the connection's state readable until then.
    if (m_watch < 0 && m_socket && m_socket->socketDescriptor() >= 0)
        m_watch = ::fcntl(int(m_socket->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
#endif
    m_finishTimer->start(m_finishTimeoutMs);
}

void FileSender::shutDown(bool quiet)
{
    switch (m_state) {
    case State::CheckingPacket:
    case State::OfferingName:
    case State::AwaitingPermission:
    case State::Sending:
        m_cancelled = true;
        finishSend(Outcome::CancelledBySender, quiet);
        break;
    default:
        closeSocket(false);
        setState(State::NotConnected);
        break;
    }
}

void FileSender::closeSocket(bool graceful)
{
    m_connectTimer->stop();
    m_reader.clear();
#ifdef Q_OS_LINUX
    if (m_watch >= 0) {
        ::close(m_watch);
        m_watch = -1;
    }
#endif
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    if (!socket)
        return;
    disconnect(socket, nullptr, this, nullptr);
    if (!graceful) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
    } else {
        QTimer::singleShot(5000, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
}

// --- state ----------------------------------------------------------------------------------

void FileSender::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void FileSender::setStatus(const QString &text)
{
    m_status = text;
    emit statusChanged(text);
}

void FileSender::setConnectStep(int step)
{
    m_connectStep = step;
    emit connectStepChanged(step);
}

} // namespace transfer
