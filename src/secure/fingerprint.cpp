#include "fingerprint.h"

#include "linktext.h"

#include <QCryptographicHash>
#include <QSslCertificate>

namespace secure
{

namespace
{
constexpr int kDisplayGroup = 4;
} // namespace

Fingerprint Fingerprint::of(const QSslCertificate &certificate)
{
    if (certificate.isNull())
        return {};
    return Fingerprint(certificate.digest(QCryptographicHash::Sha256));
}

std::optional<Fingerprint> Fingerprint::fromLinkText(const QString &text)
{
    const auto bytes = decodeLinkText(text, kBytes);
    if (!bytes)
        return std::nullopt;
    return Fingerprint(*bytes);
}

std::optional<Fingerprint> Fingerprint::fromHex(const QString &text)
{
    QString digits;
    for (QChar c : text) {
        if (c == u' ' || c == u':')
            continue;
        if (!(c >= u'0' && c <= u'9') && !(c.toLower() >= u'a' && c.toLower() <= u'f'))
            return std::nullopt;
        digits.append(c);
    }
    if (digits.size() != kBytes * 2)
        return std::nullopt;
    return Fingerprint(QByteArray::fromHex(digits.toLatin1()));
}

QString Fingerprint::toLinkText() const
{
    return encodeLinkText(m_bytes);
}

QString Fingerprint::toDisplayText() const
{
    const QString hex = toHex().toUpper();
    QStringList groups;
    for (int i = 0; i < hex.size(); i += kDisplayGroup)
        groups << hex.mid(i, kDisplayGroup);
    return groups.join(QLatin1Char(' '));
}

QString Fingerprint::toHex() const
{
    return QString::fromLatin1(m_bytes.toHex());
}

} // namespace secure
