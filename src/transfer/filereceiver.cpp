#include "filereceiver.h"

#include "duallisten.h"
#include "incomingoffer.h"
#include "sizetext.h"
#include "sslserver.h"
#include "tlssettings.h"

#include <QHostAddress>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>

namespace transfer {

namespace {

// Large reads keep the number of notifications per file small; the socket
// stops reading from the system when its buffer is full, so a peer that
// floods us while a question waits is held back by TCP, not by memory.
constexpr qint64 kReadBuffer = 512 * 1024;
// A sender asks once per offer and waits for the answer; this much of our
// answers still unsent means a peer that asks without ever reading.
constexpr qint64 kMaxUnsent = 64 * 1024;

QString peerText(const QTcpSocket *socket)
{
    const QHostAddress address = socket->peerAddress();
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

FileReceiver::FileReceiver(QObject *parent)
    : QObject(parent), m_server(new secure::SslServer(this)), m_sort(new QTimer(this)), m_idle(new QTimer(this)),
      m_resume(new QTimer(this)), m_stall(new QTimer(this))
{
    m_server->setMaxPendingConnections(1);
    connect(m_server, &QTcpServer::newConnection, this, &FileReceiver::onNewConnection);
    // A failed accept (no descriptor left) makes the server stop taking
    // requests for good; it rests a while instead and tries again, so the
    // port answers once descriptors are free.
    m_resume->setSingleShot(true);
    m_resume->setInterval(kDefaultAcceptPauseMs);
    connect(m_server, &QTcpServer::acceptError, this, [this] {
        ++m_acceptPauses;
        m_resume->start();
    });
    connect(m_resume, &QTimer::timeout, this, [this] {
        if (m_server->isListening())
            m_server->resumeAccepting();
    });
    m_idle->setSingleShot(true);
    connect(m_idle, &QTimer::timeout, this, &FileReceiver::onIdle);
    m_sort->setSingleShot(true);
    connect(m_sort, &QTimer::timeout, this, &FileReceiver::onSortTimeout);
    m_stall->setInterval(kDefaultStallTimeoutMs);
    connect(m_stall, &QTimer::timeout, this, &FileReceiver::onStallCheck);
    m_chunk.resize(kReadBuffer);
}

FileReceiver::~FileReceiver()
{
    stop();
}

void FileReceiver::setMessageService(session::MessageService *service)
{
    m_messages = service;
}

void FileReceiver::setAcceptPause(int ms)
{
    m_resume->setInterval(qMax(0, ms));
}

void FileReceiver::setIdleTimeout(int ms)
{
    m_idleTimeoutMs = ms;
    if (m_idle->isActive())
        m_idle->start(m_idleTimeoutMs);
}

void FileReceiver::setStallLimit(int ms, qint64 minBytes)
{
    m_stall->setInterval(ms);
    m_minProgressBytes = minBytes;
}

void FileReceiver::setSenderLookup(std::function<QString(const QString &)> lookup)
{
    m_senderLookup = std::move(lookup);
}

void FileReceiver::setIdentity(const QSslCertificate &certificate, const QSslKey &key)
{
    m_certificate = certificate;
    m_key = key;
}

void FileReceiver::setGate(secure::Access access, const secure::TableKey &seatPass)
{
    m_access = access;
    m_seatPass = seatPass;
}

bool FileReceiver::isEncrypted() const
{
    const auto *ssl = qobject_cast<const QSslSocket *>(m_socket);
    return ssl && ssl->isEncrypted();
}

bool FileReceiver::listen(quint16 port)
{
    stop();
    m_port = port;
    setStatus(tr(kListening));
    startListening();
    emit portChanged(this->port());
    return isListening();
}

quint16 FileReceiver::port() const
{
    return m_server->isListening() ? m_server->serverPort() : m_port;
}

bool FileReceiver::isListening() const
{
    return m_server->isListening();
}

bool FileReceiver::changePort(const QString &text)
{
    if (m_state == State::Receiving)
        return false;
    bool ok = false;
    const qint16 value = text.trimmed().toShort(&ok);
    const bool taken = ok && value >= 1;
    // The connection goes whether or not the number is good, and listening
    // resumes on the port that holds.
    if (m_socket)
        returnToListening(Retire::Graceful);
    m_server->close();
    if (taken)
        m_port = quint16(value);
    startListening();
    emit portChanged(port());
    return taken;
}

void FileReceiver::startListening()
{
    if (m_server->isListening()) {
        setState(State::Listening);
        return;
    }
    const bool ok = session::listenDualStack(m_server, m_port);
    if (ok)
        m_port = m_server->serverPort(); // a system-chosen port stays the same from now on
    setState(ok ? State::Listening : State::Stopped);
    // Nothing comes in on a port we could not get: said, with the way out,
    // rather than "in ascolto" (which the callers may have said already).
    const QString now = ok ? tr(kListening) : listenFailureText(m_port, m_server->serverError());
    if (now != m_status)
        setStatus(now);
}

QString FileReceiver::listenFailureText(quint16 port, QAbstractSocket::SocketError error)
{
    QString why;
    switch (error) {
    case QAbstractSocket::AddressInUseError:
        why = tr("è già usata da un altro programma (forse un'altra copia di Tavernix)");
        break;
    case QAbstractSocket::SocketAccessError:
        why = tr("è riservata (le porte sotto 1024 richiedono i privilegi di amministratore)");
        break;
    default:
        why = tr("non è disponibile");
        break;
    }
    return tr("Nessun file può arrivare: la porta %1 %2. Scrivere un'altra porta in \"Cambia "
              "porta in:\" e premere \"Cambia in:\", e darla a chi invia.")
        .arg(port)
        .arg(why);
}

void FileReceiver::stop()
{
    m_sort->stop();
    m_idle->stop();
    m_stall->stop();
    m_turn.reset();
    retireSocket(Retire::Abort);
    closeFile(false);
    m_server->close();
    m_received = 0;
    m_reader.clear();
    m_rawName.clear();
    if (m_state == State::Receiving)
        emit receivingChanged(false);
    setState(State::Stopped);
}

// --- connection requests -----------------------------------------------------

void FileReceiver::onNewConnection()
{
    QTcpSocket *socket = m_server->nextPendingConnection();
    // One connection at a time: listening stops as soon as one is taken,
    // and anything else that slipped in meanwhile is turned away.
    while (m_server->hasPendingConnections()) {
        QTcpSocket *extra = m_server->nextPendingConnection();
        extra->abort();
        extra->deleteLater();
    }
    m_server->close();
    if (!socket)
        return;
    if (m_socket) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    m_socket = socket;
    socket->setReadBufferSize(kReadBuffer);
    connect(socket, &QTcpSocket::readyRead, this, &FileReceiver::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &FileReceiver::onPeerGone);
    connect(socket, &QTcpSocket::errorOccurred, this, &FileReceiver::onPeerGone);
    m_turn = std::make_unique<QObject>();
    m_reader.clear();
    m_rawName.clear();
    const QString address = peerText(socket);
    m_sender = m_senderLookup ? m_senderLookup(address) : QString();
    if (m_sender.isEmpty())
        m_sender = address;

    m_tls = false;
    if (!m_certificate.isNull()) {
        // Nothing is answered before the peer shows what it speaks.
        setState(State::Sorting);
        m_sort->start(kSortWaitMs);
        sortPeer();
        return;
    }
    onPlainPeer();
}

bool FileReceiver::needsSeatPass() const
{
    switch (m_access) {
    case secure::Access::Anyone:
        return false;
    case secure::Access::LanOpen:
        return !secure::isLocalNetwork(m_socket->peerAddress());
    case secure::Access::Invited:
        break;
    }
    return true;
}

void FileReceiver::sortPeer()
{
    char first = 0;
    if (m_tls || !m_socket || m_socket->peek(&first, 1) != 1)
        return;
    auto *ssl = qobject_cast<QSslSocket *>(m_socket);
    if (!ssl || !secure::TlsSettings::startsLikeTls(QByteArray(1, first))) {
        onPlainPeer();
        return;
    }
    m_tls = true;
    m_sort->start(m_proofTimeoutMs);
    ssl->setSslConfiguration(secure::TlsSettings::server(m_certificate, m_key));
    ssl->startServerEncryption();
}

void FileReceiver::onSortTimeout()
{
    if (!m_socket || m_state != State::Sorting)
        return;
    if (m_tls)
        returnToListening(Retire::Abort); // a handshake or a pass that never came
    else
        onPlainPeer();
}

void FileReceiver::onPlainPeer()
{
    m_sort->stop();
    // A stranger in plain text gets the basic protocol's refusal, never a question.
    if (needsSeatPass())
        denyConnection();
    else
        decideRequest();
}

void FileReceiver::checkSeat(const QByteArray &pass)
{
    m_sort->stop();
    const auto presented = secure::TableKey::fromLinkText(QString::fromLatin1(pass));
    const bool seated = presented && !m_seatPass.isNull() && m_seatPass.matches(presented->bytes());
    if (seated || !needsSeatPass())
        decideRequest();
    else
        denyConnection();
}

void FileReceiver::decideRequest()
{
    QTcpSocket *socket = m_socket;
    if (m_block) {
        denyConnection();
    } else if (m_acceptAll) {
        acceptConnection();
    } else {
        ask(tr("Richiesta di Connessione"),
            tr("Una richiesta di connessione per il trasferimento di un file è stata "
               "inoltrata da: %1 [%2]. Accetti la connesstione?")
                .arg(peerText(socket))
                .arg(port()),
            &FileReceiver::acceptConnection, &FileReceiver::denyConnection, State::Asking);
    }
}

void FileReceiver::ask(const QString &title, const QString &text, void (FileReceiver::*onYes)(),
                       void (FileReceiver::*onNo)(), State waiting)
{
    setState(waiting);
    // The peer waits for our user, not the other way round.
    m_idle->stop();
    if (!m_messages) {
        (this->*onNo)();
        return;
    }
    const QPointer<QTcpSocket> socket = m_socket;
    m_messages->ask(session::MessageService::Icon::Question, title, text,
                    session::MessageService::Buttons::YesNo, m_turn.get(),
                    [this, socket, waiting, onYes, onNo](bool yes) {
                        // The connection may have ended while the user thought.
                        if (!socket || socket != m_socket || m_state != waiting)
                            return;
                        (this->*(yes ? onYes : onNo))();
                        onReadyRead(); // what arrived meanwhile
                    });
}

void FileReceiver::acceptConnection()
{
    m_socket->write(wire::kAccept);
    setState(State::Connected);
    setStatus(tr("Connesso a %1 [%2].").arg(peerText(m_socket)).arg(m_socket->peerPort()));
    m_idle->start(m_idleTimeoutMs);
}

void FileReceiver::denyConnection()
{
    m_socket->write(wire::kDenied);
    returnToListening(Retire::Graceful);
}

// --- data ----------------------------------------------------------------------

void FileReceiver::onReadyRead()
{
    if (!m_socket || m_state == State::Asking || m_state == State::Offered)
        return;
    if (m_state == State::Sorting) {
        if (!isEncrypted()) {
            sortPeer();
            return;
        }
        // The first thing a Tavernix sender says inside TLS is its seat pass.
        m_reader.append(m_socket->readAll());
        ControlMessage message;
        const ControlReader::Status status = m_reader.next(&message);
        if (status == ControlReader::Status::Incomplete && m_reader.pending() < ControlReader::kMaxPending)
            return;
        if (status == ControlReader::Status::Message && message.kind == Kind::SeatPass)
            checkSeat(message.value);
        else
            denyConnection();
        return;
    }
    m_idle->start(m_idleTimeoutMs);
    while (m_socket) {
        if (m_state == State::Receiving) {
            if (m_socket->bytesAvailable() <= 0)
                break;
            const qint64 n = m_socket->read(m_chunk.data(), m_chunk.size());
            if (n <= 0)
                break;
            consume(m_chunk.constData(), n);
        } else if (m_state == State::Connected) {
            if (m_socket->bytesAvailable() > 0)
                m_reader.append(m_socket->readAll());
            handleControl();
            if (m_state == State::Connected)
                break;
        } else {
            break;
        }
    }
}

void FileReceiver::handleControl()
{
    ControlMessage message;
    while (m_socket && m_state == State::Connected) {
        if (m_socket->bytesToWrite() > kMaxUnsent) {
            returnToListening(Retire::Abort);
            return;
        }
        const ControlReader::Status status = m_reader.next(&message);
        if (status == ControlReader::Status::Overflow) {
            // A name that never ends: nobody sends that by mistake.
            returnToListening(Retire::Abort);
            return;
        }
        if (status == ControlReader::Status::Incomplete)
            return;
        switch (message.kind) {
        case Kind::PacketRequest:
            m_socket->write(packetAnswer(m_packetSize));
            break;
        case Kind::Name:
            m_rawName = message.value;
            break;
        case Kind::Size:
            decideOffer(message.value);
            break;
        default:
            break; // not ours to answer
        }
    }
}

void FileReceiver::decideOffer(const QByteArray &sizeValue)
{
    // Each offer brings its own name; one without a name is refused rather
    // than stored under the previous offer's name.
    const QByteArray raw = m_rawName;
    m_rawName.clear();
    const NameCheck name = checkIncomingName(raw);
    if (!name.ok()) {
        refuseFile(name.refusal);
        return;
    }
    const std::optional<qint64> size = parseAnnouncedSize(sizeValue);
    if (!size) {
        refuseFile(tr("Stato: File rifiutato: dimensione annunciata non valida."));
        return;
    }
    m_incomingName = name.name;
    m_incomingSize = *size;
    if (m_autoAccept) {
        acceptFile();
        return;
    }
    ask(tr("File in attesa di permesso"),
        tr("Accetti di ricevere il file: '%1' di %2?\n\nMittente: %3")
            .arg(m_incomingName, FormatKB(m_incomingSize), m_sender),
        &FileReceiver::acceptFile, &FileReceiver::refuseByUser, State::Offered);
}

void FileReceiver::refuseByUser()
{
    refuseFile(QString());
}

void FileReceiver::refuseFile(const QString &reason)
{
    m_socket->write(wire::kPendRefused);
    setState(State::Connected);
    if (!reason.isEmpty())
        setStatus(reason);
    emit receivingChanged(false);
    m_idle->start(m_idleTimeoutMs);
}

void FileReceiver::acceptFile()
{
    // An emptied folder box means the usual folder, as at the start, rather
    // than the root of the file system.
    const QString folder = m_saveFolder.trimmed().isEmpty() ? defaultSaveFolder()
                                                            : withSeparator(m_saveFolder);
    QString why;
    if (!makeFolder(folder, &why)) {
        refuseFile(
            tr("Stato: File rifiutato: la cartella %1 non è utilizzabile (%2).").arg(folder, why));
        return;
    }
    const QString path = folder + m_incomingName;
    // A name near the longest the folder takes is received under a shorter
    // partial name: the file still arrives under its own.
    const QString partial = folder + partialName(m_incomingName);
    // The bytes go to NOME.parziale and the file takes its own name only
    // once whole, so a broken transfer never leaves a file that looks whole.
    // The sender is told to go ahead only once the bytes have a place to go,
    // and the name they will take is checked now, not after the transfer.
    if (!replaceable(path, nullptr, &why)) {
        refuseFile(tr("Stato: File rifiutato: impossibile scrivere %1 (%2).").arg(path, why));
        return;
    }
    if (!openDestination(m_file, partial, &why)) {
        refuseFile(tr("Stato: File rifiutato: impossibile scrivere %1 (%2).").arg(partial, why));
        return;
    }
    m_path = path;
    m_partial = partial;
    m_socket->write(wire::kPendAccepted);
    m_received = 0;
    setProgress(0);
    setState(State::Receiving);
    emit fileOpened(m_path);
    emit receivingChanged(true);
    m_idle->start(m_idleTimeoutMs);
    m_stallMark = 0;
    m_stall->start();
    if (m_incomingSize == 0) {
        complete(); // no data will come for an empty file
        return;
    }
    const QByteArray early = m_reader.takeAll();
    if (!early.isEmpty())
        consume(early.constData(), early.size());
}

void FileReceiver::consume(const char *data, qint64 length)
{
    m_received += length;
    const qint64 excess = m_received - m_incomingSize;
    // Beyond the announced size nothing is written.
    const qint64 keep = excess >= 0 ? length - excess : length;
    if (keep > 0 && m_file.write(data, keep) != keep) {
        writeFailed(m_file.errorString());
        return;
    }
    if (excess >= 0) {
        complete();
        return;
    }
    const double p = double(m_received) / double(m_incomingSize) * 100.0;
    // nearbyint rounds halves to even, as the percentages are meant to.
    setStatus(tr("Stato: %1 ricevuti su %2 [%3%].")
                  .arg(FormatKB(m_received), FormatKB(m_incomingSize))
                  .arg(qint64(std::nearbyint(p))));
    setProgress(p);
}

void FileReceiver::complete()
{
    m_stall->stop();
    QString why;
    const bool named = m_file.isOpen() && (m_file.close(), true) &&
                       finishDestination(partialPath(), m_path, &why);
    if (!named) {
        setStatus(tr(kNotCompleted));
        setProgress(100);
        emit fileClosed(partialPath(), false);
        returnToListening(Retire::Graceful);
        if (m_messages) {
            m_messages->showMessage(
                session::MessageService::Icon::Warning, tr("Errore di scrittura"),
                tr("Il file '%1' è arrivato per intero ma non ha potuto prendere il suo nome "
                   "(%2): è rimasto in '%3'.")
                    .arg(m_path, why, partialPath()));
        }
        return;
    }
    setStatus(tr(kCompleted));
    setProgress(100);
    emit fileClosed(m_path, true);
    const QString path = m_path;
    const QString from = m_sender;
    const qint64 size = m_incomingSize;
    returnToListening(Retire::Graceful);
    if (m_messages) {
        m_messages->showMessage(session::MessageService::Icon::Information, tr("File ricevuto"),
                                tr("Ricevuto da %1: '%2' (%3).").arg(from, path, FormatKB(size)));
    }
}

void FileReceiver::tellBroken(const QString &what)
{
    if (!m_messages)
        return;
    m_messages->showMessage(
        session::MessageService::Icon::Warning, tr("Trasferimento interrotto"),
        tr("%1 Ricevuti %2 su %3; la parte ricevuta è in '%4'.")
            .arg(what, FormatKB(m_received), FormatKB(m_incomingSize), partialPath()));
}

void FileReceiver::onStallCheck()
{
    if (m_state != State::Receiving) {
        m_stall->stop();
        return;
    }
    if (m_received - m_stallMark >= m_minProgressBytes) {
        m_stallMark = m_received;
        return;
    }
    // Told first, while the counts still hold; then ended as a cancel is.
    tellBroken(tr("Il file '%1' da %2 non arrivava più: il trasferimento è stato chiuso.")
                   .arg(m_incomingName, m_sender));
    breakOff();
}

void FileReceiver::writeFailed(const QString &reason)
{
    const QString path = m_path;
    const QString partial = partialPath();
    breakOff();
    if (m_messages) {
        m_messages->showMessage(
            session::MessageService::Icon::Warning, tr("Errore di scrittura"),
            tr("Il file '%1' non è stato ricevuto per intero: la scrittura non è riuscita (%2). "
               "La parte già ricevuta è rimasta in '%3'.")
                .arg(path, reason, partial));
    }
}

void FileReceiver::cancel()
{
    if (m_state != State::Receiving)
        return;
    breakOff();
}

void FileReceiver::breakOff()
{
    setStatus(tr(kNotCompleted));
    setProgress(100);
    sendKick();
    closeFile(false);
    returnToListening(Retire::Drain);
}

void FileReceiver::sendKick()
{
    if (m_socket)
        m_socket->write(wire::kKick);
}

// --- endings -------------------------------------------------------------------

void FileReceiver::onPeerGone()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket || socket != m_socket)
        return;
    // Bytes that came before the close are still file content.
    if (m_state == State::Receiving)
        onReadyRead();
    if (m_socket != socket)
        return; // the file completed with them
    if (m_state == State::Receiving) {
        tellBroken(tr("Il mittente (%1) ha interrotto l'invio del file '%2'.")
                       .arg(m_sender, m_incomingName));
    }
    returnToListening(Retire::Abort);
}

void FileReceiver::onIdle()
{
    if (!m_socket)
        return;
    if (m_state == State::Receiving) {
        tellBroken(tr("Il file '%1' da %2 non arrivava più: il trasferimento è stato chiuso.")
                       .arg(m_incomingName, m_sender));
    }
    returnToListening(Retire::Abort);
}

void FileReceiver::returnToListening(Retire how)
{
    m_sort->stop();
    m_idle->stop();
    m_stall->stop();
    m_turn.reset(); // questions about this connection are moot now
    retireSocket(how);
    closeFile(false);
    m_received = 0;
    m_reader.clear();
    m_rawName.clear();
    setStatus(tr(kListening));
    startListening();
    emit receivingChanged(false);
}

void FileReceiver::retireSocket(Retire how)
{
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    if (!socket)
        return;
    disconnect(socket, nullptr, this, nullptr);
    auto finish = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    switch (how) {
    case Retire::Abort:
        finish();
        return;
    case Retire::Graceful:
        // What was written (an answer, a refusal) still goes out first.
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        break;
    case Retire::Drain:
        // The peer is still sending; closing now would reset the connection
        // and could destroy the cancel before the peer has read it. Read and
        // drop its bytes until it closes.
        connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->readAll();
        break;
    }
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
    else
        QTimer::singleShot(kDrainTimeoutMs, socket, finish);
}

// --- state -------------------------------------------------------------------------

void FileReceiver::closeFile(bool complete)
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    emit fileClosed(complete ? m_path : partialPath(), complete);
}

void FileReceiver::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void FileReceiver::setStatus(const QString &text)
{
    m_status = text;
    emit statusChanged(text);
}

void FileReceiver::setProgress(double percent)
{
    m_progress = percent;
    emit progressChanged(percent);
}

} // namespace transfer
