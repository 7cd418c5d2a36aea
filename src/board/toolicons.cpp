#include "toolicons.h"

#include "contrast.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace board
{

namespace
{

// Dark strokes read on both the light "off" face and the greyer "on" face.
const QColor kInk(38, 40, 48);
// The one touch of colour: the paint in the bucket's drop.
const QColor kPaint(40, 90, 160);

// The two colours a picture is drawn in: the ones above, or on a dark
// theme's face the same made light enough to read.
struct Ink {
    QColor ink;
    QColor paint;
};

Ink inkFor(const QColor &face)
{
    if (!face.isValid())
        return {kInk, kPaint};
    return {a11y::Contrast::onBackground(kInk, face, Qt::white, a11y::Contrast::kThinStrokes),
            a11y::Contrast::onBackground(kPaint, face, Qt::white)};
}

QPen inkPen(const Ink &c, qreal width = 1.6)
{
    return QPen(c.ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawFreehand(QPainter &p, const Ink &c)
{
    QPainterPath path(QPointF(2.5, 12.0));
    path.cubicTo(QPointF(4.0, 3.5), QPointF(7.5, 3.5), QPointF(8.5, 9.0));
    path.cubicTo(QPointF(9.5, 14.5), QPointF(13.5, 14.5), QPointF(15.5, 5.0));
    p.setPen(inkPen(c));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void drawLine(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c));
    p.drawLine(QPointF(3.5, 14.5), QPointF(14.5, 3.5));
    // Small end points say "from here to there", unlike the freehand squiggle.
    p.setPen(Qt::NoPen);
    p.setBrush(c.ink);
    p.drawEllipse(QPointF(3.5, 14.5), 1.7, 1.7);
    p.drawEllipse(QPointF(14.5, 3.5), 1.7, 1.7);
}

void drawCircle(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(9.0, 9.0), 6.3, 6.3);
}

void drawFill(QPainter &p, const Ink &c)
{
    // A bucket tipping to the right...
    p.save();
    p.translate(7.0, 10.0);
    p.rotate(22.0);
    p.setPen(inkPen(c, 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-4.2, -8.2, 8.4, 9.0), 0, 180 * 16);
    QPainterPath body;
    body.moveTo(-4.8, -3.0);
    body.lineTo(-3.6, 5.2);
    body.quadTo(0.0, 6.4, 3.6, 5.2);
    body.lineTo(4.8, -3.0);
    p.setPen(inkPen(c, 1.5));
    p.setBrush(Qt::white);
    p.drawPath(body);
    p.setBrush(c.paint);
    p.drawEllipse(QRectF(-4.8, -4.1, 9.6, 2.4));
    p.restore();

    // ...and the drop it pours.
    const qreal x = 14.9;
    const qreal y = 13.6;
    QPainterPath drop(QPointF(x, y - 3.8));
    drop.cubicTo(QPointF(x + 0.4, y - 2.2), QPointF(x + 2.0, y - 1.0), QPointF(x + 2.0, y + 0.6));
    drop.arcTo(QRectF(x - 2.0, y - 1.4, 4.0, 4.0), 0.0, -180.0);
    drop.cubicTo(QPointF(x - 2.0, y - 1.0), QPointF(x - 0.4, y - 2.2), QPointF(x, y - 3.8));
    p.setPen(Qt::NoPen);
    p.setBrush(c.paint);
    p.drawPath(drop);
}

void drawText(QPainter &p, const Ink &c)
{
    // Drawn as strokes rather than with a font so it looks the same everywhere.
    p.setPen(inkPen(c, 1.8));
    p.setBrush(Qt::NoBrush);
    QPainterPath bar(QPointF(3.5, 5.5));
    bar.lineTo(3.5, 3.5);
    bar.lineTo(14.5, 3.5);
    bar.lineTo(14.5, 5.5);
    p.drawPath(bar);
    p.drawLine(QPointF(9.0, 3.5), QPointF(9.0, 14.8));
    p.drawLine(QPointF(6.5, 14.8), QPointF(11.5, 14.8));
}

void drawSnap(QPainter &p, const Ink &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c.ink);
    const qreal at[] = {3.5, 9.0, 14.5};
    for (qreal y : at)
        for (qreal x : at)
            p.drawEllipse(QPointF(x, y), 1.25, 1.25);
    // The ring marks the point a stroke is pulled to.
    p.setPen(inkPen(c, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(9.0, 9.0), 3.3, 3.3);
}

void drawLink(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    const QPointF centres[] = {{6.3, 11.7}, {11.7, 6.3}};
    for (const QPointF &c : centres) {
        p.save();
        p.translate(c);
        p.rotate(-45.0);
        p.drawRoundedRect(QRectF(-5.0, -2.6, 10.0, 5.2), 2.6, 2.6);
        p.restore();
    }
}

void drawClear(QPainter &p, const Ink &c)
{
    p.save();
    p.translate(10.0, 8.0);
    p.rotate(-45.0);
    const QRectF eraser(-5.5, -3.0, 11.0, 6.0);
    p.setPen(Qt::NoPen);
    p.setBrush(c.ink);
    // The rubbing end is solid so the shape reads as an eraser, not a box.
    p.drawRoundedRect(QRectF(eraser.left(), eraser.top(), 4.0, eraser.height()), 1.2, 1.2);
    p.drawRect(QRectF(eraser.left() + 2.0, eraser.top(), 2.0, eraser.height()));
    p.setPen(inkPen(c, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(eraser, 1.2, 1.2);
    p.restore();
    // The line it has just wiped away.
    p.setPen(inkPen(c, 1.2));
    p.drawLine(QPointF(2.0, 16.2), QPointF(9.0, 16.2));
}

void drawGrid(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2.5, 2.5, 13.0, 13.0));
    for (qreal v : {6.83, 11.17}) {
        p.drawLine(QPointF(v, 2.5), QPointF(v, 15.5));
        p.drawLine(QPointF(2.5, v), QPointF(15.5, v));
    }
}

void drawResize(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2.5, 8.5, 7.0, 7.0));
    QPen dashed = inkPen(c, 1.0);
    dashed.setDashPattern({1.5, 1.5});
    p.setPen(dashed);
    p.drawRect(QRectF(2.5, 2.5, 13.0, 13.0));
    // The arrow from the small frame's corner to the large one's.
    p.setPen(inkPen(c, 1.4));
    p.drawLine(QPointF(8.0, 10.0), QPointF(14.0, 4.0));
    p.drawLine(QPointF(14.0, 4.0), QPointF(10.5, 4.0));
    p.drawLine(QPointF(14.0, 4.0), QPointF(14.0, 7.5));
}

void drawPaste(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(3.0, 3.5, 10.0, 12.5), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(c.ink);
    p.drawRoundedRect(QRectF(5.5, 2.0, 5.0, 3.0), 0.8, 0.8);
    // The sheet laid on it carries the touch of colour.
    p.setPen(inkPen(c, 1.1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 8.0, 7.0, 8.5));
    p.setPen(Qt::NoPen);
    p.setBrush(c.paint);
    p.drawRect(QRectF(10.0, 11.5, 4.0, 3.5));
}

void drawMagnifier(QPainter &p, const Ink &c, bool plus)
{
    p.setPen(inkPen(c, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(7.5, 7.5), 5.3, 5.3);
    p.setPen(inkPen(c, 2.4));
    p.drawLine(QPointF(11.6, 11.6), QPointF(15.8, 15.8));
    p.setPen(inkPen(c, 1.4));
    p.drawLine(QPointF(5.0, 7.5), QPointF(10.0, 7.5));
    if (plus)
        p.drawLine(QPointF(7.5, 5.0), QPointF(7.5, 10.0));
}

void drawZoomFit(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c, 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(5.5, 5.5, 7.0, 7.0));
    p.setPen(inkPen(c, 1.5));
    // Four corners, each an "L" pointing outwards.
    const QPointF corners[4] = {{2.5, 2.5}, {15.5, 2.5}, {2.5, 15.5}, {15.5, 15.5}};
    for (const QPointF &c : corners) {
        const qreal dx = c.x() < 9 ? 3.5 : -3.5;
        const qreal dy = c.y() < 9 ? 3.5 : -3.5;
        p.drawLine(c, c + QPointF(dx, 0));
        p.drawLine(c, c + QPointF(0, dy));
    }
}

void drawZoomActual(QPainter &p, const Ink &c)
{
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(c.ink);
    p.drawText(QRectF(0, 0, kToolIconSize, kToolIconSize), Qt::AlignCenter, QStringLiteral("1:1"));
}

void drawShare(QPainter &p, const Ink &c)
{
    // A small picture...
    p.setPen(inkPen(c, 1.1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 6.5, 9.0, 8.0));
    p.setPen(Qt::NoPen);
    p.setBrush(c.paint);
    QPainterPath hill(QPointF(2.5, 13.5));
    hill.lineTo(5.5, 9.5);
    hill.lineTo(8.0, 12.0);
    hill.lineTo(9.5, 13.5);
    hill.closeSubpath();
    p.drawPath(hill);
    // ...and an arrow leaving it for the others.
    p.setPen(inkPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(9.0, 8.0), QPointF(16.0, 2.5));
    p.drawLine(QPointF(16.0, 2.5), QPointF(11.5, 2.8));
    p.drawLine(QPointF(16.0, 2.5), QPointF(15.7, 7.0));
}

void drawRestore(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.0, 3.0, 12.0, 12.0), 100 * 16, 290 * 16);
    // The arrow head at the arc's start, turning back.
    p.drawLine(QPointF(7.6, 2.4), QPointF(4.2, 4.6));
    p.drawLine(QPointF(7.6, 2.4), QPointF(7.9, 6.4));
}

void drawLock(QPainter &p, const Ink &c)
{
    p.setPen(inkPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5.0, 2.5, 8.0, 9.0), 0, 180 * 16);
    p.drawLine(QPointF(5.0, 7.0), QPointF(5.0, 8.5));
    p.drawLine(QPointF(13.0, 7.0), QPointF(13.0, 8.5));
    p.setPen(inkPen(c, 1.2));
    p.setBrush(c.paint);
    p.drawRoundedRect(QRectF(3.5, 8.5, 11.0, 7.5), 1.2, 1.2);
}

QPixmap paint(ToolIcon kind, qreal ratio, const Ink &c)
{
    QPixmap pixmap(QSize(kToolIconSize, kToolIconSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case ToolIcon::Freehand:
        drawFreehand(p, c);
        break;
    case ToolIcon::Line:
        drawLine(p, c);
        break;
    case ToolIcon::Circle:
        drawCircle(p, c);
        break;
    case ToolIcon::Fill:
        drawFill(p, c);
        break;
    case ToolIcon::Text:
        drawText(p, c);
        break;
    case ToolIcon::Snap:
        drawSnap(p, c);
        break;
    case ToolIcon::Link:
        drawLink(p, c);
        break;
    case ToolIcon::Clear:
        drawClear(p, c);
        break;
    case ToolIcon::Grid:
        drawGrid(p, c);
        break;
    case ToolIcon::Resize:
        drawResize(p, c);
        break;
    case ToolIcon::Paste:
        drawPaste(p, c);
        break;
    case ToolIcon::ZoomIn:
        drawMagnifier(p, c, true);
        break;
    case ToolIcon::ZoomOut:
        drawMagnifier(p, c, false);
        break;
    case ToolIcon::ZoomFit:
        drawZoomFit(p, c);
        break;
    case ToolIcon::ZoomActual:
        drawZoomActual(p, c);
        break;
    case ToolIcon::Share:
        drawShare(p, c);
        break;
    case ToolIcon::Restore:
        drawRestore(p, c);
        break;
    case ToolIcon::Lock:
        drawLock(p, c);
        break;
    }
    p.end();
    return pixmap;
}

} // namespace

QIcon toolIcon(ToolIcon kind, const QColor &face)
{
    const Ink c = inkFor(face);
    QIcon icon;
    icon.addPixmap(paint(kind, 1.0, c));
    icon.addPixmap(paint(kind, 2.0, c));
    return icon;
}

} // namespace board
