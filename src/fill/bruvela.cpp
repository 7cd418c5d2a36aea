#include "bruvela.h"

#include "filltarget.h"

#include <QImage>

#include <cmath>
#include <vector>

namespace fill {

namespace {

/// 0x00BBGGRR → opaque 0xFFRRGGBB, as RGB32 and ARGB32 store it.
QRgb toPixel(quint32 colour)
{
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

/**
 * One run of pixels already painted on row y - dy, from x1 to x2; row y is
 * the one still to explore. Keeping runs instead of pixels bounds the stack
 * by the number of runs of the area, not by its pixel count.
 */
struct Span {
    int y;
    int x1;
    int x2;
    int dy;
};

/**
 * 4-connected scanline fill of the pixels equal to @p old with @p fresh.
 * Pixels are compared as stored (for RGB32 without the alpha byte, which
 * that format leaves undefined). Returns the bounding box of what changed.
 */
QRect scanlineFill(QImage &image, int x, int y, QRgb fresh)
{
    const int width = image.width();
    const int height = image.height();
    const bool ignoreAlpha = image.format() == QImage::Format_RGB32;
    const QRgb mask = ignoreAlpha ? 0x00FFFFFFu : 0xFFFFFFFFu;

    // bits() detaches a shared image once; rows are then found by stride.
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    auto at = [&](int px, int py) -> QRgb & {
        return reinterpret_cast<QRgb *>(bits + py * stride)[px];
    };

    const QRgb old = at(x, y) & mask;
    if (old == (fresh & mask))
        return {};
    auto inside = [&](int px, int py) { return (at(px, py) & mask) == old; };

    int minX = x, maxX = x, minY = y, maxY = y;
    auto paint = [&](int px, int py) {
        at(px, py) = fresh;
        minX = std::min(minX, px);
        maxX = std::max(maxX, px);
        minY = std::min(minY, py);
        maxY = std::max(maxY, py);
    };

    std::vector<Span> stack;
    stack.reserve(64);
    auto push = [&](int sy, int x1, int x2, int dy) {
        if (sy + dy >= 0 && sy + dy < height)
            stack.push_back({sy, x1, x2, dy});
    };
    // The seed row is explored from an imaginary painted run at (x, y - 1)
    // going down, and again going up from row y + 1.
    push(y, x, x, 1);
    push(y + 1, x, x, -1);

    while (!stack.empty()) {
        const Span s = stack.back();
        stack.pop_back();
        const int row = s.y + s.dy;
        const int x1 = s.x1;
        const int x2 = s.x2;
        const int dy = s.dy;

        // Run left from x1 on the new row.
        int px = x1;
        for (; px >= 0 && inside(px, row); --px)
            paint(px, row);

        int left = x1;
        bool skip = px >= x1;
        if (!skip) {
            left = px + 1;
            // Leaked past the left end of the parent run: explore back too.
            if (left < x1)
                push(row, left, x1 - 1, -dy);
            px = x1 + 1;
        }
        do {
            if (!skip) {
                for (; px < width && inside(px, row); ++px)
                    paint(px, row);
                push(row, left, px - 1, dy);
                // Leaked past the right end of the parent run.
                if (px > x2 + 1)
                    push(row, x2 + 1, px - 1, -dy);
            }
            skip = false;
            // Skip what cannot be filled under the rest of the parent run.
            for (++px; px <= x2 && !inside(px, row); ++px) {
            }
            left = px;
        } while (px <= x2);
    }
    return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

} // namespace

Bruvela::Bruvela(QObject *parent)
    : QObject(parent)
{
}

void Bruvela::setColore(qint32 New_Colore)
{
    // Every assignment counts as a change, even to the same value, so a
    // host that saves on change notices each one.
    m_colore = New_Colore;
    emit ColoreChanged(m_colore);
}

void Bruvela::readProperties(const PropertyBag &bag)
{
    setColore(bag.readInt(QStringLiteral("Colore"), 0));
}

void Bruvela::writeProperties(PropertyBag &bag) const
{
    bag.writeInt(QStringLiteral("Colore"), m_colore, 0);
}

Bruvela::Result Bruvela::fill(FillTarget *PictureImpostata, float X, float Y)
{
    if (!PictureImpostata)
        return Result::NullTarget;
    QImage *image = PictureImpostata->fillImage();
    if (!image || image->isNull())
        return Result::NoSurface;

    // Nearest whole pixel, halves to even (nearbyint in the default mode).
    if (!std::isfinite(X) || !std::isfinite(Y))
        return Result::OutsideSurface;
    const double rx = std::nearbyint(double(X));
    const double ry = std::nearbyint(double(Y));
    if (rx < 0 || ry < 0 || rx >= image->width() || ry >= image->height())
        return Result::OutsideSurface;
    const int x = int(rx);
    const int y = int(ry);

    // Colours travel as 0x00BBGGRR; anything above 24 bits is not a colour.
    const quint32 colour = quint32(m_colore) & 0x00FFFFFFu;
    PictureImpostata->setFillColor(colour);

    const QImage::Format format = image->format();
    const bool native = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
    QRect changedRect;
    if (native) {
        changedRect = scanlineFill(*image, x, y, toPixel(colour));
    } else {
        // Other formats are filled in a 32-bit copy and converted back, so
        // equal pixels are still compared exactly as the surface shows them.
        QImage work = image->convertToFormat(image->hasAlphaChannel() ? QImage::Format_ARGB32
                                                                       : QImage::Format_RGB32);
        changedRect = scanlineFill(work, x, y, toPixel(colour));
        if (!changedRect.isEmpty())
            *image = work.convertToFormat(format);
    }
    if (!changedRect.isEmpty())
        PictureImpostata->fillChanged(changedRect);
    return Result::Ok;
}

} // namespace fill
