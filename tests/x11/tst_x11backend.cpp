// The X11 window layer against a real X server with a window manager: windows made here and by
// hand.
#include "KeyInjectX11.h"
#include "MouseHookX11.h"
#include "PrivateDisplayX11.h"
#include "TopMostGuard.h"
#include "WinBackendX11.h"
#include "WinUtil.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QScreen>
#include <QWidget>
#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <xcb/shape.h>
#include <xcb/xcb_icccm.h>

namespace
{

// A top-level window that remembers the keys and presses it received.
class ProbeWindow : public QWidget
{
public:
    QList<int> keys;
    int presses = 0; // left ones

protected:
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()); }
    void mousePressEvent(QMouseEvent *event) override
    {
        presses += event->button() == Qt::LeftButton;
    }
};

HWND handleOf(const QWidget &w)
{
    return win::fromWinId(w.winId());
}

const win::WindowInfo *findIn(const QList<win::WindowInfo> &list, HWND h)
{
    for (const win::WindowInfo &info : list) {
        if (info.hwnd == h)
            return &info;
    }
    return nullptr;
}

// Position in the window list, top of the stack first; -1 when not listed.
int stackIndex(HWND h)
{
    const QList<win::WindowInfo> list = win::enumTopLevelWindows();
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).hwnd == h)
            return i;
    }
    return -1;
}

bool isAbove(HWND h)
{
    const QList<win::WindowInfo> list = win::enumTopLevelWindows();
    const win::WindowInfo *info = findIn(list, h);
    return info && (quint32(info->exStyle) & win::kExTopMost);
}

xcb_connection_t *toolkitConnection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Whether presses can land on the window's frame, the root's child that holds it.
bool frameTakesInput(const QWidget &w)
{
    xcb_connection_t *c = toolkitConnection();
    xcb_window_t window = xcb_window_t(w.winId());
    for (;;) {
        xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        const bool top = !tree || tree->parent == tree->root;
        if (tree && !top)
            window = tree->parent;
        std::free(tree);
        if (top)
            break;
    }
    xcb_shape_get_rectangles_reply_t *shape = xcb_shape_get_rectangles_reply(
        c, xcb_shape_get_rectangles(c, window, XCB_SHAPE_SK_INPUT), nullptr);
    const bool takes = shape && shape->rectangles_len > 0;
    std::free(shape);
    return takes;
}

bool xdotool(const QStringList &args)
{
    return QProcess::execute("xdotool", args) == 0;
}

xcb_atom_t atomOf(xcb_connection_t *c, const QByteArray &name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, quint16(name.size()), name.constData()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

// A full-screen window of another client, painted in one colour, like a running slide show.
class ForeignFullScreen
{
public:
    explicit ForeignFullScreen(QColor colour) : c(xcb_connect(nullptr, nullptr))
    {
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        w = xcb_generate_id(c);
        const uint32_t background = colour.rgb() & 0xffffff;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1920, 1080, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                          &background);
        const xcb_atom_t fullScreen = atomOf(c, "_NET_WM_STATE_FULLSCREEN");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atomOf(c, "_NET_WM_STATE"), XCB_ATOM_ATOM,
                            32, 1, &fullScreen);
        xcb_icccm_set_wm_name(c, w, XCB_ATOM_STRING, 8, 4, "Show");
        xcb_map_window(c, w);
        xcb_flush(c);
    }
    ~ForeignFullScreen() { xcb_disconnect(c); }
    ForeignFullScreen(const ForeignFullScreen &) = delete;
    ForeignFullScreen &operator=(const ForeignFullScreen &) = delete;

    HWND handle() const { return win::fromWinId(w); }

    // Asks for the top of the stack, as a show program does now and then.
    void raise()
    {
        const uint32_t above[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, above);
        xcb_flush(c);
    }

    // A small override-redirect window of this client (a show program keeps such popups), stacked
    // right under the given window.
    void mapPopupUnder(xcb_window_t sibling)
    {
        const xcb_window_t popup = xcb_generate_id(c);
        const uint32_t values[] = {1};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, popup,
                          xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c, popup);
        const uint32_t stacking[] = {sibling, XCB_STACK_MODE_BELOW};
        xcb_configure_window(c, popup, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                             stacking);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // a round trip
    }

private:
    xcb_connection_t *c;
    xcb_window_t w = XCB_NONE;
};

// The window manager's own window under which it stacks the windows it manages.
xcb_window_t windowManagerCheckWindow()
{
    xcb_connection_t *c = toolkitConnection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, root, atomOf(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1),
        nullptr);
    const xcb_window_t check = reply && xcb_get_property_value_length(reply) == 4
                                   ? *static_cast<xcb_window_t *>(xcb_get_property_value(reply))
                                   : XCB_NONE;
    std::free(reply);
    return check;
}

// Whether the root's child `upper` is stacked above its child `lower`.
bool stackedAbove(xcb_window_t upper, xcb_window_t lower)
{
    xcb_connection_t *c = toolkitConnection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return false;
    const xcb_window_t *children = xcb_query_tree_children(tree); // bottom first
    const xcb_window_t *end = children + xcb_query_tree_children_length(tree);
    const bool above = std::find(children, end, lower) < std::find(children, end, upper);
    std::free(tree);
    return above;
}

// A frameless, never-focused tool window of one colour, as the program's bars are.
std::unique_ptr<ProbeWindow> floatingWindow(QColor colour, const QRect &geometry)
{
    auto w = std::make_unique<ProbeWindow>();
    w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                      Qt::WindowDoesNotAcceptFocus);
    w->setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, colour);
    w->setPalette(palette);
    w->setGeometry(geometry);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    const HWND h = handleOf(*w);
    win::setToolWindow(h, true);
    win::setNoActivate(h, true);
    win::setTopMost(h, true);
    return w;
}

QColor screenColour(const QPoint &at)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), 1, 1)
        .toImage()
        .pixelColor(0, 0);
}

// The window that has the keyboard focus of the server.
HWND inputFocus()
{
    xcb_connection_t *c = toolkitConnection();
    xcb_get_input_focus_reply_t *focus =
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const HWND h = focus ? win::fromWinId(focus->focus) : nullptr;
    std::free(focus);
    return h;
}

} // namespace

class TstX11Backend : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ProbeWindow> showWindow(const QString &title, const QRect &geometry,
                                            Qt::WindowFlags flags = {});

private slots:
    void initTestCase();
    void cleanup();
    void describesOwnWindows_data();
    void describesOwnWindows();
    void fullScreenAndTopMost();
    void stackingAndActivation();
    void keyReachesWindowBehind();
    void virtualKeysMapToKeysyms_data();
    void virtualKeysMapToKeysyms();
    void minimizeIconifies();
    void clickThroughPassesPresses();
    void raiseAboveOrdersTopMostWindows();
    void floatingWindowsStayAboveFocusedFullScreen();
    void stylesReachTheWindow();
    void deadWindowsGiveNeutralValues();
    void mouseHookReportsLeftPressesOnly();
    void guardRestoresTopMost();
    void compositorDecidesShaping();
    void listsWindowsWithoutWindowManager();
};

std::unique_ptr<ProbeWindow> TstX11Backend::showWindow(const QString &title, const QRect &geometry,
                                                       Qt::WindowFlags flags)
{
    auto w = std::make_unique<ProbeWindow>();
    w->setWindowFlags(w->windowFlags() | flags);
    w->setWindowTitle(title);
    w->setGeometry(geometry);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    const HWND h = handleOf(*w);
    for (int i = 0; i < 100 && stackIndex(h) < 0; ++i)
        QTest::qWait(20);
    return w;
}

void TstX11Backend::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // The toolkit writes WM_CLASS as (program file name, application name).
    QCoreApplication::setApplicationName(QStringLiteral("PodivexTest"));
    // The native backend is the one chosen at first use.
    QCOMPARE(win::monitorRectPhysical(nullptr), QRect(0, 0, 1920, 1080));
}

void TstX11Backend::cleanup()
{
    win::uninstallGlobalMouseHook();
}

void TstX11Backend::describesOwnWindows_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "Plain window"
                           << "Plain window";
    QTest::newRow("unicode") << QStringLiteral("幻灯片放映 – Ünïcødé ✓")
                             << QStringLiteral("幻灯片放映 – Ünïcødé ✓");
    const QString longTitle = QString(300, QLatin1Char('a')) + QString(300, QLatin1Char('b'));
    QTest::newRow("long, cut like a Windows window text") << longTitle << longTitle.left(511);
}

void TstX11Backend::describesOwnWindows()
{
    QFETCH(QString, title);
    QFETCH(QString, expected);
    const auto w = showWindow(title, QRect(200, 150, 400, 300));
    QVERIFY(w);
    const HWND h = handleOf(*w);
    const QList<win::WindowInfo> list = win::enumTopLevelWindows();
    const win::WindowInfo *info = findIn(list, h);
    QVERIFY(info);
    QCOMPARE(info->title, expected);
    QCOMPARE(win::windowTitle(h), expected);
    QCOMPARE(info->className, QStringLiteral("PodivexTest"));
    QCOMPARE(win::classNameOf(h), info->className);
    QCOMPARE(qint64(info->pid), QCoreApplication::applicationPid());
    QCOMPARE(info->processName, QStringLiteral("TST_X11BACKEND"));
    QVERIFY(info->visible);
    QVERIFY(!info->minimized);
    QCOMPARE(quint32(info->style) & win::kStyleCaption, win::kStyleCaption);
    QCOMPARE(quint32(info->exStyle) & win::kExTopMost, 0u);
    // The rectangle is the frame: the client area plus the window manager's decorations.
    QVERIFY2(info->rect.contains(w->geometry()) && info->rect.height() > w->height(),
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(info->rect.x())
                            .arg(info->rect.y())
                            .arg(info->rect.width())
                            .arg(info->rect.height())));
    QCOMPARE(win::windowRect(h), info->rect);
    QCOMPARE(win::monitorRectPhysical(h), QRect(0, 0, 1920, 1080));
}

void TstX11Backend::fullScreenAndTopMost()
{
    const auto w = showWindow("Full", QRect(100, 100, 300, 200));
    QVERIFY(w);
    const HWND h = handleOf(*w);
    w->showFullScreen();
    QTRY_VERIFY_WITH_TIMEOUT(win::windowRect(h) == QRect(0, 0, 1920, 1080), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(
        quint32(findIn(win::enumTopLevelWindows(), h)->style) & win::kStyleCaption, 0u, 3000);

    const auto frameless =
        showWindow("Frameless", QRect(100, 100, 300, 200), Qt::FramelessWindowHint);
    QVERIFY(frameless);
    const QList<win::WindowInfo> list = win::enumTopLevelWindows();
    const win::WindowInfo *bare = findIn(list, handleOf(*frameless));
    QVERIFY(bare);
    QCOMPARE(quint32(bare->style) & win::kStyleCaption, 0u);
    QCOMPARE(bare->rect, frameless->geometry());

    win::setTopMost(h, true);
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(h), 3000);
    win::setTopMost(h, false);
    QTRY_VERIFY_WITH_TIMEOUT(!isAbove(h), 3000);
}

void TstX11Backend::stackingAndActivation()
{
    const auto first = showWindow("First", QRect(100, 100, 300, 200));
    const auto second = showWindow("Second", QRect(150, 150, 300, 200));
    QVERIFY(first && second);
    const HWND a = handleOf(*first);
    const HWND b = handleOf(*second);
    QTRY_VERIFY_WITH_TIMEOUT(stackIndex(b) < stackIndex(a), 3000); // the newer window is on top

    QVERIFY(win::forceForeground(a));
    QCOMPARE(win::foregroundWindow(), a);
    QTRY_VERIFY_WITH_TIMEOUT(stackIndex(a) < stackIndex(b), 3000);
    QVERIFY(win::forceForeground(b));
    QCOMPARE(win::foregroundWindow(), b);
}

void TstX11Backend::keyReachesWindowBehind()
{
    const auto target = showWindow("Target", QRect(100, 100, 300, 200));
    const auto front = showWindow("Front", QRect(120, 120, 300, 200));
    QVERIFY(target && front);
    QVERIFY(win::forceForeground(handleOf(*front)));

    QVERIFY(win::injectKeyTo(handleOf(*target), win::kVkRight));
    QTRY_COMPARE_WITH_TIMEOUT(target->keys, QList<int>{Qt::Key_Right}, 3000);
    QCOMPARE(win::foregroundWindow(), handleOf(*target));
    // Already in front: typed at once.
    QVERIFY(win::injectKeyTo(handleOf(*target), 'A'));
    QTRY_COMPARE_WITH_TIMEOUT(target->keys, (QList<int>{Qt::Key_Right, Qt::Key_A}), 3000);
    QVERIFY(front->keys.isEmpty());

    QVERIFY(!win::injectKeyTo(nullptr, win::kVkRight));
    QVERIFY(!win::injectKeyTo(win::fromWinId(0x3ffffff), win::kVkRight));
    QVERIFY(!win::injectKey(0xFF)); // no key of that code
}

void TstX11Backend::virtualKeysMapToKeysyms_data()
{
    QTest::addColumn<int>("vk");
    QTest::addColumn<quint32>("keysym");
    QTest::newRow("letter, unshifted") << int('Q') << quint32('q');
    QTest::newRow("digit") << int('7') << quint32('7');
    QTest::newRow("left") << win::kVkLeft << quint32(0xff51);
    QTest::newRow("right") << win::kVkRight << quint32(0xff53);
    QTest::newRow("escape") << win::kVkEscape << quint32(0xff1b);
    QTest::newRow("return") << 0x0D << quint32(0xff0d);
    QTest::newRow("space") << 0x20 << quint32(0x20);
    QTest::newRow("page down") << 0x22 << quint32(0xff56);
    QTest::newRow("home") << 0x24 << quint32(0xff50);
    QTest::newRow("F5") << 0x74 << quint32(0xffc2);
    QTest::newRow("F2, the code of a lower-case q") << int('q') << quint32(0xffbf);
    QTest::newRow("unknown") << 0xFF << quint32(0);
}

void TstX11Backend::virtualKeysMapToKeysyms()
{
    QFETCH(int, vk);
    QFETCH(quint32, keysym);
    QCOMPARE(x11::keysymOfVirtualKey(vk), keysym);
}

void TstX11Backend::minimizeIconifies()
{
    const auto w = showWindow("Iconic", QRect(100, 100, 300, 200));
    QVERIFY(w);
    const HWND h = handleOf(*w);
    win::minimizeWindow(h);
    QTRY_VERIFY_WITH_TIMEOUT(win::isMinimized(h), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(w->isMinimized(), 3000);
    const QList<win::WindowInfo> list = win::enumTopLevelWindows();
    const win::WindowInfo *info = findIn(list, h);
    QVERIFY2(info, "an iconified window stays listed");
    QVERIFY(info->minimized);

    QVERIFY(win::forceForeground(h));
    QVERIFY(!win::isMinimized(h));
}

void TstX11Backend::clickThroughPassesPresses()
{
    const auto below = showWindow("Below", QRect(300, 300, 300, 200));
    const auto cover = showWindow("Cover", QRect(300, 300, 300, 200), Qt::FramelessWindowHint);
    QVERIFY(below && cover);
    const QPoint centre = cover->geometry().center();
    const QStringList click = {"mousemove", QString::number(centre.x()),
                               QString::number(centre.y()), "click", "1"};

    // Top-most like the annotation layer, so that a click raising the window beneath cannot cover
    // it.
    win::setTopMost(handleOf(*cover), true);
    win::setClickThrough(handleOf(*cover), true);
    QTRY_VERIFY_WITH_TIMEOUT(!frameTakesInput(*cover),
                             3000); // the window manager shapes its frame too
    QVERIFY(xdotool(click));
    QTRY_COMPARE_WITH_TIMEOUT(below->presses, 1, 3000);
    QCOMPARE(cover->presses, 0);

    win::setClickThrough(handleOf(*cover), false);
    QTRY_VERIFY_WITH_TIMEOUT(frameTakesInput(*cover), 3000);
    QVERIFY(xdotool(click));
    QTRY_COMPARE_WITH_TIMEOUT(cover->presses, 1, 3000);
    QCOMPARE(below->presses, 1);
}

void TstX11Backend::raiseAboveOrdersTopMostWindows()
{
    const auto plain = showWindow("Plain", QRect(100, 100, 200, 200));
    const auto one = showWindow("One", QRect(150, 150, 200, 200));
    const auto two = showWindow("Two", QRect(200, 200, 200, 200));
    QVERIFY(plain && one && two);
    const HWND p = handleOf(*plain), a = handleOf(*one), b = handleOf(*two);
    win::setTopMost(a, true);
    win::setTopMost(b, true);
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(a) && isAbove(b), 3000);

    win::raiseAbove(a, b);
    QTRY_COMPARE_WITH_TIMEOUT(stackIndex(a) + 1, stackIndex(b), 3000);
    win::raiseAbove(b, nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(stackIndex(b), 0, 3000);
    win::raiseAbove(a, a);
    QTRY_COMPARE_WITH_TIMEOUT(stackIndex(a), 0, 3000);
    // A plain window raised above a top-most one joins the top-most band.
    win::raiseAbove(p, b);
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(p) && stackIndex(p) < stackIndex(b), 3000);
}

void TstX11Backend::floatingWindowsStayAboveFocusedFullScreen()
{
    const QColor showColour(0, 170, 80), red(220, 30, 30), blue(30, 60, 220);
    ForeignFullScreen show(showColour);
    const HWND s = show.handle();
    QTRY_VERIFY_WITH_TIMEOUT(stackIndex(s) >= 0, 3000);
    QVERIFY(win::forceForeground(s));
    QTRY_COMPARE_WITH_TIMEOUT(win::windowRect(s), QRect(0, 0, 1920, 1080), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(screenColour(QPoint(960, 540)), showColour, 3000);
    show.mapPopupUnder(windowManagerCheckWindow());

    const auto first = floatingWindow(red, QRect(800, 900, 300, 100));
    const auto second = floatingWindow(blue, QRect(1000, 850, 300, 100));
    QVERIFY(first && second);
    const HWND a = handleOf(*first), b = handleOf(*second);
    win::raiseAbove(a, s);
    win::raiseAbove(b, a);
    QTRY_COMPARE_WITH_TIMEOUT(screenColour(QPoint(850, 950)), red, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(screenColour(QPoint(1050, 920)), blue, 3000);
    QCOMPARE(win::foregroundWindow(), s);
    QCOMPARE(inputFocus(), s);

    // The window manager stacks what it manages right under its check window: both stay above it
    // (and so above its restacking), whatever override-redirect windows lie below it.
    QVERIFY(stackedAbove(xcb_window_t(first->winId()), windowManagerCheckWindow()));
    QVERIFY(stackedAbove(xcb_window_t(second->winId()), windowManagerCheckWindow()));
    const auto other = showWindow("Other", QRect(700, 800, 300, 200));
    QVERIFY(other && win::forceForeground(handleOf(*other)));
    QVERIFY(win::forceForeground(s));
    show.raise();
    QTest::qWait(200);
    QCOMPARE(screenColour(QPoint(850, 950)), red);
    QCOMPARE(screenColour(QPoint(1050, 920)), blue);

    // Reordered among themselves.
    win::raiseAbove(a, b);
    QTRY_COMPARE_WITH_TIMEOUT(screenColour(QPoint(1050, 920)), red, 3000);
    win::raiseAbove(b, nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(screenColour(QPoint(1050, 920)), blue, 3000);

    // A press lands on the floating window and leaves the focus with the show.
    QVERIFY(xdotool({"mousemove", "850", "950", "click", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(first->presses, 1, 3000);
    QCOMPARE(win::foregroundWindow(), s);
    QCOMPARE(inputFocus(), s);

    // Hidden, moved and shown again by the toolkit: back above the show at its new place.
    first->hide();
    QTRY_COMPARE_WITH_TIMEOUT(screenColour(QPoint(850, 950)), showColour, 3000);
    first->move(200, 200);
    first->show();
    QTRY_COMPARE_WITH_TIMEOUT(screenColour(QPoint(350, 250)), red, 3000);
    QCOMPARE(first->geometry(), QRect(200, 200, 300, 100));
    QCOMPARE(win::foregroundWindow(), s);
    QCOMPARE(inputFocus(), s);
    QCOMPARE(stackIndex(a), -1); // not the window manager's: left out of its list

    // Out of the top-most band: managed again, and covered by the focused show.
    win::setTopMost(b, false);
    QTRY_VERIFY_WITH_TIMEOUT(stackIndex(b) >= 0, 3000);
    QVERIFY(win::forceForeground(s));
    QTRY_COMPARE_WITH_TIMEOUT(screenColour(QPoint(1250, 900)), showColour, 3000);
}

void TstX11Backend::stylesReachTheWindow()
{
    const auto w = showWindow("Styled", QRect(100, 100, 200, 200));
    QVERIFY(w);
    const HWND h = handleOf(*w);
    xcb_connection_t *c = toolkitConnection();
    QVERIFY(c);
    const xcb_window_t id = xcb_window_t(w->winId());
    auto toolWindow = [h] {
        const QList<win::WindowInfo> list = win::enumTopLevelWindows();
        const win::WindowInfo *info = findIn(list, h);
        return info && (quint32(info->exStyle) & win::kExToolWindow);
    };
    auto takesFocus = [c, id] {
        xcb_icccm_wm_hints_t hints{};
        xcb_icccm_get_wm_hints_reply(c, xcb_icccm_get_wm_hints(c, id), &hints, nullptr);
        return !(hints.flags & XCB_ICCCM_WM_HINT_INPUT) || hints.input;
    };
    auto opacity = [c, id] {
        xcb_intern_atom_reply_t *atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 22, "_NET_WM_WINDOW_OPACITY"), nullptr);
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, id, atom ? atom->atom : 0, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        const qint64 value = reply && xcb_get_property_value_length(reply) == 4
                                 ? *static_cast<quint32 *>(xcb_get_property_value(reply))
                                 : qint64(-1);
        std::free(atom);
        std::free(reply);
        return value;
    };

    QVERIFY(!toolWindow());
    win::setToolWindow(h, true);
    QTRY_VERIFY_WITH_TIMEOUT(toolWindow(), 3000);
    win::setToolWindow(h, false);
    QTRY_VERIFY_WITH_TIMEOUT(!toolWindow(), 3000);

    // The answers come over the toolkit's own connection, so they may trail the change a little.
    QVERIFY(takesFocus());
    win::setNoActivate(h, true);
    QTRY_VERIFY_WITH_TIMEOUT(!takesFocus(), 1000);
    win::setNoActivate(h, false);
    QTRY_VERIFY_WITH_TIMEOUT(takesFocus(), 1000);

    win::setLayeredAlpha(h, 128);
    QTRY_COMPARE_WITH_TIMEOUT(opacity(), qint64(0x80808080), 1000);
    win::setLayeredAlpha(h, 400); // clamped to opaque
    QTRY_COMPARE_WITH_TIMEOUT(opacity(), qint64(0xffffffff), 1000);
}

void TstX11Backend::deadWindowsGiveNeutralValues()
{
    HWND dead;
    {
        const auto w = showWindow("Short-lived", QRect(100, 100, 200, 100));
        QVERIFY(w);
        dead = handleOf(*w);
    }
    QVERIFY(!win::isWindowValid(dead));
    QVERIFY(!win::isMinimized(dead));
    QVERIFY(win::windowTitle(dead).isEmpty());
    QVERIFY(win::classNameOf(dead).isEmpty());
    QVERIFY(win::windowRect(dead).isNull());
    QVERIFY(!win::forceForeground(dead));
    QCOMPARE(win::monitorRectPhysical(dead), QRect(0, 0, 1920, 1080));
    // Operations on a gone window are dropped without disturbing the next queries.
    win::setTopMost(dead, true);
    win::setClickThrough(dead, true);
    win::setLayeredAlpha(dead, 128);
    win::setNoActivate(dead, true);
    win::raiseAbove(dead, nullptr);
    win::minimizeWindow(dead);
    QVERIFY(findIn(win::enumTopLevelWindows(), dead) == nullptr);
    QVERIFY(win::processNameOf(0x7ffffff0).isEmpty());
}

void TstX11Backend::mouseHookReportsLeftPressesOnly()
{
    QList<QPoint> first, second;
    win::installGlobalMouseHook([&](int x, int y) { first.append(QPoint(x, y)); });
    win::installGlobalMouseHook([&](int x, int y) { second.append(QPoint(x, y)); });

    // Over the bare root, then a right press and a left press over a window of ours.
    QVERIFY(xdotool({"mousemove", "1700", "900", "click", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(second.size(), 1, 3000);
    QCOMPARE(second.first(), win::mouseHookToLogical(1700, 900));
    const auto w = showWindow("Pressed", QRect(100, 100, 300, 200));
    QVERIFY(w);
    QVERIFY(xdotool({"mousemove", "250", "200", "click", "3"}));
    QVERIFY(xdotool({"click", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(second.size(), 2, 3000);
    QCOMPARE(second.at(1), QPoint(250, 200));
    QVERIFY2(first.isEmpty(), "a second installation replaces the callback");
    QTRY_COMPARE_WITH_TIMEOUT(w->presses, 1, 3000); // the press still reaches its window

    // Once removed, nothing more arrives; a hook of the test's own sees the press instead.
    win::uninstallGlobalMouseHook();
    QList<QPoint> witnessed;
    x11::MouseHook witness(QByteArray(), [&](int x, int y) { witnessed.append(QPoint(x, y)); });
    QVERIFY(witness.isActive());
    QVERIFY(xdotool({"mousemove", "1600", "800", "click", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(witnessed, QList<QPoint>{QPoint(1600, 800)}, 3000);
    QTest::qWait(50);
    QCOMPARE(second.size(), 2);
}

void TstX11Backend::guardRestoresTopMost()
{
    TopMostGuard guard;
    QCoreApplication::instance()->installNativeEventFilter(&guard);
    const auto guarded = showWindow("Guarded", QRect(100, 100, 200, 200));
    const auto free = showWindow("Free", QRect(400, 100, 200, 200));
    QVERIFY(guarded && free);
    const HWND g = handleOf(*guarded), f = handleOf(*free);
    win::setTopMost(g, true);
    win::setTopMost(f, true);
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(g) && isAbove(f), 3000);
    guard.guard(g);

    // Another client takes the state away from both; only the guarded window gets it back.
    const auto other = win::makeX11Backend(qgetenv("DISPLAY"));
    QVERIFY(other);
    other->setTopMost(f, false);
    QTRY_VERIFY_WITH_TIMEOUT(!isAbove(f), 3000);
    other->setTopMost(g, false);
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(g), 3000);
    QVERIFY(!isAbove(f));
    QCoreApplication::instance()->removeNativeEventFilter(&guard);
}

void TstX11Backend::compositorDecidesShaping()
{
    QVERIFY(win::needsShapedWindows());
    QProcess compositor;
    compositor.start("xcompmgr", {});
    QVERIFY(compositor.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!win::needsShapedWindows(), 5000);
    compositor.terminate();
    compositor.waitForFinished(3000);
    QTRY_VERIFY_WITH_TIMEOUT(win::needsShapedWindows(), 5000);
}

void TstX11Backend::listsWindowsWithoutWindowManager()
{
    PrivateDisplay display(false);
    QVERIFY(display.isUp());
    const auto backend = win::makeX11Backend(display.name());
    QVERIFY(backend);
    const HWND lower = display.createWindow("lower", QRect(10, 50, 100, 80));
    const HWND upper = display.createWindow("upper", QRect(200, 50, 100, 80));
    display.createWindow("hidden", QRect(400, 50, 100, 80), false);
    display.createWindow("menu", QRect(600, 50, 100, 80), true, true);
    display.sync();

    const QList<win::WindowInfo> list = backend->enumTopLevelWindows();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(0).hwnd, upper);
    QCOMPARE(list.at(1).hwnd, lower);
    QCOMPARE(list.at(1).title, QStringLiteral("lower"));
    QCOMPARE(list.at(1).className, QStringLiteral("RawClass"));
    QCOMPARE(list.at(1).processName, QStringLiteral("TST_X11BACKEND"));
    QCOMPARE(list.at(1).rect, QRect(10, 50, 100, 80)); // no frame without a window manager
    QCOMPARE(quint32(list.at(1).style) & win::kStyleCaption, win::kStyleCaption);

    // Activation falls back to the input focus and the stacking order.
    QVERIFY(backend->forceForeground(lower));
    QCOMPARE(backend->foregroundWindow(), lower);
    QCOMPARE(backend->enumTopLevelWindows().first().hwnd, lower);
    backend->raiseAbove(upper, lower);
    QCOMPARE(backend->enumTopLevelWindows().first().hwnd, upper);
}

QTEST_MAIN(TstX11Backend)
#include "tst_x11backend.moc"
