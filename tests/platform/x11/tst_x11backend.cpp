// The X11 window layer against a real X server with a window manager: windows made here and by
// another client, keys, stacking above a focused full-screen show, the press hook and the guard.
// Presses on the bars over a real show are the end-to-end script's; compositing is the bars' suite.
#include "PrivateDisplayX11.h"
#include "ScreenProbe.h"
#include "platform/TopMostGuard.h"
#include "platform/WindowLayer.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/XcbConnectionX11.h"

#include <QKeyEvent>
#include <QWidget>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace
{

const QRect kScreen(0, 0, 1920, 1080);
using ScreenProbe::clickAt;
using ScreenProbe::screenColour;

// A top-level window that remembers the keys and left presses it received.
class ProbeWindow : public QWidget
{
public:
    QList<int> keys;
    int presses = 0;
    win::Handle handle() const { return win::fromWinId(winId()); }

protected:
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()); }
    void mousePressEvent(QMouseEvent *e) override { presses += e->button() == Qt::LeftButton; }
};
using Window = std::unique_ptr<ProbeWindow>;

// The test's own view of the server, apart from the toolkit's and the backend's.
const x11::Connection &server()
{
    static const x11::Connection connection;
    return connection;
}

// Position in the window list, top of the stack first; -1 when not listed.
int stackIndex(win::Handle h)
{
    const QList<win::WindowInfo> list = win::enumTopLevelWindows();
    const auto it = std::find_if(list.begin(), list.end(), [h](auto &w) { return w.handle == h; });
    return it == list.end() ? -1 : int(it - list.begin());
}
bool isTopMost(win::Handle h)
{
    const QList<win::WindowInfo> list = win::enumTopLevelWindows();
    return std::any_of(list.begin(), list.end(), [h](auto &w) {
        return w.handle == h && w.flags.testFlag(win::WindowFlag::TopMost);
    });
}

// Counts the window-state changes the toolkit has dispatched, per window: what the server says
// now can still predate a request, what has been dispatched cannot.
struct StateChanges : QAbstractNativeEventFilter {
    QHash<win::Handle, int> seen;
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (const win::Handle target = win::topMostChangeTarget(type, message))
            ++seen[target];
        return false;
    }
};

// A shown window of ours, once the window manager lists it; with `colour`, a frameless,
// never-focused tool window of that colour, as the program's bars are.
Window showWindow(const QRect &geometry, QColor colour = QColor())
{
    auto w = std::make_unique<ProbeWindow>();
    if (colour.isValid()) {
        w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus);
        w->setAutoFillBackground(true);
        w->setPalette(QPalette(colour));
    }
    w->setGeometry(geometry);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    if (colour.isValid()) {
        win::setToolWindow(w->handle(), true);
        win::setNoActivate(w->handle(), true);
        win::setTopMost(w->handle(), true);
    } else if (!QTest::qWaitFor([&] { return stackIndex(w->handle()) >= 0; }, 2000))
        return nullptr;
    return w;
}

// Whether the root's child `upper` is stacked above its child `lower`.
bool stackedAbove(xcb_window_t upper, xcb_window_t lower)
{
    xcb_connection_t *c = server().get();
    const x11::Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, server().root()), nullptr));
    const xcb_window_t *children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
    const xcb_window_t *end =
        children ? children + xcb_query_tree_children_length(tree.get()) : nullptr; // bottom first
    return tree && std::find(children, end, lower) < std::find(children, end, upper);
}

// Whether the window has the keyboard, by the window layer's and by the server's account.
bool hasFocus(win::Handle h)
{
    xcb_connection_t *c = server().get();
    const x11::Reply<xcb_get_input_focus_reply_t> f(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return f && win::fromWinId(f->focus) == h && win::foregroundWindow() == h;
}

// A mapped window of another client than the toolkit's, with one attribute and one window state.
xcb_window_t foreignWindow(const QRect &r, uint32_t attribute, uint32_t value,
                           xcb_atom_t state = XCB_NONE)
{
    xcb_connection_t *c = server().get();
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, server().root(), int16_t(r.x()), int16_t(r.y()),
                      uint16_t(r.width()), uint16_t(r.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, attribute, &value);
    if (state != XCB_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, server().atom(x11::NetWmState),
                            XCB_ATOM_ATOM, 32, 1, &state);
    xcb_map_window(c, w);
    xcb_flush(c);
    return w;
}

// Restacks a foreign window: to the top, as a show program asks now and then, or under a sibling.
void restack(xcb_window_t w, xcb_window_t below = XCB_NONE)
{
    xcb_connection_t *c = server().get();
    const uint32_t values[] = {below, below ? XCB_STACK_MODE_BELOW : XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, w,
                         XCB_CONFIG_WINDOW_STACK_MODE | (below ? XCB_CONFIG_WINDOW_SIBLING : 0),
                         below ? values : values + 1);
    server().windowExists(w); // a round trip
}

} // namespace

class TstX11Backend : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { win::uninstallGlobalMouseHook(); }

    // A key for a window behind brings it to the front first.
    void activationAndKeys()
    {
        const Window first = showWindow(QRect(100, 100, 300, 200));
        const Window second = showWindow(QRect(150, 150, 300, 200));
        QVERIFY(first && second);
        const win::Handle a = first->handle(), b = second->handle();
        QVERIFY(win::forceForeground(a));
        QTRY_VERIFY_WITH_TIMEOUT(stackIndex(a) < stackIndex(b) && hasFocus(a), 3000);

        QVERIFY(win::injectKeyTo(b, win::Key::Right));
        QTRY_COMPARE_WITH_TIMEOUT(second->keys, QList<int>{Qt::Key_Right}, 3000);
        QCOMPARE(win::foregroundWindow(), b);
        QVERIFY(win::injectKeyTo(b, win::Key::PageDown)); // already in front: typed at once
        QTRY_COMPARE_WITH_TIMEOUT(second->keys.size(), 2, 3000);
        QVERIFY(first->keys.isEmpty());
        QVERIFY(!win::injectKeyTo(nullptr, win::Key::Right));
        QVERIFY(!win::injectKeyTo(win::fromWinId(0x3ffffff), win::Key::Right));
    }

    void floatingWindowsStayAboveFocusedFullScreen()
    {
        const QColor showColour(0, 170, 80), red(220, 30, 30), blue(30, 60, 220);
        const QPoint onFirst(850, 950), onBoth(1050, 920);
        // A show of another client, and a popup it keeps right under the window manager's check
        // window, under which the manager stacks what it manages.
        const xcb_window_t check =
            server().numbers(server().root(), x11::NetSupportingWmCheck).value(0);
        const xcb_window_t showId =
            foreignWindow(kScreen, XCB_CW_BACK_PIXEL, showColour.rgb() & 0xffffff,
                          server().atom(x11::NetWmStateFullscreen));
        const xcb_window_t popup = foreignWindow(QRect(0, 0, 10, 10), XCB_CW_OVERRIDE_REDIRECT, 1);
        const auto destroy = qScopeGuard([&] {
            for (xcb_window_t w : {showId, popup})
                xcb_destroy_window(server().get(), w);
            server().flush();
        });
        const win::Handle s = win::fromWinId(showId);
        QTRY_VERIFY_WITH_TIMEOUT(stackIndex(s) >= 0, 3000);
        QVERIFY(win::forceForeground(s));
        QTRY_COMPARE_WITH_TIMEOUT(screenColour(kScreen.center()), showColour, 3000);
        restack(popup, check);

        const Window first = showWindow(QRect(800, 900, 300, 100), red);
        const Window second = showWindow(QRect(1000, 850, 300, 100), blue);
        QVERIFY(first && second);
        const win::Handle a = first->handle(), b = second->handle();
        win::raiseAbove(a, s);
        win::raiseAbove(b, a);
        QTRY_COMPARE_WITH_TIMEOUT(screenColour(onFirst), red, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(screenColour(onBoth), blue, 3000);
        QVERIFY(hasFocus(s));

        // Both stay above the check window (and so above the manager's restacking), whatever
        // override-redirect windows lie below it.
        // The manager may still be settling the stack it was just asked for.
        for (const Window *w : {&first, &second})
            QTRY_VERIFY_WITH_TIMEOUT(stackedAbove(xcb_window_t((*w)->winId()), check), 3000);
        const Window other = showWindow(QRect(700, 800, 300, 200));
        QVERIFY(other && win::forceForeground(other->handle()));
        QVERIFY(win::forceForeground(s));
        restack(showId);
        QTest::qWait(200);
        QCOMPARE(screenColour(onFirst), red);
        QCOMPARE(screenColour(onBoth), blue);

        // Reordered among themselves.
        win::raiseAbove(a, b);
        QTRY_COMPARE_WITH_TIMEOUT(screenColour(onBoth), red, 3000);
        win::raiseAbove(b, nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(screenColour(onBoth), blue, 3000);
    }

    void mouseHookReportsLeftPressesOnly()
    {
        QList<QPoint> first, second;
        win::installGlobalMouseHook([&](int x, int y) { first.append(QPoint(x, y)); });
        win::installGlobalMouseHook([&](int x, int y) { second.append(QPoint(x, y)); });

        // Over the bare root, then a right press and a left press over a window of ours, which
        // still gets the press.
        QVERIFY(clickAt(QPoint(1700, 900)));
        QTRY_COMPARE_WITH_TIMEOUT(second, QList<QPoint>{QPoint(1700, 900)}, 3000);
        const Window w = showWindow(QRect(100, 100, 300, 200));
        QVERIFY(w);
        QVERIFY(clickAt(QPoint(250, 200), 3) && clickAt(QPoint(250, 200)));
        QTRY_COMPARE_WITH_TIMEOUT(w->presses, 1, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(second.size(), 2, 3000);
        QCOMPARE(second.at(1), QPoint(250, 200));
        QVERIFY2(first.isEmpty(), "a second installation replaces the callback");

        // Once removed, nothing more arrives.
        win::uninstallGlobalMouseHook();
        QVERIFY(clickAt(QPoint(250, 200)));
        QTRY_COMPARE_WITH_TIMEOUT(w->presses, 2, 3000);
        QTest::qWait(50);
        QCOMPARE(second.size(), 2);
    }

    // Another client takes the state away from both windows; only the guarded one gets it back.
    void guardRestoresTopMost()
    {
        TopMostGuard guard;
        QCoreApplication::instance()->installNativeEventFilter(&guard);
        const Window guarded = showWindow(QRect(100, 100, 200, 200));
        const Window free = showWindow(QRect(400, 100, 200, 200));
        QVERIFY(guarded && free);
        const win::Handle g = guarded->handle(), f = free->handle();
        win::setTopMost(g, true);
        win::setTopMost(f, true);
        QTRY_VERIFY_WITH_TIMEOUT(isTopMost(g) && isTopMost(f), 3000);
        guard.guard(g);
        StateChanges changes;
        QCoreApplication::instance()->installNativeEventFilter(&changes);
        const auto other = win::makeX11Backend(qgetenv("DISPLAY"));
        QVERIFY(other);
        other->setTopMost(f, false);
        QTRY_VERIFY_WITH_TIMEOUT(changes.seen.value(f) > 0 && !isTopMost(f), 3000);
        // Events arrive in order, so g's earlier changes are behind us: the next is the removal.
        changes.seen.remove(g);
        other->setTopMost(g, false);
        QTRY_VERIFY_WITH_TIMEOUT(changes.seen.value(g) > 0 && isTopMost(g), 3000);
        QVERIFY(!isTopMost(f));
    }

    void listsWindowsWithoutWindowManager()
    {
        PrivateDisplay display(false);
        QVERIFY(display.isUp());
        const auto backend = win::makeX11Backend(display.name());
        QVERIFY(backend);
        const win::Handle lower = display.createWindow("lower", QRect(10, 50, 100, 80));
        const win::Handle upper = display.createWindow("upper", QRect(200, 50, 100, 80));
        display.createWindow("hidden", QRect(400, 50, 100, 80), false);
        display.createWindow("menu", QRect(600, 50, 100, 80), true, true);
        display.sync();

        const QList<win::WindowInfo> list = backend->enumTopLevelWindows();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).handle, upper);
        const win::WindowInfo &w = list.at(1);
        QCOMPARE(QStringList({w.title, w.className, w.processName}),
                 QStringList({"lower", "RawClass", "TST_X11BACKEND"}));
        QCOMPARE(w.rect, QRect(10, 50, 100, 80)); // no frame without a window manager
        QVERIFY(w.flags.testFlag(win::WindowFlag::Caption));

        // Activation falls back to the input focus and the stacking order.
        QVERIFY(backend->forceForeground(lower));
        QCOMPARE(backend->foregroundWindow(), lower);
        QCOMPARE(backend->enumTopLevelWindows().first().handle, lower);
        backend->raiseAbove(upper, lower);
        QCOMPARE(backend->enumTopLevelWindows().first().handle, upper);
    }
};

QTEST_MAIN(TstX11Backend)
#include "tst_x11backend.moc"
