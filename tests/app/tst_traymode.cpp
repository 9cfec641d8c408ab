// The tray mode's wiring against a scripted desktop: attach, detach, re-detect, stacking, the
// switches and the routes of pages and presses.
#include "FakeBackend.h"
#include "annotation/AnnotPanel.h"
#include "annotation/AnnotationOverlay.h"
#include "app/TrayMenu.h"
#include "app/TrayMode.h"
#include "control/SlideController.h"
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"

#include <QMenu>
#include <QtTest>

namespace
{

// Far from the small ids the offscreen platform gives the program's own windows.
HWND showHandle(quintptr n)
{
    return FakeBackend::handle(0x100000 + n);
}

win::WindowInfo show(quintptr n)
{
    win::WindowInfo w;
    w.hwnd = showHandle(n);
    w.title = QStringLiteral("Presenting: deck.odp");
    w.className = QStringLiteral("soffice");
    w.processName = QStringLiteral("SOFFICE.BIN");
    w.rect = QRect(0, 0, 1920, 1080);
    return w;
}

QString nameOf(const QWidget *w)
{
    return FakeBackend::name(win::fromWinId(w->winId()));
}

} // namespace

class TestTrayMode : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;

    // The bars' order above the show, as the last raises left it: true when the floating toolbar
    // was raised after the overlay's last raise of itself.
    bool toolBarOnTop(const TrayMode &tray) const
    {
        const QString overlay = QStringLiteral("raiseAbove ") + nameOf(tray.overlay());
        const QString toolBar = QStringLiteral("raiseAbove ") + nameOf(tray.toolBar());
        int lastOverlay = -1, lastToolBar = -1;
        for (int i = 0; i < fake->calls.size(); ++i) {
            if (fake->calls.at(i).startsWith(overlay))
                lastOverlay = i;
            if (fake->calls.at(i).startsWith(toolBar))
                lastToolBar = i;
        }
        return lastToolBar > lastOverlay;
    }

    static void expectDetached(const TrayMode &tray)
    {
        QVERIFY(!tray.currentTarget());
        QVERIFY(!tray.controller()->target());
        QVERIFY(!tray.overlay()->isAnnotating());
        QVERIFY(!tray.overlay()->isOverlayActive());
        QVERIFY(!tray.panel()->isVisible());
        QVERIFY(!tray.bottomBar()->isVisible());
        QVERIFY(!tray.toolBar()->isVisible());
        QVERIFY(!tray.toolBar()->isExpanded());
    }

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        fake->windows = {show(1)};
        fake->foreground = showHandle(1);
    }

    void attachesAtStartAndDetachesWhenTheShowCloses()
    {
        TrayMode tray(false);
        QCOMPARE(tray.currentTarget(), showHandle(1));
        QCOMPARE(tray.controller()->target(), showHandle(1));
        QVERIFY(tray.overlay()->isOverlayActive());
        QVERIFY(tray.bottomBar()->isVisible());
        QVERIFY(tray.toolBar()->isVisible());
        // Ink drawn before the first refresh belongs to slide 1, not to a page that vanishes.
        QCOMPARE(tray.overlay()->currentPage(), 1);

        tray.toolBar()->setExpanded(true); // opening the pen menu turns drawing on
        QVERIFY(tray.overlay()->isAnnotating());
        QVERIFY(tray.panel()->isVisible());

        fake->windows.clear();
        tray.trackingTick();
        expectDetached(tray);
    }

    void keepsAValidTargetWithoutSearching()
    {
        TrayMode tray(false);
        fake->windows.prepend(show(2));
        fake->foreground = showHandle(2);
        tray.trackingTick();
        QCOMPARE(tray.currentTarget(), showHandle(1));

        // Minimising the followed show ends its validity: the next search picks the other one.
        fake->minimizedHandles.insert(showHandle(1));
        fake->windows[1].minimized = true;
        tray.trackingTick();
        QCOMPARE(tray.currentTarget(), showHandle(2));
        QVERIFY(!tray.ownWindows().contains(showHandle(2)));
    }

    void redetect_data()
    {
        QTest::addColumn<bool>("showStays");
        QTest::newRow("the same show again") << true;
        QTest::newRow("nothing found") << false;
    }

    // Re-detect drops the show's ink; when it finds nothing, the controls leave with the show.
    void redetect()
    {
        QFETCH(bool, showStays);
        TrayMode tray(false);
        tray.toolBar()->setExpanded(true);
        QTest::mouseClick(tray.overlay(), Qt::LeftButton, {}, QPoint(400, 300));
        QCOMPARE(tray.overlay()->annotatedPageCount(), 1);
        if (!showStays) { // minimised just before re-detect
            fake->minimizedHandles.insert(showHandle(1));
            fake->windows[0].minimized = true;
        }
        tray.redetect();
        QCOMPARE(tray.overlay()->annotatedPageCount(), 0);
        if (showStays) {
            QCOMPARE(tray.currentTarget(), showHandle(1));
            QVERIFY(tray.bottomBar()->isVisible());
        } else {
            expectDetached(tray);
        }
    }

    void pressesOutsideTheControlsCloseThePenMenu_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("stays");
        QTest::newRow("bottom bar") << "bar" << true;
        QTest::newRow("panel corner") << "panel" << true;
        QTest::newRow("the show") << "show" << false;
    }

    void pressesOutsideTheControlsCloseThePenMenu()
    {
        QFETCH(QString, where);
        QFETCH(bool, stays);
        TrayMode tray(false);
        QVERIFY(fake->mouseHook);
        tray.toolBar()->setExpanded(true);
        const QPoint p = where == "bar"     ? tray.bottomBar()->geometry().center()
                         : where == "panel" ? tray.panel()->geometry().topLeft()
                                            : QPoint(5, 5);
        fake->mouseHook(p.x(), p.y());
        QCOMPARE(tray.panel()->isVisible(), stays);
        QCOMPARE(tray.toolBar()->isExpanded(), stays);
        QVERIFY(tray.overlay()->isAnnotating()); // drawing stays on
    }

    void drawingSwitchesAndThePanel()
    {
        TrayMode tray(false);
        tray.toolBar()->setAnnotating(true);
        QCOMPARE(tray.overlay()->tool(), AnnotationOverlay::Pen);
        QVERIFY(!tray.panel()->isVisible());
        tray.toolBar()->setExpanded(true);
        QVERIFY(tray.panel()->isVisible());
        tray.toolBar()->setAnnotating(false);
        QVERIFY(!tray.toolBar()->isExpanded());
        QVERIFY(!tray.panel()->isVisible());
        QCOMPARE(tray.overlay()->tool(), AnnotationOverlay::Pointer);
    }

    void hidingTheControlsEndsDrawing()
    {
        TrayMode tray(false);
        tray.toolBar()->setExpanded(true);
        tray.toggleControls();
        QVERIFY(!tray.overlay()->isAnnotating());
        QVERIFY(!tray.panel()->isVisible());
        QVERIFY(!tray.overlay()->isOverlayActive());
        QVERIFY(!tray.bottomBar()->isVisible());
        tray.toggleControls();
        QVERIFY(tray.bottomBar()->isVisible());
        QVERIFY(tray.overlay()->isOverlayActive());
        QVERIFY(!tray.overlay()->isAnnotating());
    }

    void stackingOrderAboveTheShow()
    {
        TrayMode tray(false);
        fake->calls.clear();
        tray.stackingTick();
        QStringList raises;
        for (const QString &c : fake->calls) {
            if (c.startsWith(QLatin1String("raiseAbove")))
                raises << c;
        }
        const QString overlay = nameOf(tray.overlay()), bar = nameOf(tray.bottomBar());
        QCOMPARE(
            raises,
            QStringList(
                {QStringLiteral("raiseAbove %1 %2").arg(overlay, FakeBackend::name(showHandle(1))),
                 QStringLiteral("raiseAbove %1 %2").arg(bar, overlay),
                 QStringLiteral("raiseAbove %1 %2").arg(nameOf(tray.toolBar()), bar)}));
    }

    void changesThatLiftTheOverlayRestackAtOnce_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("drawing on") << 0;
        QTest::newRow("pointer tool from the panel") << 1;
        QTest::newRow("controls hidden and shown") << 2;
        QTest::newRow("drawing off") << 3;
    }

    // The overlay lifts itself above everything when its click-through changes; the bars must be
    // back on top before the next tap, not at the next stacking tick.
    void changesThatLiftTheOverlayRestackAtOnce()
    {
        QFETCH(int, change);
        TrayMode tray(false);
        if (change == 3)
            tray.toolBar()->setAnnotating(true);
        fake->calls.clear();
        switch (change) {
        case 0:
            tray.toolBar()->setAnnotating(true);
            break;
        case 1:
            tray.toolBar()->setAnnotating(true);
            fake->calls.clear();
            emit tray.panel()->toolChanged(AnnotationOverlay::Pointer);
            break;
        case 2:
            tray.toggleControls();
            tray.toggleControls();
            break;
        default:
            tray.toolBar()->setAnnotating(false);
        }
        QVERIFY(toolBarOnTop(tray));
    }

    void pageNumbersFlowToTheBarAndTheOverlay()
    {
        TrayMode tray(false);
        tray.controller()->nextSlide();
        QCOMPARE(tray.bottomBar()->pageText(), QStringLiteral("2 / ?"));
        QCOMPARE(tray.overlay()->currentPage(), 2);
        QCOMPARE(fake->count(QStringLiteral("injectKeyTo")), 1);
    }

    // Without a tray host the grip's menu is the only way to hide the controls or quit.
    void theToolBarOpensTheTrayMenu()
    {
        QStandardPaths::setTestModeEnabled(true);
        TrayMode tray(true);
        QMenu *menu = tray.trayMenu()->menu();
        QVERIFY(!menu->isVisible());
        emit tray.toolBar()->menuRequested(QPoint(100, 100));
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
    }
};

QTEST_MAIN(TestTrayMode)
#include "tst_traymode.moc"
