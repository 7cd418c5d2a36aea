#include "anglepicker.h"

#include <QPainter>

#include <cmath>

namespace board
{

std::optional<double> AnglePicker::angleFrom(double x, double y)
{
    const double c = kCentre;
    const double h = std::sqrt((x - c) * (x - c) + (y - c) * (y - c));
    if (h == 0 || !std::isfinite(h))
        return std::nullopt;
    const double r = std::abs(x - c) / h;
    if (r == 1)
        return x < c ? 180.0 : 0.0;
    if (r == 0)
        return y > c ? 270.0 : 90.0;
    // arccos(r) in degrees, written with the arctangent.
    const double a =
        (2 * std::atan(1.0) + std::atan(-r / std::sqrt(1 - r * r))) * 180 / (4 * std::atan(1.0));
    if (x > c && y > c)
        return 360 - a;
    if (x < c && y < c)
        return 180 - a;
    if (x < c && y > c)
        return 180 + a;
    return a;
}

void AnglePicker::press(double x, double y)
{
    if (m_fixed) {
        m_fixed = false;
        return;
    }
    if (const auto a = angleFrom(x, y)) {
        m_chosen = QPointF(x, y);
        m_angle = *a;
    }
    m_fixed = true;
}

void AnglePicker::draw(QImage &target, QPointF towards)
{
    QPainter p(&target);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1));
    const QPointF centre(kCentre, kCentre);
    p.drawEllipse(centre, kRadius, kRadius);
    // Ticks from 4 to 12 and from 81 to 89 units off the top and left edges.
    p.drawLine(QPointF(kCentre, 4), QPointF(kCentre, 12));
    p.drawLine(QPointF(kCentre, 81), QPointF(kCentre, 89));
    p.drawLine(QPointF(4, kCentre), QPointF(12, kCentre));
    p.drawLine(QPointF(81, kCentre), QPointF(89, kCentre));
    // The direction as a needle from the centre to the circle.
    const QPointF d = towards - centre;
    const double len = std::hypot(d.x(), d.y());
    if (len > 0 && std::isfinite(len)) {
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(centre, centre + d * (kRadius / len));
    }
}

} // namespace board
