#pragma once

#include <QChar>
#include <QString>

namespace conversation
{

/**
 * @brief True for the characters Qt's text panes start a new line at: CR,
 * LF, the Unicode line and paragraph separators, and the two frame marks
 * that a text cursor turns into a new block.
 *
 * A peer's line is one line: a break inside it would let the text after it
 * stand alone, looking like somebody else's line (a dice announcement).
 */
bool isLineBreak(QChar c);

/// @p text with every line break turned into a space; the length is kept,
/// so offsets into the text stay valid.
QString flattenLineBreaks(QString text);

} // namespace conversation
