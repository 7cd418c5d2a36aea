#include "boardview.h"

#include "boardsurface.h"
#include "boardzoom.h"
#include "drawingtools.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace board
{

BoardView::BoardView(BoardSurface *surface, DrawingTools *tools, QWidget *parent)
    : QWidget(parent), m_surface(surface), m_tools(tools)
{
    setObjectName(QStringLiteral("picDraw"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // A click or the Tab key gives the board the keyboard, for "+" and "−"
    // and the arrows that scroll it.
    setFocusPolicy(Qt::StrongFocus);
    // Picture files are dropped here to become the board's picture.
    setAcceptDrops(true);
    resize(m_surface->pixelSize());
    connect(m_surface, &BoardSurface::changed, this, &BoardView::onChanged);
    connect(m_surface, &BoardSurface::mousePointerChanged, this, &BoardView::onPointer);
    onPointer(m_surface->mousePointer());
}

QSize BoardView::sizeHint() const
{
    const QSize s = m_surface->pixelSize();
    const double f = factor();
    return QSize(std::max(1, int(std::lround(s.width() * f))),
                 std::max(1, int(std::lround(s.height() * f))));
}

double BoardView::factor() const
{
    return m_zoom ? m_zoom->factor() : 1.0;
}

void BoardView::setZoom(BoardZoom *zoom)
{
    m_zoom = zoom;
    zoomChanged();
}

void BoardView::zoomChanged()
{
    resize(sizeHint());
    update();
}

int BoardView::buttonValue(Qt::MouseButtons buttons)
{
    int value = 0;
    if (buttons & Qt::LeftButton)
        value |= DrawingTools::Left;
    if (buttons & Qt::RightButton)
        value |= DrawingTools::Right;
    if (buttons & Qt::MiddleButton)
        value |= DrawingTools::Middle;
    return value;
}

int BoardView::buttonValue(Qt::MouseButton button)
{
    return buttonValue(Qt::MouseButtons(button));
}

Qt::CursorShape BoardView::cursorFor(int mousePointer)
{
    switch (mousePointer) {
    case BoardSurface::PointerCross:
        return Qt::CrossCursor;
    case BoardSurface::PointerCustom:
        return Qt::ClosedHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

void BoardView::onPointer(int pointer)
{
    setCursor(cursorFor(pointer));
}

void BoardView::onChanged(const QRect &pixels)
{
    if (!pixels.isValid())
        return;
    const double f = factor();
    if (f == 1.0) {
        update(pixels.intersected(rect()));
        return;
    }
    // Board pixels to view pixels, widened to whole view pixels on every side.
    const QRectF shown(pixels.x() * f, pixels.y() * f, pixels.width() * f, pixels.height() * f);
    update(shown.toAlignedRect().adjusted(-1, -1, 1, 1).intersected(rect()));
}

void BoardView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect r = event->rect();
    painter.fillRect(r, Qt::white);
    const double f = factor();
    if (f == 1.0) {
        painter.drawImage(r.topLeft(), m_surface->image(), r);
        return;
    }
    // Only the board pixels under the exposed rectangle are scaled. Enlarged,
    // each board pixel is a sharp square, as the tools place them; reduced,
    // the picture is smoothed so thin lines do not vanish.
    const QRect source = QRectF(r.x() / f, r.y() / f, r.width() / f, r.height() / f)
                             .toAlignedRect()
                             .intersected(m_surface->image().rect());
    if (source.isEmpty())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, f < 1.0);
    const QRectF target(source.x() * f, source.y() * f, source.width() * f, source.height() * f);
    painter.drawImage(target, m_surface->image(), source);
}

QPointF BoardView::toSurfaceUnits(const QPointF &widgetPos) const
{
    if (m_zoom)
        return m_zoom->viewToBoard(widgetPos);
    return m_surface->fromPixels(widgetPos);
}

void BoardView::wheelEvent(QWheelEvent *event)
{
    if (!event->modifiers().testFlag(Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    emit zoomWheel(event->angleDelta().y(), event->position());
    event->accept();
}

void BoardView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: // "+" without Shift on many keyboards
        emit zoomKey(1);
        break;
    case Qt::Key_Minus:
        emit zoomKey(-1);
        break;
    case Qt::Key_Left:
        emit scrollKey(-1, 0);
        break;
    case Qt::Key_Right:
        emit scrollKey(1, 0);
        break;
    case Qt::Key_Up:
        emit scrollKey(0, -1);
        break;
    case Qt::Key_Down:
        emit scrollKey(0, 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void BoardView::mousePressEvent(QMouseEvent *event)
{
    const QPointF p = toSurfaceUnits(event->position());
    m_tools->mousePress(buttonValue(event->button()),
                        event->modifiers().testFlag(Qt::ShiftModifier), float(p.x()), float(p.y()));
    event->accept();
}

void BoardView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = toSurfaceUnits(event->position());
    m_tools->mouseMove(buttonValue(event->buttons()),
                       event->modifiers().testFlag(Qt::ShiftModifier), float(p.x()), float(p.y()));
    event->accept();
}

void BoardView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF p = toSurfaceUnits(event->position());
    m_tools->mouseRelease(buttonValue(event->button()),
                          event->modifiers().testFlag(Qt::ShiftModifier), float(p.x()),
                          float(p.y()));
    event->accept();
}

} // namespace board

namespace board
{

void BoardView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void BoardView::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void BoardView::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    event->acceptProposedAction();
    emit filesDropped(urls);
}

} // namespace board
