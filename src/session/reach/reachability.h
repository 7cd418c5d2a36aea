#pragma once

#include "portmapper.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace session {

class ChatSession;

/**
 * @brief How others reach this copy: keeps the chat port forwarded on the
 * router while hosting and the transfer port forwarded all the time, and
 * lists the invitations to give out.
 *
 * Nothing is sent to the router before start(), nor while switched off.
 * The window and the server both start and stop the port mapping through it.
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

    /// Longest wait for the router to remove the forwardings at close,
    /// unless setCloseTimeout() says otherwise.
    static constexpr int kCloseTimeoutMs = 1500;
    /// How the router lists the chat port's forwarding, unless
    /// setChatDescription() says otherwise.
    inline static const QString kChatDescription = QStringLiteral("Tavernix (sessione)");

    explicit Reachability(ChatSession *chat, QObject *parent = nullptr);
    ~Reachability() override;

    /// What the mappers are made with at start() (tests name a fake gateway).
    void setMapperOptions(const portmap::PortMapper::Options &options);
    /// How the router lists the chat port's forwarding; set before start().
    void setChatDescription(const QString &description) { m_chatDescription = description; }
    /// Longest wait for the router at finish() and at the end; set before start().
    void setCloseTimeout(int ms) { m_closeTimeoutMs = ms; }
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
    /// Removes both forwardings at once, waiting at most the close timeout;
    /// false when the router did not confirm in time.
    bool finish();

signals:
    void chatTextChanged(const QString &text);
    void transferTextChanged(const QString &text);
    /// The router's final answer about the chat port, for the status box.
    void chatReport(const QString &text);
    void invitationsChanged();
    void enabledChanged(bool enabled);

private:
    void onPhase();

    ChatSession *m_chat;
    portmap::PortMapper::Options m_options;
    QString m_chatDescription = kChatDescription;
    int m_closeTimeoutMs = kCloseTimeoutMs;
    portmap::PortMapper *m_chatMapper = nullptr;
    portmap::PortMapper *m_transferMapper = nullptr;
    bool m_enabled = true;
    quint16 m_transferPort = 0;
    std::function<QString(const QString &, quint16)> m_linkMaker;
};

} // namespace session
