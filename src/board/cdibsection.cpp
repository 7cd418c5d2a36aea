#include "cdibsection.h"

#include "boardsurface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace board
{

namespace
{

/// To the nearest whole number, halves to the even one, for the byte-sized
/// values of the interpolation (|v| < 2^22): adding 1.5 * 2^23 leaves a float
/// with no fraction bits, rounded in the default mode as std::nearbyint
/// would, and taking it away again gives the whole number, without a
/// library call per byte. (The build does not allow the compiler to fold
/// the two steps away: no fast-math.)
inline float roundHalfEven(float v)
{
    constexpr float kShift = 12582912.0f;
    const float shifted = v + kShift;
    return shifted - kShift;
}

} // namespace

bool cDIBSection::Create(int width, int height)
{
    ClearUp();
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return false;
    // BGR888 keeps three bytes per pixel in blue, green, red order with rows
    // aligned to four bytes, exactly the layout of a 24-bit bitmap.
    QImage rows(width, height, QImage::Format_BGR888);
    if (rows.isNull()) // the allocation failed
        return false;
    if (rows.bytesPerLine() != BytesPerScanLine(width))
        return false;
    rows.fill(0);
    m_rows = rows;
    return true;
}

bool cDIBSection::CreateFromPicture(const QImage &picture, quint32 background)
{
    if (picture.isNull() || !Create(picture.width(), picture.height()))
        return false;
    LoadPictureBlt(picture.hasAlphaChannel() ? [&] {
        QImage flat(picture.size(), QImage::Format_RGB32);
        if (flat.isNull())
            return QImage();
        flat.fill(QColor::fromRgb(BoardSurface::toRgb(background)));
        QPainter p(&flat);
        p.drawImage(QPoint(0, 0), picture);
        return flat;
    }() : picture);
    return true;
}

void cDIBSection::LoadPictureBlt(const QImage &source, int left, int top, int width, int height)
{
    if (isNull() || source.isNull())
        return;
    if (width < 0)
        width = Width();
    if (height < 0)
        height = Height();
    const QRect from = QRect(left, top, width, height) & source.rect();
    if (from.isEmpty())
        return;
    const QImage part = source.copy(from).convertToFormat(QImage::Format_BGR888);
    if (part.isNull())
        return;
    // Source rows run top-down; ours bottom-up.
    const int dx = from.left() - left;
    const int dy = from.top() - top;
    const int columns = std::min(part.width(), Width() - dx);
    for (int y = 0; y < part.height(); ++y) {
        const int row = Height() - 1 - (dy + y);
        if (row < 0 || columns <= 0)
            continue;
        std::memcpy(m_rows.scanLine(row) + 3 * dx, part.constScanLine(y), size_t(3 * columns));
    }
}

QRect cDIBSection::PaintPicture(QImage &target, int targetLeft, int targetTop, int width,
                                int height, int sourceLeft, int sourceTop) const
{
    if (isNull() || target.isNull())
        return {};
    if (width < 0)
        width = Width();
    if (height < 0)
        height = Height();
    const QRect from = QRect(sourceLeft, sourceTop, width, height) & QRect(0, 0, Width(), Height());
    // Target position = source position + offset; only the part that lands
    // on the target is copied.
    const QPoint offset(targetLeft - sourceLeft, targetTop - sourceTop);
    const QRect to = from.translated(offset) & target.rect();
    if (to.isEmpty())
        return {};
    const QRect used = to.translated(-offset);
    QImage upright(used.size(), QImage::Format_BGR888);
    if (upright.isNull())
        return {};
    for (int y = 0; y < used.height(); ++y) {
        const int row = Height() - 1 - (used.top() + y);
        std::memcpy(upright.scanLine(y), m_rows.constScanLine(row) + 3 * used.left(),
                    size_t(3 * used.width()));
    }
    QPainter p(&target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(to.topLeft(), upright);
    return to;
}

cDIBSection cDIBSection::Resample(int newHeight, int newWidth) const
{
    cDIBSection out;
    if (isNull() || !out.Create(newWidth, newHeight))
        return {};
    const int oldW = Width();
    const int oldH = Height();
    if (newWidth == oldW && newHeight == oldH) {
        out.m_rows = m_rows.copy();
        return out.m_rows.isNull() ? cDIBSection() : out;
    }

    // Bilinear, in single precision; rows are counted as stored, from the
    // bottom of the picture, so the bottom rows of both line up. Every
    // rounding is to the nearest whole number, halves to even.
    const float xs = float(oldW - 1) / float(newWidth);
    const float ys = float(oldH - 1) / float(newHeight);
    // The scale keeps ix + 1 and iy + 1 inside the old picture; they are
    // clamped all the same, for a one-pixel-wide picture (scale 0) and for
    // float rounding at the far edge, so no read ever leaves the picture.
    const int lastX = oldW - 1;
    const int lastY = oldH - 1;

    const auto columns = static_cast<size_t>(newWidth);
    std::vector<int> ix0(columns), ix1(columns);
    std::vector<float> fxs(columns);
    for (int x = 0; x < newWidth; ++x) {
        const float sx = float(x) * xs;
        const int ix = std::min(int(std::floor(sx)), lastX);
        ix0[size_t(x)] = ix;
        ix1[size_t(x)] = std::min(ix + 1, lastX);
        fxs[size_t(x)] = sx - float(ix);
    }

    // The vertical step depends only on the row and the source column, so
    // it is done once per source column of each new row.
    std::vector<float> blended(static_cast<size_t>(3 * oldW));
    for (int y = 0; y < newHeight; ++y) {
        const float sy = float(y) * ys;
        const int iy = std::min(int(std::floor(sy)), lastY);
        const float fy = sy - float(iy);
        const uchar *r0 = m_rows.constScanLine(iy);
        const uchar *r1 = m_rows.constScanLine(std::min(iy + 1, lastY));
        for (int i = 0; i < 3 * oldW; ++i)
            blended[size_t(i)] = roundHalfEven((1.0f - fy) * float(r0[i]) + fy * float(r1[i]));
        uchar *dst = out.m_rows.scanLine(y);
        for (int x = 0; x < newWidth; ++x) {
            const float *va = blended.data() + 3 * ix0[size_t(x)];
            const float *vb = blended.data() + 3 * ix1[size_t(x)];
            const float fx = fxs[size_t(x)];
            for (int c = 0; c < 3; ++c) {
                const float v = roundHalfEven((1.0f - fx) * va[c] + fx * vb[c]);
                dst[3 * x + c] = uchar(std::clamp(v, 0.0f, 255.0f));
            }
        }
    }
    return out;
}

void cDIBSection::ClearUp()
{
    m_rows = QImage();
}

uchar cDIBSection::byteAt(int x, int row, int channel) const
{
    if (isNull() || x < 0 || x >= Width() || row < 0 || row >= Height() || channel < 0 ||
        channel > 2)
        return 0;
    return m_rows.constScanLine(row)[3 * x + channel];
}

void cDIBSection::setByteAt(int x, int row, int channel, uchar value)
{
    if (isNull() || x < 0 || x >= Width() || row < 0 || row >= Height() || channel < 0 ||
        channel > 2)
        return;
    m_rows.scanLine(row)[3 * x + channel] = value;
}

QImage cDIBSection::toImage() const
{
    return isNull() ? QImage() : m_rows.mirrored(false, true);
}

} // namespace board
