// On a real X server the bars stay above a focused full-screen show and leave it visible wherever
// they paint no card: translucent with a compositing manager, shaped to their cards without one.
#include "controls/BarGroup.h"
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"
#include "platform/WindowLayer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QtTest>

namespace
{

const QColor kShow(0, 170, 80);

bool isShow(QColor c)
{
    return qAbs(c.red() - kShow.red()) + qAbs(c.green() - kShow.green()) +
               qAbs(c.blue() - kShow.blue()) <=
           6;
}

} // namespace

class TestBarsX11 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> show;
    QProcess compositor;

    void checkBarsLeaveTheShowVisible(bool composited)
    {
        QTRY_COMPARE_WITH_TIMEOUT(win::needsShapedWindows(), !composited, 5000);
        BottomBar bottom;
        bottom.setScreenRect(QGuiApplication::primaryScreen()->geometry());
        bottom.setHasTarget(true);
        bottom.applyNativeStyles(); // as the tray mode does at start
        FloatToolBar floating;
        floating.setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(&bottom) && QTest::qWaitForWindowExposed(&floating));
        QTRY_COMPARE(win::windowRect(win::fromWinId(floating.winId())), floating.geometry());
        QTest::qWait(400); // let the server and the compositor finish drawing
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const auto colourAt = [&](QPoint pt) { return shot.pixelColor(pt); };
        QList<QPoint> cards, gaps;
        for (const BarGroup *group : bottom.findChildren<BarGroup *>())
            cards << group->mapToGlobal(QPoint(5, group->height() / 2));
        const QRect bar = bottom.geometry(), tool = floating.geometry();
        cards << QPoint(tool.left() + 8, tool.center().y());
        // Between and around the groups, and outside the toolbar's rounded corners.
        gaps << bar.center() << QPoint(bar.center().x(), bar.top() + 3)
             << bar.topLeft() + QPoint(3, 3) << bar.bottomRight() - QPoint(3, 3)
             << tool.topLeft() + QPoint(2, 2) << tool.bottomRight() - QPoint(2, 2);
        for (const QPoint &pt : cards)
            QVERIFY2(!isShow(colourAt(pt)), "a card is missing or below the show");
        for (const QPoint &pt : gaps)
            QVERIFY2(isShow(colourAt(pt)), qPrintable(colourAt(pt).name()));
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        // Focused, undecorated and covering the screen: the window manager stacks it above every
        // always-on-top window, as it does a real show.
        show = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        show->setAutoFillBackground(true);
        show->setPalette(QPalette(kShow));
        show->setGeometry(QGuiApplication::primaryScreen()->geometry());
        show->show();
        QVERIFY(QTest::qWaitForWindowExposed(show.get()));
    }

    void cleanupTestCase()
    {
        compositor.terminate();
        compositor.waitForFinished(3000);
        show.reset();
    }

    void withoutCompositor() { checkBarsLeaveTheShowVisible(false); }

    void withCompositor()
    {
        compositor.start(QStringLiteral("xcompmgr"), QStringList());
        if (!compositor.waitForStarted(3000))
            QSKIP("xcompmgr is not installed");
        checkBarsLeaveTheShowVisible(true);
    }
};

QTEST_MAIN(TestBarsX11)
#include "tst_bars_x11.moc"
