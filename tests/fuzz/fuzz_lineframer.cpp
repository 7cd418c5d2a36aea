// The line framer and the text codec on arbitrary bytes.
//
// Input: one byte choosing the line limit, one byte seeding how the rest is
// cut into reads, then the byte stream itself.
//
// Invariants:
// - the lines the framer gives, whatever the cuts, are exactly those of the
//   whole stream split at every CR LF, without the ones longer than the
//   limit, and without the text after the last CR LF;
// - what it keeps between reads never exceeds the limit (plus the CR that
//   may start the next CR LF);
// - every line decodes to one character per byte, re-encodes to the same
//   bytes, and splits into tag and parameters that join back to it;
// - the number-field readers agree with a plain reading of the field.

#include "fuzzkit.h"
#include "lineframer.h"
#include "protocol.h"

#include <charconv>
#include <limits>
#include <optional>

using session::LineFramer;

namespace
{

/// The lines of the whole stream the framer must give, in order.
QList<QByteArray> modelLines(const QByteArray &stream, qsizetype limit)
{
    QList<QByteArray> lines;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype end = stream.indexOf("\r\n", pos);
        if (end < 0)
            break;
        if (end - pos <= limit)
            lines.append(stream.mid(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

/// A field read the slow, obvious way: optional minus, digits, in range.
template <typename T> std::optional<T> plainNumber(const QString &text)
{
    const QByteArray latin = text.toLatin1();
    if (text.size() != latin.size() || latin.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < latin.size(); ++i) {
        const char c = latin[i];
        const bool digit = c >= '0' && c <= '9';
        if (!digit && !(i == 0 && c == '-'))
            return std::nullopt;
    }
    if (latin == "-")
        return std::nullopt;
    // from_chars rejects a lone minus and reports values out of range.
    T value{};
    const auto [end, error] = std::from_chars(latin.constData(), latin.constData() + latin.size(), value);
    if (error != std::errc() || end != latin.constData() + latin.size())
        return std::nullopt;
    return value;
}

void checkFields(const QString &params)
{
    const int fields = int(params.size() / session::kFieldWidth) + 2;
    for (int n = 1; n <= fields && n <= 16; ++n) {
        const QString field = session::sParam(params, n);
        const qsizetype start = qsizetype(n - 1) * session::kFieldWidth;
        FUZZ_CHECK(field == params.mid(start, session::kFieldWidth), "sParam is not a 10-character slice");
        FUZZ_CHECK(session::sLongParam(params, n) == params.mid(start), "sLongParam is not the rest");

        const auto wide = session::toInt64(field);
        const auto plainWide = plainNumber<qint64>(field);
        // A field has at most 10 characters, so any number in it fits 64 bits.
        FUZZ_CHECK(wide == plainWide, field.toUtf8());
        FUZZ_CHECK(session::toInt16(field) == plainNumber<qint16>(field), field.toUtf8());
        FUZZ_CHECK(session::toInt32(field) == plainNumber<qint32>(field), field.toUtf8());
        if (wide && *wide >= qint64(session::kFieldMin) && *wide <= qint64(session::kFieldMax)) {
            // What a sender writes for a number the receiver reads back as it.
            const QString written = session::sFormatSend(double(*wide));
            FUZZ_CHECK(written.size() == session::kFieldWidth, written.toUtf8());
            FUZZ_CHECK(session::toInt64(written) == wide, written.toUtf8());
        }
    }
}

void checkLine(const QByteArray &line)
{
    FUZZ_CHECK(!line.contains("\r\n"), "a line holds CR LF");
    const QString text = session::decodeText(line);
    FUZZ_CHECK(text.size() == line.size(), "decoding changed the length");
    FUZZ_CHECK(session::encodeText(text) == line, "decode and encode do not give the bytes back");
    FUZZ_CHECK(session::encodeLine(text) == line + "\r\n", "encodeLine is not the bytes and CR LF");

    const session::TaggedLine split = session::splitTag(text);
    FUZZ_CHECK(split.tag + split.params == text, "tag and parameters do not join back");
    if (split.tag.isEmpty()) {
        FUZZ_CHECK(!text.contains(QLatin1Char(']')), "a line with ] has no tag");
    } else {
        FUZZ_CHECK(split.tag.endsWith(QLatin1Char(']')), "the tag does not end at ]");
        FUZZ_CHECK(split.tag.count(QLatin1Char(']')) == 1, "the tag runs past its first ]");
    }
    checkFields(split.params);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // 255 stands for the framer's own default; anything else is a small
    // limit, so over-long lines come up in short inputs.
    const qsizetype limit = data[0] == 255 ? LineFramer::kDefaultLimit : qsizetype(data[0] % 80);
    fuzzkit::Rng rng(data[1]);
    const QByteArray stream(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    const QList<QByteArray> expected = modelLines(stream, limit);

    LineFramer cut(limit);
    QList<QByteArray> got;
    for (const QByteArray &read : fuzzkit::cutIntoReads(stream, rng)) {
        got += cut.feed(read);
        FUZZ_CHECK(cut.pendingSize() <= limit + 1,
                   QByteArray::number(cut.pendingSize()) + " bytes kept, limit " +
                       QByteArray::number(limit));
    }
    FUZZ_CHECK(got == expected, "lines from reads differ from the whole-stream model");

    LineFramer whole(limit);
    FUZZ_CHECK(whole.feed(stream) == expected, "lines from one read differ from the model");
    FUZZ_CHECK(whole.pendingSize() <= limit + 1, "one read kept more than the limit");

    // After a reset the framer starts clean: a fresh line goes through.
    cut.reset();
    FUZZ_CHECK(cut.pendingSize() == 0 && !cut.discarding(), "reset kept state");
    if (limit >= 1) {
        const QList<QByteArray> fresh = cut.feed(QByteArrayLiteral("x\r\n"));
        FUZZ_CHECK(fresh.size() == 1 && fresh.first() == "x", "a reset framer lost a line");
    }

    for (const QByteArray &line : expected)
        checkLine(line);
    return 0;
}
