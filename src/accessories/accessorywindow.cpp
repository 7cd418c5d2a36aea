#include "accessorywindow.h"

#include "togglebutton.h"
#include "windowontop.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace accessories
{

AccessoryWindow::AccessoryWindow(const char *section, const QString &iniPath, QWidget *parent)
    : QWidget(parent, Qt::Window), m_section(section), m_settings(iniPath)
{
    m_onTop = new conversation::ToggleButton(QStringLiteral("cmdOnTop"), this);
    m_onTop->setPicture(conversation::ToggleButton::Picture::TopMost);
    m_onTop->setToolTip(tr("Sempre in primo piano"));
    m_onTop->setAccessibleName(tr("Sempre in primo piano"));
    m_onTop->setCheckable(true);
    // Reachable with Tab like the window's other buttons.
    m_onTop->setFocusPolicy(Qt::StrongFocus);
    connect(m_onTop, &QPushButton::clicked, this, [this] { setOnTop(!isOnTop()); });
}

bool AccessoryWindow::isOnTop() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void AccessoryWindow::setOnTop(bool onTop)
{
    panel::setWindowOnTop(this, onTop);
    m_onTop->setOn(onTop);
    m_onTop->setChecked(onTop);
}

void AccessoryWindow::bringForward()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void AccessoryWindow::restorePlace()
{
    const WindowPlace place = m_settings.window(m_section);
    if (place.geometry.isValid()) {
        // Only where a screen still shows the window's top edge.
        const QRect top(place.geometry.topLeft(), QSize(place.geometry.width(), 20));
        for (const QScreen *screen : QGuiApplication::screens()) {
            if (screen->availableGeometry().intersects(top)) {
                setGeometry(place.geometry);
                break;
            }
        }
    }
    setOnTop(place.onTop);
}

void AccessoryWindow::saveAll()
{
    m_settings.setWindow(m_section, {geometry(), isOnTop()});
    saveSettings();
}

void AccessoryWindow::closeEvent(QCloseEvent *event)
{
    saveAll();
    QWidget::closeEvent(event);
}

} // namespace accessories
