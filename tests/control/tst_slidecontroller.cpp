// Page counting, key commands, the signal protocol and the refresh timers of the slide controller.
#include "FakeBackend.h"
#include "control/SlideAutomation.h"
#include "control/SlideController.h"

#include <QtTest>

namespace
{

// Automation as the test scripts it: every read returns the current reading.
class FakeAutomation : public SlideAutomation::Source
{
public:
    bool ready = true;
    SlideAutomation::Reading reading;
    int reads = 0;

    bool initialiseThread() override { return ready; }
    SlideAutomation::Reading readRunningShow(const QStringList &) override
    {
        ++reads;
        return reading;
    }
};

const win::Handle kShow = FakeBackend::handle(1);
using Reading = SlideAutomation::Reading;

QString info(int cur, int tot)
{
    return QStringLiteral("infoChanged %1 %2").arg(cur).arg(tot);
}

} // namespace

Q_DECLARE_METATYPE(Reading)

class TestSlideController : public QObject
{
    Q_OBJECT

private:
    FakeBackend *fake = nullptr;
    FakeAutomation *automation = nullptr;

    // Records the controller's signals into the backend's call log, so keys and signals share one
    // order.
    void logSignals(SlideController &c)
    {
        connect(&c, &SlideController::infoChanged, this,
                [this](int cur, int tot) { fake->calls << info(cur, tot); });
        connect(&c, &SlideController::targetChanged, this,
                [this] { fake->calls << QStringLiteral("targetChanged"); });
    }

    // Follows kShow with counters read as current/total, then logs from a clean slate.
    void prime(SlideController &c, int cur, int tot)
    {
        c.setTarget(kShow);
        automation->reading = {cur, tot};
        c.refreshInfo();
        automation->reading = {};
        fake->calls.clear();
        logSignals(c);
    }

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        auto source = std::make_unique<FakeAutomation>();
        automation = source.get();
        SlideAutomation::setSource(std::move(source));
    }

    // "next"/"prev" send a key after moving the indicator; "+n"/"-n" bump the indicator only.
    void commands_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("expected");

        QTest::newRow("next from nothing counts as from 1") << 0 << 0 << "next" << 2;
        QTest::newRow("prev from nothing") << 0 << 0 << "prev" << 1;
        QTest::newRow("next without total is unbounded") << 7 << 0 << "next" << 8;
        QTest::newRow("next in the middle") << 2 << 5 << "next" << 3;
        QTest::newRow("next at the end") << 5 << 5 << "next" << 5;
        QTest::newRow("prev at the start") << 1 << 5 << "prev" << 1;
        QTest::newRow("prev from a stale count") << 8 << 5 << "prev" << 5;
        QTest::newRow("next from a stale count") << 8 << 5 << "next" << 5;
        QTest::newRow("prev from a negative position") << -3 << 5 << "prev" << 1;
        QTest::newRow("bump forward") << 2 << 9 << "+3" << 5;
        QTest::newRow("bump past the end") << 8 << 9 << "+4" << 9;
        QTest::newRow("bump before the start") << 2 << 9 << "-5" << 1;
        QTest::newRow("bump without total") << 0 << 0 << "+4" << 5;
    }

    void commands()
    {
        QFETCH(int, current);
        QFETCH(int, total);
        QFETCH(QString, command);
        QFETCH(int, expected);

        SlideController c;
        prime(c, current, total);
        QStringList calls = {info(expected, total)};
        if (command == QLatin1String("next") || command == QLatin1String("prev")) {
            const bool next = command == QLatin1String("next");
            next ? c.nextSlide() : c.prevSlide();
            calls << QStringLiteral("injectKeyTo 0x1 %1")
                         .arg(int(next ? win::Key::Right : win::Key::Left));
        } else {
            c.bump(command.toInt());
        }
        QCOMPARE(fake->calls, calls);
        QCOMPARE(c.pageText(), QStringLiteral("%1/%2").arg(expected).arg(
                                   total > 0 ? QString::number(total) : "?"));
    }

    void endAndMinimise()
    {
        SlideController idle;
        logSignals(idle);
        idle.nextSlide();
        idle.prevSlide();
        idle.endShow();
        idle.minimizeShow();
        idle.bump(2); // without a target only the indicator moves
        QCOMPARE(fake->calls, QStringList({"infoChanged 3 0"}));

        SlideController c;
        prime(c, 3, 9);
        c.minimizeShow();
        QCOMPARE(fake->calls, QStringList({"minimizeWindow 0x1 1"}));
        QCOMPARE(c.pageText(), QStringLiteral("3/9"));
        fake->calls.clear();
        c.endShow();
        QCOMPARE(fake->calls,
                 QStringList({QStringLiteral("injectKeyTo 0x1 %1").arg(int(win::Key::Escape)),
                              "infoChanged 0 0"}));
        QCOMPARE(c.target(), kShow); // tracking drops the window once it is gone
        QCOMPARE(c.pageText(), QStringLiteral("?/?"));
    }

    void targetProtocol()
    {
        SlideController c;
        logSignals(c);
        c.setTarget(kShow);
        c.setTarget(kShow);
        c.setTarget(FakeBackend::handle(2));
        QCOMPARE(fake->calls, QStringList({"targetChanged", "targetChanged"}));

        automation->reading = {4, 6};
        c.refreshInfo();
        fake->calls.clear();
        c.setTarget(nullptr);
        QCOMPARE(fake->calls, QStringList({"infoChanged 0 0", "targetChanged"}));
        QCOMPARE(c.pageText(), QStringLiteral("\u2014/\u2014"));
    }

    void refresh_data()
    {
        QTest::addColumn<Reading>("reading");
        QTest::addColumn<QString>("page");

        // The counters start at 3 of 9.
        QTest::newRow("both numbers") << Reading{6, 12} << "6/12";
        QTest::newRow("position without a count") << Reading{7, {}} << "7/9";
        QTest::newRow("count without a position") << Reading{{}, 12} << "3/12";
        QTest::newRow("position 0 is taken as reported") << Reading{0, 9} << "?/?";
        QTest::newRow("nothing read keeps the count") << Reading{} << "3/9";
    }

    void refresh()
    {
        QFETCH(Reading, reading);
        SlideController c;
        prime(c, 3, 9);
        automation->reading = reading;
        c.refreshInfo();
        QCOMPARE(fake->calls.size(), 1); // every refresh reports, changed or not
        QTEST(c.pageText(), "page");
    }

    void refreshWithoutAutomationStartsAtOne()
    {
        automation->ready = false;
        SlideController c;
        c.setTarget(kShow);
        QSignalSpy spy(&c, &SlideController::infoChanged);
        c.refreshInfo();
        QCOMPARE(automation->reads, 0);
        QCOMPARE(spy.takeFirst(), QVariantList({1, 0}));
    }

    void periodicRefreshRunsOnlyWithTarget()
    {
        SlideController c;
        auto *timer = c.findChild<QTimer *>();
        QVERIFY(timer && !timer->isActive());
        c.setTarget(kShow);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 1000);
        const int before = automation->reads;
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(automation->reads, before + 1);
        c.setTarget(nullptr);
        QVERIFY(!timer->isActive());
    }

    // The one-shot refreshes, with the periodic timer stopped so that only they can read.
    void oneShotRefreshes_data()
    {
        QTest::addColumn<int>("command"); // 0 new target, 1 next, 2 previous
        QTest::addColumn<int>("delayMs");

        QTest::newRow("after a new target") << 0 << 400;
        QTest::newRow("after next") << 1 << 350;
        QTest::newRow("after previous") << 2 << 350;
    }

    void oneShotRefreshes()
    {
        QFETCH(int, command);
        QFETCH(int, delayMs);

        SlideController c;
        if (command != 0) {
            c.setTarget(kShow);
            QTRY_COMPARE(automation->reads, 1); // the new target's own refresh
        }
        QElapsedTimer clock;
        clock.start();
        const int before = automation->reads;
        if (command == 0)
            c.setTarget(kShow);
        else
            command == 1 ? c.nextSlide() : c.prevSlide();
        c.findChild<QTimer *>()->stop();
        QTRY_COMPARE(automation->reads, before + 1);
        QVERIFY2(clock.elapsed() >= delayMs * 9 / 10, // coarse timers may fire 5% early
                 qPrintable(QString::number(clock.elapsed())));
        QTest::qWait(100);
        QCOMPARE(automation->reads, before + 1); // once, not repeated
    }

    void oneShotRefreshDiesWithTheController()
    {
        {
            SlideController c;
            c.setTarget(kShow);
        }
        QTest::qWait(500);
        QCOMPARE(automation->reads, 0);
    }
};

QTEST_MAIN(TestSlideController)
#include "tst_slidecontroller.moc"
