#include "windowontop.h"

#include <QWidget>
#include <QWindow>

namespace panel
{

void setWindowOnTop(QWidget *window, bool onTop)
{
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    QWindow *native = window->windowHandle();
    if (!native) {
        // Nothing is on the screen yet: the flag takes effect when it shows.
        window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        return;
    }
    // QWidget::setWindowFlag hides a window that is on the screen and shows
    // it again, which rebuilds it: on X11 the windows of programs hosted in
    // the program panel are destroyed with it. The native window takes the
    // flag in place instead, and the widget is only told what it now is.
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    window->overrideWindowFlags(flags);
    native->setFlag(Qt::WindowStaysOnTopHint, onTop);
}

} // namespace panel
