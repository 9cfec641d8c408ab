// The program's floating windows as override-redirect windows, stacked among their own kind.
#include "UnmanagedX11.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPoint>
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

QPoint rootPosition(const Connection &c, xcb_window_t w)
{
    Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        c.get(), xcb_translate_coordinates(c.get(), w, c.root(), 0, 0), nullptr));
    return at ? QPoint(at->dst_x, at->dst_y) : QPoint();
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
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c.get(), xcb_get_window_attributes(c.get(), w), nullptr));
    if (!attributes)
        return;
    const bool framed = parentOf(c, w) != c.root();
    const bool done =
        on ? attributes->override_redirect && !framed : !attributes->override_redirect;
    if (!done) {
        // The attribute counts only when the window is mapped, so a managed window is withdrawn
        // first; the toolkit sees an unmap and a map and repaints on the expose.
        const QPoint at = rootPosition(c, w);
        if (framed || attributes->map_state != XCB_MAP_STATE_UNMAPPED)
            withdraw(c, w);
        const uint32_t value = on ? 1 : 0;
        xcb_change_window_attributes(c.get(), w, XCB_CW_OVERRIDE_REDIRECT, &value);
        const uint32_t position[] = {uint32_t(at.x()), uint32_t(at.y())};
        xcb_configure_window(c.get(), w, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
    }
    // The window manager drops a map request it reads only after the change: map it here.
    if (shown)
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
    if (next != XCB_NONE) {
        const uint32_t values[] = {next, XCB_STACK_MODE_BELOW};
        xcb_configure_window(c.get(), w, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                             values);
    } else {
        const uint32_t values[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c.get(), w, XCB_CONFIG_WINDOW_STACK_MODE, values);
    }
    c.flush();
}

} // namespace x11
