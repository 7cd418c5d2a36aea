#include "protocol.h"

#include <array>
#include <cmath>
#include <limits>

namespace session
{

QString sFormatSend(double vData)
{
    if (std::isnan(vData))
        vData = 0;
    double rounded = std::round(vData);
    if (rounded < kFieldMin)
        rounded = kFieldMin;
    if (rounded > kFieldMax)
        rounded = kFieldMax;
    const auto value = static_cast<qint64>(rounded);
    if (value < 0)
        return QLatin1Char('-') + QString::number(-value).rightJustified(9, QLatin1Char('0'));
    return QString::number(value).rightJustified(kFieldWidth, QLatin1Char('0'));
}

namespace
{
/// Where field @p viNum starts in @p vsData, or -1 when the text ends before it.
qsizetype fieldStart(const QString &vsData, int viNum)
{
    if (viNum < 1)
        return -1;
    const qsizetype start = qsizetype(viNum - 1) * kFieldWidth;
    return start < vsData.size() ? start : -1;
}
} // namespace

QString sParam(const QString &vsData, int viNum)
{
    const qsizetype start = fieldStart(vsData, viNum);
    return start < 0 ? QString() : vsData.mid(start, kFieldWidth);
}

QString sLongParam(const QString &vsData, int viNum)
{
    const qsizetype start = fieldStart(vsData, viNum);
    return start < 0 ? QString() : vsData.mid(start);
}

TaggedLine splitTag(const QString &line)
{
    const qsizetype close = line.indexOf(QLatin1Char(']'));
    if (close < 0)
        return {QString(), line};
    return {line.left(close + 1), line.mid(close + 1)};
}

std::optional<qint64> toInt64(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && text[0] == QLatin1Char('-')) {
        negative = true;
        i = 1;
    }
    if (i >= text.size())
        return std::nullopt;
    // 18 digits always fit a qint64; longer runs are rejected before they can overflow.
    if (text.size() - i > 18)
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return negative ? -value : value;
}

template <typename T> static std::optional<T> narrow(QStringView text)
{
    const auto wide = toInt64(text);
    if (!wide || *wide < std::numeric_limits<T>::min() || *wide > std::numeric_limits<T>::max())
        return std::nullopt;
    return static_cast<T>(*wide);
}

std::optional<qint16> toInt16(QStringView text)
{
    return narrow<qint16>(text);
}
std::optional<qint32> toInt32(QStringView text)
{
    return narrow<qint32>(text);
}

std::optional<float> toFloat(QStringView text)
{
    const auto wide = toInt64(text);
    if (!wide)
        return std::nullopt;
    return static_cast<float>(*wide);
}

namespace
{

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined
// map to the C1 control with the same number, as Windows itself does, so that
// any byte survives a decode and re-encode unchanged.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char encodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray encodeText(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n') {
            // A CR LF inside a message would cut it in two: keep the LF only.
            // Dropping one CR may bring an earlier one next to the LF ("\r\r\n"),
            // so every CR in front of the LF goes.
            while (out.endsWith('\r'))
                out.chop(1);
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i; // one "?" for one character outside the code page, not two
        out.append(encodeChar(c));
    }
    return out;
}

QString decodeText(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        dst[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHighControls[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray encodeLine(QStringView text)
{
    QByteArray out = encodeText(text);
    out.append("\r\n", 2);
    return out;
}

} // namespace session
