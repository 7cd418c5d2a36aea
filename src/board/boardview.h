#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

namespace board
{

class BoardSurface;
class BoardZoom;
class DrawingTools;

/**
 * @brief "picDraw": shows the board surface's image at its pixel size and
 * hands mouse presses, moves and releases to the drawing tools, with the
 * position in the surface's current unit. Repaints only what changed.
 */
class BoardView : public QWidget
{
    Q_OBJECT
public:
    BoardView(BoardSurface *surface, DrawingTools *tools, QWidget *parent = nullptr);

    BoardSurface *surface() const { return m_surface; }

    /// Where the zoom factor and the mapping to board units come from;
    /// without one the board shows at 100 %.
    void setZoom(BoardZoom *zoom);
    /// The view's size follows the zoom (the panel calls this when it changes).
    void zoomChanged();

    /// Button values the tools understand: 1 left, 2 right, 4 middle, added up.
    static int buttonValue(Qt::MouseButtons buttons);
    static int buttonValue(Qt::MouseButton button);
    /// The cursor shown for a surface mouse-pointer value.
    static Qt::CursorShape cursorFor(int mousePointer);

    QSize sizeHint() const override;

signals:
    /// Files were dropped on the surface, in the order the drop lists them.
    void filesDropped(const QList<QUrl> &urls);
    /// Ctrl + wheel over the board: @p angleDelta as the wheel gives it,
    /// @p at the pointer in the view's own pixels.
    void zoomWheel(int angleDelta, const QPointF &at);
    /// "+" (1) or "−" (-1) pressed while the board has the focus.
    void zoomKey(int direction);
    /// An arrow key pressed while the board has the focus: -1, 0 or 1 across and down.
    void scrollKey(int dx, int dy);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointF toSurfaceUnits(const QPointF &widgetPos) const;
    void onChanged(const QRect &pixels);
    void onPointer(int pointer);

    double factor() const;

    BoardSurface *m_surface;
    DrawingTools *m_tools;
    BoardZoom *m_zoom = nullptr;
};

} // namespace board
