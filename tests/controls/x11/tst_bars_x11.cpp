// On a real X server the bars must leave the show visible wherever they paint no card, both with a
// compositing manager (translucent windows) and without one (windows shaped to their cards).
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"
#include "platform/WindowLayer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QtTest>

#include <xcb/xcb.h>

namespace
{

const QColor kShow(0, 170, 80);

bool isShowColour(QColor c)
{
    return qAbs(c.red() - kShow.red()) <= 2 && qAbs(c.green() - kShow.green()) <= 2 &&
           qAbs(c.blue() - kShow.blue()) <= 2;
}

// Whether a compositing manager owns the screen's composite selection.
bool compositorRunning()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *c = x11->connection();
    const QByteArray name = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, quint16(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    const bool running = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return running;
}

QImage grabScreen()
{
    QTest::qWait(400); // let the server (and the compositor) finish drawing
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

} // namespace

class TestBarsX11 : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> show;
    QProcess compositor;

    // Shows both bars over the show window and checks what the screen shows around their cards.
    void checkBarsLeaveTheShowVisible()
    {
        QVERIFY2(win::needsShapedWindows() == !compositorRunning(),
                 "the window layer must ask for shaped windows exactly when nothing composites");
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        BottomBar bottom;
        bottom.setScreenRect(screen);
        bottom.setHasTarget(true);
        bottom.applyNativeStyles(); // as the tray mode does at start
        FloatToolBar floating;
        floating.setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(&bottom));
        QVERIFY(QTest::qWaitForWindowExposed(&floating));
        // Where the toolkit and the server both have them, after leaving the window manager.
        QTRY_COMPARE(floating.geometry(), QRect(1807, 423, 104, 232));
        QCOMPARE(bottom.geometry(), QRect(0, 947, 1920, 124));
        QCOMPARE(win::windowRect(win::fromWinId(bottom.winId())), bottom.geometry());
        QCOMPARE(win::windowRect(win::fromWinId(floating.winId())), floating.geometry());
        const QImage shot = grabScreen();

        const QRect bar = bottom.geometry();
        for (const BarGroup *group : bottom.findChildren<BarGroup *>()) {
            const QPoint card = group->mapToGlobal(QPoint(5, group->height() / 2));
            QVERIFY2(!isShowColour(shot.pixelColor(card)), "the group's card is missing");
        }
        // Between the groups, above and below them, and at the bar's corners: the show.
        for (const QPoint &pt :
             {bar.center(), QPoint(bar.center().x(), bar.top() + 3),
              QPoint(bar.left() + 3, bar.top() + 3), QPoint(bar.left() + 3, bar.bottom() - 3),
              QPoint(bar.right() - 3, bar.top() + 3)}) {
            QVERIFY2(isShowColour(shot.pixelColor(pt)), qPrintable(shot.pixelColor(pt).name()));
        }

        const QRect tool = floating.geometry();
        QVERIFY(!isShowColour(shot.pixelColor(tool.left() + 8, tool.center().y())));
        // Outside the card's rounded corners.
        for (const QPoint &pt : {tool.topLeft() + QPoint(2, 2), tool.bottomRight() - QPoint(2, 2)})
            QVERIFY2(isShowColour(shot.pixelColor(pt)), qPrintable(shot.pixelColor(pt).name()));
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        show = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        show->setAutoFillBackground(true);
        show->setPalette(QPalette(kShow));
        // Focused, undecorated and covering the screen: the window manager stacks it above every
        // always-on-top window, as it does a real show.
        show->setGeometry(QGuiApplication::primaryScreen()->geometry());
        show->show();
        QVERIFY(QTest::qWaitForWindowExposed(show.get()));
        QVERIFY(isShowColour(grabScreen().pixelColor(960, 1000)));
    }

    void cleanupTestCase()
    {
        if (compositor.state() != QProcess::NotRunning) {
            compositor.terminate();
            compositor.waitForFinished(3000);
        }
        show.reset();
    }

    void withoutCompositor()
    {
        QVERIFY(!compositorRunning());
        checkBarsLeaveTheShowVisible();
    }

    void withCompositor()
    {
        compositor.start(QStringLiteral("xcompmgr"), QStringList());
        if (!compositor.waitForStarted(3000))
            QSKIP("xcompmgr is not installed");
        QTRY_VERIFY_WITH_TIMEOUT(compositorRunning(), 5000);
        checkBarsLeaveTheShowVisible();
    }
};

QTEST_MAIN(TestBarsX11)
#include "tst_bars_x11.moc"
