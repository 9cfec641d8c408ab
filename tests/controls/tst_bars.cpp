// The bars under real pointer events: the grip's drag, fold and menu, docking (its arithmetic too),
// the companion, the idle fade reaching every part, the checked faces.
#include "Columns.h"
#include "FakeBackend.h"
#include "OffscreenScreen.h"
#include "controls/BottomBar.h"
#include "controls/DockGeometry.h"
#include "controls/FloatToolBar.h"
#include "controls/TouchButton.h"

#include <QTimer>
#include <QtTest>

const QRect kPrimary(0, 0, 1920, 1080), kSecond(1920, 0, 1281, 1440);

class TestBars : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    std::unique_ptr<FloatToolBar> tool;

public:
    static void initMain() { OffscreenScreen::configure({{kPrimary}, {kSecond}}); }

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        tool = std::make_unique<FloatToolBar>();
        tool->setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(tool.get()));
    }

    // Outcomes: f fold, d drag, m menu.
    void gripGestures_data()
    {
        columns<Qt::MouseButton, QPoint, int, char>("button", "travel", "holdMs", "outcome");
        const int hold = FloatToolBar::kLongPressMs + 200;
        QTest::newRow("6 pixels fold") << Qt::LeftButton << QPoint(3, -3) << 0 << 'f';
        QTest::newRow("7 pixels drag") << Qt::LeftButton << QPoint(-7, 0) << 0 << 'd';
        QTest::newRow("a held drag stays one") << Qt::LeftButton << QPoint(-40, 0) << hold << 'd';
        QTest::newRow("long press: menu, no drag") << Qt::LeftButton << QPoint() << hold << 'm';
        QTest::newRow("right-click: menu") << Qt::RightButton << QPoint(-40, 0) << 0 << 'm';
    }
    void gripGestures()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, travel);
        QFETCH(int, holdMs);
        QFETCH(char, outcome);
        auto *grip = tool->findChild<TouchButton *>(); // the first button
        QSignalSpy menu(tool.get(), &FloatToolBar::menuRequested);
        const QPoint start = tool->pos(), at(36, 14), global = grip->mapToGlobal(at);
        QTest::mousePress(grip, button, {}, at);
        QTest::mouseMove(grip, grip->mapFromGlobal(global + travel));
        QTest::qWait(holdMs);
        const QPoint end = global + travel + QPoint(0, 3); // a finger never holds still
        QTest::mouseMove(grip, grip->mapFromGlobal(end));
        QCOMPARE(tool->pos() != start, outcome == 'd');
        QTest::mouseRelease(grip, button, {}, grip->mapFromGlobal(end));
        QCOMPARE(menu.count() == 1 && menu[0][0].toPoint() == global, outcome == 'm');
        QCOMPARE(menu.count() + tool->isCollapsed(), outcome == 'd' ? 0 : 1);
        QVERIFY(!grip->isDown());
    }

    // A bar released with its centre there docks to the nearest edge of that screen; a pen menu
    // of 300 x 900 goes beside it towards the middle, kept on the screen.
    void dockArithmetic_data()
    {
        columns<QRect, QPoint, QRect, QPoint>("screen", "centre", "docked", "companion");
        const auto row = [](const char *name, QRect s, QPoint c, QRect d, QPoint p) {
            QTest::newRow(name) << s << c << d << p;
        };
        row("bottom as near as left", kPrimary, {200, 879}, {8, 423, 104, 232}, {124, 175});
        row("bottom one nearer", kPrimary, {200, 880}, {843, 967, 232, 104}, {843, 55});
        row("one left of halfway", kSecond, {2559, 700}, {1928, 603, 104, 232}, {2044, 535});
        row("halfway, negative origin", {-1281, -500, 1281, 1000}, {-641, -200},
            {-113, -116, 104, 232}, {-425, -405});
        row("edges past the int range", {2'000'000'000, 0, 100'000'000, 1000}, {2'050'000'000, 900},
            {2'049'999'883, 887, 232, 104}, {2'049'999'883, 4});
        row("screen smaller than both", {0, 0, 99, 99}, {90, 20}, {2, 2, 104, 232}, {4, 4});
    }
    void dockArithmetic()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, centre);
        const Dock::Side side =
            Dock::nearestSide(screen, QRect(centre, centre).adjusted(-51, -115, 51, 115));
        const QRect bar = Dock::dockedRect(screen, side, Dock::barSize(side, false));
        QTEST(bar, "docked");
        QTEST(Dock::companionPos(screen, bar, side, QSize(300, 900)), "companion");
    }

    // Styled once at creation. Dragged halfway across the second screen, it docks to that screen's
    // right edge (the tie) with the pen menu beside it, and the menu hides with it.
    void dragDocksWithItsCompanion()
    {
        const QString h = FakeBackend::name(win::fromWinId(tool->winId()));
        QCOMPARE(fake->calls, QStringList({"setToolWindow " + h + " 1", "setNoActivate " + h + " 1",
                                           "setTopMost " + h + " 1"}));
        QWidget panel;
        tool->setCompanion(&panel);
        const QPoint at(52, 6), to = at + QPoint(2560, 700) - tool->rect().center();
        QTest::mousePress(tool.get(), Qt::LeftButton, {}, at);
        QTest::mouseMove(tool.get(), tool->mapFromGlobal(to));
        QTest::mouseRelease(tool.get(), Qt::LeftButton, {}, tool->mapFromGlobal(to));
        QTRY_COMPARE(tool->geometry(), QRect(3088, 603, 104, 232));
        QVERIFY(kSecond.contains(panel.pos()) && panel.x() < tool->x());
        panel.show();
        tool->setHasTarget(false);
        QVERIFY(!tool->isVisible() && !panel.isVisible());
        tool->setHasTarget(true);
        QVERIFY(tool->isVisible() && !panel.isVisible()); // the pen menu opens only on request
    }

    void idleFadeReachesEveryPart()
    {
        BottomBar bottom;
        QSignalSpy companion(tool.get(), &FloatToolBar::fadeChanged);
        tool->findChild<IdleFade *>()->findChild<QTimer *>()->setInterval(10);
        bottom.findChild<QTimer *>()->setInterval(10);
        const double idle = IdleFade::kIdleOpacity;
        QTRY_VERIFY(qFuzzyCompare(tool->fade(), idle) && qFuzzyCompare(bottom.fade(), idle));
        QCOMPARE(companion.last().first().toDouble(), idle);
        for (QWidget *w : tool->findChildren<QWidget *>() + bottom.findChildren<QWidget *>())
            if (auto *f = dynamic_cast<Fadable *>(w))
                QVERIFY2(qFuzzyCompare(f->fade(), idle), w->metaObject()->className());
    }

    // A checked face takes the accent, with an icon readable on it.
    void checkedFace_data()
    {
        columns<QColor, QColor>("accent", "icon");
        QTest::newRow("pen red: white icon") << Palette::kInitialPen << QColor(Qt::white);
        QTest::newRow("light blue: dark icon") << Palette::kAccent << Palette::kDarkContent;
        QTest::newRow("yellow: dark icon") << Palette::kPenColors[1] << Palette::kDarkContent;
    }
    void checkedFace()
    {
        QFETCH(QColor, accent);
        TouchButton b(Icons::Id::Minimize);
        b.resize(72, 72);
        b.setCheckable(true);
        b.setAccent(accent);
        QTest::mouseClick(&b, Qt::LeftButton);
        const QImage image = b.grab().toImage();
        QCOMPARE(image.pixelColor(8, 36), accent); // the face
        QTEST(image.pixelColor(36, 46), "icon");   // the icon's bar
    }
};

QTEST_MAIN(TestBars)
#include "tst_bars.moc"
