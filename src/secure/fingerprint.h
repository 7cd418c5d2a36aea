#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QSslCertificate;

namespace secure
{

/**
 * @brief What names a host's identity: the SHA-256 of its certificate.
 *
 * Two forms of text: a short one for links (43 characters of URL-safe
 * Base64, short enough for a chat line) and a long one for people to read
 * aloud and compare (hexadecimal in groups of four).
 */
class Fingerprint
{
public:
    static constexpr int kBytes = 32;
    /// Characters of the link form: 32 bytes in Base64 without padding.
    static constexpr int kLinkLength = 43;

    Fingerprint() = default;
    static Fingerprint of(const QSslCertificate &certificate);
    /// From the link form; nullopt for anything but exactly 43 URL-safe Base64 characters.
    static std::optional<Fingerprint> fromLinkText(const QString &text);
    /// From the hexadecimal form, spaces and colons allowed between digits.
    static std::optional<Fingerprint> fromHex(const QString &text);

    bool isNull() const { return m_bytes.isEmpty(); }
    QByteArray bytes() const { return m_bytes; }
    QString toLinkText() const;
    /// Upper-case hexadecimal in 16 groups of four, for people.
    QString toDisplayText() const;
    /// Plain hexadecimal, for files.
    QString toHex() const;

    friend bool operator==(const Fingerprint &, const Fingerprint &) = default;

private:
    explicit Fingerprint(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    QByteArray m_bytes;
};

} // namespace secure
