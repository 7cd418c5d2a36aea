#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace secure
{

/**
 * @brief A table password, kept only as a salted slow hash (scrypt through
 * OpenSSL's key derivation): the host never stores what was typed, and a
 * copied hash costs an attacker tens of milliseconds and megabytes a guess.
 *
 * verify() is slow on purpose: the host runs it off the window's thread.
 */
class PasswordHash
{
public:
    static constexpr int kSaltBytes = 16;
    static constexpr int kHashBytes = 32;
    /// Longest password accepted; longer ones are refused before hashing.
    static constexpr int kMaxPasswordLength = 256;

    PasswordHash() = default;
    /// A new hash of @p password with a fresh salt; null on failure or an empty password.
    static PasswordHash make(const QString &password);
    /// From the text stored(); nullopt for anything malformed.
    static std::optional<PasswordHash> fromStored(const QString &text);

    bool isNull() const { return m_hash.isEmpty(); }
    /// Salt, cost and hash as one line of text, for a preferences file.
    QString stored() const;
    /// True when @p password is the one hashed; compared in constant time.
    bool verify(const QString &password) const;

private:
    static QByteArray derive(const QString &password, const QByteArray &salt, quint64 n);
    QByteArray m_salt;
    QByteArray m_hash;
    quint64 m_n = 0;
};

} // namespace secure
