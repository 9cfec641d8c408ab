// The Win32 window layer against real windows of this process: styles, z-order, keys, the global
// mouse hook fed by real X presses (xdotool) and the top-most guard on a Qt window. The window
// queries the detection relies on are its own suite's.
#include "Columns.h"
#include "TestWindows.h"
#include "platform/TopMostGuard.h"
#include "platform/WindowLayer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QWidget>
#include <QtTest>

#include <algorithm>

namespace
{

// Extended-style switches: from `start`, the switch must leave `expected` under `mask`.
struct StyleCase {
    const char *name;
    DWORD start;
    void (*set)(win::Handle, bool);
    bool on;
    LONG_PTR mask;
    LONG_PTR expected;
};

const LONG_PTR kTool = WS_EX_TOOLWINDOW, kNoActivate = WS_EX_NOACTIVATE;
const LONG_PTR kClickThrough = WS_EX_LAYERED | WS_EX_TRANSPARENT;

// clang-format off
const StyleCase kStyleCases[] = {
    {"tool on", 0, win::setToolWindow, true, kTool, kTool},
    {"tool off", kTool, win::setToolWindow, false, kTool, 0},
    {"no-activate on", 0, win::setNoActivate, true, kNoActivate, kNoActivate},
    {"no-activate off", kNoActivate, win::setNoActivate, false, kNoActivate, 0},
    {"click-through on", 0, win::setClickThrough, true, kClickThrough, kClickThrough},
    {"click-through off stays layered", WS_EX_TRANSPARENT, win::setClickThrough, false, kClickThrough, WS_EX_LAYERED},
};
// clang-format on

} // namespace

class TestWinBackend : public QObject
{
    Q_OBJECT

    QHash<QString, HWND> made;

    HWND window(const QString &title, DWORD exStyle = 0, const QRect &rect = {100, 120, 300, 200})
    {
        return made[title] = testwin::create(title, rect, exStyle);
    }

private slots:
    void cleanup()
    {
        for (HWND hwnd : std::as_const(made))
            DestroyWindow(hwnd);
        made.clear();
        testwin::inputLog().clear();
        win::uninstallGlobalMouseHook(); // also after "uninstalled": harmless
    }

    // Every extended-style change leaves a top-most window in the top-most band, and the
    // enumeration reads the state back.
    void styleSwitches_data()
    {
        columns<int, bool>("which", "topMost");
        for (const bool topMost : {false, true}) {
            for (int i = 0; i < int(std::size(kStyleCases)); ++i)
                QTest::addRow("%s, %s", kStyleCases[i].name, topMost ? "top-most" : "normal")
                    << i << topMost;
        }
    }
    void styleSwitches()
    {
        QFETCH(int, which);
        QFETCH(bool, topMost);
        const StyleCase &c = kStyleCases[which];
        const HWND hwnd = window("styles", DWORD(c.start) | (topMost ? WS_EX_TOPMOST : 0));
        c.set(win::handleOf(hwnd), c.on);
        QCOMPARE(testwin::exStyleOf(hwnd) & c.mask, c.expected);
        QCOMPARE(testwin::isTopMost(hwnd), topMost);
        const QList<win::WindowInfo> all = win::enumTopLevelWindows();
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](auto &w) { return w.handle == win::handleOf(hwnd); });
        QVERIFY(it != all.end());
        QCOMPARE(it->flags.testFlag(win::WindowFlag::TopMost), topMost);
        QCOMPARE(it->flags.testFlag(win::WindowFlag::ToolWindow),
                 (testwin::exStyleOf(hwnd) & kTool) != 0);
        QCOMPARE(it->flags.testFlag(win::WindowFlag::ClickThrough),
                 (testwin::exStyleOf(hwnd) & WS_EX_TRANSPARENT) != 0);
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
        QVERIFY(testwin::isAbove(r, w));

        win::raiseAbove(win::handleOf(w), win::handleOf(made.value(ref)));
        QVERIFY(testwin::isTopMost(w));
        QCOMPARE(GetWindow(w, GW_HWNDPREV), made.value(justAbove));
        QVERIFY(ref != "ref" || testwin::isAbove(w, r));
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
        testwin::inputLog().clear();
        QVERIFY(win::injectKeyTo(win::handleOf(target), win::Key::Right));
        QCOMPARE(GetForegroundWindow(), target);
        const QList<QPair<UINT, WPARAM>> expected = {{WM_KEYDOWN, VK_RIGHT}, {WM_KEYUP, VK_RIGHT}};
        QTRY_COMPARE(testwin::inputOf(WM_KEYDOWN, WM_KEYUP), expected);
    }
    // Only left presses are reported, to the last callback installed; every press goes on to the
    // window, after the hook.
    void hook_data()
    {
        // xdotool's buttons: 1 left, 3 right, 4 wheel.
        columns<int, uint, QString, bool>("button", "message", "setup", "reported");
        QTest::newRow("left") << 1 << uint(WM_LBUTTONDOWN) << "install" << true;
        QTest::newRow("right") << 3 << uint(WM_RBUTTONDOWN) << "install" << false;
        QTest::newRow("wheel") << 4 << uint(WM_MOUSEWHEEL) << "install" << false;
        QTest::newRow("second install replaces") << 1 << uint(WM_LBUTTONDOWN) << "twice" << true;
        QTest::newRow("uninstalled") << 1 << uint(WM_LBUTTONDOWN) << "uninstall" << false;
    }
    void hook()
    {
        QFETCH(int, button);
        QFETCH(uint, message);
        QFETCH(QString, setup);
        QList<QPoint> presses, replaced;
        if (setup == "twice")
            win::installGlobalMouseHook([&](int x, int y) { replaced.append({x, y}); });
        win::installGlobalMouseHook([&](int x, int y) { presses.append({x, y}); });
        if (setup == "uninstall")
            win::uninstallGlobalMouseHook();
        const QRect target(400, 300, 400, 300);
        QVERIFY(SetForegroundWindow(window("hook target", WS_EX_TOPMOST, target)));
        QTest::qWait(200);
        testwin::inputLog().clear();
        const QPoint at = target.center();
        QVERIFY(QProcess::startDetached(
            "Z:\\usr\\bin\\xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()),
                                      "click", QString::number(button)}));
        QTRY_COMPARE(testwin::inputOf(message, message).size(), 1);
        QTEST(presses == QList<QPoint>{at}, "reported");
        QVERIFY(replaced.isEmpty());
    }

    // Taken out of the band while unguarded: a plain style change leaves it there, an
    // extended-style change under guard brings it back at once, without activating it.
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
        QVERIFY(!testwin::isTopMost(hwnd));
        guard.guard(h);
        SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) ^ WS_MINIMIZEBOX);
        QVERIFY(!testwin::isTopMost(hwnd));
        win::setNoActivate(h, true);
        QVERIFY(testwin::isTopMost(hwnd));
        QVERIFY(GetForegroundWindow() != hwnd);
        guard.unguard(h);
        win::setTopMost(h, false);
        win::setToolWindow(h, false);
        QVERIFY(!testwin::isTopMost(hwnd));
        qApp->removeNativeEventFilter(&guard);
    }
};

QTEST_MAIN(TestWinBackend)
#include "tst_winbackend.moc"
