#include "privatetable.h"

#include "chatsession.h"
#include "frmserverclient.h"
#include "identity.h"
#include "invitation.h"
#include "secureinvite.h"
#include "tablesecurity.h"
#include "truststore.h"

#include <QDir>

namespace app
{

PrivateTable::PrivateTable(session::ChatSession *session, transfer::FrmServerCLient *transfer, QString folder,
                           QObject *parent)
    : QObject(parent), m_session(session), m_transfer(transfer), m_folder(std::move(folder))
{
    // The program's identity, made on the first run: the transfer port shows
    // it from the start, and hosting presents the same one.
    const secure::Identity::Loaded identity = secure::Identity::loadOrCreate(m_folder);
    if (identity.ok) {
        m_certificate = identity.certificate;
        m_transfer->setIdentity(identity.certificate, identity.key);
        m_session->setTransferFingerprint(secure::Fingerprint::of(identity.certificate));
    } else {
        m_notes << tr("La porta dei file resta senza cifratura: %1").arg(identity.error);
    }
    m_trust = std::make_unique<secure::TrustStore>(QDir(m_folder).filePath(secure::TrustStore::kFileName));
    if (!m_trust->load())
        m_notes << m_trust->error();
    m_session->setTrustStore(m_trust.get());

    m_transfer->setProtectionLookup([this](const QString &name) {
        return transfer::FrmServerCLient::Protection{m_session->transferFingerprint(name), m_session->seatPass()};
    });
    connect(m_session, &session::ChatSession::seatPassChanged, this, &PrivateTable::onSeatPass);
    connect(m_session, &session::ChatSession::phaseChanged, this, [this](session::ChatSession::Phase phase) {
        if (phase == session::ChatSession::Phase::Hosting && m_security)
            m_transfer->setGate(m_access, m_security->seatPass());
        emit changed();
    });
    connect(this, &PrivateTable::invitationsChanged, this, &PrivateTable::changed);
    // Sitting at no table, the transfer port is as open as it always was.
    connect(m_session, &session::ChatSession::connectionClosed, this,
            [this] { m_transfer->setGate(secure::Access::Anyone, {}); });
    connect(m_session, &session::ChatSession::encryptionChanged, this, [this](bool encrypted) {
        emit changed();
        if (encrypted)
            emit note(tr("Connessione cifrata con il tavolo (impronta %1).").arg(hostFingerprint()));
        else
            emit note(tr("Attenzione: la connessione con il tavolo NON è cifrata. Chi sta sulla stessa rete "
                         "può leggere e alterare la partita."));
    });
}

PrivateTable::~PrivateTable() = default;

void PrivateTable::onSeatPass()
{
    m_transfer->setGate(m_session->tableAccess(), m_session->seatPass());
}

void PrivateTable::setAccess(secure::Access access)
{
    m_access = access;
    if (isHosting()) {
        m_security->admission().setAccess(access);
        m_session->shareSeatPass(); // the players' transfer ports follow the table
    }
    emit invitationsChanged(); // the key shows in the links, or not
}

bool PrivateTable::prepareHosting(QString *error)
{
    if (!m_security)
        m_security = std::make_unique<secure::TableSecurity>(m_folder);
    if (!m_security->open(error))
        return false;
    m_security->admission().setAccess(m_access);
    m_session->setTableSecurity(m_security.get());
    if (m_certificate.isNull()) // made by this "Host": the transfer port shows it too
        m_transfer->setIdentity(m_security->identity().certificate, m_security->identity().key);
    m_certificate = m_security->identity().certificate;
    m_session->setTransferFingerprint(m_security->fingerprint());
    return true;
}

bool PrivateTable::isHosting() const
{
    return m_security && m_session->bHost();
}

bool PrivateTable::isGuest() const
{
    return !m_session->bHost() && m_session->phase() != session::ChatSession::Phase::Idle;
}

bool PrivateTable::newInvitation(QString *error)
{
    if (!isHosting()) {
        *error = tr("Un nuovo invito si fa mentre si ospita il tavolo.");
        return false;
    }
    if (!m_security->newInvitation(error))
        return false;
    emit note(tr("Nuovo invito: gli inviti dati finora non fanno più entrare chi non è già seduto."));
    emit invitationsChanged();
    return true;
}

bool PrivateTable::setPassword(const QString &password, QString *error)
{
    if (!m_security && !prepareHosting(error))
        return false;
    if (!m_security->setPassword(password, error))
        return false;
    emit note(password.isEmpty() ? tr("Parola d'ordine del tavolo tolta.") : tr("Parola d'ordine del tavolo impostata."));
    return true;
}

QString PrivateTable::invitation(const QString &host, quint16 port) const
{
    return isHosting() ? session::SecureInvite::format(host, port, m_security->fingerprint(), m_security->invitationKey())
                       : session::Invitation::format(host, port);
}

QString PrivateTable::ownFingerprint() const
{
    return m_certificate.isNull() ? QString() : secure::Fingerprint::of(m_certificate).toDisplayText();
}

QString PrivateTable::hostFingerprint() const
{
    const secure::Fingerprint print = m_session->hostFingerprint();
    return print.isNull() ? QString() : print.toDisplayText();
}

void PrivateTable::banSelected()
{
    if (isHosting())
        m_session->banSelected();
}

} // namespace app
