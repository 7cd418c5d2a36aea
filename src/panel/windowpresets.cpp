#include "windowpresets.h"

namespace panel
{

int WindowPresets::presetWidth(int element)
{
    switch (element) {
    case Narrow:
        return kNarrowWidth;
    case Wide:
        return kWideWidth;
    case Medium:
        return kMediumWidth;
    default:
        return 0;
    }
}

int WindowPresets::highlighted(int width, int height, bool maximised)
{
    if (height == kHeight) {
        for (int element : {Narrow, Wide, Medium}) {
            if (width == presetWidth(element))
                return element;
        }
    }
    return maximised ? FullScreen : -1;
}

QPoint WindowPresets::centredTopLeft(QSize screen, int element)
{
    return QPoint((screen.width() - presetWidth(element)) / 2, (screen.height() - kHeight) / 2);
}

} // namespace panel
