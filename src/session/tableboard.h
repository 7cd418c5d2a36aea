#pragma once

#include "boardhistory.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace session
{

class ChatSession;

/**
 * @brief The board as the whole table shares it, beyond the drawing
 * messages: clearing it for everyone (with a word of who did), bringing the
 * last cleared board back, and the host's choice that only it may clear.
 *
 * The calls are the session's own, with no widget behind them, so a program
 * without a window can offer them as commands too.
 *
 * On the host the last cleared board is kept, as the drawing history and
 * the shared state it had, for as long as the session lasts. Restoring puts
 * it back in front of whatever was drawn since, on every board.
 */
class TableBoard : public QObject
{
    Q_OBJECT
public:
    /// Status texts, each with the participant's name in front.
    inline static const QString kClearedBy = QStringLiteral(" ha pulito la lavagna per tutti.");
    inline static const QString kRestoredBy = QStringLiteral(" ha ripristinato la lavagna.");
    inline static const QString kClearTried =
        QStringLiteral(" ha provato a pulire la lavagna: solo l'host può farlo.");
    /// A client told that only the host may clear the board.
    inline static const QString kHostOnly = QStringLiteral(
        "Solo l'host può pulire la lavagna: la richiesta non è stata inoltrata.");

    explicit TableBoard(ChatSession &session);

    /**
     * @brief "Pulisci" of this participant: the board is cleared here and
     * "[Pulisci Lavagna]" goes out as the drawing tools send it. A host also
     * names itself to everyone as the one who cleared. A client whose host
     * lets only itself clear is told so and nothing changes. False when
     * nothing was cleared.
     */
    bool clearForAll();

    /// Host only: whether a cleared board is kept to be brought back.
    bool canRestore() const;
    /**
     * @brief Host only: brings the last cleared board back for everyone,
     * with what was drawn since on top of it. Every board is cleared and
     * sent the whole board again. False when there is nothing to restore.
     */
    bool restore();

    /// Whether only the host may clear the board: the host's setting, or
    /// on a client what its host said.
    bool clearHostOnly() const;
    /// Host only: lets only the host clear the board (off by default).
    void setClearHostOnly(bool on);

    /**
     * @brief The board a newcomer is sent, as whole wire lines with CR LF:
     * the shared state, then the drawing history. A store can keep these
     * and hand them back to feedStateLines().
     */
    QList<QByteArray> stateLines() const;
    /**
     * @brief Host only: takes @p lines (as stateLines() gave them) as the
     * board of the session and draws them on this board. Lines that are no
     * board message are skipped.
     */
    void feedStateLines(const QList<QByteArray> &lines);

signals:
    void restorableChanged(bool restorable);
    void clearHostOnlyChanged(bool on);

private:
    friend class ChatSession;
    friend class Dispatcher;

    /// Host: a client's "[Pulisci Lavagna]"; false when it is refused (and
    /// the client told and sent the board back, since it cleared its own).
    bool admitClear(qint16 origin);
    /// Host: tells everyone, and this status box, who cleared.
    void announceClear(qint16 origin);
    /// Host: the board is about to be forgotten by a clear; kept if not empty.
    void keepCleared(const BoardHistory &history);
    /// The session starts or ends: nothing is kept.
    void reset();
    /// Host: what a newcomer needs besides the board (the clearing setting).
    void welcome(qint16 index);
    /// Acts on the tags this class owns; false for any other tag.
    bool dispatch(const QString &tag, const QString &params, qint16 origin);

    void status(const QString &text) const;
    QString nameOf(qint16 origin) const;
    /// Draws @p lines on this board only: no relay, no record, no log.
    void drawLocally(const QList<QByteArray> &lines);

    ChatSession &m_session;
    bool m_ownChoice = false; ///< as host: only the host may clear
    bool m_hostSays = false;  ///< as client: what the host said of it
    bool m_haveCleared = false;
    BoardHistory m_cleared;
};

} // namespace session
