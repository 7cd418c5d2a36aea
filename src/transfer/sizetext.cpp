#include "sizetext.h"

namespace transfer {

namespace {

// What a count is shown as: a unit (0 bytes, then KB, MB, GB) and the
// number in hundredths, already cut to the digits that are shown.
struct Shown {
    int unit = 0;
    qint64 hundredths = 0;
};

Shown shown(qint64 bytes)
{
    if (bytes < 1024)
        return {0, bytes * 100};
    Shown s;
    s.unit = 1;
    qint64 scale = 1024;
    // From 1000 of a unit on, the next unit keeps the number to three
    // digits (1000 KB is "0,97 MB"); beyond GB there is no larger unit.
    while (s.unit < 3 && bytes / scale >= 1000) {
        scale *= 1024;
        ++s.unit;
    }
    // Whole numbers only, so nothing is lost to floating point; files stay
    // far below the range where bytes * 100 overflows.
    const qint64 hundredths = bytes / scale * 100 + (bytes % scale) * 100 / scale;
    const qint64 whole = hundredths / 100;
    if (whole >= 100)
        s.hundredths = whole * 100;
    else if (whole >= 10)
        s.hundredths = hundredths / 10 * 10;
    else
        s.hundredths = hundredths;
    return s;
}

} // namespace

QString FormatKB(qint64 bytes)
{
    const Shown s = shown(bytes);
    const qint64 whole = s.hundredths / 100;
    if (s.unit == 0)
        return QString::number(whole) + QStringLiteral(" bytes");
    static const char *const kUnits[] = {"", "KB", "MB", "GB"};
    QString number = QString::number(whole);
    if (whole < 10) {
        number += QLatin1Char(',') +
                  QString::number(s.hundredths % 100).rightJustified(2, QLatin1Char('0'));
    } else if (whole < 100) {
        number += QLatin1Char(',') + QString::number(s.hundredths / 10 % 10);
    }
    return number + QLatin1Char(' ') + QLatin1String(kUnits[s.unit]);
}

qint64 sizeTextKey(qint64 bytes)
{
    const Shown s = shown(bytes);
    return s.hundredths * 4 + s.unit;
}

} // namespace transfer
