#include "boardsurface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace board {

namespace {

// The board draws what peers send, so nothing here trusts its input:
// - coordinates and radii that are not finite draw nothing;
// - every shape is rasterised row by row over the rows of the surface only,
//   so a line from -1e10 to +1e10 or a circle of radius 1e9 costs at most one
//   short computation per row (800 rows), never a walk along the shape;
// - doubles are clamped to just outside the surface before they become int,
//   so no conversion overflows;
// - colours are masked to their 24 bits (colourBits);
// - the pen width is clamped in setDrawWidth.

/// Tolerance for pixel centres lying exactly on a shape's edge.
constexpr double kEps = 1e-7;

double clampTo(double v, double lo, double hi)
{
    return std::max(lo, std::min(hi, v));
}

/// First pixel index whose centre (i + 0.5) is at or right of @p a,
/// clamped to [-1, limit + 1] so it always fits an int.
int firstCentreFrom(double a, int limit)
{
    return int(std::ceil(clampTo(a, -2.0, limit + 2.0) - 0.5));
}

/// Last pixel index whose centre is at or left of @p b, clamped likewise.
int lastCentreTo(double b, int limit)
{
    return int(std::floor(clampTo(b, -2.0, limit + 2.0) - 0.5));
}

/// Interval [lo, hi] of x where a * x + b lies in [from, to]; empty when lo > hi.
void solveLinear(double a, double b, double from, double to, double &lo, double &hi)
{
    if (std::abs(a) < 1e-12) {
        if (b >= from - kEps && b <= to + kEps) {
            lo = -HUGE_VAL;
            hi = HUGE_VAL;
        } else {
            lo = 1.0;
            hi = -1.0;
        }
        return;
    }
    double x1 = (from - b) / a;
    double x2 = (to - b) / a;
    if (x1 > x2)
        std::swap(x1, x2);
    lo = x1;
    hi = x2;
}

/// The half-width at height @p dy of a disc of radius @p r, or -1 outside.
double halfChord(double r, double dy)
{
    dy = std::abs(dy);
    if (dy > r + kEps)
        return -1.0;
    if (dy >= r)
        return 0.0;
    // (r - dy)(r + dy) keeps its precision when r and dy are both huge.
    return std::sqrt((r - dy) * (r + dy));
}

/// The pixel a coordinate in pixels falls on: nearest whole number, halves
/// to even, the same rounding the fill applies to its point.
double pixelIndex(double v)
{
    return std::nearbyint(v);
}

bool finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Below this many pixels a board is filled at once: a thread would cost
// more than the fill.
constexpr qint64 kBackgroundFillPixels = 256 * 256;

} // namespace

/**
 * Paints runs of pixels in the current draw mode and keeps the bounding box
 * of what it touched. Callers hand it disjoint runs, so in invert mode each
 * pixel of a shape is inverted exactly once and a second identical pass
 * restores it.
 */
class BoardSurface::Painter
{
public:
    Painter(QImage &image, bool invert, quint32 colour)
        : m_image(image)
        , m_invert(invert)
        , m_pixel(toRgb(colour))
        , m_width(image.width())
        , m_height(image.height())
    {
    }

    void setColour(quint32 colour) { m_pixel = toRgb(colour); }

    /// Pixels x1..x2 of row y, clipped to the image.
    void run(int y, int x1, int x2)
    {
        if (y < 0 || y >= m_height)
            return;
        x1 = std::max(x1, 0);
        x2 = std::min(x2, m_width - 1);
        if (x1 > x2)
            return;
        auto *row = reinterpret_cast<QRgb *>(m_image.scanLine(y));
        if (m_invert) {
            for (int x = x1; x <= x2; ++x)
                row[x] ^= 0x00FFFFFFu;
        } else {
            std::fill(row + x1, row + x2 + 1, m_pixel);
        }
        m_box |= QRect(QPoint(x1, y), QPoint(x2, y));
    }

    QRect touched() const { return m_box; }

private:
    QImage &m_image;
    bool m_invert;
    QRgb m_pixel;
    int m_width;
    int m_height;
    QRect m_box;
};

BoardSurface::BoardSurface(QObject *parent)
    : BoardSurface(QSize(kDefaultPixels, kDefaultPixels), parent)
{
}

BoardSurface::BoardSurface(QSize pixels, QObject *parent)
    : QObject(parent), m_size(std::max(1, pixels.width()), std::max(1, pixels.height()))
{
    const auto filled = [size = m_size, rgb = toRgb(m_backColor)] {
        QImage image(size, QImage::Format_RGB32);
        image.fill(rgb);
        return image;
    };
    // Small boards (the tests') are not worth a thread.
    if (qint64(m_size.width()) * m_size.height() >= kBackgroundFillPixels)
        m_firstFill = std::async(std::launch::async, filled);
    else
        m_image = filled();
}

QImage &BoardSurface::pixels()
{
    return const_cast<QImage &>(std::as_const(*this).pixels());
}

const QImage &BoardSurface::pixels() const
{
    if (m_firstFill.valid())
        m_image = m_firstFill.get();
    return m_image;
}

void BoardSurface::setScaleMode(int mode)
{
    if (mode == Twips || mode == Pixels)
        m_scaleMode = mode;
}

double BoardSurface::unitsPerPixel() const
{
    return m_scaleMode == Twips ? double(kTwipsPerPixel) : 1.0;
}

double BoardSurface::scaleWidth() const
{
    return m_size.width() * unitsPerPixel();
}

double BoardSurface::scaleHeight() const
{
    return m_size.height() * unitsPerPixel();
}

QPointF BoardSurface::toPixels(QPointF p) const
{
    return p / unitsPerPixel();
}

QPointF BoardSurface::fromPixels(QPointF p) const
{
    return p * unitsPerPixel();
}

void BoardSurface::setDrawMode(int mode)
{
    // Only copy and invert are drawn; another code would leave the board in
    // a mode nothing renders, so it is ignored.
    if (mode == Invert || mode == CopyPen)
        m_drawMode = mode;
}

void BoardSurface::setDrawWidth(int pixels)
{
    // Pen widths come from peers too (0, negative, 30000). The board is 800
    // pixels wide and the pen scroll bar stops at 25, so 1..255 keeps every
    // useful width and bounds the work of one dot.
    m_drawWidth = std::clamp(pixels, kMinDrawWidth, kMaxDrawWidth);
}

void BoardSurface::setDrawStyle(int style)
{
    if (style == PenSolid || style == PenInsideSolid)
        m_drawStyle = style;
}

void BoardSurface::setFillStyle(int style)
{
    if (style == FillSolid || style == FillTransparent)
        m_fillStyle = style;
}

void BoardSurface::setForeColor(quint32 colour)
{
    // Colours are 0x00BBGGRR; the top byte carries nothing a pixel can show.
    m_foreColor = colourBits(colour);
}

void BoardSurface::setFillColor(quint32 colour)
{
    m_fillColor = colourBits(colour);
}

void BoardSurface::setMousePointer(int pointer)
{
    if (pointer == m_mousePointer)
        return;
    m_mousePointer = pointer;
    emit mousePointerChanged(pointer);
}

void BoardSurface::line(QPointF a, QPointF b, std::optional<quint32> colour)
{
    if (!finite(a) || !finite(b))
        return;
    Painter painter(pixels(), m_drawMode == Invert, colourBits(colour.value_or(m_foreColor)));
    rasterLine(painter, toPixels(a), toPixels(b), m_drawWidth);
    report(painter.touched());
}

void BoardSurface::pset(QPointF p, std::optional<quint32> colour)
{
    line(p, p, colour);
}

void BoardSurface::rasterLine(Painter &painter, QPointF a, QPointF b, int width) const
{
    const int w = m_size.width();
    const int h = m_size.height();

    if (width <= 1) {
        // One pixel per column (or per row for steep lines) between the
        // pixels holding the end points: each pixel is visited once and the
        // work is bounded by the surface, however long the line.
        double ax = pixelIndex(a.x()), ay = pixelIndex(a.y());
        double bx = pixelIndex(b.x()), by = pixelIndex(b.y());
        const double dx = bx - ax, dy = by - ay;
        if (dx == 0 && dy == 0) {
            if (ax >= 0 && ay >= 0 && ax < w && ay < h)
                painter.run(int(ay), int(ax), int(ax));
            return;
        }
        if (std::abs(dx) >= std::abs(dy)) {
            if (ax > bx) {
                std::swap(ax, bx);
                std::swap(ay, by);
            }
            const double slope = (by - ay) / (bx - ax);
            const double from = std::max(ax, 0.0), to = std::min(bx, double(w - 1));
            for (double x = from; x <= to; x += 1.0) {
                const double y = std::floor(ay + (x - ax) * slope + 0.5);
                if (y >= 0 && y < h)
                    painter.run(int(y), int(x), int(x));
            }
        } else {
            if (ay > by) {
                std::swap(ax, bx);
                std::swap(ay, by);
            }
            const double slope = (bx - ax) / (by - ay);
            const double from = std::max(ay, 0.0), to = std::min(by, double(h - 1));
            for (double y = from; y <= to; y += 1.0) {
                const double x = std::floor(ax + (y - ay) * slope + 0.5);
                if (x >= 0 && x < w)
                    painter.run(int(y), int(x), int(x));
            }
        }
        return;
    }

    // A wide pen is a round-capped stroke: every pixel whose centre lies
    // within width / 2 of the segment. End points sit on the centre of their
    // pixel for odd widths and on its top-left corner for even ones, so a dot
    // is exactly width pixels across.
    auto snap = [width](double v) {
        return (width % 2) ? pixelIndex(v) + 0.5 : pixelIndex(v);
    };
    const double px = snap(a.x()), py = snap(a.y());
    const double qx = snap(b.x()), qy = snap(b.y());
    const double r = width / 2.0;
    const double dx = qx - px, dy = qy - py;
    const double len = std::hypot(dx, dy);
    const double ux = len > 0 ? dx / len : 0.0;
    const double uy = len > 0 ? dy / len : 0.0;

    const int rowFrom = std::max(0, firstCentreFrom(std::min(py, qy) - r - kEps, h));
    const int rowTo = std::min(h - 1, lastCentreTo(std::max(py, qy) + r + kEps, h));
    for (int row = rowFrom; row <= rowTo; ++row) {
        const double yc = row + 0.5;
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        // The two round caps.
        for (const auto &[cx, cy] : {std::pair{px, py}, std::pair{qx, qy}}) {
            const double half = halfChord(r + kEps, yc - cy);
            if (half >= 0) {
                lo = std::min(lo, cx - half);
                hi = std::max(hi, cx + half);
            }
        }
        // The body: along the segment within [0, len], across within [-r, r].
        if (len > 0) {
            double aLo, aHi, cLo, cHi;
            solveLinear(ux, (yc - py) * uy, 0.0, len, aLo, aHi);
            solveLinear(-uy, (yc - py) * ux, -r - kEps, r + kEps, cLo, cHi);
            const double bLo = std::max(aLo, cLo), bHi = std::min(aHi, cHi);
            if (bLo <= bHi) {
                lo = std::min(lo, px + bLo);
                hi = std::max(hi, px + bHi);
            }
        }
        if (lo > hi)
            continue;
        // The slice of a convex shape is one run.
        painter.run(row, firstCentreFrom(lo, w), lastCentreTo(hi, w));
    }
}

void BoardSurface::circle(QPointF centre, double radius, std::optional<quint32> colour)
{
    if (!finite(centre) || !std::isfinite(radius))
        return;
    const QPointF c = toPixels(centre);
    // A negative radius from a peer is read as its size.
    const double r = std::abs(radius) / unitsPerPixel();
    const int w = m_size.width();
    const int h = m_size.height();

    // The ring lies inside the radius for the inside-solid pen, across it
    // for the plain one; it is the pixels with inner < distance <= outer.
    const double cx = pixelIndex(c.x()) + 0.5;
    const double cy = pixelIndex(c.y()) + 0.5;
    const double outer = m_drawStyle == PenInsideSolid ? r : r + m_drawWidth / 2.0;
    const double inner = outer - m_drawWidth;
    const bool filled = m_fillStyle == FillSolid;

    // Skip a circle whose ring and inside cannot reach the surface: the
    // surface lies wholly outside it, or wholly in its hole.
    const double nearX = clampTo(cx, 0, w), nearY = clampTo(cy, 0, h);
    if (std::hypot(nearX - cx, nearY - cy) > outer + 1.0)
        return;
    const double farX = std::max(std::abs(cx), std::abs(cx - w));
    const double farY = std::max(std::abs(cy), std::abs(cy - h));
    if (!filled && std::hypot(farX, farY) < inner - 1.0)
        return;

    const quint32 ringColour = colourBits(colour.value_or(m_foreColor));
    Painter painter(pixels(), m_drawMode == Invert, ringColour);

    // Only the rows of the surface are visited, so a huge circle costs no
    // more than a small one.
    const int rowFrom = std::max(0, firstCentreFrom(cy - outer - kEps, h));
    const int rowTo = std::min(h - 1, lastCentreTo(cy + outer + kEps, h));
    for (int row = rowFrom; row <= rowTo; ++row) {
        const double dy = row + 0.5 - cy;
        const double ho = halfChord(outer + kEps, dy);
        if (ho < 0)
            continue;
        const int outFrom = firstCentreFrom(cx - ho, w);
        const int outTo = lastCentreTo(cx + ho, w);
        const double hi = inner > 0 ? halfChord(inner, dy) : -1.0;
        if (hi < 0 || std::abs(dy) >= inner) {
            painter.run(row, outFrom, outTo);
            continue;
        }
        // The hole on this row; the ring runs end right beside it so the
        // three runs never overlap.
        const int inFrom = std::max(firstCentreFrom(cx - hi, w), outFrom);
        const int inTo = std::min(lastCentreTo(cx + hi, w), outTo);
        if (inFrom > inTo) {
            painter.run(row, outFrom, outTo);
            continue;
        }
        painter.run(row, outFrom, inFrom - 1);
        painter.run(row, inTo + 1, outTo);
        if (filled) {
            painter.setColour(m_fillColor);
            painter.run(row, inFrom, inTo);
            painter.setColour(ringColour);
        }
    }
    report(painter.touched());
}

void BoardSurface::clear()
{
    pixels().fill(toRgb(m_backColor));
    m_picture = QImage();
    report(bounds());
    emit cleared();
}

void BoardSurface::erase(const QRect &rect)
{
    const QRect area = rect & bounds();
    if (area.isEmpty())
        return;
    QPainter p(&pixels());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(area, QColor::fromRgb(toRgb(m_backColor)));
    p.end();
    report(area);
}

void BoardSurface::setBackColor(quint32 colour)
{
    m_backColor = colourBits(colour);
    pixels().fill(toRgb(m_backColor));
    if (!m_picture.isNull()) {
        QPainter p(&pixels());
        p.drawImage(QPoint(0, 0), m_picture);
    }
    report(bounds());
    emit cleared();
}

void BoardSurface::setPicture(const QImage &picture)
{
    // The picture becomes what the board shows from its top-left corner;
    // later drawing goes over it. Transparent parts show the background.
    const QRect old = m_picture.isNull() ? QRect()
                                         : QRect(QPoint(0, 0), m_picture.size()) & bounds();
    m_picture = picture;
    const QRect area =
        picture.isNull() ? QRect() : QRect(QPoint(0, 0), picture.size()) & bounds();
    if (old.isEmpty() && area.isEmpty())
        return;
    QPainter p(&pixels());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    const QColor back = QColor::fromRgb(toRgb(m_backColor));
    if (!old.isEmpty())
        p.fillRect(old, back);
    if (!area.isEmpty()) {
        p.fillRect(area, back);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.drawImage(QPoint(0, 0), picture);
    }
    p.end();
    report(old | area);
}

void BoardSurface::removePicture()
{
    setPicture(QImage());
}

void BoardSurface::paintOn(const std::function<QRect(QImage &)> &paint)
{
    if (paint)
        report(paint(pixels()) & bounds());
}

BoardSurface::ChangeBatch::ChangeBatch(BoardSurface &surface) : m_surface(surface)
{
    ++m_surface.m_batchDepth;
}

BoardSurface::ChangeBatch::~ChangeBatch()
{
    if (--m_surface.m_batchDepth > 0)
        return;
    const QRect box = m_surface.m_batchBox;
    m_surface.m_batchBox = QRect();
    m_surface.report(box);
}

std::optional<quint32> BoardSurface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_size.width() || y >= m_size.height())
        return std::nullopt;
    return fromRgb(pixels().pixel(x, y));
}

void BoardSurface::fillChanged(const QRect &pixels)
{
    report(pixels & bounds());
}

void BoardSurface::report(const QRect &pixels)
{
    // Nothing touched, nothing to repaint.
    if (pixels.isEmpty())
        return;
    if (m_batchDepth > 0)
        m_batchBox |= pixels;
    else
        emit changed(pixels);
}

QRgb BoardSurface::toRgb(quint32 colour)
{
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

quint32 BoardSurface::fromRgb(QRgb rgb)
{
    return quint32(qRed(rgb)) | (quint32(qGreen(rgb)) << 8) | (quint32(qBlue(rgb)) << 16);
}

} // namespace board
