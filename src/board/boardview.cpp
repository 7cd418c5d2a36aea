#include "boardview.h"

#include "boardsurface.h"
#include "drawingtools.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace board
{

BoardView::BoardView(BoardSurface *surface, DrawingTools *tools, QWidget *parent)
    : QWidget(parent), m_surface(surface), m_tools(tools)
{
    setObjectName(QStringLiteral("picDraw"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // Picture files are dropped here to become the board's picture.
    setAcceptDrops(true);
    resize(m_surface->pixelSize());
    connect(m_surface, &BoardSurface::changed, this, &BoardView::onChanged);
    connect(m_surface, &BoardSurface::mousePointerChanged, this, &BoardView::onPointer);
    onPointer(m_surface->mousePointer());
}

QSize BoardView::sizeHint() const
{
    return m_surface->pixelSize();
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
    // The view shows the surface one pixel to one pixel at (0, 0).
    if (pixels.isValid())
        update(pixels.intersected(rect()));
}

void BoardView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect r = event->rect();
    painter.fillRect(r, Qt::white);
    painter.drawImage(r.topLeft(), m_surface->image(), r);
}

QPointF BoardView::toSurfaceUnits(const QPointF &widgetPos) const
{
    return m_surface->fromPixels(widgetPos);
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
