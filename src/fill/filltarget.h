#pragma once

#include "bruvela_export.h"

#include <QRect>
#include <QtGlobal>

class QImage;

namespace fill {

/**
 * @brief A drawing surface the fill can paint on: its pixels and its fill
 * colour. The board implements it; so can any other surface.
 */
class BRUVELA_EXPORT FillTarget
{
public:
    virtual ~FillTarget();
    /// The pixels to fill, or null when the surface has none.
    virtual QImage *fillImage() = 0;
    /// Fill colour, 0x00BBGGRR.
    virtual quint32 FillColor() const = 0;
    virtual void setFillColor(quint32 colour) = 0;
    /// Told which pixels a fill changed, so the surface repaints just those.
    virtual void fillChanged(const QRect &pixels) = 0;
};

} // namespace fill
