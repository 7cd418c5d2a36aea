#include "pictureassembler.h"

#include <QCoreApplication>

#include "protocol.h"
#include "tags.h"

#include <QCoreApplication>

#include <limits>

namespace session
{

namespace
{

constexpr int kHashHexLength = 64;

bool isHex(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F')))
            return false;
    }
    return true;
}

} // namespace

std::optional<PictureAssembler::Announce> PictureAssembler::parseStart(const QString &params)
{
    const auto id = toInt64(sParam(params, 1));
    const auto size = toInt64(sParam(params, 2));
    const QString rest = sLongParam(params, 3);
    if (!id || *id < 0 || *id > 0xFFFFFFFFLL || !size || rest.size() < kHashHexLength)
        return std::nullopt;
    const QStringView hex = QStringView(rest).left(kHashHexLength);
    if (!isHex(hex))
        return std::nullopt;
    Announce a;
    a.id = quint32(*id);
    a.size = *size;
    a.sha256 = QByteArray::fromHex(hex.toLatin1());
    a.from = rest.mid(kHashHexLength);
    return a;
}

QList<QByteArray> PictureAssembler::encode(quint32 id, const QByteArray &bytes, const QString &from)
{
    QList<QByteArray> lines;
    const QString idField = sFormatSend(double(id));
    const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    lines.append(encodeLine(tag::Immagine + idField + sFormatSend(double(bytes.size())) +
                            QString::fromLatin1(hash) + from));
    const QByteArray prefix = encodeText(tag::ImmagineParte + idField);
    qint64 slice = 0;
    for (qsizetype pos = 0; pos < bytes.size(); pos += kSliceBytes, ++slice) {
        const QByteArray data = bytes.mid(pos, kSliceBytes).toBase64();
        QByteArray line;
        line.reserve(prefix.size() + kFieldWidth + data.size() + 2);
        line += prefix;
        line += encodeText(sFormatSend(double(slice)));
        line += data;
        line += "\r\n";
        lines.append(line);
    }
    return lines;
}

QString PictureAssembler::logText(const QString &line)
{
    if (!line.startsWith(tag::ImmagineParte))
        return line;
    const qsizetype fields = tag::ImmagineParte.size() + 2 * kFieldWidth;
    return line.left(fields) + QStringLiteral("…");
}

bool PictureAssembler::looksLikePicture(const QByteArray &bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.startsWith("\xFF\xD8\xFF");
}

PictureAssembler::Claim PictureAssembler::claimedSize(QByteArrayView bytes)
{
    const auto be16 = [&](qsizetype at) {
        return (int(quint8(bytes[at])) << 8) | int(quint8(bytes[at + 1]));
    };
    const auto be32 = [&](qsizetype at) {
        return (qint64(be16(at)) << 16) | qint64(be16(at + 2));
    };
    Claim c;
    if (bytes.startsWith(QByteArrayView("\x89PNG\r\n\x1a\n", 8))) {
        // The first chunk is IHDR: its width and height follow its type.
        constexpr qsizetype kIhdrEnd = 24;
        if (bytes.size() < kIhdrEnd)
            return c;
        if (bytes.sliced(12, 4) != QByteArrayView("IHDR")) {
            c.state = Claim::State::Unreadable;
            return c;
        }
        const qint64 w = be32(16), h = be32(20);
        c.state = Claim::State::Known;
        c.width = int(qMin<qint64>(w, std::numeric_limits<int>::max()));
        c.height = int(qMin<qint64>(h, std::numeric_limits<int>::max()));
        return c;
    }
    if (!bytes.startsWith(QByteArrayView("\xFF\xD8", 2))) {
        c.state = Claim::State::Unreadable;
        return c;
    }
    // JPEG: segments up to a frame header (SOF0..SOF15 but DHT, JPG, DAC),
    // which holds the size; the scan (SOS) may not come before it.
    qsizetype pos = 2;
    for (;;) {
        while (pos < bytes.size() && quint8(bytes[pos]) == 0xFF && pos + 1 < bytes.size() &&
               quint8(bytes[pos + 1]) == 0xFF)
            ++pos; // fill bytes
        if (pos + 4 > bytes.size())
            return c;
        if (quint8(bytes[pos]) != 0xFF) {
            c.state = Claim::State::Unreadable;
            return c;
        }
        const int marker = quint8(bytes[pos + 1]);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2; // markers without a length
            continue;
        }
        if (marker == 0xDA || marker == 0xD9 || marker == 0xD8) {
            c.state = Claim::State::Unreadable;
            return c;
        }
        const int length = be16(pos + 2);
        if (length < 2) {
            c.state = Claim::State::Unreadable;
            return c;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (pos + 9 > bytes.size())
                return c;
            c.state = Claim::State::Known;
            c.height = be16(pos + 5);
            c.width = be16(pos + 7);
            return c;
        }
        pos += 2 + length;
    }
}

QString PictureAssembler::sizeRefusal(int width, int height)
{
    if (width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
        qint64(width) * height * 4 <= kMaxPixelBytes)
        return {};
    return QCoreApplication::translate("session::PictureAssembler",
                                       "dichiara %1 × %2 pixel, oltre il limite di %3 pixel per "
                                       "lato e %4 MiB di pixel.")
        .arg(width)
        .arg(height)
        .arg(kMaxSide)
        .arg(kMaxPixelBytes / (1024 * 1024));
}

PictureAssembler::Result PictureAssembler::refuse(const QString &why)
{
    abandon(why);
    return Result::Refused;
}

void PictureAssembler::abandon(const QString &why)
{
    m_active = false;
    m_error = why;
    // The memory goes with the assembly, not at the next one.
    m_bytes = QByteArray();
    m_hash.reset();
}

PictureAssembler::Result PictureAssembler::start(const Announce &announce)
{
    abandon(QString());
    m_announce = announce;
    if (announce.size < 1 || announce.size > kMaxBytes)
        return refuse(
            QCoreApplication::translate("session::PictureAssembler",
                                        "%1 byte annunciati, ne sono ammessi da 1 a %2 (16 MiB).")
                .arg(announce.size)
                .arg(kMaxBytes));
    if (announce.sha256.size() != 32)
        return refuse(
            QCoreApplication::translate("session::PictureAssembler", "impronta non valida."));
    m_active = true;
    m_nextSlice = 0;
    m_sizeChecked = false;
    return Result::Incomplete;
}

PictureAssembler::Result PictureAssembler::part(const QString &params)
{
    if (!m_active)
        return Result::Incomplete; // nothing to add to: a stray slice is ignored
    const auto id = toInt64(sParam(params, 1));
    const auto slice = toInt64(sParam(params, 2));
    if (!id || !slice)
        return refuse(
            QCoreApplication::translate("session::PictureAssembler", "una parte non è leggibile."));
    if (quint32(*id) != m_announce.id || *id != qint64(m_announce.id))
        return refuse(QCoreApplication::translate("session::PictureAssembler",
                                                  "una parte appartiene a un'altra immagine."));
    if (*slice != m_nextSlice)
        return refuse(QCoreApplication::translate("session::PictureAssembler",
                                                  "una parte è arrivata fuori ordine."));
    const QByteArray text = QStringView(params).mid(2 * kFieldWidth).toLatin1();
    // Checked before decoding: Base64 never shrinks below three quarters.
    if (qint64(text.size()) / 4 * 3 > m_announce.size - m_bytes.size() + 3)
        return refuse(QCoreApplication::translate("session::PictureAssembler",
                                                  "arrivano più byte di quelli annunciati."));
    const auto decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        return refuse(
            QCoreApplication::translate("session::PictureAssembler", "una parte non è leggibile."));
    if (m_bytes.size() + decoded.decoded.size() > m_announce.size)
        return refuse(QCoreApplication::translate("session::PictureAssembler",
                                                  "arrivano più byte di quelli annunciati."));
    m_bytes += decoded.decoded;
    m_hash.addData(decoded.decoded);
    ++m_nextSlice;
    if (!m_sizeChecked) {
        const Claim claim = claimedSize(m_bytes);
        if (m_bytes.size() >= 8 && !looksLikePicture(m_bytes))
            return refuse(QStringLiteral("non è un'immagine PNG o JPEG."));
        if (claim.state == Claim::State::Unreadable)
            return refuse(QCoreApplication::translate(
                "session::PictureAssembler", "l'intestazione dell'immagine non è leggibile."));
        if (claim.state == Claim::State::Known) {
            m_sizeChecked = true;
            if (const QString why = sizeRefusal(claim.width, claim.height); !why.isEmpty())
                return refuse(why);
        } else if (m_bytes.size() >= m_announce.size) {
            return refuse(QCoreApplication::translate(
                "session::PictureAssembler", "l'intestazione dell'immagine non è leggibile."));
        }
    }
    if (m_bytes.size() < m_announce.size)
        return Result::Incomplete;
    if (m_hash.result() != m_announce.sha256)
        return refuse(QCoreApplication::translate(
            "session::PictureAssembler", "il contenuto non corrisponde all'impronta annunciata."));
    if (!looksLikePicture(m_bytes))
        return refuse(QCoreApplication::translate("session::PictureAssembler",
                                                  "non è un'immagine PNG o JPEG."));
    return Result::Complete;
}

QByteArray PictureAssembler::take()
{
    QByteArray bytes = std::move(m_bytes);
    m_bytes = QByteArray();
    m_active = false;
    m_hash.reset();
    return bytes;
}

} // namespace session
