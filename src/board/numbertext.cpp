#include "numbertext.h"

#include <cmath>
#include <QLocale>

namespace board
{

namespace
{

bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

std::optional<double> leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QString normal;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        normal.append(text[i++]);
    int digits = 0;
    // The digits are copied only up to a sane length: a box holding a million
    // digits is still read, as the huge number it is, without a huge copy.
    constexpr int kMaxDigits = 400;
    int exponentShift = 0;
    for (; i < n && isDigit(text[i]); ++i, ++digits) {
        if (digits < kMaxDigits)
            normal.append(text[i]);
        else
            ++exponentShift;
    }
    if (i < n && text[i] == u'.') {
        // Written out in full (".5" as "0.5", "1." as "1.0") for the parser.
        if (digits == 0)
            normal.append(QLatin1Char('0'));
        normal.append(QLatin1Char('.'));
        ++i;
        int fraction = 0;
        for (; i < n && isDigit(text[i]); ++i, ++digits, ++fraction) {
            if (fraction < kMaxDigits)
                normal.append(text[i]);
        }
        if (fraction == 0)
            normal.append(QLatin1Char('0'));
    }
    if (digits == 0)
        return std::nullopt;
    bool negativeExponent = false;
    // An exponent counts only when digits follow it: "3e" is 3.
    if (i + 1 < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        QString exp;
        if (j < n && (text[j] == u'-' || text[j] == u'+'))
            exp.append(text[j++]);
        const qsizetype start = j;
        for (; j < n && isDigit(text[j]) && j - start < 6; ++j)
            exp.append(text[j]);
        if (j > start) {
            negativeExponent = exp.startsWith(u'-');
            normal.append(QLatin1Char('e'));
            normal.append(exp);
        }
    }
    bool ok = false;
    double value = QLocale::c().toDouble(normal, &ok);
    if (!ok) {
        // The text is a well-formed number, so only its size can fail: too
        // small reads as 0, too large as an infinity of its sign, which every
        // caller refuses as too large.
        value = negativeExponent ? 0.0 : (normal.startsWith(u'-') ? -HUGE_VAL : HUGE_VAL);
    }
    if (exponentShift > 0 && value != 0.0)
        value *= std::pow(10.0, exponentShift);
    return value;
}

double leadingNumberOrZero(QStringView text)
{
    return leadingNumber(text).value_or(0.0);
}

std::optional<qint16> roundToInt16(double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = std::nearbyint(v);
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(r);
}

QString numberText(double v)
{
    if (std::abs(v) < 1e15 && v == std::trunc(v))
        return QString::number(qint64(v));
    return QString::number(v, 'g', 15);
}

} // namespace board
