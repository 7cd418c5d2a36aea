#include "findindialog.h"

namespace conversation
{

namespace
{

// Upper case letter by letter: QString::toUpper may lengthen a text ("ß"
// becomes "SS"), which would shift every position after it.
QString upperKeepingLength(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        c = c.toUpper();
    return out;
}

} // namespace

FindResult FindInDialog(FindSettings &settings, const QString &text, qsizetype caret)
{
    FindResult result;
    const QString &needle = settings.gFindText;
    const qsizetype length = needle.size();
    if (length == 0) {
        settings.lLastFindPos = caret;
        return result;
    }
    const qsizetype s = caret == settings.lLastFindPos ? caret + 1 : caret;
    const bool matchCase = settings.gMatchCase != 0;
    const QString hay = matchCase ? text : upperKeepingLength(text);
    const QString find = matchCase ? needle : upperKeepingLength(needle);

    qsizetype k = 0; // 1-based, 0 for none
    if (settings.gFindDirection == 1) {
        // From character s + 1, which is index s.
        if (s < hay.size()) {
            const qsizetype at = hay.indexOf(find, s);
            k = at >= 0 ? at + 1 : 0;
        }
    } else {
        for (qsizetype n = s - 1; n >= 1; --n) {
            if (QStringView(hay).mid(n - 1, length) == find) {
                k = n;
                break;
            }
        }
    }

    if (k > 0) {
        result.found = true;
        result.selStart = k - 1;
        result.selLength = length;
        settings.lLastFindPos = k - 1;
    } else {
        settings.lLastFindPos = caret;
    }
    return result;
}

} // namespace conversation
