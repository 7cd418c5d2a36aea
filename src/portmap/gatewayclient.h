#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

namespace portmap {

/// How the gateway was spoken to.
enum class Protocol { None, UpnpIgd1, UpnpIgd2, NatPmp };

/// What one request to the gateway came to.
enum class Result {
    Mapped,          ///< the port is forwarded to this machine
    Removed,         ///< the forwarding is gone (or there was none)
    NoGateway,       ///< nothing answered, neither UPnP nor NAT-PMP
    Refused,         ///< the gateway said no; code and reason tell why
    Conflict,        ///< the outside port is forwarded to another machine
    WrongClient,     ///< the gateway forwarded the port, but to another address
    NotForwarded,    ///< the gateway said yes, yet holds no such forwarding
    BadAnswer,       ///< the gateway's answer made no sense or never came whole
    PrivateExternal, ///< the gateway's outside address is itself private
    SharedExternal,  ///< the gateway's outside address is the provider's shared NAT range
    NotRemoved,      ///< the gateway refused to remove the forwarding, or never answered
};

/// The outcome of one request, with everything the user may be told.
struct Outcome {
    Result result = Result::NoGateway;
    Protocol protocol = Protocol::None;
    quint16 port = 0;         ///< the local port asked for
    quint16 externalPort = 0; ///< the outside port the gateway forwards (NAT-PMP may pick another)
    QString externalAddress;  ///< the gateway's outside address, when known
    QString internalClient;   ///< this machine's address as the gateway sees it
    QString otherClient;      ///< Conflict / WrongClient: where the port goes instead
    int code = 0;             ///< the gateway's own error code, 0 when none
    QString reason;           ///< the gateway's own short reason (English, as it says it)
    int leaseSeconds = 0;     ///< granted lease; 0 = until removed
    /// BadAnswer: no answer came in time, or the connection broke before it
    /// did (a busy or slow router, rather than one that talks nonsense).
    bool unanswered = false;
};

/**
 * @brief The blocking half of port mapping: speaks to the gateway with
 * libnatpmp and libminiupnpc. Every call may block for seconds, so it is used
 * from a worker thread only; one instance remembers the gateway it found and
 * the mapping it made, so renew() and unmap() need no new discovery.
 */
class GatewayClient
{
public:
    struct Settings {
        bool natpmp = true;
        bool upnp = true;
        /// How long UPnP discovery waits for answers.
        int discoveryMs = 1000;
        /// How long NAT-PMP waits for its first answer (its retries included).
        int natpmpMs = 1000;
        /// A gateway's description URL: skips discovery (a known router, or tests).
        QByteArray descriptionUrl;
        /// NAT-PMP gateway as dotted IPv4; empty: the default route's.
        QByteArray natpmpGateway;
    };

    explicit GatewayClient(Settings settings);
    ~GatewayClient();
    GatewayClient(const GatewayClient &) = delete;
    GatewayClient &operator=(const GatewayClient &) = delete;

    /// Forwards outside TCP port @p port to this machine's @p port.
    Outcome map(quint16 port, const QByteArray &description, int leaseSeconds);
    /// Asks again for the mapping last made, before its lease ends.
    Outcome renew();
    /// Removes the mapping last made; Removed when there was none, NotRemoved
    /// (and the mapping still held) when the gateway refused or did not answer.
    Outcome unmap();
    /// True while a mapping made here has not been removed.
    bool holdsMapping() const;
    /**
     * @brief Once @p cancel is set, map() stops before asking for a
     * forwarding (the program is closing: nothing new should be left on the
     * router). @p requesting is set before @p cancel is looked at and a
     * forwarding is asked for, so whoever sets @p cancel and then finds
     * @p requesting false knows that no forwarding will be made; the caller
     * clears it once it has taken note of holdsMapping().
     */
    void setCancelFlags(const std::atomic<bool> *cancel, std::atomic<bool> *requesting)
    {
        m_cancel = cancel;
        m_requesting = requesting;
    }

private:
    struct Upnp;
    Outcome mapNatPmp(quint16 port, int leaseSeconds, bool *answered);
    Outcome mapUpnp(quint16 port, int leaseSeconds);
    Outcome addUpnp(quint16 port, int leaseSeconds);
    bool findUpnp(Outcome *failure);
    /// Marks a forwarding request as under way; false (and nothing marked) once cancelled.
    bool beginRequest();

    Settings m_settings;
    std::unique_ptr<Upnp> m_upnp;
    Protocol m_protocol = Protocol::None;
    quint16 m_port = 0;
    quint16 m_externalPort = 0;
    QByteArray m_description;
    int m_lease = 0;
    const std::atomic<bool> *m_cancel = nullptr;
    std::atomic<bool> *m_requesting = nullptr;
};

} // namespace portmap
