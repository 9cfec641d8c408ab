// The slide controller: page counting from commands and from the show's own navigation, the
// position read from automation, and the signal protocol. The real show's keys are left to the
// end-to-end suites.
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

class TestSlideController : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;
    FakeAutomation *automation = nullptr;

private slots:
    void init()
    {
        fake = &FakeBackend::install();
        fake->foreground = kShow;
        auto source = std::make_unique<FakeAutomation>();
        automation = source.get();
        SlideAutomation::setSource(std::move(source));
    }

    // Commands, on a controller just given the show: "6/12" automation reads these numbers (either
    // may be missing) and a refresh follows, n next, p previous, +k/-k bump; the rest are keys from
    // elsewhere, k an own key coming back, c a click on the show, b with the show behind another.
    void counting_data()
    {
        columns<QString, QString>("commands", "page");
        const auto row = [](const char *name, const char *commands, const char *page) {
            QTest::newRow(name) << QString(commands) << QString(page);
        };
        row("next from nothing counts as from 1", "n", "2/?");
        row("prev from nothing", "p", "1/?");
        row("next at the end", "5/5 / n", "5/5");
        row("prev from a stale count", "8/5 / p", "5/5");
        row("bump past both ends", "2/9 / +9 -20", "1/9");
        row("keys forward", "1/9 / Right Down PageDown Space Enter N", "7/9");
        row("keys back", "9/9 / Left Up PageUp Backspace P", "4/9");
        row("Home", "6/9 / Home", "1/9");
        row("a click", "3/9 / c", "4/9");
        row("own key not counted twice", "3/9 / n k", "4/9");
        row("a real key after the echo", "3/9 / n k Right", "5/9");
        row("show behind another window", "3/9 / b Right c", "3/9");
        row("Escape is no navigation", "3/9 / Escape", "3/9");
        row("a read position is not counted", "4/9 PageDown c", "4/9");
        row("both numbers read", "3/9 6/12", "6/12");
        row("position without a count", "3/9 7/", "7/9");
        row("count without a position", "3/9 /12", "3/12");
        row("position 0 is taken as reported", "3/9 0/9", "?/?");
    }
    void counting()
    {
        QFETCH(QString, commands);
        SlideController c;
        c.setTarget(kShow);
        for (const QString &command : commands.split(' ')) {
            if (command.contains('/')) { // every refresh reports, changed or not
                const auto number = [](const QString &n) {
                    return n.isEmpty() ? std::optional<int>() : n.toInt();
                };
                automation->reading = {number(command.section('/', 0, 0)),
                                       number(command.section('/', 1))};
                QSignalSpy info(&c, &SlideController::infoChanged);
                c.refreshInfo();
                QCOMPARE(info.size(), 1);
            } else if (kKeys.contains(command)) {
                c.followKey(win::Key(kKeys.indexOf(command)));
            } else if (command == "n" || command == "p") {
                command == "n" ? c.nextSlide() : c.prevSlide();
            } else if (command == "k") { // the last key this controller sent
                c.followKey(win::Key(fake->calls.last().section(' ', 2).toInt()));
            } else if (command == "c") {
                c.followClick();
            } else if (command == "b") {
                fake->foreground = nullptr;
            } else {
                c.bump(command.toInt());
            }
        }
        QTEST(c.pageText(), "page");
    }

    void endMinimiseAndTarget()
    {
        SlideController c;
        c.nextSlide(); // without a target nothing is sent
        QVERIFY(fake->calls.isEmpty());
        c.setTarget(kShow);
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
