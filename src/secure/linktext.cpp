#include "linktext.h"

namespace secure
{

namespace
{
constexpr auto kBase64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
}

QString encodeLinkText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64(kBase64Url));
}

std::optional<QByteArray> decodeLinkText(const QString &text, int bytes)
{
    const int expected = (bytes * 4 + 2) / 3;
    if (text.size() != expected)
        return std::nullopt;
    for (QChar c : text) {
        const bool ok = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
                        c == u'-' || c == u'_';
        if (!ok)
            return std::nullopt;
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(text.toLatin1(), kBase64Url | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != bytes || encodeLinkText(decoded.decoded) != text)
        return std::nullopt;
    return decoded.decoded;
}

} // namespace secure
