#include "gatewayclient.h"

#include "addressclass.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>
#include <natpmp.h>

#include <QDeadlineTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <poll.h>

namespace portmap {

namespace {

constexpr const char *kTcp = "TCP";
// Codes of the UPnP port-mapping actions the answers are read against.
constexpr int kNoSuchEntry = 714;
constexpr int kConflict = 718;
constexpr int kOnlyPermanentLeases = 725;

/// Sends nothing itself: waits for the answer to the request already sent,
/// letting libnatpmp repeat it on its own schedule, but never past @p deadline.
int natpmpAnswer(natpmp_t *n, natpmpresp_t *response, const QDeadlineTimer &deadline)
{
    for (;;) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return NATPMP_ERR_NOGATEWAYSUPPORT;
        timeval tv{};
        getnatpmprequesttimeout(n, &tv);
        qint64 waitMs = qint64(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
        waitMs = qBound<qint64>(0, waitMs, left);
        // poll(), not select(): a host that raised its descriptor limit may
        // hand this socket a number past what an fd_set can hold.
        pollfd wait{n->s, POLLIN, 0};
        if (::poll(&wait, 1, int(waitMs)) < 0 && errno != EINTR)
            return NATPMP_ERR_SOCKETERROR;
        const int r = readnatpmpresponseorretry(n, response);
        if (r != NATPMP_TRYAGAIN)
            return r;
    }
}

/// A NAT-PMP result code as the gateway would say it.
QString natpmpReason(int code)
{
    switch (code) {
    case 2: return QStringLiteral("Not Authorized/Refused");
    case 3: return QStringLiteral("Network Failure");
    case 4: return QStringLiteral("Out of resources");
    default: return QStringLiteral("Error %1").arg(code);
    }
}

/// A gateway's refusal (not authorized, no network, no resources) keeps its
/// code; any other failure means the answer made no sense.
void refusalOrBadAnswer(int r, Outcome *o)
{
    if (r == NATPMP_ERR_NOTAUTHORIZED || r == NATPMP_ERR_NETWORKFAILURE ||
        r == NATPMP_ERR_OUTOFRESOURCES) {
        o->result = Result::Refused;
        o->code = -r - 49; // -51 is the gateway's code 2, -52 is 3, -53 is 4
        o->reason = natpmpReason(o->code);
    } else {
        o->result = Result::BadAnswer;
    }
}

/// Opens a NAT-PMP exchange with the configured or the default gateway.
bool openNatPmp(natpmp_t *n, const QByteArray &gateway)
{
    if (gateway.isEmpty())
        return initnatpmp(n, 0, 0) == 0;
    in_addr a{};
    if (::inet_pton(AF_INET, gateway.constData(), &a) != 1)
        return false;
    return initnatpmp(n, 1, a.s_addr) == 0;
}

/// Removal and renewal talk to a gateway that answered moments ago.
constexpr int kKnownGatewayMs = 2000;

} // namespace

struct GatewayClient::Upnp {
    UPNPUrls urls{};
    IGDdatas data{};
    char lanaddr[64] = {};
    bool found = false;
    ~Upnp() { reset(); }
    void reset()
    {
        if (found)
            FreeUPNPUrls(&urls);
        urls = {};
        data = {};
        found = false;
    }
    const char *control() const { return urls.controlURL; }
    const char *service() const { return data.first.servicetype; }
    Protocol version() const
    {
        return QByteArray(data.first.servicetype).endsWith(":2") ? Protocol::UpnpIgd2
                                                                 : Protocol::UpnpIgd1;
    }
};

GatewayClient::GatewayClient(Settings settings)
    : m_settings(std::move(settings)), m_upnp(std::make_unique<Upnp>())
{
}

GatewayClient::~GatewayClient() = default;

bool GatewayClient::holdsMapping() const { return m_protocol != Protocol::None; }

bool GatewayClient::beginRequest()
{
    if (m_requesting)
        m_requesting->store(true);
    if (m_cancel && m_cancel->load()) {
        if (m_requesting)
            m_requesting->store(false);
        return false;
    }
    return true;
}

Outcome GatewayClient::map(quint16 port, const QByteArray &description, int leaseSeconds)
{
    if (holdsMapping() && m_port != port)
        unmap();
    m_description = description;
    Outcome natFailure;
    bool natAnswered = false;
    if (m_settings.natpmp) {
        Outcome o = mapNatPmp(port, leaseSeconds, &natAnswered);
        if (o.result == Result::Mapped || (natAnswered && !m_settings.upnp))
            return o;
        natFailure = o;
    }
    if (m_settings.upnp) {
        Outcome o = mapUpnp(port, leaseSeconds);
        // A NAT-PMP gateway that answered and refused says more than a
        // UPnP search that found nothing.
        if (o.result == Result::NoGateway && natAnswered)
            return natFailure;
        return o;
    }
    natFailure.port = port;
    return natFailure;
}

Outcome GatewayClient::mapNatPmp(quint16 port, int leaseSeconds, bool *answered)
{
    Outcome o;
    o.port = port;
    o.protocol = Protocol::NatPmp;
    natpmp_t n{};
    if (!openNatPmp(&n, m_settings.natpmpGateway)) {
        o.result = Result::NoGateway;
        return o;
    }
    const QDeadlineTimer deadline(holdsMapping() ? kKnownGatewayMs : m_settings.natpmpMs);
    natpmpresp_t response{};
    int r = sendpublicaddressrequest(&n);
    if (r >= 0)
        r = natpmpAnswer(&n, &response, deadline);
    if (r == NATPMP_ERR_NOGATEWAYSUPPORT || r == NATPMP_ERR_SOCKETERROR || r == NATPMP_ERR_RECVFROM ||
        r == NATPMP_ERR_SENDERR || r == NATPMP_ERR_CONNECTERR || r == NATPMP_ERR_CANNOTGETGATEWAY) {
        closenatpmp(&n);
        o.result = Result::NoGateway;
        return o;
    }
    *answered = true;
    if (r < 0 || response.type != NATPMP_RESPTYPE_PUBLICADDRESS) {
        closenatpmp(&n);
        refusalOrBadAnswer(r, &o);
        return o;
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &response.pnu.publicaddress.addr, text, sizeof text);
    o.externalAddress = QString::fromLatin1(text);
    const AddressClass outside = classifyIPv4(o.externalAddress);
    if (outside == AddressClass::Private || outside == AddressClass::Shared) {
        closenatpmp(&n);
        o.result = outside == AddressClass::Private ? Result::PrivateExternal
                                                    : Result::SharedExternal;
        return o;
    }
    if (!beginRequest()) {
        closenatpmp(&n);
        o.result = Result::Removed;
        return o;
    }
    r = sendnewportmappingrequest(&n, NATPMP_PROTOCOL_TCP, port, port, uint32_t(leaseSeconds));
    if (r >= 0)
        r = natpmpAnswer(&n, &response, QDeadlineTimer(kKnownGatewayMs));
    closenatpmp(&n);
    if (r == NATPMP_ERR_NOGATEWAYSUPPORT) {
        o.result = Result::NoGateway;
        return o;
    }
    if (r < 0) {
        refusalOrBadAnswer(r, &o);
        return o;
    }
    if (response.type != NATPMP_RESPTYPE_TCPPORTMAPPING ||
        response.pnu.newportmapping.privateport != port ||
        response.pnu.newportmapping.mappedpublicport == 0) {
        o.result = Result::BadAnswer;
        return o;
    }
    o.result = Result::Mapped;
    o.externalPort = response.pnu.newportmapping.mappedpublicport;
    o.leaseSeconds = int(response.pnu.newportmapping.lifetime);
    m_protocol = Protocol::NatPmp;
    m_port = port;
    m_externalPort = o.externalPort;
    m_lease = leaseSeconds;
    return o;
}

bool GatewayClient::findUpnp(Outcome *failure)
{
    if (m_upnp->found)
        return true;
    int status = 0;
    if (!m_settings.descriptionUrl.isEmpty()) {
        status = UPNP_GetIGDFromUrl(m_settings.descriptionUrl.constData(), &m_upnp->urls,
                                    &m_upnp->data, m_upnp->lanaddr, sizeof m_upnp->lanaddr);
        // A "gateway" whose description names no port-mapping service.
        if (status == 1 && !m_upnp->data.first.servicetype[0]) {
            FreeUPNPUrls(&m_upnp->urls);
            failure->result = Result::BadAnswer;
            return false;
        }
        if (status != 1) {
            failure->result = Result::BadAnswer;
            return false;
        }
    } else {
        int error = 0;
        // Every kind of gateway is searched for at once and answers are
        // awaited once: searched one after the other, each silent kind
        // would cost the whole wait again.
        static const char *const kinds[] = {
            "urn:schemas-upnp-org:device:InternetGatewayDevice:1",
            "urn:schemas-upnp-org:device:InternetGatewayDevice:2",
            "urn:schemas-upnp-org:service:WANIPConnection:1",
            "urn:schemas-upnp-org:service:WANIPConnection:2",
            "urn:schemas-upnp-org:service:WANPPPConnection:1",
            nullptr};
        UPNPDev *devices = upnpDiscoverDevices(kinds, m_settings.discoveryMs, nullptr, nullptr, 0,
                                               0, 2, &error, 1);
        if (!devices) {
            failure->result = Result::NoGateway;
            return false;
        }
        status = UPNP_GetValidIGD(devices, &m_upnp->urls, &m_upnp->data, m_upnp->lanaddr,
                                  sizeof m_upnp->lanaddr);
        freeUPNPDevlist(devices);
        // 1: a connected gateway; 2: a gateway that says it is not
        // connected (it may still forward); 3: some device, not a gateway.
        if (status != 1 && status != 2) {
            if (status == 3)
                FreeUPNPUrls(&m_upnp->urls);
            failure->result = Result::NoGateway;
            return false;
        }
    }
    m_upnp->found = true;
    return true;
}

Outcome GatewayClient::mapUpnp(quint16 port, int leaseSeconds)
{
    Outcome o;
    o.port = port;
    if (!findUpnp(&o))
        return o;
    o.protocol = m_upnp->version();
    o.internalClient = QString::fromLatin1(m_upnp->lanaddr);

    char outside[64] = {};
    const int r = UPNP_GetExternalIPAddress(m_upnp->control(), m_upnp->service(), outside);
    if (r != UPNPCOMMAND_SUCCESS) {
        // The gateway vanished since it was found: look for it afresh next time.
        m_upnp->reset();
        o.result = r > 0 ? Result::Refused : Result::BadAnswer;
        o.code = r > 0 ? r : 0;
        o.unanswered = r == UPNPCOMMAND_HTTP_ERROR;
        if (r > 0 && strupnperror(r))
            o.reason = QString::fromLatin1(strupnperror(r));
        return o;
    }
    o.externalAddress = QString::fromLatin1(outside);
    switch (classifyIPv4(o.externalAddress)) {
    case AddressClass::Private:
        o.result = Result::PrivateExternal;
        return o;
    case AddressClass::Shared:
        o.result = Result::SharedExternal;
        return o;
    case AddressClass::Unusable:
        // A gateway without a usable outside address cannot forward anything.
        o.result = Result::Refused;
        o.reason = QStringLiteral("no external address");
        return o;
    case AddressClass::Public:
        break;
    }

    const QByteArray portText = QByteArray::number(port);
    char client[64] = {}, clientPort[16] = {}, desc[96] = {}, enabled[8] = {}, lease[16] = {};
    // A forwarding of this port to another machine is theirs: leave it alone.
    if (UPNP_GetSpecificPortMappingEntry(m_upnp->control(), m_upnp->service(), portText.constData(),
                                         kTcp, nullptr, client, clientPort, desc, enabled,
                                         lease) == UPNPCOMMAND_SUCCESS &&
        client[0] && qstrcmp(client, m_upnp->lanaddr) != 0) {
        o.result = Result::Conflict;
        o.otherClient = QString::fromLatin1(client);
        return o;
    }
    return addUpnp(port, leaseSeconds);
}

Outcome GatewayClient::addUpnp(quint16 port, int leaseSeconds)
{
    Outcome o;
    o.port = port;
    o.protocol = m_upnp->version();
    o.internalClient = QString::fromLatin1(m_upnp->lanaddr);
    const QByteArray portText = QByteArray::number(port);
    char outside[64] = {};
    if (UPNP_GetExternalIPAddress(m_upnp->control(), m_upnp->service(), outside) ==
        UPNPCOMMAND_SUCCESS)
        o.externalAddress = QString::fromLatin1(outside);

    if (!beginRequest()) {
        o.result = Result::Removed;
        return o;
    }
    int granted = leaseSeconds;
    int r = UPNP_AddPortMapping(m_upnp->control(), m_upnp->service(), portText.constData(),
                                portText.constData(), m_upnp->lanaddr, m_description.constData(),
                                kTcp, nullptr, QByteArray::number(granted).constData());
    if (r == kOnlyPermanentLeases) {
        // Older gateways keep forwardings until removed; removal at the end
        // of hosting and at exit matters all the more then.
        granted = 0;
        r = UPNP_AddPortMapping(m_upnp->control(), m_upnp->service(), portText.constData(),
                                portText.constData(), m_upnp->lanaddr, m_description.constData(),
                                kTcp, nullptr, "0");
    }
    char client[64] = {}, clientPort[16] = {}, desc[96] = {}, enabled[8] = {}, lease[16] = {};
    if (r != UPNPCOMMAND_SUCCESS) {
        if (r < 0) {
            m_upnp->reset();
            o.result = Result::BadAnswer;
            o.unanswered = r == UPNPCOMMAND_HTTP_ERROR;
            return o;
        }
        o.code = r;
        if (strupnperror(r))
            o.reason = QString::fromLatin1(strupnperror(r));
        o.result = Result::Refused;
        if (r == kConflict) {
            o.result = Result::Conflict;
            if (UPNP_GetSpecificPortMappingEntry(m_upnp->control(), m_upnp->service(),
                                                 portText.constData(), kTcp, nullptr, client,
                                                 clientPort, desc, enabled,
                                                 lease) == UPNPCOMMAND_SUCCESS)
                o.otherClient = QString::fromLatin1(client);
        }
        return o;
    }
    // A gateway's "yes" is checked against what it actually holds.
    r = UPNP_GetSpecificPortMappingEntry(m_upnp->control(), m_upnp->service(),
                                         portText.constData(), kTcp, nullptr, client, clientPort,
                                         desc, enabled, lease);
    if (r == kNoSuchEntry || (r == UPNPCOMMAND_SUCCESS && !client[0])) {
        o.result = Result::NotForwarded;
        return o;
    }
    if (r == UPNPCOMMAND_SUCCESS &&
        (qstrcmp(client, m_upnp->lanaddr) != 0 || QByteArray(clientPort) != portText)) {
        o.result = Result::WrongClient;
        o.otherClient = QString::fromLatin1(client);
        if (QByteArray(clientPort) != portText)
            o.otherClient += QLatin1Char(':') + QString::fromLatin1(clientPort);
        return o;
    }
    // A gateway that cannot list entries (r another error) is taken at its word.
    o.result = Result::Mapped;
    o.externalPort = port;
    o.leaseSeconds = granted;
    m_protocol = o.protocol;
    m_port = port;
    m_externalPort = port;
    m_lease = leaseSeconds;
    return o;
}

Outcome GatewayClient::renew()
{
    if (!holdsMapping()) {
        Outcome o;
        o.result = Result::Removed;
        return o;
    }
    // A renewal that fails or is cut short by a stop leaves the mapping
    // known: the gateway may still hold it (a permanent one for good), and
    // only what is known is removed at the end.
    const Protocol held = m_protocol;
    const quint16 port = m_port;
    const quint16 externalPort = m_externalPort;
    Outcome o;
    if (m_protocol == Protocol::NatPmp) {
        bool answered = false;
        o = mapNatPmp(port, m_lease, &answered);
    } else {
        o = addUpnp(port, m_lease);
    }
    if (o.result != Result::Mapped) {
        m_protocol = held;
        m_port = port;
        m_externalPort = externalPort;
    }
    return o;
}

Outcome GatewayClient::unmap()
{
    Outcome o;
    o.result = Result::Removed;
    o.port = m_port;
    o.protocol = m_protocol;
    if (m_protocol == Protocol::NatPmp) {
        natpmp_t n{};
        int r = NATPMP_ERR_CANNOTGETGATEWAY;
        if (openNatPmp(&n, m_settings.natpmpGateway)) {
            natpmpresp_t response{};
            // A lifetime of 0 removes the mapping.
            r = sendnewportmappingrequest(&n, NATPMP_PROTOCOL_TCP, m_port, 0, 0);
            if (r >= 0)
                r = natpmpAnswer(&n, &response, QDeadlineTimer(kKnownGatewayMs));
            closenatpmp(&n);
        }
        if (r < 0) {
            o.result = Result::NotRemoved;
            o.unanswered = r == NATPMP_ERR_NOGATEWAYSUPPORT || r == NATPMP_ERR_SOCKETERROR ||
                           r == NATPMP_ERR_RECVFROM || r == NATPMP_ERR_CANNOTGETGATEWAY;
            if (!o.unanswered)
                o.code = -r - 49;
            return o; // still held as far as we know
        }
    } else if (m_protocol != Protocol::None && m_upnp->found) {
        const QByteArray portText = QByteArray::number(m_externalPort);
        const int r = UPNP_DeletePortMapping(m_upnp->control(), m_upnp->service(),
                                             portText.constData(), kTcp, nullptr);
        // Gone already (a lease that ran out, a gateway that restarted) is gone.
        if (r != UPNPCOMMAND_SUCCESS && r != kNoSuchEntry) {
            o.result = Result::NotRemoved;
            o.unanswered = r < 0;
            if (r > 0) {
                o.code = r;
                if (strupnperror(r))
                    o.reason = QString::fromLatin1(strupnperror(r));
            }
            return o;
        }
    }
    m_protocol = Protocol::None;
    return o;
}

} // namespace portmap
