#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace board
{

/**
 * @brief The number a text starts with, the way the board's boxes read what
 * is typed in them: leading blanks, an optional sign, digits with an optional
 * decimal point and fraction, an optional exponent; reading stops at the first
 * character that cannot continue the number ("12abc" is 12).
 *
 * Nothing when the text holds no digit before that point. A number too
 * large for a double (a long run of digits, a big exponent) is an infinity
 * of its sign, which every caller refuses as too large.
 */
std::optional<double> leadingNumber(QStringView text);

/// leadingNumber(), with 0 for a text that starts with no number.
double leadingNumberOrZero(QStringView text);

/// @p v to the nearest whole number, halves to the even neighbour, when that
/// fits a signed 16-bit integer; nothing otherwise.
std::optional<qint16> roundToInt16(double v);

/// A number written back into a box: whole numbers without a decimal point,
/// others with up to fifteen significant digits.
QString numberText(double v);

} // namespace board
