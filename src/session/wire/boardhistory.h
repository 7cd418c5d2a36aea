#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace session
{

/**
 * @brief What is on the shared board, kept by the host as the drawing
 * messages it drew or passed on, so that a participant who joins late can
 * be sent them and draw the same board.
 *
 * Only the messages every board draws are kept: "[Linea]",
 * "[Circonferenza]", "[Colora Sfondo]", "[Reticolo Condiviso]" and the text
 * set that ends in "[Inserisci TestoColore]". "[Pulisci Lavagna]" forgets everything before
 * it. The messages are kept as the wire lines they travelled as (CR LF
 * included), packed into blocks that a replay writes as they are.
 *
 * A text set is kept whole or not at all: its parts wait until the colour
 * message that draws them, so a set is never cut by the limit, and a set
 * whose drawing message never came is never replayed.
 *
 * The history is bounded. A message that would take it past limit() is not
 * kept, nor is anything after it until the next clear: a board missing a
 * line in the middle could differ from the real one anywhere later (a fill
 * spreads through the gap), whereas a board that stops early is at least
 * the real board as it was.
 */
class BoardHistory
{
public:
    /// Most bytes of wire lines kept.
    static constexpr qsizetype kDefaultLimit = 32 * 1024 * 1024;
    /// Blocks are filled up to this size; a longer line gets a block of its own.
    static constexpr qsizetype kBlockSize = 64 * 1024;

    enum class Outcome {
        Ignored,  ///< not a drawing message
        Kept,     ///< kept (or, for a text part, waiting for its colour message)
        Cleared,  ///< "[Pulisci Lavagna]": the history is empty again
        Full,     ///< this message did not fit: recording stops until the next clear
        Refused,  ///< not kept because the history is already full
    };

    /// Classifies @p message by its tag and keeps, forgets or ignores it.
    /// @p line is the message as it goes on the wire, CR LF included.
    Outcome record(const QString &message, const QByteArray &line);
    /// record() with the line encoded here.
    Outcome record(const QString &message);

    /// Forgets everything, the waiting text parts and the full state too
    /// (a session starts or ends).
    void reset();

    /// The kept lines, in order, as blocks of whole lines. The blocks are
    /// shared, so a copy costs nothing and stays as it is while the history
    /// goes on growing.
    const QList<QByteArray> &blocks() const { return m_blocks; }
    /**
     * @brief blocks() with @p lines put in at byte @p at of the kept lines,
     * a value size() had (a shared picture goes where it was shared among
     * the drawings); past the end they go last.
     */
    QList<QByteArray> blocksWith(qsizetype at, const QList<QByteArray> &lines) const;
    /// The whole lines of @p blocks, each with its CR LF.
    static QList<QByteArray> linesOf(const QList<QByteArray> &blocks);
    /// Whether the wire line @p line draws on the board (a drawing, a part
    /// of a text, a shared grid or picture): what a clear makes moot.
    static bool isBoardLine(QByteArrayView line);
    /// Bytes kept.
    qsizetype size() const { return m_size; }
    /// Messages kept.
    qsizetype count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    /// True from a message that did not fit until the next clear.
    bool isFull() const { return m_full; }

    qsizetype limit() const { return m_limit; }
    void setLimit(qsizetype bytes);

private:
    void append(const QByteArray &lines, qsizetype messages);

    QList<QByteArray> m_blocks;
    qsizetype m_size = 0;
    qsizetype m_count = 0;
    qsizetype m_limit = kDefaultLimit;
    bool m_full = false;
    QByteArray m_textParts; ///< parts of a text set waiting for its colour message
    qsizetype m_textPartCount = 0;
};

} // namespace session
