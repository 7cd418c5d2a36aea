#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace secure
{

/**
 * @brief The table key an invitation carries: 128 random bits that let a
 * player in from anywhere. "Nuovo invito" makes a new one, and links with
 * the old one stop working.
 */
class TableKey
{
public:
    static constexpr int kBytes = 16;
    /// Characters of the link form: 16 bytes in URL-safe Base64 without padding.
    static constexpr int kLinkLength = 22;

    TableKey() = default;
    /// A fresh key from OpenSSL's random generator; null if it failed.
    static TableKey generate();
    /// From the link form; nullopt for anything but a well-formed key.
    static std::optional<TableKey> fromLinkText(const QString &text);

    bool isNull() const { return m_bytes.isEmpty(); }
    QString toLinkText() const;
    /**
     * @brief True when @p presented is this key. The comparison takes the
     * same time wherever the bytes differ, so a stranger timing refusals
     * learns nothing about the key.
     */
    bool matches(const QByteArray &presented) const;
    QByteArray bytes() const { return m_bytes; }

private:
    explicit TableKey(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    QByteArray m_bytes;
};

} // namespace secure
