#include "raisechannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace platform {

namespace {
const QByteArray kRequest = QByteArrayLiteral("raise\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
const QByteArray kOpen = QByteArrayLiteral("open ");
/// A request is one short line (an invitation link is at most a few
/// hundred bytes); anything longer is not ours.
constexpr qint64 kMaxRequest = 1024;
} // namespace

RaiseChannel::RaiseChannel(QString runtimeDir, QObject *parent)
    : QObject(parent), m_path(socketPath(std::move(runtimeDir))), m_server(new QLocalServer(this))
{
    // Only this user may ask; the runtime folder is private already, the
    // socket's own mode says so as well.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &RaiseChannel::onConnection);
}

RaiseChannel::~RaiseChannel() = default;

QString RaiseChannel::socketPath(QString runtimeDir)
{
    if (runtimeDir.isEmpty())
        runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeDir.isEmpty())
        runtimeDir = QDir::tempPath();
    return runtimeDir + QStringLiteral("/tavernix-%1.raise").arg(getuid());
}

bool RaiseChannel::listen()
{
    QLocalServer::removeServer(m_path);
    return m_server->listen(m_path);
}

bool RaiseChannel::isListening() const
{
    return m_server->isListening();
}

void RaiseChannel::onConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A caller that connects and says nothing is not kept waiting on.
        QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
        QPointer<QLocalSocket> guard(socket);
        auto handle = [this, guard] {
            if (!guard)
                return;
            if (!guard->canReadLine()) {
                // Whatever talks here without a line break soon is not a
                // second copy of this program.
                if (guard->bytesAvailable() > kMaxRequest)
                    guard->abort();
                return;
            }
            const QByteArray line = guard->readLine(kMaxRequest);
            if (line == kRequest) {
                emit raiseRequested();
                guard->write(kAnswer);
                guard->flush();
            } else if (line.startsWith(kOpen) && line.endsWith('\n')) {
                emit openRequested(QString::fromUtf8(line.mid(kOpen.size()).chopped(1)));
                if (guard) {
                    guard->write(kAnswer);
                    guard->flush();
                }
            }
            guard->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle(); // the request may be there already
    }
}

bool RaiseChannel::askToRaise(const QString &runtimeDir, int timeoutMs)
{
    return ask(kRequest, runtimeDir, timeoutMs);
}

bool RaiseChannel::askToOpen(const QString &link, const QString &runtimeDir, int timeoutMs)
{
    QByteArray request = kOpen + link.toUtf8();
    // One line: a line break inside would end the request early.
    request.replace('\n', ' ').replace('\r', ' ');
    if (request.size() >= kMaxRequest)
        request.truncate(kMaxRequest - 2);
    return ask(request + '\n', runtimeDir, timeoutMs);
}

bool RaiseChannel::ask(const QByteArray &request, const QString &runtimeDir, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath(runtimeDir));
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(request);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine(kMaxRequest) == kAnswer;
}

} // namespace platform
