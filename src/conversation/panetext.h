#pragma once

#include <QString>
#include <QTextFormat>

#include <vector>

class QTextDocument;

namespace conversation
{

/**
 * @brief The conversation pane's text as its reader sees it, with the way
 * back and forth between positions in that text and in the document.
 *
 * The pane puts invisible break points into long runs without spaces and
 * cuts a very long line into several blocks; neither is part of what was
 * said. Here both are left out, so a search finds words that straddle them,
 * and what it finds is mapped back to the document to be selected there.
 */
class PaneText
{
public:
    /// The character property that marks a break point the pane inserted.
    static constexpr int kInsertedBreak = QTextFormat::UserProperty + 1;
    /// The block property of a block that goes on with the line before it.
    static constexpr int kContinuesLine = QTextFormat::UserProperty + 2;
    /// The block property naming a line of our own whose state may change
    /// (waiting, sent, unsent), by the id the session gave it.
    static constexpr int kOwnLine = QTextFormat::UserProperty + 3;
    /// The character property holding the colour the design gives a piece
    /// of text, where the theme shows another.
    static constexpr int kDesignColour = QTextFormat::UserProperty + 8;
    /// The break point the pane inserts (zero width space).
    static constexpr QChar kBreakPoint = QChar(0x200B);

    /// Reads @p doc: lines joined by LF, inserted break points and the
    /// cuts between the blocks of one line left out.
    static PaneText of(const QTextDocument *doc);

    const QString &text() const { return m_text; }
    /// The position in text() of document position @p position (a position
    /// on a left-out character maps to the character after it).
    qsizetype fromDocument(int position) const;
    /// The document position of the character at @p position in text();
    /// text().size() maps to the end of the document's text.
    int toDocument(qsizetype position) const;

private:
    QString m_text;
    /// For each left-out character, in order: where it would stand in text().
    std::vector<qsizetype> m_slots;
    /// The document positions of the left-out characters, in order.
    std::vector<int> m_hidden;
};

} // namespace conversation
