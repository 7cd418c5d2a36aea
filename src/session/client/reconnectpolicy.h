#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

class QTimer;

namespace session
{

/**
 * @brief When a client whose connection was lost tries again: after 1, 2, 4,
 * 8 and 15 seconds, then every 30 seconds, until 30 minutes have passed
 * since the loss. Every figure can be changed (tests shorten them).
 *
 * Each delay runs from the end of the try before it, so a try that takes a
 * while to fail does not eat the wait before the next one. The policy only
 * keeps time: whoever owns it makes the try when tryNow() fires and says
 * how it went with tryFailed() or stop().
 */
class ReconnectPolicy : public QObject
{
    Q_OBJECT
public:
    struct Schedule {
        QList<int> delaysMs{1000, 2000, 4000, 8000, 15000}; ///< the first waits, in order
        int repeatMs = 30000;                               ///< every wait after them
        qint64 giveUpAfterMs = 30 * 60 * 1000;              ///< from the loss
    };

    explicit ReconnectPolicy(QObject *parent = nullptr);

    void setSchedule(const Schedule &schedule);
    const Schedule &schedule() const { return m_schedule; }
    /// The wait before try @p attempt (from 0) under @p schedule.
    static int delayBefore(const Schedule &schedule, int attempt);

    /// The connection was just lost: the first try is scheduled.
    void start();
    /// The last try failed: the next one is scheduled, or the policy gives
    /// up when it would come after the time allowed.
    void tryFailed();
    /// No more tries (back in, the user's own choice, another session).
    void stop();

    bool isActive() const { return m_active; }
    /// Tries made since start().
    int attempts() const { return m_attempts; }
    /// When the next try is due; invalid while none is scheduled.
    QDateTime nextTry() const { return m_next; }
    /// Milliseconds until the next try (-1 when none is scheduled).
    int msToNextTry() const;

signals:
    /// A try was scheduled @p delayMs from now, at @p when.
    void tryScheduled(int delayMs, const QDateTime &when);
    /// Time for try number @p attempt (from 1).
    void tryNow(int attempt);
    /// The time allowed is over: no more tries.
    void gaveUp();

private:
    void scheduleNext();

    Schedule m_schedule;
    QTimer *m_timer;
    QElapsedTimer m_since; ///< from the loss
    QDateTime m_next;
    int m_attempts = 0;
    bool m_active = false;
};

} // namespace session
