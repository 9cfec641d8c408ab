// The global mouse hook fed by real X presses (xdotool), and the top-most guard on a Qt window.
#include "TestWindows.h"
#include "platform/TopMostGuard.h"
#include "platform/WindowLayer.h"

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
    return QProcess::startDetached(QStringLiteral("Z:\\usr\\bin\\xdotool"),
                                   {QStringLiteral("mousemove"), QString::number(kPress.x()),
                                    QString::number(kPress.y()), QStringLiteral("click"),
                                    QString::number(button)});
}

} // namespace

class TestWinHooks : public QObject
{
    Q_OBJECT

private:
    HWND target = nullptr;

private slots:
    void initTestCase()
    {
        target = testwin::create(QStringLiteral("hook target"), kTarget, WS_EX_TOPMOST);
        QVERIFY(SetForegroundWindow(target));
        QTest::qWait(200);
    }

    void cleanupTestCase() { DestroyWindow(target); }
    void cleanup() { win::uninstallGlobalMouseHook(); } // twice after "uninstalled": harmless

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
        QFETCH(bool, reported);

        QList<QPoint> presses, replaced;
        if (setup == QLatin1String("twice"))
            win::installGlobalMouseHook([&](int x, int y) { replaced.append({x, y}); });
        win::installGlobalMouseHook([&](int x, int y) { presses.append({x, y}); });
        if (setup == QLatin1String("uninstall"))
            win::uninstallGlobalMouseHook();
        testwin::inputLog().clear();

        QVERIFY(click(button));
        // The hook passes every press on, and runs before the window sees it.
        QTRY_COMPARE(testwin::inputOf(message, message).size(), 1);
        QCOMPARE(presses, reported ? QList<QPoint>{kPress} : QList<QPoint>{});
        QVERIFY(replaced.isEmpty());
    }

    void guardPutsTopMostBack()
    {
        QWidget bar;
        bar.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus);
        bar.setGeometry(100, 100, 300, 80);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        const HWND hwnd = win::nativeOf(win::fromWinId(bar.winId()));
        TopMostGuard guard;
        qApp->installNativeEventFilter(&guard);

        // Taken out of the band while unguarded: a plain style change leaves it there, an
        // extended-style change under guard brings it back at once.
        win::setTopMost(win::handleOf(hwnd), false);
        win::setToolWindow(win::handleOf(hwnd), true);
        QVERIFY(!testwin::isTopMost(hwnd));
        guard.guard(win::handleOf(hwnd));
        SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) ^ WS_MINIMIZEBOX);
        QVERIFY(!testwin::isTopMost(hwnd));
        win::setNoActivate(win::handleOf(hwnd), true);
        QVERIFY(testwin::isTopMost(hwnd));
        QVERIFY(GetForegroundWindow() != hwnd);
        guard.unguard(win::handleOf(hwnd));
        win::setTopMost(win::handleOf(hwnd), false);
        win::setToolWindow(win::handleOf(hwnd), false);
        QVERIFY(!testwin::isTopMost(hwnd));

        qApp->removeNativeEventFilter(&guard);
    }
};

QTEST_MAIN(TestWinHooks)
#include "tst_winhooks.moc"
