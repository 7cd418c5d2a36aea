#include "sizetext.h"

namespace transfer {

QString FormatKB(qint64 bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" bytes");

    static const char *const kUnits[] = {"KB", "MB", "GB"};
    int unit = 0;
    qint64 scale = 1024;
    while (unit < 2 && bytes / scale >= 1024) {
        scale *= 1024;
        ++unit;
    }
    // Hundredths of the unit in whole numbers, so nothing is lost to floating
    // point; files stay far below the range where bytes * 100 overflows.
    const qint64 hundredths = bytes / scale * 100 + (bytes % scale) * 100 / scale;
    const qint64 whole = hundredths / 100;
    QString number;
    if (whole >= 100) {
        number = QString::number(whole);
    } else if (whole >= 10) {
        number = QString::number(whole) + QLatin1Char(',') + QString::number(hundredths / 10 % 10);
    } else {
        number = QString::number(whole) + QLatin1Char(',') +
                 QString::number(hundredths % 100).rightJustified(2, QLatin1Char('0'));
    }
    return number + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

} // namespace transfer
