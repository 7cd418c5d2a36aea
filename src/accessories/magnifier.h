#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace accessories
{

/// What the magnifier shows and how: the settings of its options window.
struct ZoomSettings {
    static constexpr double kMinFactor = 1.5;
    static constexpr double kMaxFactor = 16.0;
    static constexpr double kDefaultFactor = 2.0;
    /// Ten pictures a second: the pointer's surroundings follow a moving
    /// pointer smoothly without keeping a core busy.
    static constexpr int kDefaultRefreshMs = 100;
    static constexpr int kMinRefreshMs = 20;
    static constexpr int kMaxRefreshMs = 5000;
    static constexpr int kMinSide = 80;
    static constexpr int kMaxSide = 4000;

    double factor = kDefaultFactor;
    /// True: the area around the pointer; false: the area around fixedCentre.
    bool followPointer = true;
    QPoint fixedCentre;
    /// The size of the enlarged picture, in pixels.
    QSize viewSize{360, 240};
    int refreshMs = kDefaultRefreshMs;

    /// These settings with every value brought into its range.
    ZoomSettings bounded() const;
    bool operator==(const ZoomSettings &) const = default;
};

/**
 * @brief The magnifier's arithmetic: which part of a surface fills the view
 * at a zoom factor, and the enlarged picture of it.
 */
class Magnifier
{
public:
    /**
     * @brief The area of @p surface that fills a view of @p view pixels at
     * @p factor, centred on @p centre and moved inside the surface where
     * it would stick out (an area larger than the surface is the surface).
     */
    static QRect sourceArea(QPoint centre, QSize view, double factor, const QRect &surface);

    /**
     * @brief @p source enlarged @p factor times, cut to @p view pixels from
     * its top-left corner. Pixels are repeated, not blended: a magnifier is
     * for reading what is there, and blending blurs edges and small text.
     */
    static QImage magnify(const QImage &source, QSize view, double factor);
};

} // namespace accessories
