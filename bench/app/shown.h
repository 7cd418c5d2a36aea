#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <cstdio>

// Prints "shown" on stdout and ends the program once @p window has been
// exposed and painted for the first time.
class ShownProbe : public QObject
{
public:
    explicit ShownProbe(QWidget *window) : m_window(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::printf("shown\n");
                    std::fflush(stdout);
                    std::_Exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_window;
    bool m_done = false;
};
