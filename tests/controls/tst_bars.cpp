// The bars under real pointer events: the grip's drag, fold and menu, docking on another screen,
// the companion, the idle fade reaching every part, the bottom bar's buttons, the button faces.
#include "FakeBackend.h"
#include "OffscreenScreen.h"
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"
#include "controls/TouchButton.h"

#include <QTimer>
#include <QtTest>

namespace
{

struct Gesture {
    Qt::MouseButton button;
    QPoint travel;
    int holdMs;
    const char *outcome; // "fold", "drag" or "menu"
};

TouchButton *button(const QWidget &bar, Icons::Id id)
{
    for (TouchButton *b : bar.findChildren<TouchButton *>()) {
        if (b->iconId() == id)
            return b;
    }
    return nullptr;
}

// The widget over a transparent background, hovered and pressed as asked.
QImage render(QWidget &w, bool hovered = false, bool pressed = false)
{
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), w.mapToGlobal(QPointF(10, 10)));
    if (hovered)
        QApplication::sendEvent(&w, &enter);
    if (pressed)
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(36, 36));
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
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
        const QByteArray outcome = g.outcome;
        TouchButton *grip = button(*tool, Icons::Id::Grip);
        QSignalSpy menu(tool.get(), &FloatToolBar::menuRequested);
        const QPoint start = tool->pos(), at(36, 14), global = grip->mapToGlobal(at);
        QTest::mousePress(grip, g.button, {}, at);
        QTest::mouseMove(grip, grip->mapFromGlobal(global + g.travel));
        QTest::qWait(g.holdMs);
        const QPoint end = global + g.travel + QPoint(0, g.holdMs ? 60 : 0); // held: a long way
        QTest::mouseMove(grip, grip->mapFromGlobal(end));
        QCOMPARE(tool->pos() != start, outcome == "drag");
        QTest::mouseRelease(grip, g.button, {}, grip->mapFromGlobal(end));
        QCOMPARE(menu.count() == 1 && menu[0][0].toPoint() == global, outcome == "menu");
        QCOMPARE(menu.count() + tool->isCollapsed(), outcome == "drag" ? 0 : 1);
        QVERIFY(!grip->isDown());
    }

    void dragDocksOnTheScreenItEndsOn()
    {
        // Halfway across the second screen: the tie goes to its right edge.
        const QPoint from = tool->mapToGlobal(QPoint(52, 6));
        const QPoint to = from + QPoint(2560, 700) - tool->geometry().center();
        QTest::mousePress(tool.get(), Qt::LeftButton, {}, QPoint(52, 6));
        QTest::mouseMove(tool.get(), tool->mapFromGlobal(from + QPoint(8, 0)));
        QTest::mouseMove(tool.get(), tool->mapFromGlobal(to));
        QTest::mouseRelease(tool.get(), Qt::LeftButton, {}, tool->mapFromGlobal(to));
        QTRY_COMPARE(tool->geometry(), QRect(3088, 603, 104, 232));
    }

    void companionFollowsAndHides()
    {
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
        QList<double> companion;
        connect(tool.get(), &FloatToolBar::fadeChanged, this, [&](double f) { companion << f; });
        QTimer *idle = tool->findChild<IdleFade *>()->findChild<QTimer *>();
        idle->setInterval(10);
        bottom.findChild<QTimer *>()->setInterval(10);
        QTRY_VERIFY(qFuzzyCompare(tool->fade(), 0.32) && qFuzzyCompare(bottom.fade(), 0.32));
        QVERIFY(qFuzzyCompare(companion.last(), 0.32));
        int parts = 0;
        for (QWidget *w : tool->findChildren<QWidget *>() + bottom.findChildren<QWidget *>()) {
            if (auto *f = dynamic_cast<Fadable *>(w))
                parts += qFuzzyCompare(f->fade(), 0.32) ? 1 : 100;
        }
        QCOMPARE(parts, 3 + 2 + 6 + 1); // grip and switches, cards, buttons, page label
        // A tap on a switch wakes the bar and reports activity.
        idle->setInterval(IdleFade::kIdleMs);
        QSignalSpy activity(tool.get(), &FloatToolBar::userActivity);
        QTest::mouseClick(button(*tool, Icons::Id::Expand), Qt::LeftButton);
        QCOMPARE(activity.count(), 1);
        QTRY_VERIFY(qFuzzyCompare(companion.last(), 1.0));
    }

    void bottomButtons()
    {
        BottomBar bar;
        QSignalSpy activity(&bar, &BottomBar::userActivity);
        const QList<std::pair<Icons::Id, const char *>> wiring{
            {Icons::Id::Power, SIGNAL(endClicked())},
            {Icons::Id::Minimize, SIGNAL(minimizeClicked())},
            {Icons::Id::Prev, SIGNAL(prevClicked())},
            {Icons::Id::Next, SIGNAL(nextClicked())}};
        for (const auto &[icon, signal] : wiring) {
            QSignalSpy clicked(&bar, signal);
            QTest::mouseClick(button(bar, icon), Qt::LeftButton);
            QVERIFY2(clicked.count() == 1, signal);
        }
        QCOMPARE(activity.count(), 4);
    }

    void buttonFaceByState_data()
    {
        QTest::addColumn<QColor>("accent");
        QTest::addColumn<QColor>("icon");
        QTest::newRow("pen red: white icon") << Palette::kInitialPen << QColor(Qt::white);
        QTest::newRow("light blue: dark icon") << Palette::kAccent << Palette::kDarkContent;
        QTest::newRow("yellow: dark icon") << Palette::kPenColors[1] << Palette::kDarkContent;
    }
    void buttonFaceByState()
    {
        QFETCH(QColor, accent);
        QFETCH(QColor, icon);
        TouchButton b(Icons::Id::Minimize);
        b.resize(72, 72);
        b.setCheckable(true);
        b.setAccent(accent);
        const QPoint face(8, 36), bar(36, 46); // the face's background; the icon's bar
        QList<int> alphas;
        for (const auto &[hovered, pressed] :
             {std::pair(false, false), {true, false}, {true, true}})
            alphas << render(b, hovered, pressed).pixelColor(face).alpha();
        QVERIFY(0 < alphas[0] && alphas[0] < alphas[1] && alphas[1] < alphas[2] && alphas[2] < 255);
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(36, 36)); // checks it
        const QImage checked = render(b);
        QCOMPARE(checked.pixelColor(face), accent);
        QCOMPARE(checked.pixelColor(bar), icon);
    }
};

PODIVEX_TEST_MAIN_SCREENS(TestBars, {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1281, 1440)})
#include "tst_bars.moc"
