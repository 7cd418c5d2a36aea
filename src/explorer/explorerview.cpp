#include "explorerview.h"

#include "boardsurface.h"
#include "boardview.h"
#include "explorerengine.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace explorer
{

ExplorerView::ExplorerView(ExplorerEngine *engine, QWidget *parent)
    : QWidget(parent), m_engine(engine)
{
    setObjectName(QStringLiteral("picImmagine"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a button pressed drive the rubber band.
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    bindPicture();
}

void ExplorerView::bindPicture()
{
    board::BoardSurface *surface = m_engine->picture();
    if (!surface) {
        resize(0, 0);
        return;
    }
    resize(surface->pixelSize());
    connect(surface, &board::BoardSurface::changed, this, [this](const QRect &pixels) {
        update(pixels.intersected(rect()));
    });
    update();
}

void ExplorerView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect r = event->rect();
    if (board::BoardSurface *surface = m_engine->picture())
        painter.drawImage(r.topLeft(), surface->image(), r);
    else
        painter.fillRect(r, palette().dark());
}

void ExplorerView::mousePressEvent(QMouseEvent *event)
{
    const QPointF p = event->position() * ExplorerEngine::kTwipsPerPixel;
    m_engine->mouseDown(board::BoardView::buttonValue(event->button()), float(p.x()),
                        float(p.y()));
    event->accept();
}

void ExplorerView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = event->position() * ExplorerEngine::kTwipsPerPixel;
    m_engine->mouseMove(float(p.x()), float(p.y()));
    event->accept();
}

} // namespace explorer
