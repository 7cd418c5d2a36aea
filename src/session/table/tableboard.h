#pragma once

#include "boardhistory.h"
#include "pictureassembler.h"
#include "sinks.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <map>
#include <vector>

class QTimer;

namespace session
{

class Routes;
struct TableState;

/**
 * @brief The board as the whole table shares it, beyond the drawing
 * messages: clearing it for everyone (with a word of who did), bringing the
 * last cleared board back, the host's choice that only it may clear, and a
 * picture and a grid shared with everyone.
 *
 * Shared pictures and grids go through the host like every message. A
 * picture travels as its encoded file in slices that leave only as fast as
 * each connection drains, so conversation lines pass between them; every
 * copy is checked (size, SHA-256) before it is shown. A picture covers
 * what was drawn under it and a grid is painted over it, so the host keeps
 * both where they came among the drawings: grids in the drawing history,
 * the latest picture apart (it is large) with its place in that history. A
 * later picture replaces an earlier one, "Pulisci" forgets them, and a
 * newcomer is sent everything in that order, so its board is the others'.
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
    inline static const QString kClearedBy = QString::fromUtf8(
        QT_TRANSLATE_NOOP("session::TableBoard", " ha pulito la lavagna per tutti."));
    inline static const QString kRestoredBy =
        QString::fromUtf8(QT_TRANSLATE_NOOP("session::TableBoard", " ha ripristinato la lavagna."));
    inline static const QString kClearTried = QString::fromUtf8(QT_TRANSLATE_NOOP(
        "session::TableBoard", " ha provato a pulire la lavagna: solo l'host può farlo."));
    /// A client told that only the host may clear the board.
    inline static const QString kHostOnly = QString::fromUtf8(QT_TRANSLATE_NOOP(
        "session::TableBoard",
        "Solo l'host può pulire la lavagna: la richiesta non è stata inoltrata."));

    /// Reads and keeps @p state, the session's, and sends through @p routes.
    TableBoard(TableState &state, Routes &routes, QObject *parent = nullptr);

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

    // --- sharing --------------------------------------------------------------
    /// Where received pictures and grids are shown; may be null.
    void setSink(SharedBoardSink *sink) { m_sink = sink; }
    /// Unsent bytes a connection may hold before the next slice goes.
    static constexpr qint64 kPaceWindow = 64 * 1024;
    /// Bytes a second a picture goes out at, per connection, past a first
    /// window: a receiver takes each slice in good time and its conversation
    /// lines do not queue behind megabytes it has yet to read.
    static constexpr qint64 kPaceRate = 4 * 1024 * 1024;
    /// Bytes of pictures a host holds at once while they come in. Counted
    /// as they arrive, not as announced: an announce costs nothing, so a
    /// sharer who trickles holds little and stands in no one's way.
    static constexpr qint64 kMaxIncomingBytes = 3 * PictureAssembler::kMaxBytes;
    /// A picture whose next slice does not come within this long is dropped:
    /// a sharer's program sends its slices back to back, so a gap of a few
    /// seconds is someone holding the room.
    static constexpr int kDefaultStallMs = 5000;
    void setStallTimeout(int ms) { m_stallMs = ms; }
    /**
     * @brief Shares @p encoded (a PNG or JPEG file as it is) with the table:
     * a host sends it to everyone and keeps it for newcomers, a client sends
     * it to its host. False, with why(), when it is not PNG or JPEG, larger
     * than 16 MiB or there is no session.
     */
    bool sharePicture(const QByteArray &encoded);
    /// Shares a grid with the table, as sharePicture() does.
    bool shareGrid(const GridFields &grid);
    /// Why the last share was refused.
    QString why() const { return m_why; }
    /// Bytes of incoming pictures held right now, and the room their buffers take.
    qint64 incomingBytes() const;
    qint64 incomingCapacity() const;
    /// Slices still to go out, over every connection.
    qsizetype pendingSlices() const;
    /// The latest shared picture's lines the host keeps.
    const QList<QByteArray> &pictureLines() const { return m_pictureLines; }
    /// Where that picture goes among the drawings: a size() of the history.
    qsizetype pictureAt() const { return m_pictureAt; }

    /// "[Reticolo Condiviso]" for @p grid shared by @p from.
    static QString gridMessage(const GridFields &grid, const QString &from);
    /// The status text of a refused picture.
    static QString refusedText(const QString &from, const QString &why);

    /**
     * @brief The board a newcomer is sent, as whole wire lines with CR LF:
     * the drawing history (shared grids among it) with the shared picture
     * where it was shared. A store can keep these and hand them back to
     * feedStateLines().
     */
    QList<QByteArray> stateLines() const;
    /**
     * @brief Host only: takes @p lines (as stateLines() gave them) as the
     * board of the session and draws them on this board. Lines that are no
     * board message are skipped.
     */
    void feedStateLines(const QList<QByteArray> &lines);

    // --- the session's and its dispatcher's ----------------------------------
    /// Host: a client's "[Pulisci Lavagna]"; false when it is refused (and
    /// the client told and sent the board back, since it cleared its own).
    bool admitClear(qint16 origin);
    /// Host: tells everyone, and this status box, who cleared.
    void announceClear(qint16 origin);
    /// Host: the board is about to be forgotten by a clear; kept if not empty.
    void keepCleared(const BoardHistory &history);
    /// The session starts or ends: nothing is kept.
    void reset();
    /// Host: connection @p index is gone, or is about to carry a new one:
    /// its picture still coming in goes with it.
    void connectionGone(qint16 index);
    /// Host: what a newcomer needs besides the board (the clearing setting).
    void welcome(qint16 index);
    /// Acts on the tags this class owns; false for any other tag. Without
    /// @p relay a line is only shown here (a restore, a store fed back).
    bool dispatch(const QString &tag, const QString &params, qint16 origin, bool relay = true);
    /// The board was cleared: pictures on their way are forgotten.
    void boardCleared();
    /// What a replay sends: the drawing blocks with the picture in its place.
    QList<QByteArray> replayBlocks() const;

signals:
    void restorableChanged(bool restorable);
    void clearHostOnlyChanged(bool on);
    /// Host: a picture was shared with the table; @p lines are its wire
    /// lines, which go after every drawing recorded so far.
    void sharedPictureChanged(const QList<QByteArray> &lines);
    /// Host: the board was restored; @p lines are the whole board now, as
    /// stateLines() gives it.
    void boardRestored(const QList<QByteArray> &lines);

private:
    struct Incoming {
        PictureAssembler assembler;
        QElapsedTimer lastSlice;
    };
    struct Outgoing {
        qint16 target; ///< a client connection, or kHostIndex for our host
        QList<QByteArray> lines;
        qsizetype next = 0;
        qint64 sent = 0;     ///< bytes handed to the connection so far
        QElapsedTimer since; ///< since the first slice went
    };
    void onPictureStart(const QString &params, qint16 origin, bool relay);
    void onPicturePart(const QString &params, qint16 origin, bool relay);
    void onGrid(const QString &params, qint16 origin, bool relay);
    void pictureComplete(const QByteArray &bytes, const QString &from, qint16 origin, bool relay);
    /// Host: keeps @p bytes as the shared picture and sends it to every
    /// participant but @p except.
    void adoptPicture(const QByteArray &bytes, const QString &from, qint16 except);
    void queue(qint16 target, const QList<QByteArray> &lines);
    void pump();
    void checkStalls();
    QList<qint16> participantsBut(qint16 except) const;

    void status(const QString &text) const;
    QString nameOf(qint16 origin) const;
    /// Who shares what comes from @p origin, as the status box names them:
    /// the host's name for the connection, else the announced one, else
    /// the connection's number.
    QString sharerOf(qint16 origin, const QString &announced) const;
    /// Draws @p lines on this board only: no relay, no record, no log.
    void drawLocally(const QList<QByteArray> &lines);

    TableState &m_state;
    Routes &m_routes;
    bool m_ownChoice = false; ///< as host: only the host may clear
    bool m_hostSays = false;  ///< as client: what the host said of it
    bool m_haveCleared = false;
    BoardHistory m_cleared;
    QList<QByteArray> m_clearedPicture;
    qsizetype m_clearedPictureAt = 0;

    SharedBoardSink *m_sink = nullptr;
    QString m_why;
    QList<QByteArray> m_pictureLines;
    qsizetype m_pictureAt = 0; ///< its place among the drawings, a history size
    quint32 m_nextId = 0;
    std::map<qint16, Incoming> m_incoming; ///< by origin; assemblers do not move
    std::vector<Outgoing> m_outgoing;
    QTimer *m_pace = nullptr;
    QTimer *m_stall = nullptr;
    int m_stallMs = kDefaultStallMs;
};

} // namespace session
