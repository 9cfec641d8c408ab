// The tray mode's wiring against a scripted desktop: attach, detach, re-detect, stacking, the
// switches and the routes of pages and presses.
#include "Columns.h"
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
win::WindowInfo show(quintptr n)
{
    return {FakeBackend::handle(0x100000 + n),
            "Presenting: deck.odp",
            {},
            "SOFFICE.BIN",
            0,
            {0, 0, 1920, 1080},
            true,
            false,
            {}};
}
const win::Handle kShow = show(1).handle;

QString nameOf(const QWidget *w)
{
    return FakeBackend::name(win::fromWinId(w->winId()));
}

} // namespace

class TestTrayMode : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;

    // The raises logged since the overlay last lifted itself above everything, as "window ref";
    // {"none"} when it did not lift itself.
    QStringList raisesSinceOverlayLifted(const TrayMode &tray) const
    {
        QStringList raises = {"none"};
        for (const QString &c : fake->calls) {
            if (c == "raiseAbove " + nameOf(tray.overlay()) + " 0x0")
                raises.clear();
            else if (c.startsWith("raiseAbove ") && raises != QStringList("none"))
                raises << c.mid(11);
        }
        return raises;
    }

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        fake->windows = {show(1)};
        fake->foreground = kShow;
    }

    void keepsTheShowItFollows()
    {
        TrayMode tray(false);
        QCOMPARE(tray.controller()->target(), kShow);
        QVERIFY(tray.bottomBar()->isVisible() && tray.toolBar()->isVisible());
        // Ink drawn before the first refresh belongs to slide 1, not to a page that vanishes.
        QCOMPARE(tray.overlay()->currentPage(), 1);
        fake->windows.prepend(show(2)); // a second show does not take over a valid one
        tray.trackingTick();
        QCOMPARE(tray.currentTarget(), kShow);
    }

    // Steps: d drawing on, u drawing off, m pen menu on, p pointer tool, t toggle controls,
    // l show lost at a tick, r re-detect, R re-detect with the show minimised just before.
    void switches_data()
    {
        columns<QString, bool, bool, bool, bool>("steps", "drawing", "panel", "overlay", "bars");
        const auto row = [](const char *name, const char *steps, bool d, bool p, bool o, bool b) {
            QTest::newRow(name) << QString(steps) << d << p << o << b;
        };
        row("drawing on", "d", true, false, true, true);
        row("pen menu turns drawing on", "m", true, true, true, true);
        row("pointer tool keeps the menu", "mp", true, true, true, true);
        row("drawing off closes the menu", "mu", false, false, true, true);
        row("hidden controls end drawing", "mt", false, false, false, false);
        row("shown again without drawing", "mtt", false, false, true, true);
        row("show lost", "ml", false, false, false, false);
        row("re-detect finds the show", "mr", true, true, true, true);
        row("re-detect finds nothing", "mR", false, false, false, false);
    }
    void switches()
    {
        QFETCH(QString, steps);
        TrayMode tray(false);
        for (const QChar step : steps) {
            fake->calls.clear();
            switch (step.toLatin1()) {
            case 'd':
            case 'u':
                tray.toolBar()->setAnnotating(step == 'd');
                break;
            case 'm':
                tray.toolBar()->setExpanded(true);
                QTest::mouseClick(tray.overlay(), Qt::LeftButton, {}, QPoint(400, 300)); // ink
                break;
            case 'p':
                emit tray.panel()->toolChanged(AnnotationOverlay::Pointer);
                break;
            case 't':
                tray.toggleControls();
                break;
            case 'l':
                fake->windows.clear();
                tray.trackingTick();
                break;
            default:
                if (step == 'R')
                    fake->windows[0].minimized = true;
                tray.redetect();
                QCOMPARE(tray.overlay()->strokeCount(1), 0); // the show's ink is dropped
            }
        }
        QTEST(tray.overlay()->isAnnotating(), "drawing");
        QTEST(tray.panel()->isVisible(), "panel");
        QTEST(tray.overlay()->isOverlayActive(), "overlay");
        QTEST(tray.bottomBar()->isVisible(), "bars");
        QTEST(tray.toolBar()->isVisible(), "bars");
        // The overlay lifts itself when its click-through changes; the bars must be back above it
        // before the next tap, not at the next stacking tick.
        const QStringList raises = raisesSinceOverlayLifted(tray);
        QVERIFY2(raises == QStringList("none") || !tray.toolBar()->isVisible() ||
                     (!raises.isEmpty() && raises.last().startsWith(nameOf(tray.toolBar()))),
                 qPrintable(raises.join(", ")));
    }

    // A press on the show closes the pen menu, and moves the show on where it passes through.
    void pressesOnAndOffTheControls_data()
    {
        columns<QString, bool, bool, int>("where", "drawing", "menuStays", "page");
        QTest::newRow("bottom bar") << "bar" << true << true << 1;
        QTest::newRow("panel corner") << "panel" << true << true << 1;
        QTest::newRow("the show while drawing") << "show" << true << false << 1;
        QTest::newRow("the show, clicks passing") << "show" << false << false << 2;
        QTest::newRow("the bar, clicks passing") << "bar" << false << false << 1;
    }
    void pressesOnAndOffTheControls()
    {
        QFETCH(QString, where);
        QFETCH(bool, drawing);
        TrayMode tray(false);
        tray.toolBar()->setExpanded(drawing);
        const QPoint p = where == "bar"     ? tray.bottomBar()->geometry().center()
                         : where == "panel" ? tray.panel()->geometry().topLeft()
                                            : QPoint(5, 5);
        fake->mouseHook(p.x(), p.y());
        QTEST(tray.panel()->isVisible(), "menuStays");
        QCOMPARE(tray.overlay()->isAnnotating(), drawing); // a press never ends drawing
        QTEST(tray.overlay()->currentPage(), "page");
    }

    void stackingOrderAboveTheShow()
    {
        TrayMode tray(false);
        const QString overlay = nameOf(tray.overlay()), bar = nameOf(tray.bottomBar());
        fake->calls = {"raiseAbove " + overlay + " 0x0"};
        tray.stackingTick();
        QCOMPARE(raisesSinceOverlayLifted(tray),
                 QStringList({overlay + ' ' + FakeBackend::name(kShow), bar + ' ' + overlay,
                              nameOf(tray.toolBar()) + ' ' + bar}));
    }

    // A clicker's key while the show is in front moves the counter; the controller's own key
    // coming back does not, nor does a re-detect of the same show.
    void pageNumbersFlowToTheBarAndTheOverlay()
    {
        TrayMode tray(false);
        tray.controller()->nextSlide();
        QCOMPARE(tray.bottomBar()->pageText(), QStringLiteral("2 / ?"));
        fake->keyHook(win::Key::PageDown);
        QCOMPARE(tray.bottomBar()->pageText(), QStringLiteral("3 / ?"));
        fake->keyHook(win::Key::Right);
        tray.redetect();
        QCOMPARE(tray.overlay()->currentPage(), 3);
    }

    // Without a tray host the grip's menu is the only way to hide the controls or quit.
    void theToolBarOpensTheTrayMenu()
    {
        QStandardPaths::setTestModeEnabled(true);
        TrayMode tray(true);
        emit tray.toolBar()->menuRequested(QPoint(100, 100));
        QTRY_VERIFY(tray.trayMenu()->menu()->isVisible());
        tray.trayMenu()->menu()->hide();
    }
};

QTEST_MAIN(TestTrayMode)
#include "tst_traymode.moc"
