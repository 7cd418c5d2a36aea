#pragma once

#include "boardsurface.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace board
{

/**
 * @brief The scrolling window through which the board is seen, as numbers:
 * which scroll bars show, their ranges and values, where the surface sits in
 * its container, the visible part of the surface, and right-button panning.
 *
 * The container works in twips (BoardSurface::kTwipsPerPixel per pixel);
 * the surface in whatever scale mode it has at the moment. Widgets only copy
 * these numbers onto real scroll bars, so everything here runs without a
 * screen.
 */
class Viewport : public QObject
{
    Q_OBJECT
public:
    /// Container units per pixel: the container measures in twips.
    static constexpr int kContainerUnitsPerPixel = BoardSurface::kTwipsPerPixel;

    /// One scroll bar as the container shows it, in container units.
    struct Bar {
        bool visible = false;
        int minimum = 0;
        int maximum = 0;
        int singleStep = kContainerUnitsPerPixel;
        int pageStep = kContainerUnitsPerPixel;
        int value = 0;
    };

    /// Visible part of the surface, in surface units.
    struct Area {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };

    enum PanPhase { PanStart, PanMove, PanEnd };

    explicit Viewport(BoardSurface *surface, QObject *parent = nullptr);

    BoardSurface *surface() const { return m_surface; }

    /// Inner size of the container, in pixels.
    QSize containerSize() const { return m_container; }
    void setContainerSize(const QSize &pixels);
    /// Thickness of a scroll bar, in pixels.
    int barExtent() const { return m_extent; }
    void setBarExtent(int pixels);

    /// How many screen pixels one board pixel takes (1 at 100 %).
    double zoom() const { return m_zoom; }
    /**
     * @brief Shows the board @p zoom times its size. The board point under
     * @p anchor (container pixels) stays where it is, as far as the bars'
     * ranges allow; without an anchor the middle of the visible part is kept.
     */
    void setZoom(double zoom, std::optional<QPointF> anchor = std::nullopt);
    /// The board's size on screen at the current zoom, in pixels.
    QSize contentSize() const;
    /// The part of the container the board shows through (without the bars), in pixels.
    QSize visibleSize() const;

    /**
     * @brief Lays the bars out for the current container and surface: each
     * bar shows only when the surface does not fit in that direction (taking
     * the other bar's room into account); its range runs from minus one pixel
     * to the hidden extent. Values are kept within the new ranges.
     */
    void FlexInit();

    const Bar &hsbImm() const { return m_h; }
    const Bar &vsbImm() const { return m_v; }
    /// Places of the bars and of the corner button, in container pixels.
    QRect hsbRect() const;
    QRect vsbRect() const;
    QRect cornerRect() const;
    bool cornerVisible() const { return m_h.visible && m_v.visible; }

    /// Sets the value of the bar of @p orientation (kept within its range)
    /// and scrolls to it.
    void setValue(Qt::Orientation orientation, int value);
    void setHValue(int value) { setValue(Qt::Horizontal, value); }
    void setVValue(int value) { setValue(Qt::Vertical, value); }

    /// Moves the surface to follow the bar of @p orientation, then updates the
    /// visible area.
    void FlexScroll(Qt::Orientation orientation);
    /// Top-left corner of the surface inside the container, in pixels.
    QPoint surfaceOffset() const { return m_offset; }

    /// Computes, stores and announces the visible part of the surface.
    Area FlexVisibleArea();
    /// The last computed visible area (sngVisX1..sngVisY2).
    Area visibleArea() const { return m_area; }
    /// A read-out value with up to three decimals and no trailing zeros.
    static QString formatReadout(double value);

    /// Right-button panning; x and y in surface units.
    void FlexPan(float x, float y, PanPhase phase);
    bool panning() const { return m_panning; }

signals:
    /// Visibility or ranges of the bars changed (after FlexInit).
    void barsChanged();
    /// A bar's value changed.
    void valuesChanged();
    /// The surface moved inside its container.
    void surfaceMoved(const QPoint &offset);
    /// Right-button panning began.
    void panStarted();
    void visibleAreaChanged(const QString &x1, const QString &y1, const QString &x2,
                            const QString &y2);

private:
    double surfaceUnitsPerContainerUnit() const;

    BoardSurface *m_surface;
    double m_zoom = 1.0;
    QSize m_container{241, 153};
    int m_extent = 16;
    Bar m_h;
    Bar m_v;
    QPoint m_offset;
    Area m_area;
    bool m_panning = false;
    QPointF m_anchor;
    int m_savedPointer = 0;
};

} // namespace board
