#pragma once

#include "commitment.h"
#include "dicewire.h"
#include "expression.h"
#include "ratelimit.h"
#include "rollrecord.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class QTimer;

namespace dice
{

/**
 * @brief The host's dice: it promises a seed, rolls what Tavernix players
 * ask for with their nonces, rolls its own with a nonce from a seated
 * player's program chosen at random, announces each roll to everyone as
 * they may see it, and reveals the seed when asked or at the end.
 *
 * It reaches the table only through Table, which the session implements.
 */
class RollService : public QObject
{
    Q_OBJECT
public:
    /// Rolls one client may ask for at once, then one more every kRefillMs.
    static constexpr int kBurst = 8;
    static constexpr int kRefillMs = 750;
    /// How long a player's program has to give a nonce before another is asked.
    static constexpr int kNonceWaitMs = 3000;
    /// How often a player may ask for the seed to be revealed.
    static constexpr int kRevealAskMs = 30000;
    /// Reveals of this session sent again to each newcomer.
    static constexpr int kMaxKeptReveals = 64;
    /// The roller index of the host's own rolls (its own participant entry).
    static constexpr qint16 kHostIndex = -1;

    /// A joined participant and whether its program understands the dice tags.
    struct Seat {
        qint16 index = 0;
        QString name;
        bool tavernix = false;
    };

    /// What the service needs of the table it serves.
    class Table
    {
    public:
        virtual ~Table() = default;
        virtual QString hostName() const = 0;
        /// Every joined client.
        virtual QList<Seat> seats() const = 0;
        /// One protocol line (tag and parameters) to one client.
        virtual void sendTo(qint16 index, const QString &line) = 0;
        /// A conversation line to one client, as the basic protocol carries it.
        virtual void sayTo(qint16 index, const QString &line) = 0;
        /// A roll in the host's own pane (always whole: the host sees everything).
        virtual void showHere(const RollRecord &record) = 0;
        /// The line of a public roll, kept as any public line (session file, recap).
        virtual void keepPublicLine(const QString &line) = 0;
        /// A commitment with its seed, and later its reveal, kept with the
        /// session so that a session taken up can still reveal it.
        virtual void keepSeed(const QByteArray &commitment, const QByteArray &seed) = 0;
        virtual void keepReveal(const QByteArray &commitment) = 0;
        /// A line for the host's journal, so its own file can be checked too.
        virtual void keepEvidence(const QString &line) = 0;
        /// A line for the host's status box.
        virtual void status(const QString &text) = 0;
    };

    explicit RollService(Table &table, QObject *parent = nullptr);
    ~RollService() override;

    /**
     * @brief A session begins: seeds kept by an earlier run of it and never
     * revealed (@p unrevealed) are revealed now, those revealed before
     * (@p revealed) are sent again to newcomers, and a fresh seed is promised.
     */
    void begin(const QList<QByteArray> &unrevealed = {}, const QList<QByteArray> &revealed = {});
    /// Reveals the seed in use; a new one is promised unless the session ends.
    void reveal(bool sessionEnds = false);
    bool active() const { return m_current.has_value(); }
    /// SHA-256 of the seed in use; empty when not active.
    QByteArray commitment() const;
    /// Rolls made with the seed in use.
    quint64 rollsWithCurrent() const;

    // --- lines from clients (the dispatcher hands them over) -----------------
    /// Any dice tag from client @p origin; false when the tag is none of ours.
    bool onLine(qint16 origin, const QString &tag, QStringView params);
    /// A Tavernix participant joined or came back: the reveals of this
    /// session and the seed in use.
    void welcome(qint16 index);
    /// Connection @p index closed: a nonce asked of it is asked elsewhere.
    void left(qint16 index);

    /// The host's own roll, rolled once a player's program gave its nonce.
    void rollOwn(const Expression &expression, RollRecord::Kind kind, bool details);

signals:
    /// A roll was announced (tests and benchmarks watch it).
    void announced(const RollRecord &record);

private:
    struct PendingOwn {
        quint32 id = 0;
        Expression expression;
        RollRecord::Kind kind = RollRecord::Kind::Public;
        bool details = false;
        QList<qint16> tried;
        qint16 askedOf = 0;
        QString askedName;
        QTimer *timer = nullptr;
    };

    void promise();
    void onRequest(qint16 origin, QStringView params);
    void onNonce(qint16 origin, QStringView params);
    void onRevealAsked(qint16 origin);
    void askNonce(PendingOwn &p);
    /// By value: the caller may pass what lives in the pending roll itself.
    void rollPending(quint32 id, QByteArray nonce, QString nonceBy);
    void roll(const QString &roller, qint16 rollerIndex, const QByteArray &nonce,
              const QString &nonceBy, const Expression &expression, RollRecord::Kind kind,
              bool details);
    void sendToTavernix(const QString &line);
    QString nameOf(qint16 index) const;

    Table &m_table;
    std::optional<Commitment> m_current;
    QList<DiceWire::Reveal> m_reveals;
    QHash<qint16, RateLimit> m_rates;
    QHash<qint16, qint64> m_lastRevealAsk;
    QSet<QByteArray> m_usedNonces; ///< fingerprints: a nonce rolls once a session
    QList<PendingOwn> m_pending;
    quint32 m_nextId = 1;
    QElapsedTimer m_clock;
};

} // namespace dice
