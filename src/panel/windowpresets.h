#pragma once

#include <QPoint>
#include <QSize>

namespace panel
{

/**
 * @brief The four preset sizes of the main window (Command23(0..3)) and the
 * rule that tells which of them the window's size matches. Sizes in twips,
 * measured on the whole window including its frame.
 */
class WindowPresets
{
public:
    enum Element { Narrow = 0, FullScreen = 1, Wide = 2, Medium = 3 };
    static constexpr int kCount = 4;
    static constexpr int kNarrowWidth = 3960;
    static constexpr int kWideWidth = 12000;
    static constexpr int kMediumWidth = 7695;
    static constexpr int kHeight = 6450;

    /// The width of element 0, 2 or 3; 0 for element 1, which maximises.
    static int presetWidth(int element);

    /**
     * @brief The element a window of @p width by @p height twips shows as
     * selected, -1 for none. The sizes are tried before the maximised state,
     * so a maximised window on a screen of exactly a preset's size shows that
     * preset.
     */
    static int highlighted(int width, int height, bool maximised);

    /// Where element @p element puts the window's top left corner on a
    /// screen of @p screen twips: centred, which is off the screen's left
    /// edge when the screen is narrower than the preset.
    static QPoint centredTopLeft(QSize screen, int element);
};

} // namespace panel
