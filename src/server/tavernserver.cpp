#include "tavernserver.h"

#include "chatsession.h"
#include "connectionindex.h"
#include "controlchannel.h"
#include "hostrelay.h"
#include "invitation.h"
#include "localaddress.h"
#include "mappingtext.h"
#include "participantlist.h"
#include "portmapper.h"
#include "reachability.h"
#include "safefile.h"
#include "secureinvite.h"
#include "serverlog.h"
#include "tabledice.h"
#include "servicenotifier.h"
#include "sessionkeeper.h"
#include "sessionstore.h"
#include "tableboard.h"
#include "tablesecurity.h"
#include "tags.h"
#include "trafficlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QSet>
#include <QTimer>

namespace server
{

namespace
{

/// Traffic log entries kept: nobody looks at them on a server, but the last
/// few tell what happened before a fault.
constexpr qsizetype kTrafficKept = 64;

QString duration(qint64 ms)
{
    const qint64 s = ms / 1000;
    const QString clock = QStringLiteral("%1:%2:%3")
                              .arg((s / 3600) % 24, 2, 10, QLatin1Char('0'))
                              .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                              .arg(s % 60, 2, 10, QLatin1Char('0'));
    const qint64 days = s / 86400;
    return days > 0 ? QStringLiteral("%1g ").arg(days) + clock : clock;
}

QString addressText(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok); // IPv4 seen through an IPv6 socket
    return ok ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

TavernServer::TavernServer(Settings settings, ServerLog &log, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_log(log), m_conversation(log),
      m_messages(log), m_chat(std::make_unique<session::ChatSession>()),
      m_lock(platform::InstanceGuard::onFile(lockPath(m_settings.stateDir)))
{
    m_chat->setConversationSink(&m_conversation);
    m_chat->setMessageService(&m_messages);
    m_chat->setName(m_settings.name);
    m_chat->setPort(m_settings.port);
    // The server has no "Porta" button: its port comes from the command line.
    m_chat->setPortChoice(QStringLiteral("con l'opzione --port"));
    for (session::TrafficLog *traffic : {m_chat->sentLog(), m_chat->receivedLog()}) {
        traffic->setViewsShown(false);
        traffic->setBound(kTrafficKept);
    }
    m_control = new ControlServer([this](const ControlCommand &c) { return handle(c); }, this);
    m_store = new session::SessionStore(sessionFolder(m_settings.stateDir), this);
    connect(m_store, &session::SessionStore::failed, this,
            [this](const QString &why) { m_storeFailure = why; });
    // The board and the public conversation go to the file as they happen.
    m_keeper = new session::SessionKeeper(m_chat.get(), m_store, this);
    m_keeper->setResume(m_settings.resume ? session::SessionKeeper::Resume::Yes
                                          : session::SessionKeeper::Resume::No);
}

TavernServer::~TavernServer() = default;

QString TavernServer::lockPath(const QString &stateDir)
{
    return QDir(stateDir).absoluteFilePath(QStringLiteral("tavernix-server.lock"));
}

QString TavernServer::sessionFolder(const QString &stateDir)
{
    return QDir(stateDir).absoluteFilePath(QStringLiteral("partite"));
}

bool TavernServer::start()
{
    const QString dir = QDir(m_settings.stateDir).absolutePath();
    // A folder made here holds the conversation: for this user's eyes only.
    const bool made = !QFileInfo::exists(dir);
    if (made && QDir().mkpath(dir))
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!QFileInfo(dir).isDir()) {
        m_log.error(QStringLiteral("impossibile creare la cartella di stato %1.").arg(dir));
        return false;
    }
    if (!m_lock.tryLock()) {
        // A process id is a few bytes: the lock is read no further, and
        // never through a link.
        const platform::SafeFile::Contents held = platform::SafeFile::readAll(lockPath(dir), 64);
        if (held.ok) {
            const QByteArray pid = held.bytes.trimmed();
            m_log.error(QStringLiteral("un altro tavernix-server (pid %1) usa già la cartella di "
                                       "stato %2: questo non parte.")
                            .arg(QString::fromLatin1(pid), dir));
        } else {
            m_log.error(QStringLiteral("impossibile scrivere nella cartella di stato %1 (sola "
                                       "lettura o di un altro utente?).")
                            .arg(dir));
        }
        return false;
    }
    if (!m_control->start(dir)) {
        m_log.error(m_control->errorText());
        return false;
    }
    // The private table's identity, key and bans live beside the session.
    m_security = std::make_unique<secure::TableSecurity>(dir);
    QString why;
    if (!m_security->open(&why)) {
        m_log.error(why);
        m_control->close();
        return false;
    }
    m_security->admission().setAccess(m_settings.access);
    m_chat->setTableSecurity(m_security.get());
    m_log.info(QStringLiteral("accesso: %1; impronta del server: %2")
                   .arg(secure::accessName(m_settings.access), m_security->fingerprint().toDisplayText()));
    // Hosts, after taking up the last session when asked to.
    m_keeper->host();
    if (m_chat->listeningPort() == 0) {
        // The session has said why (port in use, reserved, invalid).
        m_log.error(QStringLiteral("il server non è in ascolto: fine."));
        m_control->close();
        return false;
    }
    m_running = true;
    const QString ready = QStringLiteral("in attesa sulla porta %1 come %2")
                              .arg(m_chat->listeningPort())
                              .arg(m_settings.name);
    m_log.info(QStringLiteral("tavernix-server %1; cartella di stato %2.").arg(ready, dir));
    if (m_store->isWriting())
        m_log.info(QStringLiteral("la partita è conservata in %1.")
                       .arg(m_store->filePath().isEmpty() ? sessionFolder(dir) + QLatin1Char('/')
                                                          : m_store->filePath()));
    m_notifier = new ServiceNotifier(this);
    m_notifier->ready(ready);
    startPortMapping();
    return true;
}

void TavernServer::startPortMapping()
{
    if (!m_settings.portMapping) {
        m_log.info(portmap::disabledText());
        return;
    }
    m_reach = new session::Reachability(m_chat.get(), this);
    // SIGTERM must end the server promptly even with a silent router.
    m_reach->setCloseTimeout(m_settings.portMappingCloseMs);
    m_reach->setChatDescription(QStringLiteral("Tavernix (server)"));
    // Hosting has begun: the chat port is asked for at once. The router's
    // answers come later, from the mapper's own thread.
    m_reach->start(true);
    portmap::PortMapper *mapper = m_reach->chatMapper();
    connect(mapper, &portmap::PortMapper::stateChanged, this,
            [this, mapper](portmap::PortMapper::State state) {
                using S = portmap::PortMapper::State;
                if (state == S::Failed)
                    m_log.warning(mapper->message());
                else if (state == S::Mapped) {
                    const portmap::Outcome o = mapper->outcome();
                    m_log.info(mapper->message());
                    m_outside = o.externalAddress;
                    m_log.info(QStringLiteral("invito: ") +
                               session::SecureInvite::format(o.externalAddress, o.externalPort, m_security->fingerprint(),
                                                             m_security->invitationKey()));
                }
            });
}

void TavernServer::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    if (m_notifier)
        m_notifier->stopping();
    m_log.info(QStringLiteral("arresto del server."));
    m_control->close();
    m_chat->closeAllSockets(m_closesTable);
    // Whatever waited for the next write reaches the disk before the end.
    const bool kept = m_store->isWriting();
    m_store->end();
    // An empty session (nothing drawn or said) leaves no file.
    if (kept && !m_store->filePath().isEmpty())
        m_log.info(QStringLiteral("partita salvata in %1.").arg(m_store->filePath()));
    if (m_reach) {
        // The forwarding goes with the server, waiting a bounded time.
        const portmap::PortMapper *mapper = m_reach->chatMapper();
        const bool wasMapped = mapper->state() == portmap::PortMapper::State::Mapped;
        portmap::Outcome removed;
        removed.result = portmap::Result::Removed;
        removed.port = mapper->port();
        if (!m_reach->finish())
            m_log.warning(QStringLiteral("il router non ha confermato la chiusura della porta."));
        else if (wasMapped)
            m_log.info(portmap::describe(removed));
    }
    m_running = false;
    QTimer::singleShot(0, this, &TavernServer::finished);
}

void TavernServer::closeTable()
{
    m_closesTable = true;
    stop();
}

ControlReply TavernServer::handle(const ControlCommand &command)
{
    if (m_stopping)
        return ControlReply::failed(QStringLiteral("il server si sta arrestando."));
    switch (command.kind) {
    case ControlCommand::Kind::List:
        return list();
    case ControlCommand::Kind::Kick:
        return kick(command.argument);
    case ControlCommand::Kind::Say:
        return say(command.argument);
    case ControlCommand::Kind::Clear:
        return clear();
    case ControlCommand::Kind::Restore:
        return restore();
    case ControlCommand::Kind::Save:
        return save();
    case ControlCommand::Kind::Reveal:
        return reveal();
    case ControlCommand::Kind::Stop:
        // After the reply has gone out.
        QTimer::singleShot(0, this, &TavernServer::closeTable);
        return ControlReply::ok(QStringLiteral("arresto in corso."));
    case ControlCommand::Kind::Invite:
        return invite();
    case ControlCommand::Kind::Ban:
        return ban(command.argument);
    case ControlCommand::Kind::Bans:
        return bans();
    case ControlCommand::Kind::Unban:
        return unban(command.argument);
    case ControlCommand::Kind::Invalid:
        break;
    }
    return ControlReply::usage(command.error);
}

ControlReply TavernServer::list() const
{
    const session::ParticipantList *people = m_chat->participants();
    const session::HostRelay *relay = m_chat->relay();
    QStringList entries;
    for (int row = 0; row < people->count(); ++row) {
        const qint32 tag = people->tagAt(row);
        const QString name = ServerLog::clean(people->nameAt(row));
        if (tag == session::kHostIndex) {
            entries.append(name + QStringLiteral(" (questo server)"));
            continue;
        }
        if (!session::isClientIndex(tag))
            continue;
        const qint16 index = qint16(tag);
        entries.append(QStringLiteral("%1 %2 da %3, %4 byte in coda")
                           .arg(name, addressText(relay->peerAddress(index)),
                                duration(qMax<qint64>(0, relay->connectedForMs(index))))
                           .arg(relay->unsentBytes(index)));
    }
    return ControlReply::ok(QString::number(entries.size()) +
                            (entries.size() == 1 ? QStringLiteral(" partecipante: ")
                                                 : QStringLiteral(" partecipanti: ")) +
                            entries.join(QStringLiteral("; ")));
}

std::optional<QSet<qint32>> TavernServer::tagsOf(const QString &name) const
{
    const session::ParticipantList *people = m_chat->participants();
    QSet<qint32> chosen;
    for (int row = 0; row < people->count(); ++row) {
        if (people->nameAt(row) != name)
            continue;
        if (people->tagAt(row) == session::kHostIndex)
            return std::nullopt;
        chosen.insert(people->tagAt(row));
    }
    return chosen;
}

ControlReply TavernServer::invite() const
{
    const QString address = m_outside.isEmpty() ? session::sLocalIP(nullptr) : m_outside;
    return ControlReply::ok(session::SecureInvite::format(address, m_chat->listeningPort(),
                                                          m_security->fingerprint(), m_security->invitationKey()));
}

ControlReply TavernServer::ban(const QString &name)
{
    const auto chosen = tagsOf(name);
    if (!chosen)
        return ControlReply::failed(QStringLiteral("il server non può bandire se stesso."));
    if (chosen->isEmpty())
        return ControlReply::failed(
            QStringLiteral("nessun partecipante si chiama \"%1\".").arg(ServerLog::clean(name)));
    m_chat->ban(*chosen);
    return ControlReply::ok(QStringLiteral("%1 bandito.").arg(ServerLog::clean(name)));
}

ControlReply TavernServer::bans() const
{
    QStringList lines;
    for (const auto &e : m_security->admission().bans().entries())
        lines << QStringLiteral("%1 (%2, %3)").arg(e.address, ServerLog::clean(e.name),
                                                   e.when.toString(Qt::ISODate));
    return ControlReply::ok(lines.isEmpty() ? QStringLiteral("nessun bandito.") : lines.join(QStringLiteral("; ")));
}

ControlReply TavernServer::unban(const QString &address)
{
    if (!m_security->admission().bans().unban(address))
        return ControlReply::failed(QStringLiteral("%1 non è bandito.").arg(ServerLog::clean(address)));
    return ControlReply::ok(QStringLiteral("%1 riammesso.").arg(ServerLog::clean(address)));
}

ControlReply TavernServer::kick(const QString &name)
{
    const auto chosen = tagsOf(name);
    if (!chosen)
        return ControlReply::failed(QStringLiteral("il server non può espellere se stesso."));
    if (chosen->isEmpty())
        return ControlReply::failed(
            QStringLiteral("nessun partecipante si chiama \"%1\".").arg(ServerLog::clean(name)));
    // The call the window's Kick makes, so the others hear of it exactly as
    // from a window.
    m_chat->expel(*chosen);
    return ControlReply::ok(QStringLiteral("%1 espulso.").arg(ServerLog::clean(name)));
}

ControlReply TavernServer::say(const QString &text)
{
    // A narration line is the text alone, sent as a host's own line: to every
    // client, and shown (here: logged) by the host itself.
    m_chat->SendToAll(session::tag::Messaggio + text, false);
    m_conversation.UpdateDialog(text);
    return ControlReply::ok(QStringLiteral("detto."));
}

ControlReply TavernServer::save()
{
    m_store->flush();
    if (!m_store->isWriting())
        return ControlReply::failed(m_storeFailure.isEmpty()
                                        ? QStringLiteral("la partita non viene salvata.")
                                        : m_storeFailure);
    if (m_store->filePath().isEmpty())
        return ControlReply::ok(QStringLiteral("nulla da salvare: la partita è ancora vuota."));
    return ControlReply::ok(QStringLiteral("partita salvata in %1 (%2 byte).")
                                .arg(m_store->filePath())
                                .arg(m_store->size()));
}

ControlReply TavernServer::reveal()
{
    const dice::RollService &dice = m_chat->dice()->service();
    if (!dice.active())
        return ControlReply::failed(QStringLiteral("i dadi non sono in uso."));
    const quint64 rolls = dice.rollsWithCurrent();
    if (rolls == 0)
        return ControlReply::failed(
            QStringLiteral("nessun tiro da verificare dall'ultima rivelazione del seme."));
    m_chat->dice()->verifyNow();
    return ControlReply::ok(QStringLiteral("seme dei dadi rivelato dopo %1 tiri: i giocatori li "
                                           "verificano; un seme nuovo è promesso.")
                                .arg(rolls));
}

ControlReply TavernServer::clear()
{
    // As the host's own "Pulisci": every board is cleared, newcomers get an
    // empty one, and the cleared board is kept to be restored.
    if (!m_chat->tableBoard()->clearForAll())
        return ControlReply::failed(QStringLiteral("la lavagna non è stata pulita."));
    return ControlReply::ok(QStringLiteral("lavagna pulita per tutti."));
}

ControlReply TavernServer::restore()
{
    if (!m_chat->tableBoard()->restore())
        return ControlReply::failed(QStringLiteral("non c'è una lavagna pulita da ripristinare."));
    return ControlReply::ok(QStringLiteral("lavagna ripristinata per tutti."));
}

} // namespace server
