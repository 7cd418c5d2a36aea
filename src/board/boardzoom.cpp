#include "boardzoom.h"

#include "boardsurface.h"
#include "viewport.h"

#include <algorithm>
#include <cmath>

namespace board
{

const QList<double> &BoardZoom::steps()
{
    static const QList<double> list{0.1,  0.25, 1.0 / 3, 0.5, 2.0 / 3, 0.75, 1.0,
                                    1.25, 1.5,  2.0,     3.0, 4.0,     6.0,  8.0};
    return list;
}

double BoardZoom::nextStep(double factor, int direction)
{
    // A little slack, so a factor a hair off a step (a fitted one) does not
    // count as lying between two steps and stall there.
    constexpr double slack = 1e-6;
    if (direction > 0) {
        for (const double s : steps()) {
            if (s > factor + slack)
                return s;
        }
        return kMaximum;
    }
    for (auto it = steps().crbegin(); it != steps().crend(); ++it) {
        if (*it < factor - slack)
            return *it;
    }
    return kMinimum;
}

QString BoardZoom::percentText(double factor)
{
    return QStringLiteral("%1 %").arg(std::lround(factor * 100));
}

BoardZoom::BoardZoom(Viewport *viewport, QObject *parent) : QObject(parent), m_viewport(viewport)
{
}

void BoardZoom::apply(double factor, std::optional<QPointF> anchor, bool fitting)
{
    if (!std::isfinite(factor))
        return;
    const double f = std::clamp(factor, kMinimum, kMaximum);
    m_fitting = fitting;
    const bool changed = f != m_factor || f != m_viewport->zoom();
    m_factor = f;
    if (!changed)
        return;
    m_viewport->setZoom(f, anchor);
    emit zoomChanged(f);
}

void BoardZoom::setFactor(double factor, std::optional<QPointF> anchor)
{
    apply(factor, anchor, false);
}

void BoardZoom::zoomIn(std::optional<QPointF> anchor)
{
    apply(nextStep(m_factor, 1), anchor, false);
}

void BoardZoom::zoomOut(std::optional<QPointF> anchor)
{
    apply(nextStep(m_factor, -1), anchor, false);
}

void BoardZoom::wheel(int angleDelta, QPointF anchor)
{
    m_wheelRest += angleDelta;
    while (m_wheelRest >= kWheelNotch) {
        m_wheelRest -= kWheelNotch;
        zoomIn(anchor);
    }
    while (m_wheelRest <= -kWheelNotch) {
        m_wheelRest += kWheelNotch;
        zoomOut(anchor);
    }
}

double BoardZoom::fitFactor() const
{
    // The whole container: a board that fits needs no bars.
    const QSize room = m_viewport->containerSize();
    const QSize board = m_viewport->surface()->pixelSize();
    if (room.isEmpty() || board.isEmpty())
        return 1.0;
    return std::min(double(room.width()) / board.width(), double(room.height()) / board.height());
}

void BoardZoom::fitToView()
{
    apply(fitFactor(), QPointF(0, 0), true);
}

void BoardZoom::actualSize()
{
    apply(1.0, std::nullopt, false);
}

void BoardZoom::containerResized()
{
    if (m_fitting)
        apply(fitFactor(), QPointF(0, 0), true);
}

QPointF BoardZoom::viewToBoard(QPointF viewPixels) const
{
    return m_viewport->surface()->fromPixels(viewPixels / m_factor);
}

QPointF BoardZoom::boardToView(QPointF units) const
{
    return m_viewport->surface()->toPixels(units) * m_factor;
}

} // namespace board
