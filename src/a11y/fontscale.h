#pragma once

#include <QRect>

class QFont;
class QWidget;

namespace a11y
{

/**
 * @brief How much larger than the one the windows were laid out for the
 * desktop's font is, so that windows placing their controls at fixed
 * positions grow with it rather than clip their captions.
 *
 * The factor is 1 up to the laid-out font's size, and the larger of the
 * font's height and width ratios beyond it: everything placed in pixels
 * or twips is multiplied by it, the text itself is already the font's.
 */
class FontScale
{
public:
    /// Line height, in pixels, of the largest font the layouts hold.
    static constexpr double kLaidOutHeight = 14.0;
    /// Width, in pixels, of kSample in that font.
    static constexpr double kLaidOutWidth = 176.0;
    /// A control drawn pixel by pixel (a picture the mouse points into)
    /// sets this property to true: fit() moves it but keeps its size.
    static constexpr const char *kKeepSize = "a11yKeepSize";
    /// The letters whose width measures a font.
    static constexpr const char *kSample = "abcdefghijklmnopqrstuvwxyz";

    /// The factor for @p font; never below 1.
    static double factor(const QFont &font);
    /// The factor for the font @p widget shows its text in.
    static double factor(const QWidget *widget);

    /// @p pixels of the laid-out font scaled by @p factor.
    static int scaled(int pixels, double factor);
    /// @p rect scaled by @p factor, edges rather than sizes, so controls
    /// side by side keep their gap.
    static QRect scaled(const QRect &rect, double factor);

    /**
     * @brief Enlarges @p window, laid out at fixed places for the laid-out
     * font, to its own font: its controls' places and its fixed size.
     * Windows laid out by a layout need nothing.
     */
    static void fit(QWidget *window);
};

} // namespace a11y
