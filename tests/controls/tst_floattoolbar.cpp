// The floating toolbar: docking, dragging and folding, companion placement, visibility and fade.
#include "FakeBackend.h"
#include "controls/FloatToolBar.h"
#include "controls/IdleFade.h"
#include "OffscreenScreen.h"
#include "controls/TouchButton.h"

#include <QTimer>
#include <QtTest>

namespace
{

// The primary screen, and a second one to its right whose edges are an even distance apart (so a
// centre can lie exactly halfway). A bar resized at the primary's right edge must not hop onto it.
const QRect kPrimary(0, 0, 1920, 1080);
const QRect kSecond(1920, 0, 1281, 1440);
const QRect kRight(1807, 423, 104, 232), kLeft(8, 423, 104, 232), kBottom(843, 967, 232, 104);
constexpr int right = FloatToolBar::Right, left = FloatToolBar::Left, bottom = FloatToolBar::Bottom;

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
        QCOMPARE(bar->geometry(), kRight);
        QCOMPARE(button("grip")->toolTip(), QStringLiteral("拖动可停靠到左/右/底边，单击折叠"));
        QCOMPARE(button("annotate")->toolTip(), QStringLiteral("批注开关（开启后即可书写）"));
        QCOMPARE(button("expand")->toolTip(), QStringLiteral("展开 / 收起 笔菜单"));
        QCOMPARE(button("annotate")->accent(), QColor(255, 59, 48));
        QCOMPARE(button("expand")->accent(), QColor(76, 154, 255));
    }

    void docking_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("collapsed");
        QTest::addColumn<QRect>("bar");
        QTest::addColumn<QSize>("grip");
        QTest::newRow("right") << right << false << kRight << QSize(72, 28);
        QTest::newRow("right folded")
            << right << true << QRect(1855, 469, 56, 140) << QSize(36, 120);
        QTest::newRow("left") << left << false << kLeft << QSize(72, 28);
        QTest::newRow("left folded") << left << true << QRect(8, 469, 56, 140) << QSize(36, 120);
        QTest::newRow("bottom") << bottom << false << kBottom << QSize(28, 72);
        QTest::newRow("bottom folded")
            << bottom << true << QRect(889, 1015, 140, 56) << QSize(120, 36);
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
        showBar();
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
        const QPoint global = grip->mapToGlobal(QPoint(36, 14));
        QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(36, 14));
        QTest::mouseMove(grip, grip->mapFromGlobal(global + travel));
        QCOMPARE(bar->pos(), drags ? start + travel : start);
        QTest::mouseRelease(grip, Qt::LeftButton, {}, grip->mapFromGlobal(global + travel));
        QVERIFY(!grip->isDown());
        QCOMPARE(clicks.count(), drags ? 0 : 1);
        QCOMPARE(bar->isCollapsed(), !drags);
        // Either way the bar settles docked to the right.
        QCOMPARE(bar->side(), FloatToolBar::Right);
        QTRY_COMPARE(bar->geometry(), drags ? kRight : QRect(1855, 469, 56, 140));
        // A click on the folded grip unfolds it.
        if (!drags) {
            QTest::mouseClick(grip, Qt::LeftButton, {}, QPoint(18, 60));
            QVERIFY(!bar->isCollapsed());
            QTRY_COMPARE(bar->geometry(), kRight);
        }
    }

    void dragReleaseChoosesSide_data()
    {
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<int>("side");
        QTest::addColumn<QRect>("docked");
        QTest::newRow("near left") << QPoint(300, 540) << left << kLeft;
        QTest::newRow("near right") << QPoint(1700, 200) << right << kRight;
        QTest::newRow("near bottom") << QPoint(960, 1000) << bottom << kBottom;
        QTest::newRow("bottom as near as left") << QPoint(200, 879) << left << kLeft;
        QTest::newRow("bottom one nearer") << QPoint(200, 880) << bottom << kBottom;
        QTest::newRow("halfway goes right")
            << QPoint(2560, 700) << right << QRect(3088, 603, 104, 232);
        QTest::newRow("one left of halfway")
            << QPoint(2559, 700) << left << QRect(1928, 603, 104, 232);
    }
    void dragReleaseChoosesSide()
    {
        QFETCH(QPoint, centre);
        QFETCH(int, side);
        QFETCH(QRect, docked);
        showBar();
        // The centre of the inclusive corners of a 104 x 232 bar: 51 right of, 115 below its
        // corner.
        drag(bar.get(), QPoint(52, 6), {QPoint(4, 4), centre - QPoint(51, 115) - bar->pos()});
        QCOMPARE(bar->side(), FloatToolBar::Side(side));
        QVERIFY(!bar->isCollapsed());
        QTRY_COMPARE(bar->geometry(), docked);
    }

    void companionPlacement_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QSize>("hint");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("right: to the left") << right << QSize(300, 400) << QPoint(1495, 423);
        QTest::newRow("left: to the right") << left << QSize(300, 400) << QPoint(124, 423);
        QTest::newRow("bottom: above") << bottom << QSize(300, 400) << QPoint(843, 555);
        QTest::newRow("too tall: pushed up") << right << QSize(300, 900) << QPoint(1495, 175);
        QTest::newRow("bottom, too wide: pushed left")
            << bottom << QSize(1200, 300) << QPoint(715, 655);
        QTest::newRow("wider than the screen: left edge")
            << right << QSize(2000, 400) << QPoint(4, 423);
        QTest::newRow("taller than the screen: top edge")
            << left << QSize(300, 1100) << QPoint(124, 4);
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
        QTRY_COMPARE(bar->geometry(), kRight);
        QCOMPARE(panel.pos(), QPoint(1495, 423));
        bar->dockTo(FloatToolBar::Left);
        QTRY_COMPARE(panel.pos(), QPoint(124, 423));
        // A replaced companion stays put; a destroyed one is forgotten.
        auto *gone = new Companion;
        bar->setCompanion(gone);
        delete gone;
        bar->dockTo(FloatToolBar::Right);
        QTRY_COMPARE(bar->geometry(), kRight);
        QCOMPARE(panel.pos(), QPoint(124, 423));
    }

    void hidingHidesTheCompanion()
    {
        Companion panel;
        bar->setCompanion(&panel);
        showBar();
        const QString h = FakeBackend::name(win::fromWinId(bar->winId()));
        QCOMPARE(fake->calls, QStringList({"setToolWindow " + h + " 1", "setNoActivate " + h + " 1",
                                           "setTopMost " + h + " 1"}));
        panel.show();
        bar->setHasTarget(false);
        QVERIFY(!bar->isVisible() && !panel.isVisible());
        bar->setHasTarget(true);
        QVERIFY(bar->isVisible() && !panel.isVisible());
        panel.show();
        bar->setUserVisible(false);
        QVERIFY(!bar->isVisible() && !panel.isVisible());
        bar->setHasTarget(false);
        bar->setUserVisible(true);
        QVERIFY(!bar->isVisible());
        bar->setHasTarget(true);
        QVERIFY(bar->isVisible());
    }

    void idleFadeAndReturn()
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
        QVERIFY(qFuzzyCompare(panel.fades.last(), IdleFade::kIdleOpacity));
        for (TouchButton *b : bar->findChildren<TouchButton *>())
            QVERIFY(qFuzzyCompare(b->fade(), IdleFade::kIdleOpacity));
        // Touching a switch wakes the bar and reports activity; so does the pointer entering.
        idle->setInterval(IdleFade::kIdleMs);
        QSignalSpy activity(bar.get(), &FloatToolBar::userActivity);
        QTest::mouseClick(button("expand"), Qt::LeftButton);
        QCOMPARE(activity.count(), 1);
        QTRY_VERIFY(qFuzzyCompare(panel.fades.last(), 1.0));
        QVERIFY(idle->isActive());
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
        bar->setExpanded(true);
        QVERIFY(bar->isExpanded());
        bar->setExpanded(false);
        QCOMPARE(expand.count(), 2);
        bar->setPenColor(QColor(255, 214, 0));
        QCOMPARE(button("annotate")->accent(), QColor(255, 214, 0));
        QCOMPARE(button("expand")->accent(), QColor(76, 154, 255));
        showBar();
        QTest::mouseClick(button("annotate"), Qt::LeftButton);
        QCOMPARE(annotate.count(), 2);
        QCOMPARE(annotate.at(1).at(0).toBool(), false);
    }

    void noTargetDot()
    {
        auto yellowAt = [&](QPoint pt) {
            QImage img(bar->size(), QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            bar->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
            const QColor c = img.pixelColor(pt);
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

    void shapedToItsCardOnlyWithoutComposition()
    {
        showBar();
        QVERIFY(bar->mask().isEmpty());
        fake->shaped = true;
        bar = std::make_unique<FloatToolBar>();
        showBar();
        const QRegion mask = bar->mask();
        QCOMPARE(mask.boundingRect(), bar->rect());
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(103, 231)));
        QVERIFY(mask.contains(QPoint(52, 116)));
        QTest::mouseClick(button("grip"), Qt::LeftButton);
        QCOMPARE(bar->mask().boundingRect(), QRect(0, 0, 56, 140));
    }
};

PODIVEX_TEST_MAIN_SCREENS(TestFloatToolBar, {kPrimary, kSecond})
#include "tst_floattoolbar.moc"
