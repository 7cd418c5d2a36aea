#pragma once

#include "reconnectpolicy.h"

#include <QObject>
#include <QString>

#include <functional>

class QTimer;

namespace session
{

/**
 * @brief A client's way back to the table once its connection to the host
 * was lost: tries to the same address and port on the policy's schedule,
 * each given a while to be answered, saying in the status box when the next
 * try comes and that "Sconnetti" stops them.
 *
 * It keeps time and counts tries; the session owns the socket. A try starts
 * with the connect hook; the session reports how it ends: answered() when
 * the host took the player back, tryFailed() when it was refused, closed
 * before the host's answer, or not answered in time (the rejoin's own
 * timer). The session's own choices (Sconnetti, Host, Connetti) stop it.
 */
class Rejoin : public QObject
{
    Q_OBJECT
public:
    struct Hooks {
        /// Open a new connection to the host (any last one is closed first).
        std::function<void()> connect;
        /// Close the connection of a try that failed.
        std::function<void()> abandon;
        /// Append a line to the status box.
        std::function<void(const QString &)> status;
    };

    explicit Rejoin(QObject *parent = nullptr);

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    ReconnectPolicy *policy() const { return m_policy; }
    /// How long a try may take, connection and the host's answer together.
    void setAnswerWait(int ms);

    /// The connection to @p address at @p port was lost: the tries begin.
    void begin(const QString &address, quint16 port);
    /// The try under way failed; the next one is scheduled (or none).
    void tryFailed();
    /// The host took the player back: no more tries.
    void answered();
    /// No more tries, and the one under way is forgotten.
    void stop();

    bool isActive() const { return m_policy->isActive() || m_tryOpen; }
    /// True while a try is under way.
    bool tryOpen() const { return m_tryOpen; }

signals:
    void back();
    void gaveUp();

private:
    ReconnectPolicy *m_policy;
    QTimer *m_answerTimer;
    Hooks m_hooks;
    QString m_address;
    quint16 m_port = 0;
    bool m_tryOpen = false;
};

} // namespace session
