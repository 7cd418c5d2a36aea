#include "passwordhash.h"

#include <QStringList>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <memory>

namespace secure
{

namespace
{

/// scrypt's cost: 2^15 blocks of 1 KiB (32 MiB, some 60 ms here) a guess.
constexpr quint64 kCostN = quint64(1) << 15;
/// The highest cost a stored hash may ask for, so a tampered file cannot
/// make every check take gigabytes.
constexpr quint64 kMaxCostN = quint64(1) << 20;
constexpr unsigned kBlockSizeR = 8;
constexpr unsigned kParallelP = 1;
constexpr quint64 kMaxMemoryBytes = 1280ULL * 1024 * 1024;
const QString kPrefix = QStringLiteral("scrypt");

struct KdfFree
{
    void operator()(EVP_KDF *k) const { EVP_KDF_free(k); }
    void operator()(EVP_KDF_CTX *c) const { EVP_KDF_CTX_free(c); }
};

} // namespace

QByteArray PasswordHash::derive(const QString &password, const QByteArray &salt, quint64 n)
{
    QByteArray secret = password.toUtf8();
    std::unique_ptr<EVP_KDF, KdfFree> kdf(EVP_KDF_fetch(nullptr, "SCRYPT", nullptr));
    std::unique_ptr<EVP_KDF_CTX, KdfFree> ctx(kdf ? EVP_KDF_CTX_new(kdf.get()) : nullptr);
    if (!ctx)
        return {};
    uint64_t costN = n;
    uint32_t r = kBlockSizeR;
    uint32_t p = kParallelP;
    uint64_t maxMem = kMaxMemoryBytes;
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_PASSWORD, secret.data(), size_t(secret.size())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, const_cast<char *>(salt.constData()),
                                          size_t(salt.size())),
        OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_N, &costN),
        OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_R, &r),
        OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_P, &p),
        OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_MAXMEM, &maxMem),
        OSSL_PARAM_construct_end(),
    };
    QByteArray out(kHashBytes, Qt::Uninitialized);
    const int rc = EVP_KDF_derive(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), size_t(out.size()),
                                  params);
    OPENSSL_cleanse(secret.data(), size_t(secret.size()));
    return rc == 1 ? out : QByteArray();
}

PasswordHash PasswordHash::make(const QString &password)
{
    if (password.isEmpty() || password.size() > kMaxPasswordLength)
        return {};
    PasswordHash h;
    h.m_salt = QByteArray(kSaltBytes, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char *>(h.m_salt.data()), kSaltBytes) != 1)
        return {};
    h.m_n = kCostN;
    h.m_hash = derive(password, h.m_salt, h.m_n);
    return h.m_hash.isEmpty() ? PasswordHash() : h;
}

std::optional<PasswordHash> PasswordHash::fromStored(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != kPrefix)
        return std::nullopt;
    bool ok = false;
    const quint64 n = parts[1].toULongLong(&ok);
    // scrypt needs a power of two above 1.
    if (!ok || n < 2 || n > kMaxCostN || (n & (n - 1)) != 0)
        return std::nullopt;
    const auto salt = QByteArray::fromBase64Encoding(parts[2].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const auto hash = QByteArray::fromBase64Encoding(parts[3].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !hash || salt.decoded.size() != kSaltBytes || hash.decoded.size() != kHashBytes)
        return std::nullopt;
    PasswordHash h;
    h.m_n = n;
    h.m_salt = salt.decoded;
    h.m_hash = hash.decoded;
    return h;
}

QString PasswordHash::stored() const
{
    if (isNull())
        return {};
    return QStringList{kPrefix, QString::number(m_n), QString::fromLatin1(m_salt.toBase64()),
                       QString::fromLatin1(m_hash.toBase64())}
        .join(QLatin1Char('$'));
}

bool PasswordHash::verify(const QString &password) const
{
    if (isNull() || password.isEmpty() || password.size() > kMaxPasswordLength)
        return false;
    const QByteArray got = derive(password, m_salt, m_n);
    return got.size() == kHashBytes && CRYPTO_memcmp(got.constData(), m_hash.constData(), kHashBytes) == 0;
}

} // namespace secure
