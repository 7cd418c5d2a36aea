#pragma once

#include "colouring.h"
#include "journal.h"
#include "panetext.h"
#include "sinks.h"
#include "spokenline.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <unordered_map>
#include <vector>

class QAbstractScrollArea;
class QPlainTextEdit;
class QTextCursor;
class QTimer;

namespace session
{
class ChatSession;
}

namespace conversation
{

class ToggleButton;

/**
 * @brief The conversation pane txtDialog and the status box txtStatus, with
 * the time-stamp (Command21) and colouring (Command19) switches.
 *
 * Lines are always inserted as plain text at the end of the document, so
 * markup from a peer is shown literally, and appending never rereads the
 * pane: the cost of a line does not grow with the pane.
 *
 * A line gets its time stamp and colours when it is handed over, but enters
 * the document together with the other lines of the same event-loop turn:
 * every edit of the document costs a layout pass and a scroll-bar update
 * however little it adds, so a relay's burst goes in as one edit instead of
 * one per line. A big burst goes in by slices of a few milliseconds each, so
 * input and painting carry on between them. Reading the pane (txtDialog(),
 * dialogText()) first puts in every line still waiting, so no reader ever
 * sees the pane without a line it was given.
 */
class DialogPane : public QObject, public session::ConversationSink
{
    Q_OBJECT
public:
    /// Creates the controls as children of @p parent. @p chat provides the
    /// participant names the colouring matches (may be null: no names).
    DialogPane(QWidget *parent, session::ChatSession *chat = nullptr);

    /// A conversation line as the pane shows it: the stamp in front of it
    /// ("" without stamps), its text with line breaks already flattened, and
    /// its coloured runs (offsets into text; the stamp stays black).
    struct Line {
        QString stamp;
        QString text;
        std::vector<ColourRun> runs;
        /// The rest of a line too long for one block: it goes on in a block
        /// of its own, marked so that reading the pane joins it back.
        bool continues = false;
        /// A line of our own whose state may still change; 0 for others.
        quint64 ownId = 0;
        /// How a reader takes it in (its text is the line's own).
        SpokenLine::Kind kind = SpokenLine::Kind::Narration;
        bool isPrivate = false;
        QString speaker;
        /// Lines are numbered in the order they came, one after the other.
        quint64 serial = 0;
    };

    /// One line of the pane as a screen reader lists it.
    struct ReaderLine {
        quint64 serial = 0;
        QString stamp;
        SpokenLine::Reading reading;
    };
    /// The lines in the pane, the waiting ones included.
    int lineCount() const;
    /// Line @p index, 0 the oldest still shown (an empty line when out of range).
    ReaderLine lineAt(int index) const;
    /// The number of line @p index (0 when out of range).
    quint64 serialOf(int index) const;
    /// Where the line numbered @p serial is now; -1 once it has left the pane.
    int indexOfSerial(quint64 serial) const;
    /// The line that holds document position @p position.
    int lineAtPosition(int position) const;
    /// The block of the pane's document where line @p index begins and the
    /// position just after its last character.
    std::pair<int, int> lineSpan(int index) const;

    /// The conversation pane, holding every line handed over so far.
    QPlainTextEdit *txtDialog() const;
    QPlainTextEdit *txtStatus() const { return m_txtStatus; }
    ToggleButton *Command21() const { return m_command21; }
    ToggleButton *Command19() const { return m_command19; }

    /// Where the time stamp comes from: the clock label's text (H.MM.SS).
    void setClockText(std::function<QString()> clockText);
    /// Overrides where the participant names come from (default: the session).
    void setNames(std::function<QStringList()> names);

    void UpdateDialog(const QString &vsDialog) override;
    void UpdateStatus(const QString &vsStatus) override;
    void clearDialog() override;
    /// "(già detto alle H.mm) " and the line, all in kRecapColour.
    void showRecap(const QString &line, const QDateTime &said) override;
    /// The note in kRecapColour, without a time stamp.
    void markPane(const QString &note) override;
    /// The colour of what the pane shows that is not live talk.
    static constexpr QRgb kRecapColour = 0xFF808080;

    /**
     * @brief A roll the host announced as such (not as a plain line): shown
     * with a mark in kCheckableColour that no typed text can give itself.
     */
    void showRoll(const QString &line) override;
    /// The colour of the mark of a roll that can be checked.
    static constexpr QRgb kCheckableColour = 0xFF2E7D32;
    /**
     * @brief Whether this session's rolls can be checked (the host promised
     * a seed). While they can, a line that reads as a roll but came as plain
     * text is marked as not checkable.
     */
    void setRollsCheckable(bool on) override { m_rollsCheckable = on; }
    bool rollsCheckable() const { return m_rollsCheckable; }
    /// A dice line a later check needs: kept with the pane (for "Salva
    /// dialogo") and handed to the journal (evidenceKept()).
    void keepDiceEvidence(const QString &line) override;
    /// The dice lines kept since the pane was last emptied.
    const QStringList &evidence() const { return m_evidence; }

    /**
     * @brief A line of our own. Said, it shows as any line; waiting for the
     * return, it shows whole in kRecapColour behind kWaitingMark, so it
     * cannot pass for said. Its look follows markOwnLine() in place, where
     * it was typed.
     */
    void showOwnLine(quint64 id, const QString &line, OwnLine state) override;
    /// A waiting line that went out shows as said, and when it went out late
    /// with kSentLateNote and the time; a line that will not go shows behind
    /// kUnsentMark in kUnsentColour. Either is told to the journal again.
    void markOwnLine(quint64 id, OwnLine state, bool late) override;
    /// What stands in front of a line of ours that waits, or will not go.
    static QString waitingMark();
    static QString unsentMark();
    /// After a line that went out once the player was back: " (inviato alle H.mm)".
    static QString sentLateNote(const QString &clock);
    static constexpr QRgb kUnsentColour = 0xFFA01010;
    /// Lines of our own whose state may still change.
    qsizetype ownLinesFollowed() const { return qsizetype(m_own.size()); }

    void Command21_Click();
    void Command19_Click();
    /// Shows "IP: " + the address + "." in the status box.
    void Label2_Click(const QString &localIp);

    bool bTimeStamp() const { return m_bTimeStamp; }
    bool colouringOn() const { return m_colouring; }
    QString sTimeStamp() const { return m_sTimeStamp; }

    /// Longest run of characters shown without a possible line break.
    static constexpr qsizetype kLongRun = 256;
    /// The invisible break point put into longer runs (zero width space),
    /// after every kLongRun characters that hold no space.
    static constexpr QChar kBreakPoint = PaneText::kBreakPoint;

    /// The pane's text as received, lines joined by LF: the break points the
    /// pane put into long runs are left out (a copy leaves them out too).
    QString dialogText() const;
    /// The status box's text, without its break points.
    QString statusText() const;
    /// The pane as shown, row by row with its colours, without break points.
    QList<JournalRow> shownRows() const;

    /// Lines handed over that are not in the document yet.
    qsizetype waitingLines() const { return qsizetype(m_waiting.size()); }
    /// Puts every waiting line into the document now, in one edit.
    void showWaitingLines();

    /// Most time one slice of waiting lines should take, layout included.
    static constexpr int kSliceMs = 15;
    /// What a line costs beyond its characters, counted in characters.
    static constexpr qsizetype kLineWeight = 64;
    /// Bounds of one slice, in characters (kLineWeight per line included).
    static constexpr qsizetype kMinSliceBudget = 4 * 1024;
    static constexpr qsizetype kMaxSliceBudget = 1024 * 1024;
    /// Most characters the pane shows (a long session's journal keeps the
    /// rest): past it the oldest lines go, whole, down to seven eighths of
    /// it, so the pane's memory stays a small multiple of a bounded text.
    static constexpr qsizetype kDefaultMaxShown = 1024 * 1024;
    void setMaxShown(qsizetype characters) { m_maxShown = qMax<qsizetype>(1, characters); }
    qsizetype maxShown() const { return m_maxShown; }
    /// Most blocks the pane holds (one per line, more for a line longer
    /// than kMaxBlock). A block costs the document about 450 bytes beyond
    /// its text (its layout above all), six times a short chat line, so
    /// short lines reach this ceiling long before the one in characters;
    /// past it the oldest lines go, whole, down to seven eighths of it.
    static constexpr int kDefaultMaxBlocks = 16 * 1024;
    void setMaxBlocks(int blocks) { m_maxBlocks = qMax(1, blocks); }
    int maxBlocks() const { return m_maxBlocks; }
    /// Most characters of one line laid out as one block. A block is laid
    /// out whole, so a megabyte line in one block would hold the event loop
    /// for about a second; in blocks of this size it goes in slice by slice,
    /// and wraps on screen as it would have anyway.
    static constexpr qsizetype kMaxBlock = 16 * 1024;

signals:
    /// A conversation line was just shown: its time stamp ("" when stamps
    /// are off), the line as shown (a roll's detail after a line feed) and
    /// its coloured runs; the rest of the line and the stamp are black.
    void lineShown(const QString &stamp, const QString &line,
                   const std::vector<conversation::ColourRun> &runs);
    /// A dice line was kept (see keepDiceEvidence()).
    void evidenceKept(const QString &line);
    /// The same line as someone hearing it takes it in.
    void lineRead(const conversation::SpokenLine::Reading &reading);
    /// A line was added to the status box.
    void statusShown(const QString &line);
    /// Lines @p first to @p last (indexes) entered the document; lines
    /// before them may have left it.
    void linesInserted(int first, int last);

private:
    /// Appends @p mark after a space, in @p colour.
    static void addMark(Line &line, const QString &mark, QRgb colour);
    /// Queues @p line to be shown, and says so with lineShown().
    void queueLine(Line line);
    /// @p vsDialog with the time stamp and colours of this moment.
    Line stampedLine(const QString &vsDialog);
    /// How own line @p own looks in @p state.
    static Line ownLook(const Line &own, OwnLine state, const QString &note);
    /// Shows @p look where own line @p id is, whether still waiting to go
    /// into the document or already there.
    void replaceOwnLine(quint64 id, const Line &look);
    /// Puts the text and colours of @p line at @p c, no new block.
    void insertContent(QTextCursor &c, const Line &line);
    /// A line as shown: one line, a roll's detail after a line feed.
    static QString shownText(const QString &vsDialog);
    /// Puts the next slice of waiting lines into the document; schedules the
    /// next slice when some are left.
    void showSlice();
    /// Inserts the oldest waiting lines at @p c until @p budget (in
    /// characters, see kLineWeight) is used, at least one line; returns what
    /// was used.
    qsizetype insertWaiting(QTextCursor &c, qsizetype budget);
    /// The one place a conversation line enters the document.
    void insertLine(QTextCursor &c, const Line &line);
    /// Removes the oldest lines while the pane shows more than m_maxShown
    /// characters or holds more than m_maxBlocks blocks.
    void trimShown();
    /// The block where line @p index begins (-1 when out of range).
    int firstBlockOf(int index) const;
    /// Says which lines came after the last one numbered @p lastBefore.
    void tellInserted(quint64 lastBefore);
    void scheduleScroll();
    void scrollToEnd();
    /// Brings each box's view to its end, or back to where its reader is.
    void showEnds();
    struct Reading {
        bool follows = true; ///< new lines bring the view to them
        int at = 0;          ///< where the user left the view otherwise
    };
    /// Notes in @p reading where the user scrolls @p area to.
    void trackReading(QAbstractScrollArea *area, Reading *reading);

    session::ChatSession *m_chat;
    QPlainTextEdit *m_txtDialog;
    QPlainTextEdit *m_txtStatus;
    ToggleButton *m_command21;
    ToggleButton *m_command19;
    std::function<QString()> m_clockText;
    std::function<QStringList()> m_names;
    bool m_bTimeStamp = false;
    bool m_colouring = false;
    bool m_rollsCheckable = false;
    QStringList m_evidence;
    QString m_sTimeStamp;
    QString m_stampClock; ///< the clock text m_sTimeStamp was made from
    bool m_scrollPending = false;
    bool m_followPending = false;
    // New lines bring each box's view to them, except while the user has
    // scrolled up to read, until they scroll back to the bottom.
    Reading m_dialogReading;
    Reading m_statusReading;
    /// Lines handed over, oldest first, that the document does not hold yet.
    std::deque<Line> m_waiting;
    QTimer *m_sliceTimer;
    /// What the next slice takes: adjusted after each slice to its pace.
    qsizetype m_sliceBudget = 16 * 1024;
    qsizetype m_maxShown = kDefaultMaxShown;
    int m_maxBlocks = kDefaultMaxBlocks;
    struct Own {
        Line said;    ///< as it shows once said
        OwnLine state;
    };
    std::unordered_map<quint64, Own> m_own;
    quint64 m_nextSerial = 1;
};

} // namespace conversation
