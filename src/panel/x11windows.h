#pragma once

#include <QtGlobal>

namespace panel
{

/**
 * @brief What the program panel needs of the X11 window system: finding the
 * top-level window of a process and handing a window back to the desktop.
 *
 * Everything goes through the connection the application already has to the
 * X server. Where the application does not run on X11 (Wayland, offscreen) or
 * the program was built without XCB, available() is false and every call
 * answers 0 or does nothing.
 */
class X11Windows
{
public:
    /// Whether the application talks to an X server.
    static bool available();

    /**
     * @brief The first mapped top-level window whose _NET_WM_PID is @p pid,
     * 0 when there is none yet. Top-level means a child of a root window, or
     * a child of such a child, since a window manager puts each program's
     * window in a frame of its own.
     */
    static quint64 findWindowOfProcess(qint64 pid);

    /// The window's parent, 0 when the window does not exist.
    static quint64 parentOf(quint64 window);
    /// The process a window names in _NET_WM_PID, 0 when it names none.
    static qint64 processOf(quint64 window);
    /// Whether the window exists and is mapped.
    static bool isMapped(quint64 window);

    /// Makes @p window a top-level window again where it is on the screen.
    static void releaseToDesktop(quint64 window);
    /// Shows @p window.
    static void map(quint64 window);
};

} // namespace panel
