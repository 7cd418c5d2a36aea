#include "tablekey.h"

#include "linktext.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace secure
{

TableKey TableKey::generate()
{
    QByteArray bytes(kBytes, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char *>(bytes.data()), kBytes) != 1)
        return {};
    return TableKey(bytes);
}

std::optional<TableKey> TableKey::fromLinkText(const QString &text)
{
    const auto bytes = decodeLinkText(text, kBytes);
    if (!bytes)
        return std::nullopt;
    return TableKey(*bytes);
}

QString TableKey::toLinkText() const
{
    return encodeLinkText(m_bytes);
}

bool TableKey::matches(const QByteArray &presented) const
{
    // The length is no secret (every key has 16 bytes); the bytes are.
    if (m_bytes.size() != kBytes || presented.size() != kBytes)
        return false;
    return CRYPTO_memcmp(m_bytes.constData(), presented.constData(), kBytes) == 0;
}

} // namespace secure
