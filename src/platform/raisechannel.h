#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace platform {

/**
 * @brief The running copy's ear for a second start.
 *
 * A second copy still refuses to run, but a user who starts the program again
 * (usually from the menu, with no terminal to read its refusal) wants the
 * window they already have. The running copy listens on a local socket in the
 * user's runtime folder; the second copy connects, asks once and ends.
 *
 * The exchange is one line each way: the second copy writes "raise", or
 * "open " and an invitation link it was started with, and the running copy
 * answers "ok" once it has acted on it.
 */
class RaiseChannel : public QObject
{
    Q_OBJECT
public:
    /// @p runtimeDir defaults to the user's runtime folder ($XDG_RUNTIME_DIR).
    explicit RaiseChannel(QString runtimeDir = QString(), QObject *parent = nullptr);
    ~RaiseChannel() override;

    /// The socket's path for @p runtimeDir (the default folder when empty).
    static QString socketPath(QString runtimeDir = QString());

    /// Starts listening. Call it only while holding the single-copy lock: a
    /// socket file left by a copy that crashed is removed first.
    bool listen();
    bool isListening() const;
    QString path() const { return m_path; }

    /**
     * @brief Asks the copy listening in @p runtimeDir to raise its window.
     * Blocks for at most @p timeoutMs (the second copy has nothing else to
     * do); true when the running copy answered that it did.
     */
    static bool askToRaise(const QString &runtimeDir = QString(), int timeoutMs = 2000);
    /// As askToRaise(), handing over the invitation @p link as well.
    static bool askToOpen(const QString &link, const QString &runtimeDir = QString(),
                          int timeoutMs = 2000);

signals:
    /// A second start asked for the window; the answer goes out after this returns.
    void raiseRequested();
    /// A second start was given the invitation @p link (not checked yet).
    void openRequested(const QString &link);

private:
    void onConnection();
    static bool ask(const QByteArray &request, const QString &runtimeDir, int timeoutMs);

    QString m_path;
    QLocalServer *m_server;
};

} // namespace platform
