#pragma once

#include <QImage>
#include <QPointF>

#include <optional>

namespace board
{

/**
 * @brief The text dialog's angle picker without its widget: a 93 × 93 unit
 * dial whose chosen point gives the text's angle, counter-clockwise from the
 * direction to the right.
 *
 * A press fixes the point pressed (when free) or frees the dial again (when
 * fixed); while free, moving over the dial only redraws it towards the
 * pointer.
 */
class AnglePicker
{
public:
    static constexpr double kSize = 93;
    static constexpr double kCentre = 46.5;
    static constexpr double kRadius = 38.5;

    /// The angle in degrees, 0 <= angle < 360, of the direction from the
    /// centre to (x, y), y growing downwards; nothing at the centre itself.
    static std::optional<double> angleFrom(double x, double y);

    QPointF chosenPoint() const { return m_chosen; }
    bool fixed() const { return m_fixed; }
    /// The angle of the chosen point.
    double angle() const { return m_angle; }

    /// A press at (x, y). A press on the centre, which has no direction,
    /// fixes the dial and keeps the previous point and angle.
    void press(double x, double y);

    /// Draws the dial into @p target (kSize × kSize pixels expected): the
    /// circle, the four ticks on the axes and the direction towards
    /// @p towards, which need not lie on the circle.
    static void draw(QImage &target, QPointF towards);

private:
    QPointF m_chosen{kSize, kCentre};
    double m_angle = 0;
    bool m_fixed = false;
};

} // namespace board
