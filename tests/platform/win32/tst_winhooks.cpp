// The global mouse hook fed by real X presses (xdotool), and the top-most guard on a Qt window.
#include "TestWindows.h"
#include "platform/TopMostGuard.h"
#include "platform/WindowLayer.h"

#include <QProcess>
#include <QWidget>
#include <QtTest>

class TestWinHooks : public QObject
{
    Q_OBJECT

    const QRect target{400, 300, 400, 300};
    HWND targetWindow = nullptr;

private slots:
    void initTestCase()
    {
        targetWindow = testwin::create("hook target", target, WS_EX_TOPMOST);
        QVERIFY(SetForegroundWindow(targetWindow));
        QTest::qWait(200);
    }
    void cleanupTestCase() { DestroyWindow(targetWindow); }
    void cleanup() { win::uninstallGlobalMouseHook(); } // twice after "uninstalled": harmless

    // Only left presses are reported, to the last callback installed; every press goes on to the
    // window, after the hook.
    void hook_data()
    {
        QTest::addColumn<int>("button"); // xdotool's: 1 left, 3 right, 4 wheel
        QTest::addColumn<uint>("message");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("reported");
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

QTEST_MAIN(TestWinHooks)
#include "tst_winhooks.moc"
