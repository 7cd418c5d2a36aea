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
 * once and is forgotten whenever its connection leaves. On a client the
 * last token its host gave is kept, in memory only, to be presented when
 * it comes back by itself.
 */
class Seats
{
public:
    /// Random bytes in a token: 128 bits, written as 32 lower-case hex digits.
    static constexpr int kTokenBytes = 16;

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
    /// Connection @p index left, or its element carries a new connection:
    /// its token and its presentation are forgotten.
    void forget(qint16 index);
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
    QString m_kept;
};

} // namespace session
