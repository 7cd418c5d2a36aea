#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringView>

namespace session
{

/**
 * @brief The seat tokens that let a player whose connection was lost take
 * their own place back while the host still holds the dead connection.
 *
 * On the host each introduced connection holds one unguessable token; a
 * newcomer that presents it, once and before its introduction, names the
 * old connection to be let go, so its name is free again. A token serves
 * once and is forgotten whenever its connection is let go; one whose
 * connection was lost is still good for a while as proof that its player
 * sat at this table (a private table lets such a player back in whatever
 * invitation it brings). On a client the
 * last token its host gave is kept, in memory only, to be presented when
 * it comes back by itself.
 */
class Seats
{
public:
    /// Random bytes in a token: 128 bits, written as 32 lower-case hex digits.
    static constexpr int kTokenBytes = 16;
    /// How long a lost connection's token still proves a seat: as long as
    /// a client keeps trying to come back by itself.
    static constexpr qint64 kVacatedKeepMs = 30 * 60 * 1000;
    /// Lost seats remembered at most; the oldest go first.
    static constexpr int kMaxVacated = 1024;

    /// Whether @p token has the shape of a token (32 lower-case hex digits).
    static bool isWellFormed(QStringView token);

    // --- host -------------------------------------------------------------------
    /// A fresh token for connection @p index; its previous one is forgotten.
    QString issue(qint16 index);
    /// Connection @p presenter shows @p token: the connection that held it,
    /// whose seat is now free to be taken back, or 0 when there is none (a
    /// token unknown or malformed, its own, or a second presentation by the
    /// same connection). A token given back is forgotten.
    qint16 claim(qint16 presenter, QStringView token);
    /// Connection @p index was let go, or its element carries a new
    /// connection: its token and its presentation are forgotten.
    void forget(qint16 index);
    /// Connection @p index was lost at @p nowMs: forgotten as by forget(),
    /// but its token still vouches for its player until kVacatedKeepMs later.
    void vacate(qint16 index, qint64 nowMs);
    /**
     * @brief Whether @p token is the seat of a player of this table: held by
     * a connection now, or by one lost less than kVacatedKeepMs ago (such a
     * token vouches once).
     */
    bool vouches(QStringView token, qint64 nowMs);
    /// Tokens held on the host.
    int count() const { return int(m_byToken.size()); }

    // --- client -----------------------------------------------------------------
    /// Keeps @p token, given by our host; a malformed one changes nothing.
    void keep(QStringView token);
    /// The token our host gave last, or an empty text.
    const QString &kept() const { return m_kept; }

    /// Forgets everything: a new session, on either side.
    void clear();

private:
    void dropToken(qint16 index);

    QHash<QString, qint16> m_byToken;
    QHash<qint16, QString> m_byIndex;
    QSet<qint16> m_presented; ///< connections that have shown a token already
    QHash<QString, qint64> m_vacated; ///< tokens of lost connections -> when lost
    QString m_kept;
};

} // namespace session
