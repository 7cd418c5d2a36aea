#include "commitment.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace dice
{

namespace
{

QByteArray randomBytes(int count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()),
                                          count / int(sizeof(quint32)));
    return bytes;
}

} // namespace

Commitment::Commitment() : Commitment(randomBytes(kSeedBytes), 1) {}

Commitment::Commitment(const QByteArray &seed, quint64 nextCounter)
    : m_seed(seed), m_hash(hashOf(seed)), m_next(nextCounter)
{
}

QByteArray Commitment::hashOf(const QByteArray &seed)
{
    return QCryptographicHash::hash(seed, QCryptographicHash::Sha256);
}

bool Commitment::matches(const QByteArray &seed, const QByteArray &hash)
{
    return seed.size() == kSeedBytes && hashOf(seed) == hash;
}

QByteArray Commitment::fingerprint(const QByteArray &nonce)
{
    return hashOf(nonce).left(kNonceBytes);
}

QByteArray Commitment::freshNonce()
{
    return randomBytes(kNonceBytes);
}

} // namespace dice
