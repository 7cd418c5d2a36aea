#pragma once

#include <QList>
#include <QObject>
#include <QPointF>

#include <optional>

namespace board
{

class Viewport;

/**
 * @brief How large the board is shown: the zoom factor with its steps in and
 * out, "fit the whole board in view" and back to 100 %, and the mapping
 * between a position on the shown board and board units.
 *
 * Only what is shown changes: every tool gets the board position under the
 * pointer in board units, so what is drawn and sent is the same at any zoom.
 * The viewport is told each new factor and lays its bars out for it.
 */
class BoardZoom : public QObject
{
    Q_OBJECT
public:
    static constexpr double kMinimum = 0.1;
    static constexpr double kMaximum = 8.0;
    /// One notch of a mouse wheel, in the units wheel events count.
    static constexpr int kWheelNotch = 120;

    /// The factors zooming in and out steps through, smallest first.
    static const QList<double> &steps();
    /// The next step above (@p direction > 0) or below @p factor; the end
    /// steps stay where they are.
    static double nextStep(double factor, int direction);
    /// "100 %", "33 %": the factor as the window shows it.
    static QString percentText(double factor);

    explicit BoardZoom(Viewport *viewport, QObject *parent = nullptr);

    double factor() const { return m_factor; }
    /// True while the board is kept fitted to the view (after fitToView(),
    /// until another zoom is chosen).
    bool fitting() const { return m_fitting; }

    /// Sets the factor (kept within kMinimum..kMaximum) around @p anchor,
    /// a point of the container in pixels that keeps the board point under it.
    void setFactor(double factor, std::optional<QPointF> anchor = std::nullopt);
    void zoomIn(std::optional<QPointF> anchor = std::nullopt);
    void zoomOut(std::optional<QPointF> anchor = std::nullopt);
    /// A wheel turned by @p angleDelta (kWheelNotch a notch) over @p anchor:
    /// one step per notch; smooth wheels add up their small deltas.
    void wheel(int angleDelta, QPointF anchor);
    /// The largest factor that shows the whole board without scroll bars.
    void fitToView();
    /// Back to one board pixel per screen pixel.
    void actualSize();
    /// The container changed size: a fitted board is fitted again.
    void containerResized();

    /// A position on the shown board (pixels of the view) in board units,
    /// in the board's current unit.
    QPointF viewToBoard(QPointF viewPixels) const;
    /// A position in board units on the shown board, in pixels of the view.
    QPointF boardToView(QPointF units) const;

signals:
    void zoomChanged(double factor);

private:
    void apply(double factor, std::optional<QPointF> anchor, bool fitting);
    double fitFactor() const;

    Viewport *m_viewport;
    double m_factor = 1.0;
    bool m_fitting = false;
    int m_wheelRest = 0;
};

} // namespace board
