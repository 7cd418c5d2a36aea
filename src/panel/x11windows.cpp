#include "x11windows.h"

#include <QGuiApplication>

#ifdef TAVERNIX_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#endif

namespace panel
{

#ifdef TAVERNIX_HAVE_XCB

namespace
{

// Replies and errors are malloc'ed by XCB. Every request below takes its
// error back itself, so a window that vanished between two requests costs a
// missed answer, never an error report on the application's event queue.
struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t *connection()
{
    if (!qGuiApp)
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

template <typename T> Reply<T> take(T *reply, xcb_generic_error_t *error)
{
    std::free(error);
    return Reply<T>(reply);
}

xcb_atom_t pidAtom(xcb_connection_t *c)
{
    static const char name[] = "_NET_WM_PID";
    xcb_generic_error_t *error = nullptr;
    auto reply =
        take(xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), &error), error);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::vector<xcb_window_t> childrenOf(xcb_connection_t *c, xcb_window_t window)
{
    xcb_generic_error_t *error = nullptr;
    auto tree = take(xcb_query_tree_reply(c, xcb_query_tree(c, window), &error), error);
    if (!tree)
        return {};
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(children,
                                     children + xcb_query_tree_children_length(tree.get()));
}

struct Facts {
    xcb_window_t window = 0;
    bool hasPid = false;
    qint64 pid = 0;
    bool mapped = false;
};

// Asks for every window's process and map state at once and then collects
// the answers: one round trip for the lot rather than two per window.
std::vector<Facts> factsOf(xcb_connection_t *c, xcb_atom_t pid,
                           const std::vector<xcb_window_t> &windows)
{
    std::vector<xcb_get_property_cookie_t> props;
    std::vector<xcb_get_window_attributes_cookie_t> attrs;
    props.reserve(windows.size());
    attrs.reserve(windows.size());
    for (xcb_window_t w : windows) {
        props.push_back(xcb_get_property(c, 0, w, pid, XCB_ATOM_CARDINAL, 0, 1));
        attrs.push_back(xcb_get_window_attributes(c, w));
    }
    std::vector<Facts> out(windows.size());
    for (size_t i = 0; i < windows.size(); ++i) {
        out[i].window = windows[i];
        xcb_generic_error_t *error = nullptr;
        if (auto p = take(xcb_get_property_reply(c, props[i], &error), error);
            p && p->format == 32 && xcb_get_property_value_length(p.get()) >= 4) {
            out[i].hasPid = true;
            out[i].pid = *static_cast<const quint32 *>(xcb_get_property_value(p.get()));
        }
        error = nullptr;
        if (auto a = take(xcb_get_window_attributes_reply(c, attrs[i], &error), error))
            out[i].mapped = a->map_state != XCB_MAP_STATE_UNMAPPED;
    }
    return out;
}

std::vector<xcb_window_t> roots(xcb_connection_t *c)
{
    std::vector<xcb_window_t> out;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it))
        out.push_back(it.data->root);
    return out;
}

} // namespace

bool X11Windows::available()
{
    return connection() != nullptr;
}

quint64 X11Windows::findWindowOfProcess(qint64 pid)
{
    xcb_connection_t *c = connection();
    if (!c || pid <= 0)
        return 0;
    const xcb_atom_t atom = pidAtom(c);
    if (atom == XCB_ATOM_NONE)
        return 0;
    for (xcb_window_t root : roots(c)) {
        const std::vector<Facts> top = factsOf(c, atom, childrenOf(c, root));
        for (const Facts &f : top) {
            if (f.hasPid && f.pid == pid && f.mapped)
                return f.window;
        }
        // Under a window manager the programs' windows sit in its frames.
        for (const Facts &frame : top) {
            if (frame.hasPid || !frame.mapped)
                continue;
            for (const Facts &f : factsOf(c, atom, childrenOf(c, frame.window))) {
                if (f.hasPid && f.pid == pid && f.mapped)
                    return f.window;
            }
        }
    }
    return 0;
}

quint64 X11Windows::parentOf(quint64 window)
{
    xcb_connection_t *c = connection();
    if (!c || window == 0)
        return 0;
    xcb_generic_error_t *error = nullptr;
    auto tree =
        take(xcb_query_tree_reply(c, xcb_query_tree(c, xcb_window_t(window)), &error), error);
    return tree ? tree->parent : 0;
}

qint64 X11Windows::processOf(quint64 window)
{
    xcb_connection_t *c = connection();
    if (!c || window == 0)
        return 0;
    const std::vector<Facts> facts = factsOf(c, pidAtom(c), {xcb_window_t(window)});
    return facts.front().hasPid ? facts.front().pid : 0;
}

bool X11Windows::isMapped(quint64 window)
{
    xcb_connection_t *c = connection();
    if (!c || window == 0)
        return false;
    xcb_generic_error_t *error = nullptr;
    auto a = take(xcb_get_window_attributes_reply(
                      c, xcb_get_window_attributes(c, xcb_window_t(window)), &error),
                  error);
    return a && a->map_state != XCB_MAP_STATE_UNMAPPED;
}

void X11Windows::releaseToDesktop(quint64 window)
{
    xcb_connection_t *c = connection();
    if (!c || window == 0)
        return;
    xcb_generic_error_t *error = nullptr;
    auto tree =
        take(xcb_query_tree_reply(c, xcb_query_tree(c, xcb_window_t(window)), &error), error);
    if (!tree)
        return;
    error = nullptr;
    auto where =
        take(xcb_translate_coordinates_reply(
                 c, xcb_translate_coordinates(c, xcb_window_t(window), tree->root, 0, 0), &error),
             error);
    const int16_t x = where ? where->dst_x : 0;
    const int16_t y = where ? where->dst_y : 0;
    std::free(xcb_request_check(
        c, xcb_reparent_window_checked(c, xcb_window_t(window), tree->root, x, y)));
}

void X11Windows::map(quint64 window)
{
    xcb_connection_t *c = connection();
    if (!c || window == 0)
        return;
    std::free(xcb_request_check(c, xcb_map_window_checked(c, xcb_window_t(window))));
}

#else // no XCB: nothing can be hosted

bool X11Windows::available()
{
    return false;
}
quint64 X11Windows::findWindowOfProcess(qint64)
{
    return 0;
}
quint64 X11Windows::parentOf(quint64)
{
    return 0;
}
qint64 X11Windows::processOf(quint64)
{
    return 0;
}
bool X11Windows::isMapped(quint64)
{
    return false;
}
void X11Windows::releaseToDesktop(quint64) {}
void X11Windows::map(quint64) {}

#endif

} // namespace panel
