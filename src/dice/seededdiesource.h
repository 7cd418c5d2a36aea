#pragma once

#include "diesource.h"

#include <QByteArray>
#include <QMessageAuthenticationCode>
#include <QString>

namespace dice
{

/**
 * @brief The host's throws for one roll, derived from its secret seed so
 * that anyone can recompute them once the seed is revealed.
 *
 * Block j of the roll's stream is HMAC-SHA256 with the seed as key over
 *
 *     "TAVERNIX DADI 1" 0x00
 *     u32 length ‖ roller name (UTF-8)
 *     u32 length ‖ nonce (its bytes)
 *     u64 counter
 *     u32 length ‖ expression (canonical spelling without label, UTF-8)
 *     u32 j
 *
 * (integers big-endian, j from 0). Each block gives eight big-endian 32-bit
 * words, taken in order; each throw takes words through
 * DieSource::faceFromWord() until one is accepted.
 */
class SeededDieSource : public DieSource
{
public:
    /// Marks the scheme and its version at the start of every block.
    static constexpr char kDomain[] = "TAVERNIX DADI 1";

    SeededDieSource(const QByteArray &seed, const QString &roller, const QByteArray &nonce,
                    quint64 counter, const QString &expression);

    std::optional<int> draw(int faces) override;

private:
    quint32 nextWord();

    QMessageAuthenticationCode m_mac;
    QByteArray m_prefix;
    QByteArray m_block;
    quint32 m_blockIndex = 0;
    int m_wordInBlock = 8;
};

} // namespace dice
