#pragma once

#include "portmapper.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace session {
class ChatSession;
}

namespace app {

/**
 * @brief How others reach this copy: keeps the chat port forwarded on the
 * router while hosting and the transfer port forwarded all the time, and
 * lists the invitations to give out.
 *
 * Nothing is sent to the router before start(), nor while switched off.
 */
class Reachability : public QObject
{
    Q_OBJECT
public:
    /// One invitation and where it works ("Internet", "rete locale", ...).
    struct Address {
        QString link;
        QString where;
    };

    /// Longest wait for the router to remove the forwardings at close.
    static constexpr int kCloseTimeoutMs = 1500;

    explicit Reachability(session::ChatSession *chat, QObject *parent = nullptr);
    ~Reachability() override;

    /// What the mappers are made with at start() (tests name a fake gateway).
    void setMapperOptions(const portmap::PortMapper::Options &options);
    /// Starts talking to the router, unless @p enabled is false.
    void start(bool enabled);
    bool isStarted() const { return m_chatMapper != nullptr; }
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    /// The port the file receiver listens on (0: none).
    void setTransferPort(quint16 port);
    /// Writes the invitation for an address and port (the private table's, with its fingerprint and key).
    void setLinkMaker(std::function<QString(const QString &, quint16)> maker) { m_linkMaker = std::move(maker); }

    portmap::PortMapper *chatMapper() const { return m_chatMapper; }
    portmap::PortMapper *transferMapper() const { return m_transferMapper; }
    QString chatText() const;
    QString transferText() const;
    /// The invitations to give out, the one most likely to work first.
    QList<Address> invitations() const;
    /// Removes both forwardings at once, waiting at most kCloseTimeoutMs.
    void finish();

signals:
    void chatTextChanged(const QString &text);
    void transferTextChanged(const QString &text);
    /// The router's final answer about the chat port, for the status box.
    void chatReport(const QString &text);
    void invitationsChanged();
    void enabledChanged(bool enabled);

private:
    void onPhase();

    session::ChatSession *m_chat;
    portmap::PortMapper::Options m_options;
    portmap::PortMapper *m_chatMapper = nullptr;
    portmap::PortMapper *m_transferMapper = nullptr;
    bool m_enabled = true;
    quint16 m_transferPort = 0;
    std::function<QString(const QString &, quint16)> m_linkMaker;
};

} // namespace app
