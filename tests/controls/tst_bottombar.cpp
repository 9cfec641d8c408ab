// The bottom bar: geometry, group swap, page text, visibility, signals, idle fade and window shape.
#include "controls/BottomBar.h"
#include "FakeBackend.h"
#include "controls/IdleFade.h"
#include "OffscreenScreen.h"
#include "controls/TouchButton.h"

#include "PaintCounter.h"
#include <QTimer>
#include <QVariantAnimation>
#include <QtTest>

namespace
{

const QRect kScreen(0, 0, 1920, 1080);
const QString kSwapTip = QStringLiteral("切换：交换左下/右下两组的位置");

QList<TouchButton *> buttonsWithTip(const BottomBar &bar, const QString &tip)
{
    QList<TouchButton *> out;
    for (TouchButton *b : bar.findChildren<TouchButton *>()) {
        if (b->toolTip() == tip)
            out << b;
    }
    return out;
}

QList<BarGroup *> groupsByX(const BottomBar &bar)
{
    QList<BarGroup *> groups = bar.findChildren<BarGroup *>();
    std::sort(groups.begin(), groups.end(),
              [](BarGroup *a, BarGroup *b) { return a->x() < b->x(); });
    return groups;
}

// Height of the white text pixels of the page label.
int textHeight(PageLabel &label)
{
    QImage img(label.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    label.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    QRect ink;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(img.pixel(x, y)) > 240)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink.height();
}

} // namespace

class TestBottomBar : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    std::unique_ptr<BottomBar> bar;

    void showBar()
    {
        bar->setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    }

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        bar = std::make_unique<BottomBar>();
    }
    void cleanup() { bar.reset(); }

    void construction()
    {
        QCOMPARE(bar->windowTitle(), QStringLiteral("Podivex-BottomBar"));
        QVERIFY(!bar->isVisible());
        QCOMPARE(bar->screenRect(), kScreen); // starts on the primary screen
        QCOMPARE(bar->geometry(), QRect(0, 947, 1920, 124));
        QCOMPARE(bar->pageText(), QStringLiteral("— / —"));
        QCOMPARE(buttonsWithTip(*bar, "关闭放映").value(0)->accent(), QColor(255, 89, 72));
    }

    void geometryFromScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("second monitor")
            << QRect(1920, 0, 1280, 1024) << QRect(1920, 891, 1280, 124);
        QTest::newRow("left of primary")
            << QRect(-1366, 200, 1366, 768) << QRect(-1366, 835, 1366, 124);
        QTest::newRow("4k logical") << QRect(0, 0, 2560, 1440) << QRect(0, 1307, 2560, 124);
    }
    void geometryFromScreen()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, expected);
        // A new rectangle moves the bar even while it is hidden, the same one does not; showing
        // puts it back where the screen says.
        bar->setScreenRect(screen);
        QCOMPARE(bar->geometry(), expected);
        bar->move(10, 10);
        bar->setScreenRect(screen);
        QCOMPARE(bar->pos(), QPoint(10, 10));
        showBar();
        QCOMPARE(bar->geometry(), expected);
        // The groups sit in the lower corners, inside the 16 pixel margin.
        const QList<BarGroup *> groups = groupsByX(*bar);
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0]->geometry(), QRect(16, 16, 3 * 72 + 2 * 14 + 20, 92));
        QCOMPARE(groups[1]->geometry().right(), expected.width() - 17);
        QCOMPARE(groups[1]->width(), 4 * 72 + 3 * 14 + 20);
    }

    void visibility()
    {
        bar->setUserVisible(false);
        bar->setHasTarget(true);
        QVERIFY(!bar->isVisible());
        // Hidden bars keep their place; showing puts them back where the screen says.
        bar->move(5, 5);
        bar->fadeTo(0.32);
        bar->setUserVisible(true);
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->geometry(), QRect(0, 947, 1920, 124));
        QTRY_VERIFY(qFuzzyCompare(bar->fade(), 1.0));
        QTimer *idle = bar->findChild<QTimer *>();
        QVERIFY(idle->isActive());
        QCOMPARE(idle->interval(), 5000);
        bar->setHasTarget(false);
        QVERIFY(!bar->isVisible());
        bar->setHasTarget(true);
        QVERIFY(bar->isVisible());
        bar->setUserVisible(false);
        QVERIFY(!bar->isVisible());
    }

    void swapExchangesCorners()
    {
        showBar();
        const QList<BarGroup *> before = groupsByX(*bar);
        QSignalSpy activity(bar.get(), &BottomBar::userActivity);
        const QList<TouchButton *> swaps = buttonsWithTip(*bar, kSwapTip);
        QCOMPARE(swaps.size(), 2);
        QTest::mouseClick(swaps[0], Qt::LeftButton);
        QVERIFY(bar->isSwapped());
        QTRY_COMPARE(groupsByX(*bar), QList<BarGroup *>({before[1], before[0]}));
        QCOMPARE(before[1]->x(), 16);
        QCOMPARE(before[0]->geometry().right(), bar->width() - 17);
        QTest::mouseClick(swaps[1], Qt::LeftButton);
        QVERIFY(!bar->isSwapped());
        QTRY_COMPARE(groupsByX(*bar), before);
        QCOMPARE(activity.count(), 2);
    }

    void pageText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("pixelSize");
        const QList<std::tuple<const char *, QString, QString, int>> rows = {
            {"3/12", "3/12", "3 / 12", 22},
            {"no slash", "12", "12", 22},
            {"7 characters", "12/34", "12 / 34", 22},
            {"8 characters", "12/345", "12 / 345", 18},
            {"9 characters", "123/456", "123 / 456", 18},
            {"10 characters", "123/4567", "123 / 4567", 15},
            {"two slashes", "1/2/3", "1 / 2 / 3", 18}};
        for (const auto &[name, text, shown, size] : rows)
            QTest::newRow(name) << text << shown << size;
    }
    void pageText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(int, pixelSize);
        bar->setPageText(text);
        QCOMPARE(bar->pageText(), shown);
        QCOMPARE(PageLabel::textPixelSize(int(shown.size())), pixelSize);
        // Digits in bold are about 0.73 of the pixel size high.
        PageLabel *label = bar->findChild<PageLabel *>();
        label->resize(220, 72);
        QVERIFY(qAbs(textHeight(*label) - 0.73 * pixelSize) <= 2.5);
    }

    void sameTextDoesNotRepaint()
    {
        showBar();
        PageLabel *label = bar->findChild<PageLabel *>();
        PaintCounter counter(label);
        bar->setPageText("3/12");
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
        bar->setPageText("3/12");
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
    }

    void buttonsEmitAndWake_data()
    {
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("end") << QStringLiteral("关闭放映") << QByteArray(SIGNAL(endClicked()));
        QTest::newRow("minimise") << QStringLiteral("最小化放映窗口")
                                  << QByteArray(SIGNAL(minimizeClicked()));
        QTest::newRow("previous") << QStringLiteral("上一页") << QByteArray(SIGNAL(prevClicked()));
        QTest::newRow("next") << QStringLiteral("下一页") << QByteArray(SIGNAL(nextClicked()));
    }
    void buttonsEmitAndWake()
    {
        QFETCH(QString, tip);
        QFETCH(QByteArray, signal);
        showBar();
        QTimer *idle = bar->findChild<QTimer *>();
        bar->fadeTo(IdleFade::kIdleOpacity);
        QTRY_VERIFY(qFuzzyCompare(bar->fade(), IdleFade::kIdleOpacity));
        idle->stop();

        QSignalSpy activity(bar.get(), &BottomBar::userActivity);
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const char *s : {SIGNAL(endClicked()), SIGNAL(minimizeClicked()),
                              SIGNAL(prevClicked()), SIGNAL(nextClicked())})
            spies.push_back(std::make_unique<QSignalSpy>(bar.get(), s));
        QTest::mouseClick(buttonsWithTip(*bar, tip).value(0), Qt::LeftButton);
        QCOMPARE(activity.count(), 1);
        for (const auto &spy : spies)
            QCOMPARE(spy->count(), spy->signal() == signal.mid(1) ? 1 : 0);
        QVERIFY(idle->isActive());
        QTRY_VERIFY(qFuzzyCompare(bar->fade(), 1.0));
        for (BarGroup *g : bar->findChildren<BarGroup *>())
            QCOMPARE(g->fade(), 1.0);
        QCOMPARE(bar->findChild<PageLabel *>()->fade(), 1.0);
    }

    void idleFadeAndReturn()
    {
        showBar();
        QTimer *idle = bar->findChild<QTimer *>();
        auto *animation = bar->findChild<QVariantAnimation *>();
        QVERIFY(idle->isSingleShot());
        QCOMPARE(animation->duration(), 260);
        idle->setInterval(10);
        idle->start();
        QTRY_VERIFY(animation->state() == QAbstractAnimation::Running);
        QTest::qWait(60);
        // A second request for the running target does not restart the fade.
        const int elapsed = animation->currentTime();
        bar->fadeTo(IdleFade::kIdleOpacity);
        QVERIFY(animation->currentTime() >= elapsed);
        QTRY_VERIFY(qFuzzyCompare(bar->fade(), IdleFade::kIdleOpacity));

        // Pointer entry brings it back; a fade reversed midway starts where it stands.
        idle->setInterval(5000);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), bar->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(bar.get(), &enter);
        QTRY_VERIFY(bar->fade() > 0.6);
        bar->fadeTo(IdleFade::kIdleOpacity);
        QVERIFY(bar->fade() > 0.6);
        QCOMPARE(animation->startValue().toDouble(), bar->fade());
        QTRY_VERIFY(qFuzzyCompare(bar->fade(), IdleFade::kIdleOpacity));
        for (TouchButton *b : bar->findChildren<TouchButton *>())
            QCOMPARE(b->fade(), IdleFade::kIdleOpacity);

        // Leaving only restarts the idle period.
        idle->stop();
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(bar.get(), &leave);
        QVERIFY(idle->isActive());
        QCOMPARE(bar->fade(), IdleFade::kIdleOpacity);
    }

    void nativeStyles()
    {
        bar->applyNativeStyles();
        const QString h = FakeBackend::name(win::fromWinId(bar->winId()));
        QCOMPARE(fake->calls, QStringList({"setToolWindow " + h + " 1", "setNoActivate " + h + " 1",
                                           "setTopMost " + h + " 1"}));
    }

    void shapedToItsCardsOnlyWithoutComposition()
    {
        showBar();
        QVERIFY(bar->mask().isEmpty());
        fake->shaped = true;
        bar = std::make_unique<BottomBar>();
        showBar();
        QList<BarGroup *> groups = groupsByX(*bar);
        QRegion mask = bar->mask();
        for (BarGroup *g : groups) {
            QVERIFY(mask.contains(g->geometry().center()));
            QVERIFY(mask.contains(g->geometry().topLeft() + QPoint(22, 1)));
            QVERIFY(!mask.contains(g->geometry().topLeft())); // rounded corner
        }
        QVERIFY(!mask.contains(QPoint(bar->width() / 2, 62)));
        QVERIFY(!mask.contains(QPoint(4, 4)));

        QTest::mouseClick(buttonsWithTip(*bar, kSwapTip)[0], Qt::LeftButton);
        QTRY_COMPARE(groupsByX(*bar), QList<BarGroup *>({groups[1], groups[0]}));
        mask = bar->mask();
        QVERIFY(!mask.contains(QPoint(bar->width() / 2, 62)));
        QCOMPARE(mask.boundingRect(), groups[1]->geometry() | groups[0]->geometry());
    }
};

PODIVEX_TEST_MAIN_SCREENS(TestBottomBar, {kScreen})
#include "tst_bottombar.moc"
