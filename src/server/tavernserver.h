#pragma once

#include <optional>
#include <QSet>

#include "controlcommand.h"
#include "headlesssinks.h"
#include "access.h"
#include "instanceguard.h"

#include <QObject>
#include <QString>

#include <memory>

namespace session
{
class ChatSession;
class Reachability;
class SessionKeeper;
class SessionStore;
}
namespace secure
{
class TableSecurity;
}

namespace server
{

class ControlServer;
class ServerLog;
class ServiceNotifier;

/**
 * @brief The always-on host: the window's session in the host role under
 * the server's own participant name, with its status box and conversation
 * going to the log, its state folder locked against a second server, the
 * administration socket, and the service manager kept informed.
 *
 * Everything the window's host does on the wire, it does through the same
 * session library; this class only ties the pieces together and answers the
 * administration commands.
 */
class TavernServer : public QObject
{
    Q_OBJECT
public:
    struct Settings {
        quint16 port = 600;
        QString name = QStringLiteral("Locanda");
        QString stateDir;
        bool resume = false;
        bool portMapping = true;
        secure::Access access = secure::kDefaultAccess;
        /// How long the end waits for the router to remove the forwarding.
        int portMappingCloseMs = 1000;
    };

    TavernServer(Settings settings, ServerLog &log, QObject *parent = nullptr);
    ~TavernServer() override;

    /// Locks the state folder, opens the administration socket, listens,
    /// and tells the service manager it is ready. False (with the reason
    /// logged) when any of it fails; nothing is left listening then.
    bool start();
    /// Ends the session: the service manager hears it, the session is kept,
    /// every connection closed; finished() follows. Safe to call twice.
    void stop();
    /// stop(), telling the players first that the table is closed, so they
    /// do not try to come back (the administrator's "ctl stop"). A signal
    /// stops without it: the service manager may be restarting the server.
    void closeTable();

    /// Carries out one administration command.
    ControlReply handle(const ControlCommand &command);

    session::ChatSession *session() const { return m_chat.get(); }

    /// The lock file that keeps two servers off one state folder.
    static QString lockPath(const QString &stateDir);
    /// Where the session files are kept.
    static QString sessionFolder(const QString &stateDir);

signals:
    void finished();

private:
    ControlReply list() const;
    ControlReply kick(const QString &name);
    ControlReply say(const QString &text);
    ControlReply clear();
    ControlReply restore();
    ControlReply save();
    /// Reveals the dice seed now, as "Verifica i dadi" does.
    ControlReply reveal();
    ControlReply invite() const;
    ControlReply ban(const QString &name);
    ControlReply bans() const;
    ControlReply unban(const QString &address);
    /// The tags of the participants called @p name; nullopt when that is the server itself.
    std::optional<QSet<qint32>> tagsOf(const QString &name) const;
    /// Asks the router to forward the port players connect to, as the
    /// window does, and logs what it answered.
    void startPortMapping();

    Settings m_settings;
    ServerLog &m_log;
    LogConversation m_conversation;
    LogMessages m_messages;
    std::unique_ptr<session::ChatSession> m_chat;
    platform::InstanceGuard m_lock;
    ControlServer *m_control = nullptr;
    ServiceNotifier *m_notifier = nullptr;
    session::Reachability *m_reach = nullptr;
    session::SessionStore *m_store = nullptr;
    std::unique_ptr<secure::TableSecurity> m_security;
    QString m_outside; ///< the router's outside address, once the port is forwarded
    session::SessionKeeper *m_keeper = nullptr;
    QString m_storeFailure; ///< why the session is no longer kept, once it is not
    bool m_running = false;
    bool m_stopping = false;
    bool m_closesTable = false;
};

} // namespace server
