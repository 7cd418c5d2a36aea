#pragma once

#include <QColor>

namespace a11y
{

/**
 * @brief Keeps the program's own colours readable on the desktop's theme.
 *
 * The conversation's colours were picked for dark text on a light pane and
 * stay exactly as they are there. On a dark theme black becomes the
 * theme's own text colour and every other colour is made lighter, hue and
 * saturation kept, until it stands out from its background as far as
 * ordinary text should.
 */
class Contrast
{
public:
    /// The least contrast ratio for ordinary text (1 none, 21 black on white).
    static constexpr double kReadable = 4.5;
    /// For thin strokes of a small picture, which smoothing makes paler.
    static constexpr double kThinStrokes = 7.0;

    /// The contrast ratio of two colours, from their relative luminance.
    static double ratio(const QColor &a, const QColor &b);

    /// Whether light text reads better on @p background than dark text.
    static bool isDark(const QColor &background);

    /**
     * @brief The colour to draw @p colour in on @p background, where the
     * theme draws its ordinary text in @p text: @p colour itself on a light
     * background; on a dark one @p text for black and otherwise @p colour
     * lightened to at least @p minimum.
     */
    static QColor onBackground(const QColor &colour, const QColor &background, const QColor &text,
                               double minimum = kReadable);

    /// @p background with @p amount (0 to 1) of @p accent mixed in.
    static QColor tint(const QColor &background, const QColor &accent, double amount);
};

} // namespace a11y
