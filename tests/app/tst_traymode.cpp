// The tray mode's wiring against a scripted desktop: attach, detach, stacking, and the switches.
#include "FakeBackend.h"
#include "annotation/AnnotPanel.h"
#include "annotation/AnnotationOverlay.h"
#include "app/TrayMode.h"
#include "control/SlideController.h"
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"

#include <QtTest>

namespace
{

// Far from the small ids the offscreen platform gives the program's own windows.
win::Handle showHandle(quintptr n)
{
    return FakeBackend::handle(0x100000 + n);
}

win::WindowInfo show(quintptr n)
{
    win::WindowInfo w;
    w.handle = showHandle(n);
    w.title = QStringLiteral("Presenting: deck.odp");
    w.className = QStringLiteral("soffice");
    w.processName = QStringLiteral("SOFFICE.BIN");
    w.rect = QRect(0, 0, 1920, 1080);
    return w;
}

} // namespace

class TestTrayMode : public QObject
{
    Q_OBJECT

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

        tray.toolBar()->setExpanded(true); // opening the pen menu turns drawing on
        QVERIFY(tray.overlay()->isAnnotating());
        QVERIFY(tray.panel()->isVisible());

        fake->windows.clear();
        tray.trackingTick();
        QVERIFY(!tray.currentTarget());
        QVERIFY(!tray.overlay()->isAnnotating());
        QVERIFY(!tray.overlay()->isOverlayActive());
        QVERIFY(!tray.panel()->isVisible());
        QVERIFY(!tray.bottomBar()->isVisible());
        QVERIFY(!tray.toolBar()->isExpanded());
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
    }

    void ownWindowsAreNeverFollowed()
    {
        TrayMode tray(false);
        for (void *h : tray.ownWindows())
            QVERIFY(h != tray.currentTarget());
        QCOMPARE(tray.ownWindows().size(), 4);
    }

    void pressesOutsideTheControlsCloseThePenMenu()
    {
        TrayMode tray(false);
        QVERIFY(fake->mouseHook);
        tray.toolBar()->setExpanded(true);
        QVERIFY(tray.panel()->isVisible());

        const QPoint onBar = tray.bottomBar()->geometry().center();
        fake->mouseHook(onBar.x(), onBar.y());
        QVERIFY(tray.panel()->isVisible());
        const QPoint onPanel = tray.panel()->geometry().topLeft();
        fake->mouseHook(onPanel.x(), onPanel.y());
        QVERIFY(tray.panel()->isVisible());

        fake->mouseHook(5, 5);
        QVERIFY(!tray.panel()->isVisible());
        QVERIFY(!tray.toolBar()->isExpanded());
        QVERIFY(tray.overlay()->isAnnotating()); // drawing stays on
    }

    void drawingSwitchesAndThePanel()
    {
        TrayMode tray(false);
        tray.toolBar()->setAnnotating(true);
        QVERIFY(tray.overlay()->isAnnotating());
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
        QVERIFY(!tray.controlsVisible());
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
        const QString show = FakeBackend::name(showHandle(1));
        const QString overlay = FakeBackend::name(win::fromWinId(tray.overlay()->winId()));
        const QString bar = FakeBackend::name(win::fromWinId(tray.bottomBar()->winId()));
        const QString toolBar = FakeBackend::name(win::fromWinId(tray.toolBar()->winId()));
        QStringList raises;
        for (const QString &c : fake->calls) {
            if (c.startsWith(QLatin1String("raiseAbove")))
                raises << c;
        }
        QCOMPARE(raises, QStringList({QStringLiteral("raiseAbove %1 %2").arg(overlay, show),
                                      QStringLiteral("raiseAbove %1 %2").arg(bar, overlay),
                                      QStringLiteral("raiseAbove %1 %2").arg(toolBar, bar)}));
        QCOMPARE(fake->count(QStringLiteral("setTopMost")), 4);
    }

    void pageNumbersFlowToTheBarAndTheOverlay()
    {
        TrayMode tray(false);
        tray.controller()->nextSlide();
        QCOMPARE(tray.controller()->pageText(), QStringLiteral("2/?"));
        QCOMPARE(tray.bottomBar()->pageText(), QStringLiteral("2 / ?"));
        QCOMPARE(tray.overlay()->currentPage(), 2);
        QCOMPARE(fake->count(QStringLiteral("injectKeyTo")), 1);
    }

    void redetectReattachesTheSameShow()
    {
        TrayMode tray(false);
        tray.controller()->nextSlide();
        QSignalSpy target(tray.controller(), &SlideController::targetChanged);
        tray.redetect();
        QCOMPARE(tray.currentTarget(), showHandle(1));
        QCOMPARE(target.size(), 0); // the controller already follows it
        QCOMPARE(tray.overlay()->annotatedPageCount(), 0);
    }

private:
    FakeBackend *fake = nullptr;
};

QTEST_MAIN(TestTrayMode)
#include "tst_traymode.moc"
