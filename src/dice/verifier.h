#pragma once

#include "rollrecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

namespace dice
{

/**
 * @brief Recomputes the rolls a program saw once their seeds are revealed,
 * and lists whatever does not hold.
 *
 * Fed in the order things happened: the commitments the host announced,
 * the rolls, the seeds it revealed, and what this program itself did (the
 * rolls it asked for and the nonces it gave for the host's rolls). A host
 * that changes a die, reveals another seed, answers a request with another
 * roll, answers it twice, or leaves out a roll it did not like is caught:
 * every such case is a problem of its own.
 */
class Verifier
{
public:
    struct Problem {
        enum class Kind {
            WrongDice,         ///< the throws are not the seed's
            SeedMismatch,      ///< the revealed seed is not the one promised
            UnknownCommitment, ///< a roll under a seed never promised before it
            NonceReused,       ///< two rolls took the same nonce
            CounterReused,     ///< two rolls took the same number under one seed
            Unanswered,        ///< a roll this program asked for never came
            WrongAnswer,       ///< a roll came for this program's nonce, but not the one asked
            NonceUnused,       ///< a nonce this program gave the host went into no roll
        };
        Kind kind;
        QString text; ///< one Italian sentence naming the roll
    };

    struct Report {
        int checked = 0; ///< recomputed and found right
        int pending = 0; ///< under a seed not revealed yet
        int hidden = 0;  ///< kept from this program (secret rolls of others)
        QList<Problem> problems;

        bool ok() const { return problems.isEmpty(); }
        /// One line: "tutti i 12 tiri verificati", or the first problem.
        QString summary() const;
    };

    void addCommitment(const QByteArray &commitment);
    void addReveal(const QByteArray &commitment, const QByteArray &seed);
    void addRoll(const RollRecord &record);
    /// A roll this program asked for, with its nonce and expression (canonical).
    void addRequest(const QByteArray &nonce, const QString &expression);
    /// A nonce this program gave the host for one of the host's rolls.
    void addSuppliedNonce(const QByteArray &nonce);

    Report check() const;

    /// "il tiro n. 5 di Ada (4d6kh3)": how messages name a roll.
    static QString rollName(const RollRecord &record);

private:
    struct Seen {
        RollRecord record;
        bool promised = false; ///< its commitment had been announced before it
    };
    struct Request {
        QByteArray nonce;
        QString expression;
    };

    QSet<QByteArray> m_promised;
    QList<QPair<QByteArray, QByteArray>> m_reveals;
    QList<Seen> m_rolls;
    QList<Request> m_requests;
    QList<QByteArray> m_supplied;
};

} // namespace dice
