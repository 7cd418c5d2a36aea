#pragma once

#include "access.h"
#include "attemptlimiter.h"
#include "banlist.h"
#include "passwordhash.h"
#include "tablekey.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>

namespace secure
{

/**
 * @brief Decides who sits down: the table's access, its key and password,
 * the bans and the limiter of wrong tries, asked once per joiner before
 * anything of the table reaches it.
 *
 * A joiner presents what it has (nothing, the key from its invitation, or a
 * password) and whether its connection is encrypted: a key or a password is
 * only worth anything inside TLS, where nobody on the way could read it.
 * Checking a password is slow, so it is a step of its own: decide() says
 * CheckPassword, the caller runs PasswordHash::verify off its thread and
 * hands the answer to passwordChecked().
 */
class Admission
{
public:
    enum class Verdict {
        Admitted,
        Banned,
        /// Not from the local network (or the table is invited only) and nothing presented.
        NeedsKey,
        /// A key or password that is not the table's.
        WrongKey,
        /// Too many tries from that address: it must wait.
        TooManyTries,
        /// A key or password sent in clear is not taken.
        NeedsEncryption,
        /// A password to check: run it and call passwordChecked().
        CheckPassword,
    };

    /// What a joiner brings.
    struct Credentials
    {
        bool encrypted = false;
        QByteArray key;   ///< the table key's bytes, or empty
        QString password; ///< or empty
        /// Showed the seat token of a player seated at this table (one coming
        /// back after a lost connection): it needs no key, not even a new one.
        bool seated = false;
    };

    explicit Admission(const QString &banFile = QString());

    Access access() const { return m_access; }
    void setAccess(Access access) { m_access = access; }
    const TableKey &key() const { return m_key; }
    /// A new key ("Nuovo invito"): links with the old one stop working.
    void renewKey();
    void setKey(const TableKey &key) { m_key = key; }
    const PasswordHash &password() const { return m_password; }
    /// The table password's hash; a null hash means none.
    void setPassword(const PasswordHash &hash) { m_password = hash; }
    BanList &bans() { return m_bans; }
    const BanList &bans() const { return m_bans; }

    Verdict decide(const QHostAddress &from, const Credentials &credentials, qint64 nowMs);
    /// The answer to a CheckPassword: Admitted or WrongKey.
    Verdict passwordChecked(const QHostAddress &from, bool matched);

    /**
     * @brief The short word the refusal tag carries for @p verdict, so the
     * joiner's program can say it in its own language.
     */
    static QString refusalCode(Verdict verdict);
    /// The Italian sentence a joiner is shown for the refusal @p code (unknown codes too).
    static QString refusalText(const QString &code);

private:
    Access m_access = kDefaultAccess;
    TableKey m_key;
    PasswordHash m_password;
    BanList m_bans;
    AttemptLimiter m_limiter;
};

} // namespace secure
