#include "reachability.h"

#include "chatsession.h"
#include "invitation.h"
#include "localaddress.h"
#include "mappingtext.h"

#include <QDeadlineTimer>

namespace session {

namespace {
const QString kTransferDescription = QStringLiteral("Tavernix (file)");
} // namespace

Reachability::Reachability(ChatSession *chat, QObject *parent) : QObject(parent), m_chat(chat)
{
    connect(m_chat, &ChatSession::phaseChanged, this, &Reachability::onPhase);
}

Reachability::~Reachability()
{
    finish();
}

void Reachability::setMapperOptions(const portmap::PortMapper::Options &options)
{
    m_options = options;
}

void Reachability::start(bool enabled)
{
    if (isStarted())
        return;
    m_enabled = enabled;
    m_chatMapper = new portmap::PortMapper(m_options, this);
    m_transferMapper = new portmap::PortMapper(m_options, this);
    for (auto *mapper : {m_chatMapper, m_transferMapper}) {
        mapper->setCloseTimeout(m_closeTimeoutMs);
        mapper->setEnabled(enabled);
        connect(mapper, &portmap::PortMapper::stateChanged, this, &Reachability::invitationsChanged);
    }
    connect(m_chatMapper, &portmap::PortMapper::messageChanged, this,
            &Reachability::chatTextChanged);
    connect(m_transferMapper, &portmap::PortMapper::messageChanged, this,
            &Reachability::transferTextChanged);
    connect(m_chatMapper, &portmap::PortMapper::stateChanged, this,
            [this](portmap::PortMapper::State state) {
                using S = portmap::PortMapper::State;
                // A failure's whole text is long: the status box gets the
                // short form, and "Raggiungibilità" keeps the whole.
                if (state == S::Failed || state == S::Mapped)
                    emit chatReport(portmap::brief(m_chatMapper->outcome()));
                else if (state == S::Idle && !m_chatMapper->message().isEmpty())
                    emit chatReport(m_chatMapper->message());
            });
    // A forwarding removed ("chiusa") says so once it happened, with the state already Idle.
    connect(m_chatMapper, &portmap::PortMapper::messageChanged, this, [this](const QString &text) {
        if (m_chatMapper->state() == portmap::PortMapper::State::Idle && !text.isEmpty())
            emit chatReport(text);
    });
    if (m_transferPort != 0)
        m_transferMapper->map(m_transferPort, kTransferDescription);
    onPhase();
}

void Reachability::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_chatMapper) {
        m_chatMapper->setEnabled(enabled);
        m_transferMapper->setEnabled(enabled);
    }
    emit enabledChanged(enabled);
    emit invitationsChanged();
}

void Reachability::setTransferPort(quint16 port)
{
    if (port == m_transferPort)
        return;
    m_transferPort = port;
    if (!m_transferMapper)
        return;
    if (port == 0)
        m_transferMapper->unmap();
    else
        m_transferMapper->map(port, kTransferDescription);
}

void Reachability::onPhase()
{
    if (!m_chatMapper)
        return;
    const bool hosting = m_chat->phase() == ChatSession::Phase::Hosting;
    const quint16 port = m_chat->listeningPort();
    if (hosting && port != 0) {
        if (m_chatMapper->port() != port)
            m_chatMapper->map(port, m_chatDescription);
    } else if (m_chatMapper->port() != 0) {
        m_chatMapper->unmap();
    }
    emit invitationsChanged();
}

QString Reachability::chatText() const
{
    return m_chatMapper ? m_chatMapper->message() : QString();
}

QString Reachability::transferText() const
{
    return m_transferMapper ? m_transferMapper->message() : QString();
}

QList<Reachability::Address> Reachability::invitations() const
{
    const auto link = [this](const QString &host, quint16 port) {
        return m_linkMaker ? m_linkMaker(host, port) : session::Invitation::format(host, port);
    };
    QList<Address> list;
    const quint16 port = m_chat->listeningPort() != 0 ? m_chat->listeningPort()
                                                      : quint16(m_chat->lPort());
    if (m_chatMapper && m_chatMapper->state() == portmap::PortMapper::State::Mapped) {
        const portmap::Outcome o = m_chatMapper->outcome();
        list.append({link(o.externalAddress, o.externalPort),
                     tr("Internet, attraverso il router")});
    }
    const QString v6 = sGlobalIPv6();
    if (!v6.isEmpty())
        list.append({link(v6, port), tr("Internet, IPv6")});
    const QString lan = sLocalIP(nullptr);
    if (!lan.isEmpty())
        list.append({link(lan, port), tr("rete locale")});
    return list;
}

bool Reachability::finish()
{
    if (!m_chatMapper)
        return true;
    // Both are asked first, so the two removals run side by side.
    m_chatMapper->stop();
    m_transferMapper->stop();
    const QDeadlineTimer deadline(m_closeTimeoutMs);
    const bool chatStopped = m_chatMapper->waitStopped(int(deadline.remainingTime()));
    const bool transferStopped = m_transferMapper->waitStopped(int(deadline.remainingTime()));
    return chatStopped && transferStopped;
}

} // namespace session
