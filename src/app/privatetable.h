#pragma once

#include "access.h"

#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QStringList>

#include <memory>

namespace session
{
class ChatSession;
}
namespace secure
{
class TableSecurity;
class TrustStore;
} // namespace secure
namespace transfer
{
class FrmServerCLient;
}

namespace app
{

/**
 * @brief The window's side of the private table: what it keeps in its
 * folder (the program's identity, the table key, password and bans, the
 * hosts met before) and how the chat and the transfer window are told of it.
 *
 * The program has one identity: the host presents it on the chat port and
 * every copy on its transfer port, so a sender the host told of it can
 * check the receiver it reaches. The transfer port lets strangers offer
 * files only as the table it sits at allows (anyone when it sits at none).
 */
class PrivateTable : public QObject
{
    Q_OBJECT
public:
    PrivateTable(session::ChatSession *session, transfer::FrmServerCLient *transfer, QString folder,
                 QObject *parent = nullptr);
    ~PrivateTable() override;

    /// What could not be read at the start, one status line each (empty when all is well).
    QStringList startupNotes() const { return m_notes; }

    secure::Access access() const { return m_access; }
    /// Who may sit down: kept for the next "Host", and applied at once while hosting.
    void setAccess(secure::Access access);

    /**
     * @brief Before "Host": reads (or makes, where there is none) the table's
     * identity, key, password and bans. False with @p error when one is
     * there but unusable: never a silent new identity, as the players who
     * know the old one would refuse it.
     */
    bool prepareHosting(QString *error);
    /// True while this window hosts a private table.
    bool isHosting() const;
    /// True while this window sits at (or is on its way to) another host's
    /// table: who may come in there is that host's choice, not ours.
    bool isGuest() const;

    /// "Nuovo invito": a new key; the seated keep their seats. False with @p error.
    bool newInvitation(QString *error);
    /// The table password (empty: none), kept only as a hash. False with @p error.
    bool setPassword(const QString &password, QString *error);
    /// The invitation for @p host and @p port: with fingerprint and key while hosting.
    QString invitation(const QString &host, quint16 port) const;
    /// This program's fingerprint for people to compare; empty while it has no identity.
    QString ownFingerprint() const;
    /// The host's fingerprint, while connected to one inside TLS; else empty.
    QString hostFingerprint() const;

    /// Host: bans the selected participants' addresses and expels them.
    void banSelected();

signals:
    /// The invitations now read differently (a new key, another access).
    void invitationsChanged();
    /// Something the "Raggiungibilità" window shows changed (invitations, hosting, the host met).
    void changed();
    /// A line for the status box.
    void note(const QString &text);

private:
    void onSeatPass();

    session::ChatSession *m_session;
    transfer::FrmServerCLient *m_transfer;
    QString m_folder;
    std::unique_ptr<secure::TrustStore> m_trust;
    std::unique_ptr<secure::TableSecurity> m_security; ///< made at the first "Host"
    QSslCertificate m_certificate;                      ///< the program's identity, when it has one
    secure::Access m_access = secure::kDefaultAccess;
    QStringList m_notes;
};

} // namespace app
