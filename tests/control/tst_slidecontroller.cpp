// The slide controller: page counting from commands and from the show's own navigation, the
// signal protocol, and the position read from automation.
#include "Columns.h"
#include "FakeBackend.h"
#include "control/SlideAutomation.h"
#include "control/SlideController.h"

#include <QtTest>

namespace
{

using Reading = SlideAutomation::Reading;

// Every read returns the current reading.
struct FakeAutomation : SlideAutomation::Source {
    bool ready = true;
    Reading reading;
    int reads = 0;
    bool initialiseThread() override { return ready; }
    Reading readRunningShow(const QStringList &) override { return ++reads, reading; }
};

const win::Handle kShow = FakeBackend::handle(1);
// The layer's keys by name, in the order of win::Key.
const QStringList kKeys = {"Left",  "Right", "Up",        "Down",   "PageUp", "PageDown", "Home",
                           "Space", "Enter", "Backspace", "Escape", "N",      "P"};

} // namespace

Q_DECLARE_METATYPE(Reading)

class TestSlideController : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    FakeAutomation *automation = nullptr;

    // Follows the show, with the counters as automation reported them.
    void prime(SlideController &c, int cur, int tot)
    {
        c.setTarget(kShow);
        automation->reading = {cur, tot};
        c.refreshInfo();
        automation->reading = {};
        fake->calls.clear();
    }

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        fake->foreground = kShow;
        auto source = std::make_unique<FakeAutomation>();
        automation = source.get();
        SlideAutomation::setSource(std::move(source));
    }

    // Commands: n next, p previous, +k/-k bump; the rest are keys from elsewhere, k an own key
    // coming back, c a click on the show, b with the show behind another window.
    void counting_data()
    {
        columns<int, int, QString, QString>("current", "total", "commands", "page");
        const auto row = [](const char *name, int cur, int tot, const char *cmds, const char *p) {
            QTest::newRow(name) << cur << tot << QString(cmds) << QString(p);
        };
        row("next from nothing counts as from 1", 0, 0, "n", "2/?");
        row("prev from nothing", 0, 0, "p", "1/?");
        row("next at the end", 5, 5, "n", "5/5");
        row("prev from a stale count", 8, 5, "p", "5/5");
        row("bump past both ends", 2, 9, "+9 -20", "1/9");
        row("keys forward", 1, 9, "Right Down PageDown Space Enter N", "7/9");
        row("keys back", 9, 9, "Left Up PageUp Backspace P", "4/9");
        row("Home", 6, 9, "Home", "1/9");
        row("a click", 3, 9, "c", "4/9");
        row("own key not counted twice", 3, 9, "n k", "4/9");
        row("a real key after the echo", 3, 9, "n k Right", "5/9");
        row("show behind another window", 3, 9, "b Right c", "3/9");
        row("Escape is no navigation", 3, 9, "Escape", "3/9");
    }
    void counting()
    {
        QFETCH(int, current);
        QFETCH(int, total);
        QFETCH(QString, commands);
        SlideController c;
        prime(c, current, total);
        c.refreshInfo(); // nothing reports the position from here on
        for (const QString &command : commands.split(' ')) {
            if (kKeys.contains(command))
                c.followKey(win::Key(kKeys.indexOf(command)));
            else if (command == "n" || command == "p")
                command == "n" ? c.nextSlide() : c.prevSlide();
            else if (command == "k") // the last key this controller sent
                c.followKey(win::Key(fake->calls.last().section(' ', 2).toInt()));
            else if (command == "c")
                c.followClick();
            else if (command == "b")
                fake->foreground = nullptr;
            else
                c.bump(command.toInt());
        }
        QTEST(c.pageText(), "page");
    }

    // Where automation reports the position, the show's own moves are read, not counted.
    void automationStaysTheTruth()
    {
        SlideController c;
        prime(c, 4, 9);
        automation->reading = {6, 9};
        c.followKey(win::Key::PageDown);
        QCOMPARE(c.pageText(), QStringLiteral("4/9"));
        QTRY_COMPARE(c.pageText(), QStringLiteral("6/9"));
    }

    void endMinimiseAndTarget()
    {
        SlideController c;
        c.nextSlide(); // without a target nothing is sent
        QVERIFY(fake->calls.isEmpty());
        prime(c, 3, 9);
        c.minimizeShow();
        c.endShow();
        QCOMPARE(fake->calls,
                 QStringList({"minimizeWindow 0x1 1",
                              QStringLiteral("injectKeyTo 0x1 %1").arg(int(win::Key::Escape))}));
        QSignalSpy info(&c, &SlideController::infoChanged);
        c.setTarget(kShow); // the same window again: nothing
        c.setTarget(nullptr);
        QCOMPARE(info.size(), 1);
    }

    // The counters start at 3 of 9; every refresh reports, changed or not.
    void refresh_data()
    {
        columns<Reading, QString>("reading", "page");
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
        QSignalSpy info(&c, &SlideController::infoChanged);
        c.refreshInfo();
        QCOMPARE(info.size(), 1);
        QTEST(c.pageText(), "page");
    }

    // Nothing is read after the controller is gone; without automation nothing is read at all and
    // the count starts at 1.
    void refreshTimers()
    {
        std::make_unique<SlideController>()->setTarget(kShow);
        automation->ready = false;
        SlideController c;
        c.setTarget(kShow);
        QTRY_COMPARE(c.pageText(), QStringLiteral("1/?"));
        QTest::qWait(1200);
        QCOMPARE(automation->reads, 0);
    }
};

QTEST_MAIN(TestSlideController)
#include "tst_slidecontroller.moc"
