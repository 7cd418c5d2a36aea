#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

/**
 * @brief The chat protocol's text codec.
 *
 * A message is one line: a tag up to and including the first "]", then the
 * parameter text, then CR LF. Parameters are fixed 10-character number fields
 * followed by at most one free-text field at the end.
 */
namespace session
{

/// Width of one number field.
constexpr int kFieldWidth = 10;

/// Smallest and largest values that fit a 10-character number field.
constexpr double kFieldMin = -999999999.0;
constexpr double kFieldMax = 9999999999.0;

/**
 * @brief Formats a number field: rounded, zero padded to 10 characters, a
 * negative value as "-" plus 9 digits. Values outside the field's range are
 * clamped into it so that a field never grows and shifts the ones after it.
 */
QString sFormatSend(double vData);

/// Field @p viNum (from 1) of a parameter text: up to 10 characters, or empty.
QString sParam(const QString &vsData, int viNum);

/// Everything from the start of field @p viNum to the end of the text.
QString sLongParam(const QString &vsData, int viNum);

struct TaggedLine {
    QString tag;    ///< up to and including the first "]"; empty when there is none
    QString params; ///< the rest of the line
};

/// Splits a line at its first "]". A line without "]" has an empty tag.
TaggedLine splitTag(const QString &line);

/**
 * @brief Strict decimal reading of a received number field: an optional
 * leading minus and at least one digit, nothing else. Returns nothing for
 * text that is not such a number or that does not fit the type.
 */
std::optional<qint16> toInt16(QStringView text);
std::optional<qint32> toInt32(QStringView text);
std::optional<qint64> toInt64(QStringView text);
/// A number field read as a single-precision coordinate.
std::optional<float> toFloat(QStringView text);

/**
 * @brief Text to wire bytes: Windows-1252, one byte per character. A
 * character the code page cannot carry becomes "?". An embedded CR LF pair
 * would end the line early, so the CRs in front of an LF are left out: the
 * result never contains CR LF.
 */
QByteArray encodeText(QStringView text);

/// Wire bytes to text. Every byte maps to one character, so decoding never
/// fails and re-encoding gives the same bytes back.
QString decodeText(QByteArrayView bytes);

/// A whole message line ready for the socket: encodeText(text) + CR LF.
QByteArray encodeLine(QStringView text);

} // namespace session
