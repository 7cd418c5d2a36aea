#include "contrast.h"

#include <algorithm>
#include <cmath>

namespace a11y
{

namespace
{

double channel(double c)
{
    // sRGB back to linear light.
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &colour)
{
    const QColor c = colour.toRgb();
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
           0.0722 * channel(c.blueF());
}

// How far one step of lightening goes: small enough that the colour found
// is close to the least change that reads.
constexpr double kLightnessStep = 0.01;

} // namespace

double Contrast::ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool Contrast::isDark(const QColor &background)
{
    return ratio(background, Qt::white) > ratio(background, Qt::black);
}

QColor Contrast::onBackground(const QColor &colour, const QColor &background, const QColor &text,
                              double minimum)
{
    if (!isDark(background))
        return colour;
    if (colour.toRgb() == QColor(Qt::black))
        return text;
    if (ratio(colour, background) >= minimum)
        return colour;
    float hue = 0, saturation = 0, lightness = 0, alpha = 1;
    colour.toHsl().getHslF(&hue, &saturation, &lightness, &alpha);
    QColor lighter = colour;
    while (lightness < 1 && ratio(lighter, background) < minimum) {
        lightness = std::min(1.0f, lightness + float(kLightnessStep));
        lighter = QColor::fromHslF(hue, saturation, lightness, alpha).toRgb();
    }
    return lighter;
}

QColor Contrast::tint(const QColor &background, const QColor &accent, double amount)
{
    const QColor b = background.toRgb();
    const QColor a = accent.toRgb();
    auto mix = [amount](float x, float y) { return float(x + (y - x) * amount); };
    return QColor::fromRgbF(mix(b.redF(), a.redF()), mix(b.greenF(), a.greenF()),
                            mix(b.blueF(), a.blueF()));
}

} // namespace a11y
