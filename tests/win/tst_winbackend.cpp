// The Win32 window layer against real windows of this process: queries, styles, z-order, keys.
#include "TestWindows.h"
#include "WinUtil.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

class TestWinBackend : public QObject
{
    Q_OBJECT

private:
    QList<HWND> made;

    HWND window(const QString &title, const QRect &rect = QRect(100, 120, 300, 200),
                DWORD exStyle = 0)
    {
        const HWND hwnd = testwin::create(title, rect, exStyle);
        made.append(hwnd);
        return hwnd;
    }

    static const win::WindowInfo *findIn(const QList<win::WindowInfo> &list, HWND hwnd)
    {
        for (const win::WindowInfo &w : list) {
            if (w.hwnd == hwnd)
                return &w;
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        testwin::registerClass();
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

    void enumerationDescribesVisibleWindows()
    {
        const HWND shown = window(QStringLiteral("Podivex enumeration"), QRect(100, 120, 300, 200));
        const HWND iconic = window(QStringLiteral("Podivex iconic"));
        ShowWindow(iconic, SW_SHOWMINNOACTIVE);
        const HWND hidden = window(QStringLiteral("Podivex hidden"));
        ShowWindow(hidden, SW_HIDE);

        const QList<win::WindowInfo> all = win::enumTopLevelWindows();
        const win::WindowInfo *w = findIn(all, shown);
        QVERIFY(w);
        QCOMPARE(w->title, QStringLiteral("Podivex enumeration"));
        QCOMPARE(w->className, QStringLiteral("PodivexTestWindow"));
        QCOMPARE(w->processName,
                 QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUpper());
        QCOMPARE(w->pid, quint32(GetCurrentProcessId()));
        QCOMPARE(w->rect, QRect(100, 120, 300, 200));
        QVERIFY(w->visible);
        QVERIFY(!w->minimized);
        QVERIFY(quint32(w->style) & win::kStyleCaption);

        const win::WindowInfo *m = findIn(all, iconic);
        QVERIFY(m);
        QVERIFY(m->minimized);
        QVERIFY(win::isMinimized(iconic));
        QVERIFY(!findIn(all, hidden));
    }

    void enumerationKeepsZOrder()
    {
        const HWND lower = window(QStringLiteral("lower"));
        const HWND upper = window(QStringLiteral("upper"));
        SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        const QList<win::WindowInfo> all = win::enumTopLevelWindows();
        qsizetype upperAt = -1, lowerAt = -1;
        for (qsizetype i = 0; i < all.size(); ++i) {
            if (all[i].hwnd == upper)
                upperAt = i;
            if (all[i].hwnd == lower)
                lowerAt = i;
        }
        QVERIFY(upperAt >= 0 && lowerAt >= 0);
        QVERIFY(upperAt < lowerAt);
    }

    void longTitleIsCut()
    {
        const QString title = QString(600, QLatin1Char('t'));
        const HWND hwnd = window(title);
        QCOMPARE(win::windowTitle(hwnd), title.left(511));
        const win::WindowInfo *w = findIn(win::enumTopLevelWindows(), hwnd);
        QVERIFY(w);
        QCOMPARE(w->title, title.left(511));
    }

    void staleAndNullHandlesAnswerEmpty()
    {
        const HWND gone = testwin::create(QStringLiteral("gone"), QRect(0, 0, 50, 50));
        QVERIFY(win::isWindowValid(gone));
        DestroyWindow(gone);
        QVERIFY(!win::isWindowValid(gone));
        QVERIFY(win::windowTitle(gone).isEmpty());
        QVERIFY(win::classNameOf(gone).isEmpty());
        QVERIFY(win::windowRect(gone).isNull());
        QVERIFY(!win::forceForeground(gone));
        QVERIFY(!win::injectKeyTo(gone, win::kVkRight));
        QVERIFY(win::windowTitle(nullptr).isEmpty());
        QVERIFY(win::processNameOf(0).isEmpty());
        QVERIFY(win::processNameOf(0x7FFFFFF0u).isEmpty());
    }

    void monitorOfWindow()
    {
        const HWND hwnd = window(QStringLiteral("monitor"), QRect(300, 300, 200, 100));
        const QRect primary = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(win::monitorRectPhysical(hwnd), primary);
        QCOMPARE(win::monitorRectPhysical(nullptr), primary);
        QCOMPARE(win::monitorRect(hwnd), primary);
    }

    void styleSwitches_data()
    {
        QTest::addColumn<bool>("topMost");
        QTest::addColumn<int>("which"); // 0 tool window, 1 no-activate
        QTest::addColumn<bool>("on");
        for (const bool topMost : {false, true}) {
            for (int which : {0, 1}) {
                for (const bool on : {true, false}) {
                    QTest::addRow("%s %s %s", topMost ? "top-most" : "normal",
                                  which ? "no-activate" : "tool", on ? "on" : "off")
                        << topMost << which << on;
                }
            }
        }
    }

    void styleSwitches()
    {
        QFETCH(bool, topMost);
        QFETCH(int, which);
        QFETCH(bool, on);
        const LONG_PTR bit = which ? WS_EX_NOACTIVATE : WS_EX_TOOLWINDOW;
        const HWND hwnd = window(QStringLiteral("styles"), QRect(100, 100, 200, 100),
                                 (topMost ? WS_EX_TOPMOST : 0) | (on ? 0 : DWORD(bit)));
        QCOMPARE(testwin::isTopMost(hwnd), topMost);
        if (which)
            win::setNoActivate(hwnd, on);
        else
            win::setToolWindow(hwnd, on);
        QCOMPARE((testwin::exStyleOf(hwnd) & bit) != 0, on);
        QCOMPARE(testwin::isTopMost(hwnd), topMost);
    }

    void topMostSwitch()
    {
        const HWND hwnd = window(QStringLiteral("top-most"));
        win::setTopMost(hwnd, true);
        QVERIFY(testwin::isTopMost(hwnd));
        win::setTopMost(hwnd, false);
        QVERIFY(!testwin::isTopMost(hwnd));
    }

    void clickThroughKeepsLayered_data()
    {
        QTest::addColumn<bool>("topMost");
        QTest::newRow("normal") << false;
        QTest::newRow("top-most") << true;
    }

    void clickThroughKeepsLayered()
    {
        QFETCH(bool, topMost);
        const HWND hwnd = window(QStringLiteral("overlay"), QRect(100, 100, 200, 100),
                                 topMost ? WS_EX_TOPMOST : 0);
        QVERIFY(!(testwin::exStyleOf(hwnd) & WS_EX_LAYERED));
        win::setClickThrough(hwnd, false);
        QCOMPARE(testwin::exStyleOf(hwnd) & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED);
        win::setClickThrough(hwnd, true);
        QCOMPARE(testwin::exStyleOf(hwnd) & (WS_EX_LAYERED | WS_EX_TRANSPARENT),
                 WS_EX_LAYERED | WS_EX_TRANSPARENT);
        win::setClickThrough(hwnd, false);
        QCOMPARE(testwin::exStyleOf(hwnd) & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED);
        QCOMPARE(testwin::isTopMost(hwnd), topMost);
    }

    void layeredAlphaIsClamped_data()
    {
        QTest::addColumn<int>("alpha");
        QTest::addColumn<int>("expected");
        QTest::newRow("inside") << 82 << 82;
        QTest::newRow("above") << 300 << 255;
        QTest::newRow("below") << -5 << 0;
    }

    void layeredAlphaIsClamped()
    {
        QFETCH(int, alpha);
        QFETCH(int, expected);
        const HWND hwnd =
            window(QStringLiteral("fading"), QRect(100, 100, 200, 100), WS_EX_TOPMOST);
        win::setLayeredAlpha(hwnd, alpha);
        QVERIFY(testwin::exStyleOf(hwnd) & WS_EX_LAYERED);
        QVERIFY(testwin::isTopMost(hwnd));
        BYTE read = 0;
        DWORD flags = 0;
        QVERIFY(GetLayeredWindowAttributes(hwnd, nullptr, &read, &flags));
        QCOMPARE(int(read), expected);
        QVERIFY(flags & LWA_ALPHA);
    }

    void raiseAboveNormalWindow()
    {
        const HWND w = window(QStringLiteral("w"));
        const HWND band = window(QStringLiteral("band"), QRect(100, 100, 200, 100), WS_EX_TOPMOST);
        const HWND ref = window(QStringLiteral("ref"));
        SetWindowPos(ref, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        QVERIFY(testwin::isAbove(ref, w));

        win::raiseAbove(w, ref);
        QVERIFY(testwin::isTopMost(w));
        QVERIFY(testwin::isAbove(w, ref));
        // It joins the bottom of the top-most band, under the window that was already there.
        QCOMPARE(GetWindow(band, GW_HWNDNEXT), w);
    }

    void raiseAboveTopMostWindow()
    {
        const HWND w = window(QStringLiteral("w"), QRect(100, 100, 200, 100), WS_EX_TOPMOST);
        const HWND low = window(QStringLiteral("low"), QRect(100, 100, 200, 100), WS_EX_TOPMOST);
        const HWND ref = window(QStringLiteral("ref"), QRect(100, 100, 200, 100), WS_EX_TOPMOST);
        const HWND high = window(QStringLiteral("high"), QRect(100, 100, 200, 100), WS_EX_TOPMOST);
        SetWindowPos(low, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowPos(ref, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowPos(high, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        QVERIFY(testwin::isAbove(low, w));

        win::raiseAbove(w, ref);
        QCOMPARE(GetWindow(ref, GW_HWNDPREV), w); // directly above ref, still below high
        QVERIFY(testwin::isAbove(high, w));
        QVERIFY(testwin::isTopMost(w));
    }

    void raiseAboveItselfOrNothingGoesToTop_data()
    {
        QTest::addColumn<bool>("self");
        QTest::newRow("itself") << true;
        QTest::newRow("null") << false;
    }

    void raiseAboveItselfOrNothingGoesToTop()
    {
        QFETCH(bool, self);
        const HWND w = window(QStringLiteral("w"));
        const HWND other =
            window(QStringLiteral("other"), QRect(100, 100, 200, 100), WS_EX_TOPMOST);
        QVERIFY(testwin::isAbove(other, w));
        win::raiseAbove(w, self ? w : nullptr);
        QVERIFY(testwin::isTopMost(w));
        QCOMPARE(GetTopWindow(nullptr), w);
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
        const HWND target = window(QStringLiteral("show"), QRect(100, 100, 300, 200));
        const HWND other = window(QStringLiteral("other"), QRect(500, 100, 300, 200));
        QTest::qWait(100); // the window manager's own activation of new windows settles first
        QVERIFY(SetForegroundWindow(inFront ? target : other));
        QTRY_COMPARE(GetForegroundWindow(), inFront ? target : other);
        testwin::inputLog().clear();

        QElapsedTimer clock;
        clock.start();
        QVERIFY(win::injectKeyTo(target, win::kVkRight));
        const qint64 elapsed = clock.elapsed();
        if (inFront)
            QVERIFY2(elapsed < 60, qPrintable(QString::number(elapsed)));
        else
            QVERIFY2(elapsed >= 60, qPrintable(QString::number(elapsed)));
        QCOMPARE(GetForegroundWindow(), target);

        const QList<QPair<UINT, WPARAM>> expected = {{WM_KEYDOWN, VK_RIGHT}, {WM_KEYUP, VK_RIGHT}};
        QTRY_COMPARE(testwin::inputOf(WM_KEYDOWN, WM_KEYUP), expected);
    }

    void forceForegroundRestoresIconic()
    {
        const HWND hwnd = window(QStringLiteral("iconic"));
        ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
        QVERIFY(IsIconic(hwnd));
        QVERIFY(win::forceForeground(hwnd));
        QVERIFY(!IsIconic(hwnd));
        QCOMPARE(GetForegroundWindow(), hwnd);
    }

    void minimizeWindow()
    {
        const HWND hwnd = window(QStringLiteral("to minimise"));
        win::minimizeWindow(hwnd);
        QTRY_VERIFY(IsIconic(hwnd));
    }
};

QTEST_MAIN(TestWinBackend)
#include "tst_winbackend.moc"
