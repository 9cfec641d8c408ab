// The floating toolbar: docking, dragging and folding, companion placement, visibility and fade.
#include "FakeBackend.h"
#include "FloatToolBar.h"
#include "IdleFade.h"
#include "OffscreenScreen.h"
#include "TouchButton.h"

#include <QTimer>
#include <QtTest>

namespace
{

// The primary screen, and a second one to its right whose edges are an even distance apart (so a
// centre can lie exactly halfway). A bar resized at the primary's right edge must not hop onto it.
const QRect kPrimary(0, 0, 1920, 1080);
const QRect kSecond(1920, 0, 1281, 1440);

// A stand-in for the annotation panel: a fixed size hint and a fade slot found by name.
class Companion : public QWidget
{
    Q_OBJECT

public:
    QSize hint{300, 400};
    QList<double> fades;
    QSize sizeHint() const override { return hint; }

public slots:
    void setFade(double fade) { fades << fade; }
};

QImage render(QWidget &w)
{
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

} // namespace

class TestFloatToolBar : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    std::unique_ptr<FloatToolBar> bar;

    TouchButton *button(const char *icon) const
    {
        for (TouchButton *b : bar->findChildren<TouchButton *>()) {
            if (b->iconId() == QLatin1String(icon))
                return b;
        }
        return nullptr;
    }

    void showBar()
    {
        bar->setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    }

    // Presses on w at local, moves the pointer through the global offsets, releases at the last.
    void drag(QWidget *w, QPoint local, const QList<QPoint> &offsets)
    {
        const QPoint start = w->mapToGlobal(local);
        QTest::mousePress(w, Qt::LeftButton, {}, local);
        for (const QPoint &d : offsets)
            QTest::mouseMove(w, w->mapFromGlobal(start + d));
        QTest::mouseRelease(w, Qt::LeftButton, {}, w->mapFromGlobal(start + offsets.last()));
    }

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        bar = std::make_unique<FloatToolBar>();
    }
    void cleanup() { bar.reset(); }

    void construction()
    {
        QCOMPARE(bar->windowTitle(), QStringLiteral("Podivex"));
        QVERIFY(!bar->isVisible());
        QCOMPARE(bar->side(), FloatToolBar::Right);
        QCOMPARE(bar->geometry(), QRect(1807, 423, 104, 232));
        QCOMPARE(button("grip")->toolTip(), QStringLiteral("拖动可停靠到左/右/底边，单击折叠"));
        QCOMPARE(button("annotate")->toolTip(), QStringLiteral("批注开关（开启后即可书写）"));
        QCOMPARE(button("expand")->toolTip(), QStringLiteral("展开 / 收起 笔菜单"));
        QCOMPARE(button("annotate")->accent(), QColor(255, 59, 48));
        QCOMPARE(button("expand")->accent(), QColor(76, 154, 255));
        QVERIFY(button("annotate")->isCheckable() && button("expand")->isCheckable());
        QVERIFY(!button("grip")->isCheckable());
    }

    void docking_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("collapsed");
        QTest::addColumn<QRect>("bar");
        QTest::addColumn<QSize>("grip");
        QTest::newRow("right") << int(FloatToolBar::Right) << false << QRect(1807, 423, 104, 232)
                               << QSize(72, 28);
        QTest::newRow("right folded")
            << int(FloatToolBar::Right) << true << QRect(1855, 469, 56, 140) << QSize(36, 120);
        QTest::newRow("left") << int(FloatToolBar::Left) << false << QRect(8, 423, 104, 232)
                              << QSize(72, 28);
        QTest::newRow("left folded")
            << int(FloatToolBar::Left) << true << QRect(8, 469, 56, 140) << QSize(36, 120);
        QTest::newRow("bottom") << int(FloatToolBar::Bottom) << false << QRect(843, 967, 232, 104)
                                << QSize(28, 72);
        QTest::newRow("bottom folded")
            << int(FloatToolBar::Bottom) << true << QRect(889, 1015, 140, 56) << QSize(120, 36);
    }

    void docking()
    {
        QFETCH(int, side);
        QFETCH(bool, collapsed);
        QFETCH(QRect, bar);
        QFETCH(QSize, grip);
        this->bar->dockTo(FloatToolBar::Side(side));
        if (collapsed)
            QTest::mouseClick(button("grip"), Qt::LeftButton);
        QCOMPARE(this->bar->isCollapsed(), collapsed);
        QCOMPARE(this->bar->geometry(), bar);
        QCOMPARE(this->bar->contentSize(collapsed), bar.size());
        QCOMPARE(button("grip")->size(), grip);
        QCOMPARE(button("annotate")->isHidden(), collapsed);
        QCOMPARE(button("expand")->isHidden(), collapsed);
        if (collapsed)
            return;
        // The switches follow the grip across the bar when docked at the bottom, else down it.
        this->bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(this->bar.get()));
        const QRect g = button("grip")->geometry(), a = button("annotate")->geometry(),
                    e = button("expand")->geometry();
        QCOMPARE(g.topLeft(), QPoint(16, 16));
        if (side == FloatToolBar::Bottom)
            QVERIFY(a.left() == g.right() + 15 && e.left() == a.right() + 15 && a.top() == 16);
        else
            QVERIFY(a.top() == g.bottom() + 15 && e.top() == a.bottom() + 15 && a.left() == 16);
    }

    void gripPressTravel_data()
    {
        QTest::addColumn<QPoint>("travel");
        QTest::addColumn<bool>("drags");
        QTest::newRow("6 pixels folds") << QPoint(3, 3) << false;
        QTest::newRow("6 pixels up folds") << QPoint(0, -6) << false;
        QTest::newRow("7 pixels drags") << QPoint(4, -3) << true;
        QTest::newRow("7 pixels left drags") << QPoint(-7, 0) << true;
    }

    void gripPressTravel()
    {
        QFETCH(QPoint, travel);
        QFETCH(bool, drags);
        showBar();
        TouchButton *grip = button("grip");
        QSignalSpy clicks(grip, &QAbstractButton::clicked);
        const QPoint start = bar->pos();
        const QPoint local(36, 14);
        const QPoint global = grip->mapToGlobal(local);
        QTest::mousePress(grip, Qt::LeftButton, {}, local);
        QVERIFY(grip->isDown());
        QTest::mouseMove(grip, grip->mapFromGlobal(global + travel));
        QCOMPARE(bar->pos(), drags ? start + travel : start);
        QTest::mouseRelease(grip, Qt::LeftButton, {}, grip->mapFromGlobal(global + travel));
        QVERIFY(!grip->isDown());
        QCOMPARE(clicks.count(), drags ? 0 : 1);
        QCOMPARE(bar->isCollapsed(), !drags);
        QCOMPARE(bar->side(), FloatToolBar::Right);
        // Either way the bar settles docked to the right.
        const QRect docked = drags ? QRect(1807, 423, 104, 232) : QRect(1855, 469, 56, 140);
        QTRY_COMPARE(bar->geometry(), docked);
    }

    void gripClickUnfolds()
    {
        showBar();
        QTest::mouseClick(button("grip"), Qt::LeftButton);
        QVERIFY(bar->isCollapsed());
        QTest::mouseClick(button("grip"), Qt::LeftButton, {}, QPoint(18, 60));
        QVERIFY(!bar->isCollapsed());
        QTRY_COMPARE(bar->geometry(), QRect(1807, 423, 104, 232));
    }

    void dragReleaseChoosesSide_data()
    {
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<int>("side");
        QTest::addColumn<QRect>("docked");
        QTest::newRow("near left")
            << QPoint(300, 540) << int(FloatToolBar::Left) << QRect(8, 423, 104, 232);
        QTest::newRow("near right")
            << QPoint(1700, 200) << int(FloatToolBar::Right) << QRect(1807, 423, 104, 232);
        QTest::newRow("near bottom")
            << QPoint(960, 1000) << int(FloatToolBar::Bottom) << QRect(843, 967, 232, 104);
        QTest::newRow("bottom as near as left")
            << QPoint(200, 879) << int(FloatToolBar::Left) << QRect(8, 423, 104, 232);
        QTest::newRow("bottom one nearer")
            << QPoint(200, 880) << int(FloatToolBar::Bottom) << QRect(843, 967, 232, 104);
        QTest::newRow("halfway goes right")
            << QPoint(2560, 700) << int(FloatToolBar::Right) << QRect(3088, 603, 104, 232);
        QTest::newRow("one left of halfway")
            << QPoint(2559, 700) << int(FloatToolBar::Left) << QRect(1928, 603, 104, 232);
    }

    void dragReleaseChoosesSide()
    {
        QFETCH(QPoint, centre);
        QFETCH(int, side);
        QFETCH(QRect, docked);
        showBar();
        // The centre of the inclusive corners of a 104 x 232 bar lies 51 right of and 115 below
        // its top-left pixel.
        const QPoint delta = centre - QPoint(51, 115) - bar->pos();
        drag(bar.get(), QPoint(52, 6), {QPoint(4, 4), delta});
        QCOMPARE(bar->side(), FloatToolBar::Side(side));
        QVERIFY(!bar->isCollapsed());
        QTRY_COMPARE(bar->geometry(), docked);
    }

    void companionPlacement_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QSize>("hint");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("right: to the left")
            << int(FloatToolBar::Right) << QSize(300, 400) << QPoint(1807 - 300 - 12, 423);
        QTest::newRow("left: to the right")
            << int(FloatToolBar::Left) << QSize(300, 400) << QPoint(8 + 104 + 12, 423);
        QTest::newRow("bottom: above")
            << int(FloatToolBar::Bottom) << QSize(300, 400) << QPoint(843, 967 - 400 - 12);
        QTest::newRow("too tall: pushed up")
            << int(FloatToolBar::Right) << QSize(300, 900) << QPoint(1495, 1079 - 900 - 4);
        QTest::newRow("bottom, too wide: pushed left")
            << int(FloatToolBar::Bottom) << QSize(1200, 300) << QPoint(1919 - 1200 - 4, 655);
        QTest::newRow("wider than the screen: left edge")
            << int(FloatToolBar::Right) << QSize(2000, 400) << QPoint(4, 423);
        QTest::newRow("taller than the screen: top edge")
            << int(FloatToolBar::Left) << QSize(300, 1100) << QPoint(124, 4);
    }

    void companionPlacement()
    {
        QFETCH(int, side);
        QFETCH(QSize, hint);
        QFETCH(QPoint, expected);
        Companion panel;
        panel.hint = hint;
        bar->dockTo(FloatToolBar::Side(side));
        bar->setCompanion(&panel);
        QCOMPARE(panel.pos(), expected);
    }

    void companionFollowsTheBar()
    {
        Companion panel;
        bar->setCompanion(&panel);
        showBar();
        drag(bar.get(), QPoint(52, 6), {QPoint(-20, 0), QPoint(-40, 10)});
        QTRY_COMPARE(bar->geometry(), QRect(1807, 423, 104, 232));
        QCOMPARE(panel.pos(), QPoint(1495, 423));
        bar->dockTo(FloatToolBar::Left);
        QTRY_COMPARE(panel.pos(), QPoint(124, 423));
        // A replaced companion stays put; a destroyed one is forgotten.
        auto *gone = new Companion;
        bar->setCompanion(gone);
        delete gone;
        bar->dockTo(FloatToolBar::Right);
        QTRY_COMPARE(bar->geometry(), QRect(1807, 423, 104, 232));
        QCOMPARE(panel.pos(), QPoint(124, 423));
    }

    void hidingHidesTheCompanion()
    {
        Companion panel;
        bar->setCompanion(&panel);
        showBar();
        panel.show();
        bar->setHasTarget(false);
        QVERIFY(!bar->isVisible());
        QVERIFY(!panel.isVisible());
        bar->setHasTarget(true);
        QVERIFY(bar->isVisible());
        QVERIFY(!panel.isVisible());
        panel.show();
        bar->setUserVisible(false);
        QVERIFY(!bar->isVisible());
        QVERIFY(!panel.isVisible());
        bar->setHasTarget(false);
        bar->setUserVisible(true);
        QVERIFY(!bar->isVisible());
        bar->setHasTarget(true);
        QVERIFY(bar->isVisible());
    }

    void showingAppliesNativeStyles()
    {
        showBar();
        const QString h = FakeBackend::name(win::fromWinId(bar->winId()));
        QCOMPARE(fake->calls, QStringList({"setToolWindow " + h + " 1", "setNoActivate " + h + " 1",
                                           "setTopMost " + h + " 1"}));
    }

    void idleFadeReachesCompanion()
    {
        Companion panel;
        bar->setCompanion(&panel);
        showBar();
        QTimer *idle = bar->findChild<QTimer *>();
        QVERIFY(idle->isActive());
        QCOMPARE(idle->interval(), IdleFade::kIdleMs);
        idle->setInterval(10);
        bar->resetIdle();
        QTRY_VERIFY(qFuzzyCompare(bar->fade(), IdleFade::kIdleOpacity));
        QVERIFY(panel.fades.size() >= 2);
        QVERIFY(qFuzzyCompare(panel.fades.last(), IdleFade::kIdleOpacity));
        for (TouchButton *b : bar->findChildren<TouchButton *>())
            QVERIFY(qFuzzyCompare(b->fade(), IdleFade::kIdleOpacity));
        // Touching a switch wakes the bar and reports activity.
        idle->setInterval(IdleFade::kIdleMs);
        QSignalSpy activity(bar.get(), &FloatToolBar::userActivity);
        QTest::mouseClick(button("expand"), Qt::LeftButton);
        QCOMPARE(activity.count(), 1);
        QTRY_VERIFY(qFuzzyCompare(panel.fades.last(), 1.0));
        QVERIFY(idle->isActive());
    }

    void pointerEntryWakes()
    {
        showBar();
        bar->fadeTo(IdleFade::kIdleOpacity);
        QTRY_VERIFY(qFuzzyCompare(bar->fade(), IdleFade::kIdleOpacity));
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), bar->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(bar.get(), &enter);
        QTRY_VERIFY(qFuzzyCompare(bar->fade(), 1.0));
    }

    void switches()
    {
        QSignalSpy annotate(bar.get(), &FloatToolBar::annotateToggled);
        QSignalSpy expand(bar.get(), &FloatToolBar::expandToggled);
        bar->setAnnotating(true);
        bar->setAnnotating(true);
        QCOMPARE(annotate.count(), 1);
        QCOMPARE(annotate.at(0).at(0).toBool(), true);
        QVERIFY(!bar->isExpanded());
        bar->setExpanded(true);
        QVERIFY(bar->isExpanded());
        bar->setExpanded(false);
        QCOMPARE(expand.count(), 2);
        bar->setPenColor(QColor(255, 214, 0));
        QCOMPARE(button("annotate")->accent(), QColor(255, 214, 0));
        QCOMPARE(button("expand")->accent(), QColor(76, 154, 255));
        // A click on the switch toggles it like any checkable button.
        showBar();
        QTest::mouseClick(button("annotate"), Qt::LeftButton);
        QCOMPARE(annotate.count(), 2);
        QCOMPARE(annotate.at(1).at(0).toBool(), false);
    }

    void noTargetDot()
    {
        auto yellowAt = [&](QPoint pt) {
            const QColor c = render(*bar).pixelColor(pt);
            return c.red() > 200 && c.green() > 150 && c.blue() < 80;
        };
        QVERIFY(yellowAt(QPoint(51, 52)));
        QVERIFY(!yellowAt(QPoint(51, 60)));
        bar->setHasTarget(true);
        QVERIFY(!yellowAt(QPoint(51, 52)));
        bar->setHasTarget(false);
        QTest::mouseClick(button("grip"), Qt::LeftButton);
        QVERIFY(!yellowAt(QPoint(27, 52)));
    }

    void shapedToItsCard()
    {
        fake->shaped = true;
        bar = std::make_unique<FloatToolBar>();
        showBar();
        QRegion mask = bar->mask();
        QCOMPARE(mask.boundingRect(), bar->rect());
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(103, 231)));
        QVERIFY(mask.contains(QPoint(52, 116)));
        QTest::mouseClick(button("grip"), Qt::LeftButton);
        QCOMPARE(bar->mask().boundingRect(), QRect(0, 0, 56, 140));
    }

    void unshapedWithCompositing()
    {
        showBar();
        QVERIFY(bar->mask().isEmpty());
    }
};

PODIVEX_TEST_MAIN_SCREENS(TestFloatToolBar, {kPrimary, kSecond})
#include "tst_floattoolbar.moc"
