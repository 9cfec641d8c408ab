// The tray mode's wiring against a scripted desktop: attach, detach, re-detect, stacking, the
// switches and the routes of pages and presses. The widgets and the tray menu are other suites'.
#include "Columns.h"
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
win::WindowInfo show(quintptr n)
{
    win::WindowInfo w;
    w.handle = FakeBackend::handle(0x100000 + n);
    w.title = "Presenting: deck.odp";
    w.processName = "SOFFICE.BIN";
    w.rect = QRect(0, 0, 1920, 1080);
    return w;
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

    // The raises ("window ref") since the overlay last lifted itself; {"none"} if it did not.
    QStringList raisesSinceOverlayLifted(const TrayMode &tray) const
    {
        const int lifted = fake->calls.lastIndexOf("raiseAbove " + nameOf(tray.overlay()) + " 0x0");
        QStringList raises = fake->calls.mid(lifted + 1).filter(QRegularExpression("^raiseAbove "));
        return lifted < 0 ? QStringList("none") : raises.replaceInStrings("raiseAbove ", "");
    }

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        fake->windows = {show(1)};
        fake->foreground = kShow;
    }

    // Stacked from the show up; ink drawn before the first refresh belongs to slide 1.
    void attachesToTheShow()
    {
        TrayMode tray(false);
        QCOMPARE(tray.controller()->target(), kShow);
        QCOMPARE(tray.overlay()->currentPage(), 1);
        const QString overlay = nameOf(tray.overlay()), bar = nameOf(tray.bottomBar());
        fake->calls = {"raiseAbove " + overlay + " 0x0"};
        tray.stackingTick();
        QCOMPARE(raisesSinceOverlayLifted(tray),
                 QStringList({overlay + ' ' + FakeBackend::name(kShow), bar + ' ' + overlay,
                              nameOf(tray.toolBar()) + ' ' + bar}));
        fake->windows.prepend(show(2)); // a second show, even in front, does not take over
        fake->foreground = show(2).handle;
        tray.trackingTick();
        QCOMPARE(tray.currentTarget(), kShow);
    }

    // Steps: d drawing on, u drawing off, m pen menu on, p pointer tool, t toggle controls,
    // l show lost at a tick, r re-detect, R re-detect with the show minimised just before; presses
    // B on the bottom bar, P on the panel's corner, S on the show; n next by our button, k PageDown
    // from a clicker, e the echo of our own key.
    void switches_data()
    {
        columns<QString, bool, bool, bool, bool, int>("steps", "drawing", "panel", "overlay",
                                                      "bars", "page");
        const auto row = [](const char *name, const char *steps, bool d, bool p, bool o, bool b,
                            int page) {
            QTest::newRow(name) << QString(steps) << d << p << o << b << page;
        };
        row("drawing on", "d", true, false, true, true, 1);
        row("pen menu turns drawing on", "m", true, true, true, true, 1);
        row("pointer tool keeps the menu", "mp", true, true, true, true, 1);
        row("drawing off closes the menu", "mu", false, false, true, true, 1);
        row("hidden controls end drawing", "mt", false, false, false, false, 1);
        row("shown again without drawing", "mtt", false, false, true, true, 1);
        row("show lost", "ml", false, false, false, false, 0);
        row("re-detect finds the show", "mr", true, true, true, true, 1);
        row("re-detect finds nothing", "mR", false, false, false, false, 0);
        row("press on the bar keeps the menu", "mB", true, true, true, true, 1);
        row("press on the panel corner", "mP", true, true, true, true, 1);
        row("press on the show while drawing", "mS", true, false, true, true, 1);
        row("press passing to the show", "S", false, false, true, true, 2);
        row("press on the bar, clicks passing", "B", false, false, true, true, 1);
        row("pages from our button and a clicker", "nke", false, false, true, true, 3);
        row("re-detect of the same show keeps the page", "nkr", false, false, true, true, 3);
    }
    void switches()
    {
        QFETCH(QString, steps);
        TrayMode tray(false);
        for (const QChar step : steps) {
            fake->calls.clear();
            const char s = step.toLatin1();
            if (s == 'd' || s == 'u') {
                tray.toolBar()->setAnnotating(s == 'd');
            } else if (s == 'm') {
                tray.toolBar()->setExpanded(true);
                QTest::mouseClick(tray.overlay(), Qt::LeftButton, {}, QPoint(400, 300)); // ink
            } else if (s == 'p') {
                emit tray.panel()->toolChanged(AnnotationOverlay::Pointer);
            } else if (s == 't') {
                tray.toggleControls();
            } else if (s == 'l') {
                fake->windows.clear();
                tray.trackingTick();
            } else if (s == 'B' || s == 'P' || s == 'S') {
                const QPoint p = s == 'B'   ? tray.bottomBar()->geometry().center()
                                 : s == 'P' ? tray.panel()->geometry().topLeft()
                                            : QPoint(5, 5);
                fake->mouseHook(p.x(), p.y());
            } else if (s == 'n') {
                emit tray.bottomBar()->nextClicked();
            } else if (s == 'k' || s == 'e') {
                fake->keyHook(s == 'k' ? win::Key::PageDown : win::Key::Right);
            } else {
                if (s == 'R')
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
        QFETCH(int, page);
        QCOMPARE(tray.overlay()->currentPage(), page);
        if (page > 1) // the label follows the page once it moved
            QCOMPARE(tray.bottomBar()->pageText().remove(' '), tray.controller()->pageText());
        // When the overlay lifts itself, the bars are back above it before the next tap.
        const QStringList raises = raisesSinceOverlayLifted(tray);
        QVERIFY2(raises == QStringList("none") || !tray.toolBar()->isVisible() ||
                     (!raises.isEmpty() && raises.last().startsWith(nameOf(tray.toolBar()))),
                 qPrintable(raises.join(", ")));
    }
};

QTEST_MAIN(TestTrayMode)
#include "tst_traymode.moc"
