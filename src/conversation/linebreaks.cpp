#include "linebreaks.h"

#include <algorithm>

namespace conversation
{

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case 0x2028: // line separator: a forced break inside a block
    case 0x2029: // paragraph separator
    case 0xFDD0: // a text cursor reads these two as the edges of a frame
    case 0xFDD1: // and starts a new block at each
        return true;
    default:
        return false;
    }
}

QString flattenLineBreaks(QString text)
{
    // Most lines hold no break: they keep sharing the caller's text rather
    // than being copied by the first write.
    const auto first = std::find_if(text.cbegin(), text.cend(), isLineBreak);
    if (first == text.cend())
        return text;
    for (qsizetype i = first - text.cbegin(); i < text.size(); ++i) {
        if (isLineBreak(text[i]))
            text[i] = QLatin1Char(' ');
    }
    return text;
}

} // namespace conversation
