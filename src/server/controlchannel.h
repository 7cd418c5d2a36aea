#pragma once

#include "controlcommand.h"

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace server
{

/**
 * @brief The running server's end of `tavernix-server ctl`: a local socket
 * that only the server's own user can open.
 *
 * The socket lies in a folder of its own under the state folder, made 0700
 * and owned by us, and is itself 0600. Whoever calls start() holds the state
 * folder's lock, so a socket file found there is a leftover of a crash and
 * is taken over. Each connection sends one command line and gets one reply
 * line; a line that is too long or never ends is answered and closed.
 */
class ControlServer : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<ControlReply(const ControlCommand &)>;

    explicit ControlServer(Handler handler, QObject *parent = nullptr);
    ~ControlServer() override;

    /// Listens under @p stateDir; false with errorText() when it cannot.
    bool start(const QString &stateDir);
    void close();
    QString errorText() const { return m_error; }

    /// Where the socket of the server on @p stateDir lies.
    static QString socketPath(const QString &stateDir);

    /// How long a connection may take to send its line.
    static constexpr int kReadTimeoutMs = 5000;

private:
    void onConnection();
    void onReadable(QLocalSocket *socket);

    Handler m_handler;
    QLocalServer *m_server = nullptr;
    QString m_error;
};

/**
 * @brief The `ctl` side: sends @p command to the server on @p stateDir and
 * waits for its reply. When no server answers, the reply has status 2 and
 * says why.
 */
ControlReply sendControl(const QString &stateDir, const ControlCommand &command,
                         int timeoutMs = 10000);

} // namespace server
