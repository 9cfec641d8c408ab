// Both bars driven by real pointer events: dragging and docking across screens, the grip's menu,
// the idle fade reaching every part, visibility, the bottom bar's buttons and its card-shaped mask.
#include "FakeBackend.h"
#include "OffscreenScreen.h"
#include "controls/BarGroup.h"
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"
#include "controls/TouchButton.h"

#include <QTimer>
#include <QtTest>

namespace
{

const QRect kPrimary(0, 0, 1920, 1080), kSecond(1920, 0, 1281, 1440);

TouchButton *button(const QWidget &bar, Icons::Id id)
{
    for (TouchButton *b : bar.findChildren<TouchButton *>()) {
        if (b->iconId() == id)
            return b;
    }
    return nullptr;
}

void show(QWidget &bar)
{
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
}

} // namespace

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
        show(*tool);
    }
    void cleanup() { tool.reset(); }

    void gripGestures_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("travel");
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<int>("menus");
        QTest::addColumn<bool>("moved");
        QTest::addColumn<bool>("folded");
        const int longPress = FloatToolBar::kLongPressMs + 200;
        QTest::newRow("6 pixels fold")
            << Qt::LeftButton << QPoint(3, -3) << 0 << 0 << false << true;
        QTest::newRow("7 pixels drag")
            << Qt::LeftButton << QPoint(-7, 0) << 0 << 0 << true << false;
        QTest::newRow("a held drag stays a drag")
            << Qt::LeftButton << QPoint(-40, 0) << longPress << 0 << true << false;
        QTest::newRow("long press asks for the menu, then cannot drag")
            << Qt::LeftButton << QPoint() << longPress << 1 << false << false;
        QTest::newRow("right-click asks for the menu")
            << Qt::RightButton << QPoint(-40, 0) << 0 << 1 << false << false;
    }
    void gripGestures()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, travel);
        QFETCH(int, holdMs);
        QFETCH(int, menus);
        QFETCH(bool, moved);
        QFETCH(bool, folded);
        TouchButton *grip = ::button(*tool, Icons::Id::Grip);
        QSignalSpy menu(tool.get(), &FloatToolBar::menuRequested);
        const QPoint start = tool->pos(), at(36, 14), global = grip->mapToGlobal(at);
        QTest::mousePress(grip, button, {}, at);
        QTest::mouseMove(grip, grip->mapFromGlobal(global + travel));
        QTest::qWait(holdMs);
        // After a long press even a long way is no drag.
        QTest::mouseMove(grip, grip->mapFromGlobal(global + travel + QPoint(0, 60 * menus)));
        QCOMPARE(tool->pos() != start, moved);
        QTest::mouseRelease(grip, button, {}, grip->mapFromGlobal(global + travel));
        QCOMPARE(menu.count(), menus);
        if (menus)
            QCOMPARE(menu.first().first().toPoint(), global);
        QCOMPARE(tool->isCollapsed(), folded);
        QVERIFY(!grip->isDown());
        QCOMPARE(tool->side(), Dock::Right);
    }

    void dragDocksOnTheScreenItEndsOn_data()
    {
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<QRect>("docked");
        QTest::newRow("bottom") << QPoint(960, 1000) << QRect(843, 967, 232, 104);
        QTest::newRow("second screen, halfway") << QPoint(2560, 700) << QRect(3088, 603, 104, 232);
    }
    void dragDocksOnTheScreenItEndsOn()
    {
        QFETCH(QPoint, centre);
        QFETCH(QRect, docked);
        const QPoint from = tool->mapToGlobal(QPoint(52, 6));
        const QPoint to = from + centre - tool->geometry().center();
        QTest::mousePress(tool.get(), Qt::LeftButton, {}, QPoint(52, 6));
        QTest::mouseMove(tool.get(), tool->mapFromGlobal(from + QPoint(8, 0)));
        QTest::mouseMove(tool.get(), tool->mapFromGlobal(to));
        QTest::mouseRelease(tool.get(), Qt::LeftButton, {}, tool->mapFromGlobal(to));
        QTRY_COMPARE(tool->geometry(), docked);
    }

    void companionFollowsAndHides()
    {
        // Shown with the system styles of a floating window.
        const QString h = FakeBackend::name(win::fromWinId(tool->winId()));
        QCOMPARE(fake->calls, QStringList({"setToolWindow " + h + " 1", "setNoActivate " + h + " 1",
                                           "setTopMost " + h + " 1"}));
        QWidget panel;
        tool->setCompanion(&panel);
        tool->dockTo(Dock::Left);
        QTRY_COMPARE(panel.x(), tool->geometry().right() + 13);
        panel.show();
        tool->setHasTarget(false);
        QVERIFY(!tool->isVisible() && !panel.isVisible());
        tool->setHasTarget(true);
        QVERIFY(tool->isVisible() && !panel.isVisible()); // the pen menu opens only on request
    }

    void idleFadeReachesEveryPart()
    {
        BottomBar bottom;
        bottom.setHasTarget(true);
        show(bottom);
        QList<double> companion;
        connect(tool.get(), &FloatToolBar::fadeChanged, this, [&](double f) { companion << f; });
        QList<QTimer *> idle;
        for (QWidget *bar : {static_cast<QWidget *>(tool.get()), static_cast<QWidget *>(&bottom)})
            idle << bar->findChild<IdleFade *>()->findChild<QTimer *>();
        for (QTimer *t : idle)
            t->setInterval(10);
        tool->resetIdle();
        bottom.resetIdle();
        QTRY_VERIFY(qFuzzyCompare(tool->fade(), 0.32) && qFuzzyCompare(bottom.fade(), 0.32));
        QVERIFY(qFuzzyCompare(companion.last(), 0.32));
        QList<Fadable *> parts;
        for (QWidget *w : tool->findChildren<QWidget *>() + bottom.findChildren<QWidget *>()) {
            if (auto *f = dynamic_cast<Fadable *>(w))
                parts << f;
        }
        QCOMPARE(parts.size(), 3 + 2 + 6 + 1); // grip and switches, cards, buttons, page label
        for (const Fadable *f : parts)
            QVERIFY(qFuzzyCompare(f->fade(), 0.32));
        // A tap on a switch and the pointer entering both wake a bar.
        for (QTimer *t : idle)
            t->setInterval(IdleFade::kIdleMs);
        QSignalSpy activity(tool.get(), &FloatToolBar::userActivity);
        QTest::mouseClick(button(*tool, Icons::Id::Expand), Qt::LeftButton);
        QCOMPARE(activity.count(), 1);
        QTRY_VERIFY(qFuzzyCompare(companion.last(), 1.0));
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), bottom.mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(&bottom, &enter);
        QTRY_VERIFY(qFuzzyCompare(bottom.findChild<BarGroup *>()->fade(), 1.0));
    }

    void bottomButtons_data()
    {
        QTest::addColumn<Icons::Id>("icon");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("end") << Icons::Id::Power << QByteArray(SIGNAL(endClicked()));
        QTest::newRow("minimise") << Icons::Id::Minimize << QByteArray(SIGNAL(minimizeClicked()));
        QTest::newRow("previous") << Icons::Id::Prev << QByteArray(SIGNAL(prevClicked()));
        QTest::newRow("next") << Icons::Id::Next << QByteArray(SIGNAL(nextClicked()));
    }
    void bottomButtons()
    {
        QFETCH(Icons::Id, icon);
        QFETCH(QByteArray, signal);
        BottomBar bar;
        bar.setHasTarget(true);
        show(bar);
        QSignalSpy activity(&bar, &BottomBar::userActivity), clicked(&bar, signal.constData());
        QTest::mouseClick(button(bar, icon), Qt::LeftButton);
        QCOMPARE(activity.count() + clicked.count(), 2);
    }

    void bottomBarShapedToItsCardsWithoutComposition()
    {
        fake->shaped = true;
        BottomBar bar;
        bar.setHasTarget(true);
        show(bar);
        QList<BarGroup *> groups = bar.findChildren<BarGroup *>();
        const QRect first = groups[0]->geometry(), second = groups[1]->geometry();
        QVERIFY(first.right() < bar.width() / 2 && second.left() > bar.width() / 2);
        for (int pass = 0; pass < 2; ++pass) {
            const QRegion mask = bar.mask();
            for (const BarGroup *g : groups) {
                QVERIFY(mask.contains(g->geometry().center()));
                QVERIFY(!mask.contains(g->geometry().topLeft())); // rounded corner
            }
            QVERIFY(!mask.contains(QPoint(bar.width() / 2, bar.height() / 2)));
            // The swap exchanges the corners and the mask follows.
            QTest::mouseClick(button(*groups[0], Icons::Id::Swap), Qt::LeftButton);
            QTRY_COMPARE(groups[0]->geometry().right(), second.right());
            QCOMPARE(groups[1]->x(), first.x());
            std::swap(groups[0], groups[1]);
        }
    }
};

PODIVEX_TEST_MAIN_SCREENS(TestBars, {kPrimary, kSecond})
#include "tst_bars.moc"
