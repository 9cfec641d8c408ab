// The bars under real pointer events: the grip's drag, fold and menu, docking (its arithmetic too:
// ties, far and small screens), the companion, the idle fade reaching every part, the checked
// faces. Which signal each bottom-bar button sends is the end-to-end scripts'.
#include "Columns.h"
#include "FakeBackend.h"
#include "OffscreenScreen.h"
#include "controls/BottomBar.h"
#include "controls/DockGeometry.h"
#include "controls/FloatToolBar.h"
#include "controls/TouchButton.h"

#include <QTimer>
#include <QtTest>

namespace
{

const QRect kPrimary(0, 0, 1920, 1080), kSecond(1920, 0, 1281, 1440);

struct Gesture {
    Qt::MouseButton button;
    QPoint travel;
    int holdMs;
    QByteArray outcome; // "fold", "drag" or "menu"
};

TouchButton *button(const QWidget &bar, Icons::Id id)
{
    const auto all = bar.findChildren<TouchButton *>();
    return *std::find_if(all.begin(), all.end(),
                         [id](TouchButton *b) { return b->iconId() == id; });
}

} // namespace
Q_DECLARE_METATYPE(Gesture)

class TestBars : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    std::unique_ptr<FloatToolBar> tool;

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        tool = std::make_unique<FloatToolBar>();
        tool->setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(tool.get()));
    }

    void gripGestures_data()
    {
        QTest::addColumn<Gesture>("g");
        const int hold = FloatToolBar::kLongPressMs + 200;
        QTest::newRow("6 pixels fold") << Gesture{Qt::LeftButton, {3, -3}, 0, "fold"};
        QTest::newRow("7 pixels drag") << Gesture{Qt::LeftButton, {-7, 0}, 0, "drag"};
        QTest::newRow("a held drag stays one") << Gesture{Qt::LeftButton, {-40, 0}, hold, "drag"};
        QTest::newRow("long press: menu, no drag") << Gesture{Qt::LeftButton, {}, hold, "menu"};
        QTest::newRow("right-click: menu") << Gesture{Qt::RightButton, {-40, 0}, 0, "menu"};
    }
    void gripGestures()
    {
        QFETCH(Gesture, g);
        TouchButton *grip = button(*tool, Icons::Id::Grip);
        QSignalSpy menu(tool.get(), &FloatToolBar::menuRequested);
        const QPoint start = tool->pos(), at(36, 14), global = grip->mapToGlobal(at);
        QTest::mousePress(grip, g.button, {}, at);
        QTest::mouseMove(grip, grip->mapFromGlobal(global + g.travel));
        QTest::qWait(g.holdMs);
        const QPoint end = global + g.travel + QPoint(0, 3); // a finger never holds still
        QTest::mouseMove(grip, grip->mapFromGlobal(end));
        QCOMPARE(tool->pos() != start, g.outcome == "drag");
        QTest::mouseRelease(grip, g.button, {}, grip->mapFromGlobal(end));
        QCOMPARE(menu.count() == 1 && menu[0][0].toPoint() == global, g.outcome == "menu");
        QCOMPARE(menu.count() + tool->isCollapsed(), g.outcome == "drag" ? 0 : 1);
        QVERIFY(!grip->isDown());
    }

    // Halfway across the second screen: the tie goes to its right edge.
    void dragDocksOnTheScreenItEndsOn()
    {
        const QPoint from = tool->mapToGlobal(QPoint(52, 6));
        const QPoint to = from + QPoint(2560, 700) - tool->geometry().center();
        QTest::mousePress(tool.get(), Qt::LeftButton, {}, QPoint(52, 6));
        QTest::mouseMove(tool.get(), tool->mapFromGlobal(to));
        QTest::mouseRelease(tool.get(), Qt::LeftButton, {}, tool->mapFromGlobal(to));
        QTRY_COMPARE(tool->geometry(), QRect(3088, 603, 104, 232));
    }

    // A bar released with its centre there docks to the nearest edge of that screen.
    void dockArithmetic_data()
    {
        columns<QRect, QPoint, QRect>("screen", "centre", "docked");
        const auto row = [](const char *name, QRect s, QPoint c, QRect d) {
            QTest::newRow(name) << s << c << d;
        };
        row("bottom as near as left", kPrimary, {200, 879}, {8, 423, 104, 232});
        row("bottom one nearer", kPrimary, {200, 880}, {843, 967, 232, 104});
        row("one left of halfway", kSecond, {2559, 700}, {1928, 603, 104, 232});
        row("halfway, negative origin", {-1281, -500, 1281, 1000}, {-641, -200},
            {-113, -116, 104, 232});
        row("edges past the int range", {2'000'000'000, 0, 100'000'000, 1000}, {2'050'000'000, 900},
            {2'049'999'883, 887, 232, 104});
        row("screen smaller than the bar", {0, 0, 99, 99}, {90, 20}, {2, 2, 104, 232});
    }
    void dockArithmetic()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, centre);
        const Dock::Side side =
            Dock::nearestSide(screen, QRect(centre, centre).adjusted(-51, -115, 51, 115));
        QTEST(Dock::dockedRect(screen, side, Dock::barSize(side, false)), "docked");
    }

    // The pen menu beside the docked bar, kept on the screen.
    void companionPlacement_data()
    {
        columns<Dock::Side, QSize, QPoint>("side", "size", "expected");
        QTest::newRow("right: to its left") << Dock::Right << QSize(300, 400) << QPoint(1495, 423);
        QTest::newRow("too tall: pushed up") << Dock::Left << QSize(300, 900) << QPoint(124, 175);
        QTest::newRow("too wide: left edge") << Dock::Right << QSize(2000, 400) << QPoint(4, 423);
    }
    void companionPlacement()
    {
        QFETCH(Dock::Side, side);
        QFETCH(QSize, size);
        const QRect bar = Dock::dockedRect(kPrimary, side, Dock::barSize(side, false));
        QTEST(Dock::companionPos(kPrimary, bar, side, size), "expected");
    }

    // Styled once at creation; the pen menu moves beside the bar and hides with it.
    void companionFollowsAndHides()
    {
        const QString h = FakeBackend::name(win::fromWinId(tool->winId()));
        QCOMPARE(fake->calls, QStringList({"setToolWindow " + h + " 1", "setNoActivate " + h + " 1",
                                           "setTopMost " + h + " 1"}));
        QWidget panel;
        panel.setGeometry(tool->geometry());
        tool->setCompanion(&panel);
        tool->dockTo(Dock::Left);
        QTRY_VERIFY(!panel.geometry().intersects(tool->geometry()));
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
        for (QWidget *w : tool->findChildren<QWidget *>() + bottom.findChildren<QWidget *>()) {
            if (auto *f = dynamic_cast<Fadable *>(w))
                QVERIFY2(qFuzzyCompare(f->fade(), idle), w->metaObject()->className());
        }
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
        QImage image(b.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        b.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        QCOMPARE(image.pixelColor(8, 36), accent); // the face
        QTEST(image.pixelColor(36, 46), "icon");   // the icon's bar
    }
};

PODIVEX_TEST_MAIN_SCREENS(TestBars, {kPrimary, kSecond})
#include "tst_bars.moc"
