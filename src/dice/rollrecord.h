#pragma once

#include "rollresult.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace dice
{

/**
 * @brief A roll as the host announces it to Tavernix programs, beside the
 * conversation line: enough to show it well now and to recompute it once
 * the seed is revealed.
 *
 * On the wire it is one text of ten fields apart by single spaces:
 *
 *     1 KIND COMMITMENT COUNTER NONCE ROLLER NONCEBY EXPRESSION LABEL THROWS
 *
 * "1" the format; KIND "P" public, "S" secret (the roller and the host see
 * it), "M" for the host only; COMMITMENT the seed's SHA-256 (64 lower-case
 * hex digits); COUNTER the roll's number under it (decimal, from 1); NONCE
 * (32 lower-case hex digits); ROLLER and NONCEBY the names of who rolls and
 * of whose program gave the nonce (Base64 of UTF-8); EXPRESSION the
 * canonical spelling without label; LABEL (Base64 of UTF-8, "-" for none);
 * THROWS every throw in the order taken, decimal, apart by ",". Whoever may
 * not see the roll gets "-" for the last three and, for NONCE, the nonce's
 * fingerprint (Commitment::fingerprint()): the roll is counted, not shown,
 * and cannot be recomputed by guessing its expression once the seed is out.
 *
 * A receiver rebuilds the dice from the expression and the throws; a text
 * that does not rebuild exactly (too few or too many throws, a throw no die
 * of that kind shows, a spelling that is not canonical) is refused whole.
 */
class RollRecord
{
public:
    enum class Kind { Public, Secret, Master };

    static constexpr int kMaxNameLength = 64;
    static constexpr int kMaxEncodedLength = 4096;

    Kind kind = Kind::Public;
    QByteArray commitment; ///< 32 bytes
    quint64 counter = 0;
    QByteArray nonce; ///< 16 bytes
    QString roller;
    QString nonceBy;
    /// The roll; nothing when this receiver may not see it.
    std::optional<RollResult> roll;

    /// True when this receiver may not see the roll.
    bool hidden() const { return !roll.has_value(); }
    /// What those who may not see the roll receive.
    RollRecord hiddenCopy() const;
    /// The nonce's fingerprint, whether this record carries the nonce or,
    /// hidden, already its fingerprint: how rolls are matched to nonces.
    QByteArray nonceKey() const;

    QString encode() const;
    static std::optional<RollRecord> decode(QStringView text);

    static QChar kindLetter(Kind kind);
    static std::optional<Kind> kindOf(QChar letter);
};

} // namespace dice
