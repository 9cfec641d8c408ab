// The Win32 window layer against real windows of this process: queries, styles, z-order, keys.
#include "TestWindows.h"
#include "platform/WindowLayer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QtTest>

#include <algorithm>

namespace
{

const QRect kRect(100, 120, 300, 200);

void toTop(HWND hwnd, HWND band = HWND_TOP)
{
    SetWindowPos(hwnd, band, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Extended-style switches: from `start`, the switch must leave `expected` under `mask`.
struct StyleCase {
    const char *name;
    DWORD start;
    void (*set)(win::Handle, bool);
    bool on;
    LONG_PTR mask;
    LONG_PTR expected;
};

const LONG_PTR kTool = WS_EX_TOOLWINDOW, kNoActivate = WS_EX_NOACTIVATE, kLayered = WS_EX_LAYERED;
const LONG_PTR kClickThrough = WS_EX_LAYERED | WS_EX_TRANSPARENT;

// clang-format off
const StyleCase kStyleCases[] = {
    {"tool on", 0, win::setToolWindow, true, kTool, kTool},
    {"tool off", kTool, win::setToolWindow, false, kTool, 0},
    {"no-activate on", 0, win::setNoActivate, true, kNoActivate, kNoActivate},
    {"no-activate off", kNoActivate, win::setNoActivate, false, kNoActivate, 0},
    {"click-through on", 0, win::setClickThrough, true, kClickThrough, kClickThrough},
    {"click-through off stays layered", WS_EX_TRANSPARENT, win::setClickThrough, false, kClickThrough, kLayered},
};
// clang-format on

} // namespace

class TestWinBackend : public QObject
{
    Q_OBJECT

private:
    QList<HWND> made;

    HWND window(const QString &title, DWORD exStyle = 0, const QRect &rect = kRect)
    {
        made.append(testwin::create(title, rect, exStyle));
        return made.last();
    }

private slots:
    void initTestCase()
    {
        // The rectangles below are expected in physical pixels: the display runs at 100 %.
        QCOMPARE(qGuiApp->devicePixelRatio(), 1.0);
    }

    void cleanup()
    {
        for (HWND hwnd : std::as_const(made))
            DestroyWindow(hwnd);
        made.clear();
        testwin::inputLog().clear();
    }

    // Every extended-style change leaves a top-most window in the top-most band.
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
        const HWND hwnd =
            window(QStringLiteral("styles"), DWORD(c.start) | (topMost ? WS_EX_TOPMOST : 0));
        QCOMPARE(testwin::isTopMost(hwnd), topMost);
        c.set(win::handleOf(hwnd), c.on);
        QCOMPARE(testwin::exStyleOf(hwnd) & c.mask, c.expected);
        QCOMPARE(testwin::isTopMost(hwnd), topMost);
        // The enumeration reads the same state back as the layer's own flags.
        const QList<win::WindowInfo> all = win::enumTopLevelWindows();
        const auto it = std::find_if(all.begin(), all.end(), [&](const win::WindowInfo &w) {
            return w.handle == win::handleOf(hwnd);
        });
        QVERIFY(it != all.end());
        QCOMPARE(it->flags.testFlag(win::WindowFlag::TopMost), topMost);
        QCOMPARE(it->flags.testFlag(win::WindowFlag::ToolWindow),
                 (testwin::exStyleOf(hwnd) & kTool) != 0);
        QCOMPARE(it->flags.testFlag(win::WindowFlag::ClickThrough),
                 (testwin::exStyleOf(hwnd) & WS_EX_TRANSPARENT) != 0);
    }

    void raiseAboveNormalWindow()
    {
        const HWND w = window(QStringLiteral("w"));
        const HWND band = window(QStringLiteral("band"), WS_EX_TOPMOST);
        const HWND ref = window(QStringLiteral("ref"));
        toTop(ref);
        QVERIFY(testwin::isAbove(ref, w));

        win::raiseAbove(win::handleOf(w), win::handleOf(ref));
        QVERIFY(testwin::isTopMost(w));
        QVERIFY(testwin::isAbove(w, ref));
        // It joins the bottom of the top-most band, under the window that was already there.
        QCOMPARE(GetWindow(band, GW_HWNDNEXT), w);
    }

    void raiseAboveTopMostWindow()
    {
        const HWND w = window(QStringLiteral("w"), WS_EX_TOPMOST);
        HWND low = window(QStringLiteral("low"), WS_EX_TOPMOST);
        HWND ref = window(QStringLiteral("ref"), WS_EX_TOPMOST);
        HWND high = window(QStringLiteral("high"), WS_EX_TOPMOST);
        for (HWND h : {low, ref, high})
            toTop(h, HWND_TOPMOST);
        QVERIFY(testwin::isAbove(low, w));

        win::raiseAbove(win::handleOf(w), win::handleOf(ref));
        QCOMPARE(GetWindow(ref, GW_HWNDPREV), w); // directly above ref, still below high
        QVERIFY(testwin::isAbove(high, w));
        QVERIFY(testwin::isTopMost(w));
    }

    void raiseAboveItselfOrNothingGoesToTop()
    {
        for (const bool self : {true, false}) {
            const HWND w = window(QStringLiteral("w"));
            const HWND other = window(QStringLiteral("other"), WS_EX_TOPMOST);
            QVERIFY(testwin::isAbove(other, w));
            win::raiseAbove(win::handleOf(w), win::handleOf(self ? w : nullptr));
            QVERIFY(testwin::isTopMost(w));
            QCOMPARE(GetTopWindow(nullptr), w);
        }
    }

    void injectKeyTo_data()
    {
        QTest::addColumn<bool>("inFront");
        QTest::newRow("target in front") << true;
        QTest::newRow("target behind") << false;
    }

    void injectKeyTo()
    {
        QFETCH(bool, inFront);
        const HWND target = window(QStringLiteral("show"), 0, QRect(100, 100, 300, 200));
        const HWND other = window(QStringLiteral("other"), 0, QRect(500, 100, 300, 200));
        QTest::qWait(100); // the window manager's own activation of new windows settles first
        QVERIFY(SetForegroundWindow(inFront ? target : other));
        QTRY_COMPARE(GetForegroundWindow(), inFront ? target : other);
        testwin::inputLog().clear();

        QElapsedTimer clock;
        clock.start();
        QVERIFY(win::injectKeyTo(win::handleOf(target), win::Key::Right));
        const qint64 elapsed = clock.elapsed();
        // Only a window brought to the front needs the pause before the keys.
        QVERIFY2(inFront ? elapsed < 60 : elapsed >= 60, qPrintable(QString::number(elapsed)));
        QCOMPARE(GetForegroundWindow(), target);

        const QList<QPair<UINT, WPARAM>> expected = {{WM_KEYDOWN, VK_RIGHT}, {WM_KEYUP, VK_RIGHT}};
        QTRY_COMPARE(testwin::inputOf(WM_KEYDOWN, WM_KEYUP), expected);
    }
};

QTEST_MAIN(TestWinBackend)
#include "tst_winbackend.moc"
