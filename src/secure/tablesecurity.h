#pragma once

#include "admission.h"
#include "fingerprint.h"
#include "identity.h"
#include "joinguard.h"
#include "tablekey.h"

#include <QSslConfiguration>
#include <QString>

#include <memory>

namespace secure
{

/**
 * @brief Everything a host keeps to run a private table, in one folder (the
 * window's data folder, the server's state folder): its identity, the table
 * key the invitations carry, the table password's hash and the bans.
 *
 * The key is kept so that invitations given out stay good across restarts
 * and resumed sessions, until "Nuovo invito". The seat pass, which opens
 * the players' transfer ports, lives as long as the table is hosted.
 */
class TableSecurity
{
public:
    inline static const QString kKeyFile = QStringLiteral("chiave-tavola.txt");
    inline static const QString kPasswordFile = QStringLiteral("parola-tavola.txt");
    static constexpr qint64 kMaxSmallFile = 4096;

    explicit TableSecurity(QString folder);
    ~TableSecurity();

    /**
     * @brief Reads (or, where missing, makes) the identity, the key, the
     * password's hash and the bans. False with @p error (Italian) when any
     * is there but unusable: then there is no hosting.
     */
    bool open(QString *error);

    const Identity::Loaded &identity() const { return m_identity; }
    Fingerprint fingerprint() const { return Fingerprint::of(m_identity.certificate); }
    QSslConfiguration serverTls() const;
    Admission &admission() { return m_admission; }
    JoinGuard *guard() { return m_guard.get(); }

    /// The key an invitation carries beside the fingerprint: null while the table is open to anyone.
    TableKey invitationKey() const;
    /// "Nuovo invito": a new key (old links stop working for newcomers). False when it could not be kept.
    bool newInvitation(QString *error);

    /// The table password, kept only as its hash; an empty @p password removes it.
    bool setPassword(const QString &password, QString *error);
    bool hasPassword() const { return !m_admission.password().isNull(); }

    /// The pass seated players show each other's transfer ports.
    const TableKey &seatPass() const { return m_seatPass; }
    void renewSeatPass() { m_seatPass = TableKey::generate(); }

private:
    QString path(const QString &name) const;
    bool readSmall(const QString &name, QByteArray *bytes, QString *error) const;
    QString m_folder;
    Identity::Loaded m_identity;
    Admission m_admission;
    std::unique_ptr<JoinGuard> m_guard;
    TableKey m_seatPass;
};

} // namespace secure
