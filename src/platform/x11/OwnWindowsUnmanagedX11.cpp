// The program's floating windows as override-redirect windows, stacked among their own kind.
#include "platform/x11/OwnWindowsUnmanagedX11.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRect>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace x11
{
namespace
{

constexpr int kWithdrawWaitMs = 500;
constexpr int kWithdrawPollMs = 5;

xcb_window_t parentOf(const Connection &c, xcb_window_t w)
{
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c.get(), xcb_query_tree(c.get(), w), nullptr));
    return tree ? tree->parent : XCB_NONE;
}

// The root's child that holds w: its window manager frame, or w itself when unmanaged.
xcb_window_t topLevelOf(const Connection &c, xcb_window_t w)
{
    for (;;) {
        const xcb_window_t parent = parentOf(c, w);
        if (parent == XCB_NONE)
            return XCB_NONE;
        if (parent == c.root())
            return w;
        w = parent;
    }
}

// The window's rectangle in root coordinates.
QRect rootGeometry(const Connection &c, xcb_window_t w)
{
    const xcb_get_geometry_cookie_t size = xcb_get_geometry(c.get(), w);
    Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        c.get(), xcb_translate_coordinates(c.get(), w, c.root(), 0, 0), nullptr));
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c.get(), size, nullptr));
    if (!at || !geometry)
        return QRect();
    return QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
}

void waitUntilViewable(const Connection &c, xcb_window_t w)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            c.get(), xcb_get_window_attributes(c.get(), w), nullptr));
        if (!attributes || attributes->map_state == XCB_MAP_STATE_VIEWABLE ||
            waited.elapsed() >= kWithdrawWaitMs)
            return;
        QThread::msleep(kWithdrawPollMs);
    }
}

// Tells the window's program where the window is, as a window manager does after moving it: the
// toolkit trusts such a notice and may hold a position from the manager's half-done placement.
void tellPosition(const Connection &c, xcb_window_t w, const QRect &geometry)
{
    xcb_configure_notify_event_t notice{};
    notice.response_type = XCB_CONFIGURE_NOTIFY;
    notice.event = w;
    notice.window = w;
    notice.x = int16_t(geometry.x());
    notice.y = int16_t(geometry.y());
    notice.width = uint16_t(geometry.width());
    notice.height = uint16_t(geometry.height());
    notice.override_redirect = 1;
    xcb_send_event(c.get(), 0, w, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&notice));
}

// Withdraws a mapped window as the window-management conventions ask (unmap, plus a synthetic
// unmap notice for the manager) and waits until the manager has handed it back to the root.
void withdraw(const Connection &c, xcb_window_t w)
{
    xcb_unmap_window(c.get(), w);
    xcb_unmap_notify_event_t notice{};
    notice.response_type = XCB_UNMAP_NOTIFY;
    notice.event = c.root();
    notice.window = w;
    xcb_send_event(c.get(), 0, c.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&notice));
    c.flush();
    QElapsedTimer waited;
    waited.start();
    while ((parentOf(c, w) != c.root() || !c.numbers(w, WmState).isEmpty()) &&
           waited.elapsed() < kWithdrawWaitMs)
        QThread::msleep(kWithdrawPollMs);
}

// The first mapped override-redirect window stacked above both `anchor` and `floor`; none when the
// walk meets w first (then *metW is set) or reaches the top.
xcb_window_t nextBandWindow(const Connection &c, xcb_window_t anchor, xcb_window_t floor,
                            xcb_window_t w, bool *metW)
{
    *metW = false;
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c.get(), xcb_query_tree(c.get(), c.root()), nullptr));
    if (!tree)
        return XCB_NONE;
    const xcb_window_t *children = xcb_query_tree_children(tree.get()); // bottom first
    const int count = xcb_query_tree_children_length(tree.get());
    const xcb_window_t *end = children + count;
    const xcb_window_t *start = std::find(children, end, anchor);
    if (start == end)
        return XCB_NONE;
    const xcb_window_t *floorAt = std::find(children, end, floor);
    if (floorAt != end)
        start = std::max(start, floorAt);
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    for (const xcb_window_t *it = start + 1; it != children + count; ++it)
        cookies.push_back(xcb_get_window_attributes(c.get(), *it));
    xcb_window_t found = XCB_NONE;
    for (size_t i = 0; i < cookies.size(); ++i) {
        if (found != XCB_NONE || *metW) {
            xcb_discard_reply(c.get(), cookies[i].sequence);
            continue;
        }
        const xcb_window_t child = start[i + 1];
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c.get(), cookies[i], nullptr));
        if (child == w)
            *metW = true;
        else if (attributes && attributes->override_redirect &&
                 attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            found = child;
    }
    return found;
}

} // namespace

QWindow *ownFloatingWindow(xcb_window_t w)
{
    if (w == XCB_NONE)
        return nullptr;
    for (QWindow *window : QGuiApplication::allWindows()) {
        if (!window->handle() || xcb_window_t(window->winId()) != w)
            continue;
        const Qt::WindowFlags flags = window->flags();
        const bool floating = window->type() == Qt::Tool &&
                              flags.testFlag(Qt::FramelessWindowHint) &&
                              flags.testFlag(Qt::WindowDoesNotAcceptFocus);
        return floating ? window : nullptr;
    }
    return nullptr;
}

bool bypassesManager(const Connection &c, xcb_window_t w)
{
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c.get(), xcb_get_window_attributes(c.get(), w), nullptr));
    return attributes && attributes->override_redirect;
}

void setBypassesManager(const Connection &c, xcb_window_t w, bool on, bool shown)
{
    // With the server held the window manager cannot take the window in between our look and the
    // change; a map request it reads after the change it then drops, so the map is ours to do.
    xcb_grab_server(c.get());
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c.get(), xcb_get_window_attributes(c.get(), w), nullptr));
    const bool framed = parentOf(c, w) != c.root();
    const uint32_t value = on ? 1 : 0;
    if (!attributes ||
        (on ? attributes->override_redirect && !framed : !attributes->override_redirect)) {
        xcb_ungrab_server(c.get());
    } else if (!framed && attributes->map_state == XCB_MAP_STATE_UNMAPPED) {
        xcb_change_window_attributes(c.get(), w, XCB_CW_OVERRIDE_REDIRECT, &value);
        xcb_ungrab_server(c.get());
    } else {
        // The attribute counts only at the next map: the window is withdrawn and put back where
        // the manager had placed it, once it has (it may be taking the window just now).
        xcb_ungrab_server(c.get());
        waitUntilViewable(c, w);
        const QRect placed = rootGeometry(c, w);
        withdraw(c, w);
        xcb_change_window_attributes(c.get(), w, XCB_CW_OVERRIDE_REDIRECT, &value);
        const uint32_t position[] = {uint32_t(placed.x()), uint32_t(placed.y())};
        xcb_configure_window(c.get(), w, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
        tellPosition(c, w, placed);
    }
    if (attributes && shown)
        xcb_map_window(c.get(), w);
    c.flush();
}

void raiseUnmanagedAbove(const Connection &c, xcb_window_t w, xcb_window_t ref, xcb_window_t floor)
{
    const xcb_window_t anchor = (ref != XCB_NONE && ref != w) ? topLevelOf(c, ref) : XCB_NONE;
    bool metW = false;
    const xcb_window_t next =
        anchor != XCB_NONE ? nextBandWindow(c, anchor, floor, w, &metW) : XCB_NONE;
    if (metW)
        return; // already the lowest of the band above ref: restacking would only cause repaints
    restack(c, w, next, next != XCB_NONE ? XCB_STACK_MODE_BELOW : XCB_STACK_MODE_ABOVE);
}

void restack(const Connection &c, xcb_window_t w, xcb_window_t sibling, uint32_t mode)
{
    if (sibling != XCB_NONE) {
        const uint32_t values[] = {sibling, mode};
        xcb_configure_window(c.get(), w, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                             values);
    } else {
        xcb_configure_window(c.get(), w, XCB_CONFIG_WINDOW_STACK_MODE, &mode);
    }
    c.flush();
}

} // namespace x11
