#include "boundeddecode.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace board
{

namespace
{

QString damaged()
{
    return QCoreApplication::translate("board::BoundedDecode",
                                       "l'immagine è danneggiata o incompleta.");
}

/// The encoded bytes libpng reads from.
struct Source {
    const uchar *data = nullptr;
    size_t size = 0;
    size_t pos = 0;
};

void readBytes(png_structp png, png_bytep out, png_size_t n)
{
    auto *s = static_cast<Source *>(png_get_io_ptr(png));
    if (n > s->size - s->pos)
        png_error(png, "truncated");
    std::memcpy(out, s->data + s->pos, n);
    s->pos += n;
}

[[noreturn]] void onError(png_structp png, png_const_charp)
{
    std::longjmp(png_jmpbuf(png), 1);
}

void onWarning(png_structp, png_const_charp) {}

/// Box sums of the whole picture at the fitted size, colour weighted by
/// alpha so a transparent pixel lends no colour to its neighbours.
struct Shrink {
    int width = 0, height = 0; ///< the picture's
    QSize to;
    std::vector<quint64> sums; ///< blue, green, red (times alpha), alpha per cell
    std::vector<quint32> counts;

    Shrink(QSize from, QSize fitted) : width(from.width()), height(from.height()), to(fitted)
    {
        sums.assign(size_t(to.width()) * size_t(to.height()) * 4, 0);
        counts.assign(size_t(to.width()) * size_t(to.height()), 0);
    }
    void add(int x, int y, const uchar *bgra)
    {
        const size_t cell = size_t(qint64(y) * to.height() / height) * size_t(to.width()) +
                            size_t(qint64(x) * to.width() / width);
        quint64 *s = &sums[cell * 4];
        const quint64 a = bgra[3];
        s[0] += bgra[0] * a;
        s[1] += bgra[1] * a;
        s[2] += bgra[2] * a;
        s[3] += a;
        ++counts[cell];
    }
    QImage image() const
    {
        QImage out(to, QImage::Format_ARGB32);
        if (out.isNull())
            return out;
        for (int y = 0; y < to.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
            for (int x = 0; x < to.width(); ++x) {
                const size_t cell = size_t(y) * size_t(to.width()) + size_t(x);
                const quint64 *s = &sums[cell * 4];
                const quint32 n = qMax<quint32>(1, counts[cell]);
                const auto channel = [&](int i) {
                    return s[3] ? int((s[i] + s[3] / 2) / s[3]) : 0;
                };
                line[x] = qRgba(channel(2), channel(1), channel(0), int((s[3] + n / 2) / n));
            }
        }
        return out;
    }
};

/// What must outlive a jump out of libpng: owned by the caller, touched
/// inside only through pointers set before the jump point.
struct PngRead {
    Source source;
    QSize size;
    QImage *corner = nullptr;
    Shrink *shrink = nullptr;
    std::vector<uchar> *row = nullptr;
};

/// Reads every pass of the PNG row by row, putting each pixel into the
/// corner (when it lies there) and into the shrunk sums. No interlace
/// handling is asked of libpng, so an interlaced picture comes as its seven
/// small pictures, each spread back to where its pixels belong, and nothing
/// larger than one row is ever held.
bool readPng(PngRead &r)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &r.source, readBytes);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_read_info(png, info);
    const int width = int(png_get_image_width(png, info));
    const int height = int(png_get_image_height(png, info));
    if (width != r.size.width() || height != r.size.height())
        png_error(png, "size");
    const int colour = png_get_color_type(png, info);
    // Eight bits of blue, green, red and alpha a pixel, whatever was stored.
    png_set_expand(png);
    png_set_scale_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    const bool interlaced = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7;
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4)
        png_error(png, "row");
    r.row->resize(size_t(width) * 4);
    uchar *row = r.row->data();
    const int cornerW = r.corner->width();
    const int cornerH = r.corner->height();
    const int passes = interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int rows = interlaced ? int(PNG_PASS_ROWS(png_uint_32(height), pass)) : height;
        const int cols = interlaced ? int(PNG_PASS_COLS(png_uint_32(width), pass)) : width;
        if (rows == 0 || cols == 0)
            continue; // libpng skips an empty pass too
        const int y0 = interlaced ? int(PNG_PASS_START_ROW(pass)) : 0;
        const int x0 = interlaced ? int(PNG_PASS_START_COL(pass)) : 0;
        const int dy = interlaced ? 1 << PNG_PASS_ROW_SHIFT(pass) : 1;
        const int dx = interlaced ? 1 << PNG_PASS_COL_SHIFT(pass) : 1;
        for (int i = 0; i < rows; ++i) {
            png_read_row(png, row, nullptr);
            const int y = y0 + i * dy;
            uchar *cornerLine = y < cornerH ? r.corner->scanLine(y) : nullptr;
            for (int c = 0; c < cols; ++c) {
                const int x = x0 + c * dx;
                const uchar *px = row + size_t(c) * 4;
                if (cornerLine && x < cornerW)
                    std::memcpy(cornerLine + size_t(x) * 4, px, 4);
                r.shrink->add(x, y, px);
            }
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

QSize BoundedDecode::fitted(QSize size, QSize board)
{
    if (size.width() <= board.width() && size.height() <= board.height())
        return size;
    QSize out = size.scaled(board, Qt::KeepAspectRatio);
    return out.expandedTo(QSize(1, 1));
}

BoundedDecode::Result BoundedDecode::decode(const QByteArray &encoded, const QByteArray &format,
                                            QSize size, QSize board)
{
    Result result;
    const QSize corner = size.boundedTo(board);
    const QSize whole = fitted(size, board);
    if (format == "jpeg") {
        // Qt's JPEG reader crops and scales while it decodes.
        QBuffer buffer;
        buffer.setData(encoded);
        buffer.open(QIODevice::ReadOnly);
        QImageReader clip(&buffer, "jpeg");
        clip.setClipRect(QRect(QPoint(0, 0), corner));
        result.corner = clip.read();
        buffer.seek(0);
        QImageReader shrink(&buffer, "jpeg");
        shrink.setScaledSize(whole);
        result.whole = shrink.read();
        if (result.corner.size() != corner || result.whole.size() != whole) {
            result = {};
            result.error = damaged();
        }
        return result;
    }
    QImage cornerImage(corner, QImage::Format_ARGB32);
    Shrink shrink(size, whole);
    std::vector<uchar> row;
    if (cornerImage.isNull()) {
        result.error = damaged();
        return result;
    }
    PngRead r;
    r.source = {reinterpret_cast<const uchar *>(encoded.constData()), size_t(encoded.size()), 0};
    r.size = size;
    r.corner = &cornerImage;
    r.shrink = &shrink;
    r.row = &row;
    if (!readPng(r)) {
        result.error = damaged();
        return result;
    }
    result.corner = std::move(cornerImage);
    result.whole = shrink.image();
    return result;
}

} // namespace board
