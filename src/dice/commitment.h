#pragma once

#include <QByteArray>

namespace dice
{

/**
 * @brief The host's secret seed for one stretch of a session and the
 * promise it makes about it in advance.
 *
 * The commitment is SHA-256 of the seed's 32 bytes: announced before any
 * roll, it binds the host to a seed it cannot change afterwards, while
 * telling nobody the dice to come. Revealing the seed at the end lets every
 * player recompute every roll. Counters number the rolls made with the seed,
 * from 1, so no two rolls share their throws.
 */
class Commitment
{
public:
    static constexpr int kSeedBytes = 32;
    static constexpr int kNonceBytes = 16;

    /// A new seed from the system's random source.
    Commitment();
    /// The seed @p seed kept from earlier, its next counter @p nextCounter.
    Commitment(const QByteArray &seed, quint64 nextCounter);

    const QByteArray &seed() const { return m_seed; }
    /// SHA-256 of the seed.
    const QByteArray &hash() const { return m_hash; }
    /// The counter the next roll takes.
    quint64 nextCounter() const { return m_next; }
    /// Hands out the next roll's counter.
    quint64 takeCounter() { return m_next++; }

    /// True when @p seed is the seed @p hash promised.
    static bool matches(const QByteArray &seed, const QByteArray &hash);
    /// SHA-256 of @p seed.
    static QByteArray hashOf(const QByteArray &seed);
    /// A fresh nonce, from the system's random source: what a player's
    /// program gives its roll so that the host cannot choose the throws.
    static QByteArray freshNonce();
    /// The first 16 bytes of SHA-256 of @p nonce: what those who may not see
    /// a roll learn of its nonce, enough to know it was used.
    static QByteArray fingerprint(const QByteArray &nonce);

private:
    QByteArray m_seed;
    QByteArray m_hash;
    quint64 m_next = 1;
};

} // namespace dice
