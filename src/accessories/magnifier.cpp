#include "magnifier.h"

#include <QtGlobal>

#include <cmath>

namespace accessories
{

ZoomSettings ZoomSettings::bounded() const
{
    ZoomSettings s = *this;
    if (!std::isfinite(s.factor))
        s.factor = kDefaultFactor;
    s.factor = qBound(kMinFactor, s.factor, kMaxFactor);
    s.refreshMs = qBound(kMinRefreshMs, s.refreshMs, kMaxRefreshMs);
    s.viewSize = QSize(qBound(kMinSide, s.viewSize.width(), kMaxSide),
                       qBound(kMinSide, s.viewSize.height(), kMaxSide));
    return s;
}

QRect Magnifier::sourceArea(QPoint centre, QSize view, double factor, const QRect &surface)
{
    // Enough source pixels to cover the view; a part-pixel at the edge counts whole.
    const int w = qMin(surface.width(), int(std::ceil(view.width() / factor)));
    const int h = qMin(surface.height(), int(std::ceil(view.height() / factor)));
    QRect area(centre.x() - w / 2, centre.y() - h / 2, w, h);
    area.moveLeft(qBound(surface.left(), area.left(), surface.right() - w + 1));
    area.moveTop(qBound(surface.top(), area.top(), surface.bottom() - h + 1));
    return area;
}

QImage Magnifier::magnify(const QImage &source, QSize view, double factor)
{
    if (source.isNull())
        return QImage();
    const QSize enlarged(int(std::ceil(source.width() * factor)),
                         int(std::ceil(source.height() * factor)));
    QImage big = source.scaled(enlarged, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return big.copy(QRect(QPoint(0, 0), view.boundedTo(enlarged)));
}

} // namespace accessories
