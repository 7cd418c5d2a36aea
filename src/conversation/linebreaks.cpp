#include "linebreaks.h"

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
    for (QChar &c : text) {
        if (isLineBreak(c))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace conversation
