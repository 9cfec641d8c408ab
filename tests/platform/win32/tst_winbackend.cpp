// The Win32 window layer against real windows of this process: styles, z-order, keys, the global
// mouse hook fed by real X presses (xdotool), the top-most guard on a Qt window and pictures of a
// covered window. The window queries the detection relies on are its own suite's.
#include "Columns.h"
#include "platform/TopMostGuard.h"
#include "platform/WindowLayer.h"
#include "platform/win32/Win32Backend.h"

#include <QGuiApplication>
#include <QProcess>
#include <QWidget>
#include <QtTest>

#include <algorithm>

namespace
{

using Input = QList<QPair<UINT, WPARAM>>;
Input g_input;            // (message, wParam) of every key and button message, oldest first
HWND g_painted = nullptr; // paints itself and its prints in g_colour; nothing when that is invalid
QColor g_colour;

Input inputOf(UINT first, UINT last)
{
    Input picked = g_input;
    picked.removeIf([=](const auto &entry) { return entry.first < first || entry.first > last; });
    return picked;
}

LRESULT CALLBACK testProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if ((msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
        (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEMOVE))
        g_input.append({msg, wParam});
    if (hwnd != g_painted || (msg != WM_ERASEBKGND && msg != WM_PRINTCLIENT))
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (g_colour.isValid()) {
        RECT r;
        GetClientRect(hwnd, &r);
        const HBRUSH brush =
            CreateSolidBrush(RGB(g_colour.red(), g_colour.green(), g_colour.blue()));
        FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        DeleteObject(brush);
    }
    return 1;
}

} // namespace

class TestWinBackend : public QObject
{
    Q_OBJECT

    QHash<QString, HWND> made;

    static LONG_PTR exStyleOf(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_EXSTYLE); }
    static bool isTopMost(HWND hwnd) { return (exStyleOf(hwnd) & WS_EX_TOPMOST) != 0; }

    // A shown, captioned top-level window that logs its input; exStyle may add WS_EX_TOPMOST.
    HWND window(const QString &title, DWORD exStyle = 0, const QRect &rect = {100, 120, 300, 200})
    {
        static const ATOM windowClass = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = testProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"PodivexTestWindow";
            return RegisterClassW(&wc);
        }();
        const HWND hwnd =
            CreateWindowExW(exStyle, MAKEINTATOM(windowClass), LPCWSTR(title.utf16()),
                            WS_OVERLAPPEDWINDOW, rect.x(), rect.y(), rect.width(), rect.height(),
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        return made[title] = hwnd;
    }

private slots:
    void cleanup()
    {
        for (HWND hwnd : std::as_const(made))
            DestroyWindow(hwnd);
        made.clear();
        g_input.clear();
        g_painted = nullptr;
        win::uninstallGlobalMouseHook();
    }

    // Every extended-style switch, on and off, leaves a top-most window in the top-most band, and
    // the enumeration reads the state back. Click-through off leaves the window layered.
    void styleSwitches_data()
    {
        columns<bool>("topMost");
        QTest::newRow("normal") << false;
        QTest::newRow("top-most") << true;
    }
    void styleSwitches()
    {
        QFETCH(bool, topMost);
        const HWND hwnd = window("styles", topMost ? WS_EX_TOPMOST : 0);
        const win::Handle h = win::handleOf(hwnd);
        const std::pair<void (*)(win::Handle, bool), LONG_PTR> switches[] = {
            {win::setToolWindow, WS_EX_TOOLWINDOW},
            {win::setNoActivate, WS_EX_NOACTIVATE},
            {win::setClickThrough, WS_EX_LAYERED | WS_EX_TRANSPARENT}};
        for (const auto &[set, bits] : switches) {
            for (const bool on : {true, false}) {
                set(h, on);
                QCOMPARE(exStyleOf(hwnd) & bits, on ? bits : bits & WS_EX_LAYERED);
                QCOMPARE(isTopMost(hwnd), topMost);
                const QList<win::WindowInfo> all = win::enumTopLevelWindows();
                const auto it =
                    std::find_if(all.begin(), all.end(), [&](auto &w) { return w.handle == h; });
                QVERIFY(it != all.end());
                QCOMPARE(it->flags.testFlag(win::WindowFlag::TopMost), topMost);
                QCOMPARE(it->flags.testFlag(win::WindowFlag::ToolWindow),
                         (exStyleOf(hwnd) & WS_EX_TOOLWINDOW) != 0);
                QCOMPARE(it->flags.testFlag(win::WindowFlag::ClickThrough),
                         (exStyleOf(hwnd) & WS_EX_TRANSPARENT) != 0);
            }
        }
    }

    // A raise makes the window top-most: over a normal window it joins the bottom of the top-most
    // band, over a top-most one it goes right above it, over itself or nothing to the very top.
    void raiseAbove_data()
    {
        columns<QString, bool, QString>("ref", "topMostRef", "justAbove"); // right above it after
        QTest::newRow("normal window") << "ref" << false << "low";
        QTest::newRow("top-most window") << "ref" << true << "high";
        QTest::newRow("itself") << "w" << false << "";
        QTest::newRow("nothing") << "" << false << "";
    }
    void raiseAbove()
    {
        QFETCH(QString, ref);
        QFETCH(bool, topMostRef);
        QFETCH(QString, justAbove);
        const HWND w = window("w", topMostRef ? WS_EX_TOPMOST : 0);
        window("low", WS_EX_TOPMOST);
        const HWND r = window("ref", topMostRef ? WS_EX_TOPMOST : 0);
        const HWND high = window("high", WS_EX_TOPMOST);
        for (HWND h : {r, high})
            SetWindowPos(h, h == high || topMostRef ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        win::raiseAbove(win::handleOf(w), win::handleOf(made.value(ref)));
        QVERIFY(isTopMost(w));
        QCOMPARE(GetWindow(w, GW_HWNDPREV), made.value(justAbove));
    }

    // A key for a window behind another brings it to the front first.
    void injectKeyTo_data()
    {
        columns<bool>("inFront");
        QTest::newRow("target in front") << true;
        QTest::newRow("target behind") << false;
    }
    void injectKeyTo()
    {
        QFETCH(bool, inFront);
        const HWND target = window("show", 0, QRect(100, 100, 300, 200));
        const HWND other = window("other", 0, QRect(500, 100, 300, 200));
        QTest::qWait(100); // the window manager's own activation of new windows settles first
        QVERIFY(SetForegroundWindow(inFront ? target : other));
        QTRY_COMPARE(GetForegroundWindow(), inFront ? target : other);
        g_input.clear();
        QVERIFY(win::injectKeyTo(win::handleOf(target), win::Key::Right));
        QCOMPARE(GetForegroundWindow(), target);
        QTRY_COMPARE(inputOf(WM_KEYDOWN, WM_KEYUP),
                     Input({{WM_KEYDOWN, VK_RIGHT}, {WM_KEYUP, VK_RIGHT}}));
    }

    // Only left presses are reported, to the last callback installed, and none once it is removed;
    // every press goes on to the window, after the hook.
    void hook()
    {
        QList<QPoint> presses, replaced;
        win::installGlobalMouseHook([&](int x, int y) { replaced.append({x, y}); });
        win::installGlobalMouseHook([&](int x, int y) { presses.append({x, y}); });
        const QRect target(400, 300, 400, 300);
        QVERIFY(SetForegroundWindow(window("hook target", WS_EX_TOPMOST, target)));
        QTest::qWait(200);
        const QPoint at = target.center();
        const auto click = [&](int button, UINT message) { // xdotool's 1 left, 3 right, 4 wheel
            g_input.clear();
            return QProcess::startDetached("Z:\\usr\\bin\\xdotool",
                                           {"mousemove", QString::number(at.x()),
                                            QString::number(at.y()), "click",
                                            QString::number(button)}) &&
                   QTest::qWaitFor([&] { return inputOf(message, message).size() == 1; });
        };
        QVERIFY(click(3, WM_RBUTTONDOWN) && click(4, WM_MOUSEWHEEL) && click(1, WM_LBUTTONDOWN));
        QCOMPARE(presses, QList<QPoint>{at});
        QVERIFY(replaced.isEmpty());
        win::uninstallGlobalMouseHook();
        QVERIFY(click(1, WM_LBUTTONDOWN));
        QCOMPARE(presses.size(), 1);
    }

    // Taken out of the band while unguarded, it stays out; an extended-style change under guard
    // brings it back at once, without activating it.
    void guardPutsTopMostBack()
    {
        QWidget bar(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                 Qt::WindowDoesNotAcceptFocus);
        bar.setGeometry(100, 100, 300, 80);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        const HWND hwnd = win::nativeOf(win::fromWinId(bar.winId()));
        const win::Handle h = win::handleOf(hwnd);
        TopMostGuard guard;
        qApp->installNativeEventFilter(&guard);
        win::setTopMost(h, false);
        win::setToolWindow(h, true);
        QVERIFY(!isTopMost(hwnd));
        guard.guard(h);
        win::setNoActivate(h, true);
        QVERIFY(isTopMost(hwnd));
        QVERIFY(GetForegroundWindow() != hwnd);
        guard.unguard(h);
        win::setTopMost(h, false);
        win::setToolWindow(h, false);
        QVERIFY(!isTopMost(hwnd));
        qApp->removeNativeEventFilter(&guard);
    }

    // A print of a window under a top-most one holds what it paints now; a print it leaves
    // unpainted is no picture rather than a black one, and so is one of a window that is gone.
    void captureUnderCover()
    {
        const HWND show = g_painted = window("show", 0, QRect(100, 100, 400, 300));
        window("cover", WS_EX_TOPMOST, QRect(150, 150, 400, 300));
        RECT client;
        GetClientRect(show, &client);
        QImage expected(client.right, client.bottom, QImage::Format_RGB32);
        for (QColor colour : {QColor(20, 160, 40), QColor(200, 40, 30), QColor()}) {
            g_colour = colour;
            expected.fill(colour);
            QCOMPARE(win::captureWindow(win::handleOf(show)),
                     colour.isValid() ? expected : QImage());
        }
        DestroyWindow(show);
        QVERIFY(win::captureWindow(win::handleOf(show)).isNull());
        QVERIFY(win::captureWindow(nullptr).isNull());
    }
};

QTEST_MAIN(TestWinBackend)
#include "tst_winbackend.moc"
