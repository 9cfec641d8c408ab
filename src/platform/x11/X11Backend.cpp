// The X11 backend of the window layer (EWMH window list, XTest keys, XInput2 presses).
#include "platform/x11/X11Backend.h"

#include "platform/x11/CaptureX11.h"
#include "platform/x11/InputHookX11.h"
#include "platform/x11/KeyInjectX11.h"
#include "platform/x11/OwnWindowsUnmanagedX11.h"
#include "platform/x11/ScreensX11.h"
#include "platform/x11/WindowQueryX11.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <xcb/shape.h>
#include <xcb/xcb_icccm.h>

namespace win
{
namespace
{

using x11::Connection;
using x11::Reply;
using x11::toHandle;
using x11::toWindow;

constexpr uint32_t kStateRemove = 0;
constexpr uint32_t kStateAdd = 1;
constexpr uint32_t kSourcePager = 2; // a request on the user's behalf: no focus-stealing prevention
constexpr uint32_t kIconicState = 3;
constexpr int kActivationWaitMs = 300;
constexpr int kActivationPollMs = 10;
constexpr unsigned long kUnconfirmedActivationSettleMs = 20;

// A physical rectangle by the scaling rule.
QRect scaled(const QRect &physical)
{
    if (physical.isNull())
        return QRect();
    return scaledRect(physical.x(), physical.y(), physical.x() + physical.width(),
                      physical.y() + physical.height());
}

class X11Backend final : public Backend
{
public:
    explicit X11Backend(const QByteArray &display) : display(display), c(display) {}
    bool isOpen() const { return c.isOpen(); }

    Handle foregroundWindow() override
    {
        const QList<quint32> active = c.numbers(c.root(), x11::NetActiveWindow);
        if (!active.isEmpty())
            return toHandle(active.first());
        return toHandle(focusedTopLevel());
    }
    bool isWindowValid(Handle hwnd) override { return c.windowExists(toWindow(hwnd)); }
    bool isMinimized(Handle hwnd) override { return states(toWindow(hwnd)).hidden; }
    QString windowTitle(Handle hwnd) override { return x11::titleOf(c, toWindow(hwnd)); }
    QString classNameOf(Handle hwnd) override { return x11::classOf(c, toWindow(hwnd)); }
    QRect windowRect(Handle hwnd) override { return scaled(x11::frameOf(c, toWindow(hwnd))); }
    QString processNameOf(unsigned pid) override { return x11::processName(pid); }
    QRect monitorRectPhysical(Handle hwnd) override;
    QList<WindowInfo> enumTopLevelWindows() override { return x11::describe(c, topLevelWindows()); }

    // A window manager keeps a focused full-screen window above every always-on-top one, so the
    // program's own floating windows leave its care when they go into the top-most band.
    void setTopMost(Handle hwnd, bool on) override
    {
        const xcb_window_t w = toWindow(hwnd);
        if (const QWindow *own = ownFloating(w))
            x11::setBypassesManager(c, w, on, own->isVisible());
        setStates(w, on, c.atom(x11::NetWmStateAbove));
    }
    void setToolWindow(Handle hwnd, bool on) override
    {
        const xcb_window_t w = toWindow(hwnd);
        if (const QWindow *own = on ? ownFloating(w) : nullptr)
            x11::setBypassesManager(c, w, true, own->isVisible());
        setStates(w, on, c.atom(x11::NetWmStateSkipTaskbar), c.atom(x11::NetWmStateSkipPager));
    }
    void setNoActivate(Handle hwnd, bool on) override;
    void setClickThrough(Handle hwnd, bool on) override;
    void raiseAbove(Handle w, Handle ref) override;
    bool forceForeground(Handle hwnd) override;
    void minimizeWindow(Handle hwnd) override
    {
        const xcb_window_t w = toWindow(hwnd);
        if (!c.windowExists(w))
            return;
        c.sendToRoot(w, c.atom(x11::WmChangeState), {kIconicState, 0, 0, 0, 0});
        c.flush();
    }

    bool injectKey(Key key) override { return x11::fakeKeyStroke(c, key); }
    bool injectKeyTo(Handle target, Key key) override
    {
        if (!isWindowValid(target))
            return false;
        // A confirmed activation has moved the server's focus already; keys typed now follow it.
        if (foregroundWindow() != target && !forceForeground(target))
            QThread::msleep(kUnconfirmedActivationSettleMs);
        return injectKey(key);
    }

    // One raw-input connection serves both hooks; it ends when neither is installed.
    void installGlobalMouseHook(std::function<void(int, int)> callback) override
    {
        inputHook().onPress = std::move(callback);
    }
    void uninstallGlobalMouseHook() override { dropHook(&x11::InputHook::onPress); }
    void installGlobalKeyHook(std::function<void(Key)> callback) override
    {
        inputHook().onKey = std::move(callback);
    }
    void uninstallGlobalKeyHook() override { dropHook(&x11::InputHook::onKey); }

    Handle topMostChangeTarget(const QByteArray &eventType, void *message) override
    {
        if (eventType != QByteArrayLiteral("xcb_generic_event_t"))
            return nullptr;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return nullptr;
        const auto *change = static_cast<const xcb_property_notify_event_t *>(message);
        return change->atom == c.atom(x11::NetWmState) ? toHandle(change->window) : nullptr;
    }
    void restoreTopMost(Handle hwnd) override
    {
        if (!states(toWindow(hwnd)).above)
            setTopMost(hwnd, true);
    }

    bool needsShapedWindows() override
    {
        if (compositorSelection == XCB_NONE)
            compositorSelection =
                c.intern(("_NET_WM_CM_S" + QByteArray::number(c.screenNumber())).constData());
        Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            c.get(), xcb_get_selection_owner(c.get(), compositorSelection), nullptr));
        return !owner || owner->owner == XCB_NONE;
    }

    void prepareCapture(Handle hwnd) override { capture.prepare(toWindow(hwnd)); }
    QImage captureWindow(Handle hwnd) override { return capture.capture(toWindow(hwnd)); }

private:
    x11::States states(xcb_window_t w) const
    {
        return x11::statesOf(c, c.numbers(w, x11::NetWmState));
    }
    bool windowManagerRuns() const;
    x11::InputHook &inputHook()
    {
        if (!hook || !hook->isActive())
            hook = std::make_unique<x11::InputHook>(display, hook.get());
        return *hook;
    }
    template <typename Callback> void dropHook(Callback x11::InputHook::*callback)
    {
        if (!hook)
            return;
        (*hook).*callback = nullptr;
        if (!hook->onPress && !hook->onKey)
            hook.reset();
    }
    bool onToolkitDisplay() const;
    QWindow *ownFloating(xcb_window_t w) const
    {
        return onToolkitDisplay() ? x11::ownFloatingWindow(w) : nullptr;
    }
    QVector<xcb_window_t> topLevelWindows() const;
    xcb_window_t focusedTopLevel() const;
    void setStates(xcb_window_t w, bool on, xcb_atom_t first, xcb_atom_t second = XCB_NONE);
    bool activateUnmanaged(xcb_window_t w);

    const QByteArray display;
    Connection c;
    x11::WindowCapture capture{c};
    xcb_atom_t compositorSelection = XCB_NONE;
    std::unique_ptr<x11::InputHook> hook;
};

bool X11Backend::windowManagerRuns() const
{
    // The check window outlives no window manager; a stale root property alone proves nothing.
    const QList<quint32> check = c.numbers(c.root(), x11::NetSupportingWmCheck);
    return !check.isEmpty() && c.windowExists(check.first());
}

QVector<xcb_window_t> X11Backend::topLevelWindows() const
{
    QVector<xcb_window_t> windows;
    if (windowManagerRuns()) {
        const QList<quint32> stacking = c.numbers(c.root(), x11::NetClientListStacking);
        for (auto it = stacking.crbegin(); it != stacking.crend(); ++it) // bottom first in the list
            windows.append(*it);
        return windows;
    }
    // Without a window manager nothing sets WM_STATE or the client list: the root's children are
    // the programs' windows themselves; describe() drops unmapped and override-redirect ones.
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c.get(), xcb_query_tree(c.get(), c.root()), nullptr));
    if (!tree)
        return windows;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i)
        windows.append(children[i]);
    return windows;
}

xcb_window_t X11Backend::focusedTopLevel() const
{
    Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(c.get(), xcb_get_input_focus(c.get()), nullptr));
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT ||
        focus->focus == c.root())
        return XCB_NONE;
    return focus->focus;
}

bool X11Backend::onToolkitDisplay() const
{
    return display.isEmpty() && qobject_cast<QGuiApplication *>(QCoreApplication::instance()) &&
           QGuiApplication::platformName() == QLatin1String("xcb");
}

QRect X11Backend::monitorRectPhysical(Handle hwnd)
{
    const QRect frame = hwnd ? x11::frameOf(c, toWindow(hwnd)) : QRect();
    return scaled(x11::screenOf(c, frame, onToolkitDisplay()));
}

void X11Backend::setStates(xcb_window_t w, bool on, xcb_atom_t first, xcb_atom_t second)
{
    if (!c.windowExists(w))
        return;
    if (!c.numbers(w, x11::WmState).isEmpty()) {
        // A managed window: the window manager owns the state and takes requests through the root.
        c.sendToRoot(w, c.atom(x11::NetWmState),
                     {on ? kStateAdd : kStateRemove, first, second, kSourcePager, 0});
    } else {
        // Not (yet) managed: the state is read from the window when it is mapped.
        QList<quint32> atoms = c.numbers(w, x11::NetWmState);
        for (xcb_atom_t a : {first, second}) {
            if (a == XCB_NONE)
                continue;
            atoms.removeAll(a);
            if (on)
                atoms.append(a);
        }
        xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, w, c.atom(x11::NetWmState),
                            XCB_ATOM_ATOM, 32, uint32_t(atoms.size()), atoms.constData());
    }
    c.flush();
}

void X11Backend::setNoActivate(Handle hwnd, bool on)
{
    const xcb_window_t w = toWindow(hwnd);
    xcb_icccm_wm_hints_t hints{};
    if (!xcb_icccm_get_wm_hints_reply(c.get(), xcb_icccm_get_wm_hints(c.get(), w), &hints,
                                      nullptr) &&
        !c.windowExists(w))
        return;
    xcb_icccm_wm_hints_set_input(&hints, on ? 0 : 1);
    xcb_icccm_set_wm_hints(c.get(), w, &hints);
    if (on) {
        const uint32_t never = 0; // a user time of 0 asks the window manager not to focus it on map
        xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, w, c.atom(x11::NetWmUserTime),
                            XCB_ATOM_CARDINAL, 32, 1, &never);
    } else {
        xcb_delete_property(c.get(), w, c.atom(x11::NetWmUserTime));
    }
    c.flush();
}

void X11Backend::setClickThrough(Handle hwnd, bool on)
{
    const xcb_query_extension_reply_t *shape = xcb_get_extension_data(c.get(), &xcb_shape_id);
    if (!shape || !shape->present)
        return;
    const xcb_window_t w = toWindow(hwnd);
    if (on) // an empty input shape: every press falls through to what lies beneath
        xcb_shape_rectangles(c.get(), XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                             XCB_CLIP_ORDERING_UNSORTED, w, 0, 0, 0, nullptr);
    else
        xcb_shape_mask(c.get(), XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, w, 0, 0, XCB_NONE);
    c.flush();
}

void X11Backend::raiseAbove(Handle hwnd, Handle ref)
{
    const xcb_window_t w = toWindow(hwnd);
    const xcb_window_t sibling = (ref && ref != hwnd) ? toWindow(ref) : XCB_NONE;
    setTopMost(hwnd, true);
    if (x11::bypassesManager(c, w)) {
        const QList<quint32> check = c.numbers(c.root(), x11::NetSupportingWmCheck);
        x11::raiseUnmanagedAbove(c, w, sibling, check.isEmpty() ? XCB_NONE : check.first());
        return;
    }
    if (windowManagerRuns()) {
        // The window manager keeps the above layer above the rest, so "above ref" never leaves it.
        c.sendToRoot(w, c.atom(x11::NetRestackWindow),
                     {kSourcePager, sibling, XCB_STACK_MODE_ABOVE, 0, 0});
        c.flush();
    } else {
        x11::restack(c, w, sibling, XCB_STACK_MODE_ABOVE);
    }
}

bool X11Backend::activateUnmanaged(xcb_window_t w)
{
    const uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_map_window(c.get(), w);
    xcb_configure_window(c.get(), w, XCB_CONFIG_WINDOW_STACK_MODE, above);
    xcb_set_input_focus(c.get(), XCB_INPUT_FOCUS_PARENT, w, XCB_CURRENT_TIME);
    c.flush();
    return focusedTopLevel() == w;
}

bool X11Backend::forceForeground(Handle hwnd)
{
    const xcb_window_t w = toWindow(hwnd);
    if (!c.windowExists(w))
        return false;
    if (!windowManagerRuns())
        return activateUnmanaged(w);
    if (states(w).hidden)
        xcb_map_window(c.get(), w); // a map request of an iconic window asks for its restore
    const QList<quint32> active = c.numbers(c.root(), x11::NetActiveWindow);
    const uint32_t current = active.isEmpty() ? XCB_NONE : active.first();
    c.sendToRoot(w, c.atom(x11::NetActiveWindow), {kSourcePager, XCB_CURRENT_TIME, current, 0, 0});
    c.flush();
    // The window manager answers asynchronously; wait a bounded time for it to report the change.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (foregroundWindow() == hwnd)
            return true;
        if (waited.elapsed() >= kActivationWaitMs)
            return false;
        QThread::msleep(kActivationPollMs);
    }
}

} // namespace

std::unique_ptr<Backend> makeX11Backend(const QByteArray &display)
{
    auto backend = std::make_unique<X11Backend>(display);
    if (!backend->isOpen())
        return nullptr;
    return backend;
}

} // namespace win
