// The global mouse hook fed by real X presses (xdotool), and the top-most guard on a Qt window.
#include "TestWindows.h"
#include "TopMostGuard.h"
#include "WinUtil.h"

#include <QProcess>
#include <QWidget>
#include <QtTest>

namespace
{

const QRect kTarget(400, 300, 400, 300);
const QPoint kPress = kTarget.center();

// Presses a mouse button over the test window through the X server, as a user's click arrives.
bool click(int button)
{
    const QStringList args = {QStringLiteral("mousemove"), QString::number(kPress.x()),
                              QString::number(kPress.y()), QStringLiteral("click"),
                              QString::number(button)};
    return QProcess::startDetached(QStringLiteral("Z:\\usr\\bin\\xdotool"), args);
}

int countOf(UINT message)
{
    return int(testwin::inputOf(message, message).size());
}

} // namespace

class TestWinHooks : public QObject
{
    Q_OBJECT

private:
    HWND target = nullptr;
    QList<QPoint> presses;
    QList<QPoint> otherPresses;

    void record(QList<QPoint> *into)
    {
        win::installGlobalMouseHook([into](int x, int y) { into->append(QPoint(x, y)); });
    }

private slots:
    void initTestCase()
    {
        testwin::registerClass();
        target = testwin::create(QStringLiteral("hook target"), kTarget, WS_EX_TOPMOST);
        QVERIFY(SetForegroundWindow(target));
        QTest::qWait(200);
    }

    void cleanupTestCase() { DestroyWindow(target); }

    void cleanup()
    {
        win::uninstallGlobalMouseHook();
        presses.clear();
        otherPresses.clear();
        testwin::inputLog().clear();
    }

    void leftPressReachesCallbackAndWindow()
    {
        record(&presses);
        QVERIFY(click(1));
        QTRY_COMPARE(presses, QList<QPoint>{kPress});
        // The hook passes the press on.
        QTRY_COMPARE(countOf(WM_LBUTTONDOWN), 1);
    }

    void otherButtonsAreNotReported()
    {
        record(&presses);
        QVERIFY(click(3)); // right
        QVERIFY(click(4)); // wheel
        QTRY_COMPARE(countOf(WM_RBUTTONDOWN), 1);
        QTRY_COMPARE(countOf(WM_MOUSEWHEEL), 1);
        QVERIFY(presses.isEmpty());
    }

    void secondInstallReplacesCallback()
    {
        record(&otherPresses);
        record(&presses);
        QVERIFY(click(1));
        QTRY_COMPARE(countOf(WM_LBUTTONDOWN), 1);
        QTRY_COMPARE(presses.size(), 1);
        QVERIFY(otherPresses.isEmpty());
    }

    void uninstalledHookIsSilent()
    {
        win::uninstallGlobalMouseHook(); // without a hook: nothing happens
        record(&presses);
        win::uninstallGlobalMouseHook();
        QVERIFY(click(1));
        // The hook runs before the press reaches the window, so by now it would have reported.
        QTRY_COMPARE(countOf(WM_LBUTTONDOWN), 1);
        QVERIFY(presses.isEmpty());
    }

    void guardPutsTopMostBack()
    {
        QWidget bar;
        bar.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus);
        bar.setGeometry(100, 100, 300, 80);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        const HWND hwnd = win::fromWinId(bar.winId());
        win::setTopMost(hwnd, true);
        QVERIFY(testwin::isTopMost(hwnd));

        TopMostGuard guard;
        qApp->installNativeEventFilter(&guard);
        guard.guard(hwnd);

        // Taken out of the band while unguarded: a plain style change leaves it there, an
        // extended-style change under guard brings it back at once.
        guard.unguard(hwnd);
        win::setTopMost(hwnd, false);
        win::setToolWindow(hwnd, true);
        QVERIFY(!testwin::isTopMost(hwnd));
        guard.guard(hwnd);
        SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) ^ WS_MINIMIZEBOX);
        QVERIFY(!testwin::isTopMost(hwnd));
        win::setNoActivate(hwnd, true);
        QVERIFY(testwin::isTopMost(hwnd));
        QVERIFY(GetForegroundWindow() != hwnd);

        qApp->removeNativeEventFilter(&guard);
    }
};

QTEST_MAIN(TestWinHooks)
#include "tst_winhooks.moc"
