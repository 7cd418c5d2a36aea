#pragma once

#include <QObject>
#include <QString>

class QTimer;

namespace server
{

/**
 * @brief Tells the service manager how the server is doing, through its
 * notification socket ($NOTIFY_SOCKET): ready once it listens, stopping on
 * the way out, status lines, and the watchdog's ping at half the interval
 * the manager asks for ($WATCHDOG_USEC). Started by hand, without those
 * variables, it does nothing.
 *
 * The pings come from a timer on the server's own thread, so a server whose
 * event loop is stuck stops pinging and the manager restarts it.
 */
class ServiceNotifier : public QObject
{
    Q_OBJECT
public:
    explicit ServiceNotifier(QObject *parent = nullptr);

    void ready(const QString &status);
    void stopping();
    void status(const QString &status);

    /// The ping interval in milliseconds, 0 when no watchdog is asked for.
    int watchdogIntervalMs() const { return m_intervalMs; }

private:
    void notify(const QByteArray &state);

    QTimer *m_watchdog = nullptr;
    int m_intervalMs = 0;
};

} // namespace server
