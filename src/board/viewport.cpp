#include "viewport.h"

#include "boardsurface.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace board
{

Viewport::Viewport(BoardSurface *surface, QObject *parent) : QObject(parent), m_surface(surface) {}

void Viewport::setContainerSize(const QSize &pixels)
{
    m_container = pixels.expandedTo(QSize(0, 0));
}

void Viewport::setBarExtent(int pixels)
{
    m_extent = std::max(0, pixels);
}

double Viewport::surfaceUnitsPerContainerUnit() const
{
    return m_surface->unitsPerPixel() / (kContainerUnitsPerPixel * m_zoom);
}

QSize Viewport::contentSize() const
{
    const QSize s = m_surface->pixelSize();
    return QSize(std::max(1, int(std::lround(s.width() * m_zoom))),
                 std::max(1, int(std::lround(s.height() * m_zoom))));
}

QSize Viewport::visibleSize() const
{
    return QSize(std::max(0, m_container.width() - (m_v.visible ? m_extent : 0)),
                 std::max(0, m_container.height() - (m_h.visible ? m_extent : 0)));
}

void Viewport::setZoom(double zoom, std::optional<QPointF> anchor)
{
    if (!std::isfinite(zoom) || zoom <= 0)
        return;
    const QSize visible = visibleSize();
    const QPointF at = anchor.value_or(QPointF(visible.width() / 2.0, visible.height() / 2.0));
    // The board pixel under the anchor now, and where the bars must go for it
    // to be under the anchor at the new zoom.
    const QPointF boardPixel = (at - QPointF(m_offset)) / m_zoom;
    m_zoom = zoom;
    FlexInit();
    const QPointF scroll = boardPixel * m_zoom - at;
    const int h = int(std::lround(scroll.x())) * kContainerUnitsPerPixel;
    const int v = int(std::lround(scroll.y())) * kContainerUnitsPerPixel;
    if (m_h.visible)
        setHValue(h);
    if (m_v.visible)
        setVValue(v);
}

void Viewport::FlexInit()
{
    const QSize surface = contentSize();
    const int cw = m_container.width();
    const int ch = m_container.height();

    bool h = surface.width() > cw;
    bool v = surface.height() > ch;
    // One bar eats room the other direction needed, which may call for the other bar too.
    if (h && !v)
        v = surface.height() > ch - m_extent;
    if (v && !h)
        h = surface.width() > cw - m_extent;

    const int visibleW = cw - (v ? m_extent : 0);
    const int visibleH = ch - (h ? m_extent : 0);

    auto layout = [](Bar &bar, bool visible, int surfacePixels, int visiblePixels) {
        bar.visible = visible;
        bar.singleStep = kContainerUnitsPerPixel;
        if (!visible) {
            bar.minimum = 0;
            bar.maximum = 0;
            bar.pageStep = kContainerUnitsPerPixel;
            bar.value = 0;
            return;
        }
        // Starting one pixel before the edge lets the surface's first row and
        // column be scrolled fully into view against the container's border.
        bar.minimum = -kContainerUnitsPerPixel;
        bar.maximum = std::max(0, surfacePixels - visiblePixels) * kContainerUnitsPerPixel;
        bar.pageStep = std::max(1, visiblePixels) * kContainerUnitsPerPixel;
        bar.value = std::clamp(bar.value, bar.minimum, bar.maximum);
    };
    layout(m_h, h, surface.width(), visibleW);
    layout(m_v, v, surface.height(), visibleH);
    emit barsChanged();
    FlexScroll(Qt::Horizontal);
    FlexScroll(Qt::Vertical);
}

QRect Viewport::hsbRect() const
{
    const int w = m_container.width() - (m_v.visible ? m_extent : 0);
    return QRect(0, m_container.height() - m_extent, std::max(0, w), m_extent);
}

QRect Viewport::vsbRect() const
{
    const int h = m_container.height() - (m_h.visible ? m_extent : 0);
    return QRect(m_container.width() - m_extent, 0, m_extent, std::max(0, h));
}

QRect Viewport::cornerRect() const
{
    return QRect(m_container.width() - m_extent, m_container.height() - m_extent, m_extent,
                 m_extent);
}

void Viewport::setValue(Qt::Orientation orientation, int value)
{
    Bar &bar = orientation == Qt::Horizontal ? m_h : m_v;
    const int v = std::clamp(value, bar.minimum, bar.maximum);
    if (v != bar.value) {
        bar.value = v;
        emit valuesChanged();
    }
    FlexScroll(orientation);
}

void Viewport::FlexScroll(Qt::Orientation orientation)
{
    QPoint offset = m_offset;
    if (orientation == Qt::Horizontal)
        offset.setX(-static_cast<int>(std::lround(double(m_h.value) / kContainerUnitsPerPixel)));
    else
        offset.setY(-static_cast<int>(std::lround(double(m_v.value) / kContainerUnitsPerPixel)));
    if (offset != m_offset) {
        m_offset = offset;
        emit surfaceMoved(m_offset);
    }
    FlexVisibleArea();
}

Viewport::Area Viewport::FlexVisibleArea()
{
    const double k = surfaceUnitsPerContainerUnit();
    const double upp = m_surface->unitsPerPixel();
    Area a;
    a.x1 = m_h.value * k;
    a.y1 = m_v.value * k;
    const double visibleW = (m_container.width() - (m_v.visible ? m_extent : 0)) * upp / m_zoom;
    const double visibleH = (m_container.height() - (m_h.visible ? m_extent : 0)) * upp / m_zoom;
    a.x2 = std::min(a.x1 - 1 + visibleW, m_surface->scaleWidth() - 1);
    a.y2 = std::min(a.y1 - 1 + visibleH, m_surface->scaleHeight() - 1);
    m_area = a;
    emit visibleAreaChanged(formatReadout(a.x1), formatReadout(a.y1), formatReadout(a.x2),
                            formatReadout(a.y2));
    return a;
}

QString Viewport::formatReadout(double value)
{
    QString text = QLocale::c().toString(value, 'f', 3);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

void Viewport::FlexPan(float x, float y, PanPhase phase)
{
    switch (phase) {
    case PanStart:
        m_anchor = QPointF(x, y);
        if (!m_panning)
            m_savedPointer = m_surface->mousePointer();
        m_panning = true;
        m_surface->setMousePointer(BoardSurface::PointerCustom);
        emit panStarted();
        break;
    case PanMove: {
        if (!m_panning)
            return;
        const double k = surfaceUnitsPerContainerUnit();
        const double dx = (m_anchor.x() - x) / k;
        const double dy = (m_anchor.y() - y) / k;
        // Values far outside the range (a wild mouse position) saturate at the ends.
        auto target = [](const Bar &bar, double delta) {
            const double wanted =
                std::clamp(bar.value + std::round(delta), double(bar.minimum), double(bar.maximum));
            return static_cast<int>(wanted);
        };
        if (m_h.visible)
            setHValue(target(m_h, dx));
        if (m_v.visible)
            setVValue(target(m_v, dy));
        break;
    }
    case PanEnd:
        if (!m_panning)
            return;
        m_panning = false;
        m_surface->setMousePointer(m_savedPointer);
        break;
    }
}

} // namespace board
