#pragma once

#include "gatewayclient.h"

#include <QObject>
#include <QString>

#include <memory>

class QTimer;

namespace portmap {

/**
 * @brief Keeps one TCP port forwarded on the local Internet gateway while
 * asked to: UPnP IGD (versions 1 and 2) or NAT-PMP, whichever the gateway
 * answers.
 *
 * Every exchange with the gateway runs on a worker thread of its own, so
 * map() and unmap() return at once and the caller's thread never waits on
 * the network; the outcome comes back as stateChanged() and messageChanged().
 * The lease is renewed at half its length. A newer request supersedes one
 * not yet started. Destroying the mapper (or finish()) removes the mapping,
 * waiting a bounded time, so closing never hangs on a silent gateway.
 */
class PortMapper : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Off,    ///< switched off: nothing is sent to the gateway
        Idle,   ///< no port asked for
        Asking, ///< a request runs
        Mapped, ///< the port is forwarded
        Failed, ///< the port is not forwarded; message() says why
    };
    Q_ENUM(State)

    struct Options {
        GatewayClient::Settings gateway;
        /// The lease asked for; the mapping is renewed at half of it.
        int leaseSeconds = 3600;
    };

    explicit PortMapper(QObject *parent = nullptr);
    explicit PortMapper(Options options, QObject *parent = nullptr);
    /// Removes the mapping, waiting at most closeTimeoutMs().
    ~PortMapper() override;

    /// Off removes any mapping and sends nothing more; on maps the port last asked for.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }

    /// @brief Keeps @p port forwarded to this machine (a different port
    /// replaces the one mapped before).
    void map(quint16 port, const QString &description);
    /// Removes the forwarding (hosting ended).
    void unmap();
    /**
     * @brief Removes the forwarding and stops the worker, waiting at most
     * @p timeoutMs; returns false when the gateway did not answer in time.
     * The mapper does nothing afterwards.
     */
    bool finish(int timeoutMs);
    /// The first half of finish(): asks for the removal without waiting, so
    /// several mappers can remove theirs at once.
    void stop();
    /// The second half: waits at most @p timeoutMs for the removal asked by stop().
    bool waitStopped(int timeoutMs);

    static constexpr int kDefaultCloseTimeoutMs = 1500;
    int closeTimeoutMs() const { return m_closeTimeoutMs; }
    void setCloseTimeout(int ms) { m_closeTimeoutMs = ms; }

    State state() const { return m_state; }
    /// What the user is told about the port now, in Italian; empty when idle.
    QString message() const { return m_message; }
    /// The last outcome the gateway gave.
    Outcome outcome() const { return m_outcome; }
    /// The port asked for, 0 when none.
    quint16 port() const { return m_port; }
    /// How many renewals the gateway granted.
    int renewals() const { return m_renewals; }

signals:
    void stateChanged(portmap::PortMapper::State state);
    void messageChanged(const QString &message);
    /// The gateway granted a renewal of the lease.
    void renewed();

private:
    struct Shared;
    enum class Job { Map, Renew, Unmap, Quit };
    void post(Job job);
    void onOutcome(quint64 request, Job job, const Outcome &outcome);
    void setState(State state, const QString &message);

    Options m_options;
    std::shared_ptr<Shared> m_shared;
    QTimer *m_renewTimer;
    bool m_enabled = true;
    bool m_finished = false;
    quint16 m_port = 0;
    QString m_description;
    quint64 m_request = 0;
    State m_state = State::Idle;
    QString m_message;
    Outcome m_outcome;
    int m_renewals = 0;
    int m_closeTimeoutMs = kDefaultCloseTimeoutMs;
};

} // namespace portmap
