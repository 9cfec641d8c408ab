// The Win32 window layer against real windows of this process: styles, z-order and keys. The
// window queries the detection relies on are its own suite's.
#include "TestWindows.h"
#include "platform/WindowLayer.h"

#include <QGuiApplication>
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
    }

    // Every extended-style change leaves a top-most window in the top-most band, and the
    // enumeration reads the state back.
    void styleSwitches_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<bool>("topMost");
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
        QTest::addColumn<QString>("ref");
        QTest::addColumn<bool>("topMostRef");
        QTest::addColumn<QString>("justAbove"); // the window right above it afterwards
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
        QTest::addColumn<bool>("inFront");
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
};

QTEST_MAIN(TestWinBackend)
#include "tst_winbackend.moc"
