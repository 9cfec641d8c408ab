// On a real X server the bars stay above a focused full-screen show and leave it visible wherever
// they paint no card: translucent with a compositing manager, shaped to their cards without one.
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"
#include "platform/WindowLayer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QtTest>

class TestBarsX11 : public QObject
{
    Q_OBJECT

    QWidget show{nullptr, Qt::FramelessWindowHint};

    void checkBarsLeaveTheShowVisible(bool composited)
    {
        QTRY_COMPARE_WITH_TIMEOUT(win::needsShapedWindows(), !composited, 5000);
        BottomBar bottom;
        bottom.setScreenRect(show.geometry());
        bottom.setHasTarget(true);
        bottom.applyNativeStyles(); // as the tray mode does at start
        FloatToolBar floating;
        floating.setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(&bottom) && QTest::qWaitForWindowExposed(&floating));
        QTRY_COMPARE(win::windowRect(win::fromWinId(floating.winId())), floating.geometry());
        QTest::qWait(400); // let the server and the compositor finish drawing
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const QRect bar = bottom.geometry(), tool = floating.geometry();
        // Cards, then the show between and around the groups and outside the toolbar's corners.
        QList<QPoint> points{tool.topLeft() + QPoint(8, 116), bar.topLeft() + QPoint(21, 62),
                             bar.topRight() + QPoint(-21, 62)};
        const QList<QPoint> gaps{bar.center(), bar.topLeft() + QPoint(3, 3),
                                 bar.bottomRight() - QPoint(3, 3), tool.topLeft() + QPoint(2, 2),
                                 tool.bottomRight() - QPoint(2, 2)};
        for (const QPoint &pt : points + gaps) {
            const QColor c = shot.pixelColor(pt);
            const bool isShow = c.red() + qAbs(c.green() - 170) + qAbs(c.blue() - 80) <= 6;
            QVERIFY2(isShow == gaps.contains(pt), qPrintable(c.name()));
        }
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        // Focused, undecorated and covering the screen: the window manager stacks it above every
        // always-on-top window, as it does a real show.
        show.setAutoFillBackground(true);
        show.setPalette(QPalette(QColor(0, 170, 80)));
        show.setGeometry(QGuiApplication::primaryScreen()->geometry());
        show.show();
        QVERIFY(QTest::qWaitForWindowExposed(&show));
    }

    void withoutCompositor() { checkBarsLeaveTheShowVisible(false); }

    void withCompositor()
    {
        QProcess compositor; // ends with the test
        compositor.start(QStringLiteral("xcompmgr"), QStringList());
        if (!compositor.waitForStarted(3000))
            QSKIP("xcompmgr is not installed");
        checkBarsLeaveTheShowVisible(true);
        compositor.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(win::needsShapedWindows(), 5000); // and its end is noticed too
    }
};

QTEST_MAIN(TestBarsX11)
#include "tst_bars_x11.moc"
