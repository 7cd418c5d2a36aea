#include "togglebutton.h"

#include "contrast.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

namespace conversation
{

ToggleButton::ToggleButton(const QString &objectName, QWidget *parent) : QPushButton(parent)
{
    setObjectName(objectName);
    setAutoFillBackground(true);
    // The Tab key reaches it, a click leaves the focus where the user types.
    setFocusPolicy(Qt::TabFocus);
    setOn(false);
}

QColor ToggleButton::menuColour(const QPalette &palette)
{
    // Window taken a step darker: plain Window is nearly as light as Light,
    // so on and off could not be told apart. board::BoardPanel's
    // highlightOnColour uses the same rule (the two libraries do not link
    // each other), so every switch of the window shows "on" alike.
    return palette.color(QPalette::Active, QPalette::Window).darker(125);
}

QColor ToggleButton::highlightColour(const QPalette &palette)
{
    return palette.color(QPalette::Active, QPalette::Light);
}

void ToggleButton::setOn(bool on)
{
    m_on = on;
    setMenuBack(on);
}

void ToggleButton::setMenuBack(bool menu)
{
    m_menuBack = menu;
    // The two colours are read from the parent's palette, not the button's:
    // the button's own Window role holds the colour it was given last, and a
    // menu face worked out from it would grow darker at every change.
    const QPalette base = parentWidget() ? parentWidget()->palette() : QGuiApplication::palette();
    const QColor c = menu ? menuColour(base) : highlightColour(base);
    QPalette pal = palette();
    pal.setColor(QPalette::Button, c);
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
}

QColor ToggleButton::backColour() const
{
    return palette().color(QPalette::Active, QPalette::Button);
}

void ToggleButton::setPicture(Picture picture)
{
    m_picture = picture;
    drawPicture();
    setText(QString());
}

void ToggleButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        setMenuBack(m_menuBack); // the theme changed: both faces follow it
    else if (event->type() == QEvent::PaletteChange && m_picture)
        drawPicture();
}

void ToggleButton::drawPicture()
{
    // Black strokes and the design's colours on a light face; on a dark
    // theme's face the theme's text colour and the colours lightened.
    const QColor back = backColour();
    const QColor text = palette().color(QPalette::ButtonText);
    const QColor ink = a11y::Contrast::isDark(back) ? text : QColor(Qt::black);
    const auto fill = [&](const QColor &c) { return a11y::Contrast::onBackground(c, back, text); };
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (*m_picture) {
    case Picture::Clock:
        p.setPen(QPen(ink, 1.5));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 9));
        break;
    case Picture::Colours:
        p.setPen(Qt::NoPen);
        p.setBrush(fill(QColor(125, 125, 215)));
        p.drawEllipse(QRectF(1, 1, 8, 8));
        p.setBrush(fill(QColor(205, 125, 144)));
        p.drawEllipse(QRectF(7, 3, 8, 8));
        p.setBrush(fill(QColor(105, 150, 120)));
        p.drawEllipse(QRectF(3, 7, 8, 8));
        break;
    case Picture::Send: {
        p.setPen(Qt::NoPen);
        p.setBrush(fill(QColor(40, 90, 160)));
        const QPointF arrow[] = {{2, 3}, {15, 8}, {2, 13}, {5, 8}};
        p.drawPolygon(arrow, 4);
        break;
    }
    case Picture::Find: // a magnifying glass
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(210, 230, 250));
        p.drawEllipse(QRectF(2, 2, 8, 8));
        p.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
        break;
    case Picture::TopMost: { // one window over another
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(225, 225, 225));
        p.drawRect(QRectF(1.5, 5.5, 9, 8));
        p.setPen(QPen(ink, 1));
        p.setBrush(fill(QColor(40, 90, 160)));
        p.drawRect(QRectF(5.5, 1.5, 9, 8));
        break;
    }
    }
    p.end();
    setIcon(QIcon(pm));
}

} // namespace conversation
