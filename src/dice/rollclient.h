#pragma once

#include "expression.h"
#include "ledger.h"
#include "ratelimit.h"
#include "rollrecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

namespace dice
{

/**
 * @brief A player's side of the host's dice: asks the host to roll with a
 * fresh nonce of its own, gives nonces for the host's rolls, shows the rolls
 * announced, keeps everything in its Ledger and, at every reveal, checks all
 * the rolls it saw.
 *
 * Until the host promises a seed it is not a rolling host (a basic-protocol
 * host): hostRolls() stays false and the player rolls for itself.
 */
class RollClient : public QObject
{
    Q_OBJECT
public:
    /// How long an answer (a roll for a request, a roll using a nonce given)
    /// may take before its absence counts against the host.
    static constexpr int kAnswerGraceMs = 10000;
    void setAnswerGrace(int ms) { m_graceMs = ms; }

    /// What the client needs of the session it is part of.
    class Link
    {
    public:
        virtual ~Link() = default;
        /// One protocol line to the host.
        virtual void sendToHost(const QString &line) = 0;
        /// A roll the host announced, for the pane (hidden ones without dice).
        virtual void showRoll(const RollRecord &record) = 0;
        /// A dice line for the journal.
        virtual void keepEvidence(const QString &line) = 0;
        /// A line for the status box.
        virtual void status(const QString &text) = 0;
    };

    explicit RollClient(Link &link, QObject *parent = nullptr);

    /// A session with another host begins: everything seen is forgotten.
    void reset();
    /// True once the host promised a seed: rolls are asked of it.
    bool hostRolls() const { return m_hostRolls; }
    /// The connection to the host is gone; a new one must promise again.
    void hostGone() { m_hostRolls = false; }

    enum class Asked { Sent, TooFast, NotHere };
    /// Asks the host to roll @p expression (label included) as @p kind.
    Asked request(const Expression &expression, RollRecord::Kind kind, bool details);
    /// Asks the host to reveal its seed now ("Verifica i dadi").
    void askReveal();

    /// A dice line from the host; false when the tag is none of ours.
    bool onLine(const QString &tag, QStringView params);

    /// The check of everything seen so far.
    Verifier::Report check() const;
    const Ledger &ledger() const { return m_ledger; }

signals:
    /// After each reveal: the one-line result, and whether all held.
    void checked(const QString &summary, bool ok);

private:
    void keep(const QString &line);

    Link &m_link;
    Ledger m_ledger;
    RateLimit m_rate;
    QElapsedTimer m_clock;
    bool m_hostRolls = false;
    int m_graceMs = kAnswerGraceMs;
};

} // namespace dice
