#include "controlchannel.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace server
{

namespace
{

const char kFolder[] = "control";
const char kSocket[] = "ctl.sock";

/// Makes @p path a folder of ours that nobody else may enter; an error text
/// when it cannot be, or is somebody else's.
QString secureFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("impossibile creare la cartella %1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return QStringLiteral("impossibile leggere la cartella %1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    // A link or a folder someone else made could hand our socket to them.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return QStringLiteral("%1 non è una cartella di questo utente: il server non la usa.")
            .arg(path);
    if ((st.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return QStringLiteral("impossibile rendere privata la cartella %1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

} // namespace

ControlServer::ControlServer(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{
}

ControlServer::~ControlServer()
{
    close();
}

QString ControlServer::socketPath(const QString &stateDir)
{
    return QDir(stateDir).absoluteFilePath(QLatin1String(kFolder) + QLatin1Char('/') +
                                           QLatin1String(kSocket));
}

bool ControlServer::start(const QString &stateDir)
{
    close();
    const QString folder = QDir(stateDir).absoluteFilePath(QLatin1String(kFolder));
    m_error = secureFolder(folder);
    if (!m_error.isEmpty())
        return false;
    const QString path = socketPath(stateDir);
    if (QFile::encodeName(path).size() >= qsizetype(sizeof(sockaddr_un::sun_path))) {
        m_error = QStringLiteral("il percorso del socket di controllo %1 è troppo lungo: "
                                 "scegliere una cartella di stato più corta.")
                      .arg(path);
        return false;
    }
    // The caller holds the state folder's lock: a socket here is a leftover.
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path)) {
        m_error = QStringLiteral("impossibile aprire il socket di controllo %1: %2")
                      .arg(path, m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    ::chmod(QFile::encodeName(path).constData(), 0600);
    connect(m_server, &QLocalServer::newConnection, this, &ControlServer::onConnection);
    return true;
}

void ControlServer::close()
{
    if (!m_server)
        return;
    m_server->close(); // removes the socket file
    delete m_server;
    m_server = nullptr;
}

void ControlServer::onConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that never finishes its line does not hold the slot forever.
        QTimer::singleShot(kReadTimeoutMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0)
            onReadable(socket);
    }
}

void ControlServer::onReadable(QLocalSocket *socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    ControlReply reply;
    if (socket->canReadLine()) {
        QByteArray line = socket->readLine(ControlCommand::kMaxLineBytes + 1);
        if (!line.endsWith('\n')) {
            reply = ControlReply::usage(QStringLiteral("comando troppo lungo."));
        } else {
            line.chop(1);
            const ControlCommand command = ControlCommand::fromLine(QString::fromUtf8(line));
            reply = command.isValid() ? m_handler(command) : ControlReply::usage(command.error);
        }
    } else if (socket->bytesAvailable() >= ControlCommand::kMaxLineBytes) {
        reply = ControlReply::usage(QStringLiteral("comando troppo lungo."));
    } else {
        return; // the rest of the line is on its way
    }
    socket->setProperty("answered", true);
    socket->write(reply.toLine().toUtf8() + '\n');
    socket->flush(); // before a "stop" ends the program
    socket->disconnectFromServer();
}

ControlReply sendControl(const QString &stateDir, const ControlCommand &command, int timeoutMs)
{
    const QString path = ControlServer::socketPath(stateDir);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) {
        switch (socket.error()) {
        case QLocalSocket::SocketAccessError:
            return ControlReply::usage(
                QStringLiteral("accesso negato al socket di controllo %1: va usato dallo stesso "
                               "utente del server.")
                    .arg(path));
        default:
            return ControlReply::usage(
                QStringLiteral("il server non è in esecuzione (nessuno risponde su %1).").arg(path));
        }
    }
    socket.write(command.toLine().toUtf8() + '\n');
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (socket.bytesAvailable() <= 0 && !socket.waitForReadyRead(timeoutMs))
            break;
        answer += socket.readAll();
    }
    const qsizetype end = answer.indexOf('\n');
    ControlReply reply;
    if (end < 0 || !ControlReply::fromLine(QString::fromUtf8(answer.left(end)), &reply))
        return ControlReply::failed(QStringLiteral("il server non ha risposto al comando."));
    return reply;
}

} // namespace server
