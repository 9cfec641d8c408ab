// Detection from hand-made window records: which windows count as a show, which one is followed.
#include "FakeBackend.h"
#include "app/ProbeReport.h"
#include "detection/SlideFinder.h"

#include <QtTest>

namespace
{

const QRect kFull(0, 0, 1920, 1080);
const QRect kHalf(0, 0, 960, 1080);
using win::WindowFlag;

win::WindowInfo window(quintptr id, const QString &title, const QString &cls,
                       const QString &process, QRect rect = kFull, win::WindowFlags flags = {})
{
    win::WindowInfo w;
    w.handle = FakeBackend::handle(id);
    w.title = title;
    w.className = cls;
    w.processName = process;
    w.pid = quint32(id);
    w.rect = rect;
    w.flags = flags;
    return w;
}

int scoreOf(FakeBackend *fake, const win::WindowInfo &w, bool foreground = false)
{
    fake->windows = {w};
    fake->foreground = foreground ? w.handle : nullptr;
    return SlideFinder::probeAll({}, -1).value(0).score;
}

} // namespace

Q_DECLARE_METATYPE(win::WindowInfo)

class TestSlideFinder : public QObject
{
    Q_OBJECT

private:
    FakeBackend *fake = nullptr;

private slots:
    void init() { fake = &FakeBackend::install(); }

    // Whether a window is followed at all: shows of every known program, and their editors not.
    void verdict_data()
    {
        QTest::addColumn<win::WindowInfo>("w");
        QTest::addColumn<bool>("show");
        const auto captioned = [](const QString &t, const QString &c, const QString &p) {
            return window(1, t, c, p, kHalf, WindowFlag::Caption);
        };
        QTest::newRow("powerpoint show")
            << window(1, "PowerPoint Slide Show - a.pptx", "screenClass", "POWERPNT.EXE") << true;
        QTest::newRow("impress show")
            << window(1, "Presenting: a.odp", "soffice", "SOFFICE.BIN") << true;
        QTest::newRow("wps show by class")
            << captioned("a", "WPSPresentationSlide", "WPP.EXE") << true;
        QTest::newRow("strong title alone") << captioned("幻灯片放映中", "", "") << true;
        QTest::newRow("case is ignored") << captioned("x", "SCREENCLASS", "powerpnt.exe") << true;
        QTest::newRow("powerpoint editor")
            << window(1, "a.pptx - PowerPoint", "PPTFrameClass", "POWERPNT.EXE") << false;
        QTest::newRow("maximised impress editor")
            << window(1, "a.odp - LibreOffice Impress", "libreoffice-impress", "SOFFICE.BIN")
            << false;
        QTest::newRow("wps editor by process") << captioned("a", "Foo", "WPS.EXE") << false;
        QTest::newRow("frame class with caption")
            << captioned("a", "PPTFrameClass", "POWERPNT.EXE") << false;
        QTest::newRow("browser, weak title")
            << window(1, "PowerPoint tips - Browser", "Chrome", "CHROME.EXE") << false;
        QTest::newRow("viewer in a frame") << captioned("a", "Foo", "PPTVIEW.EXE") << false;
    }

    void verdict()
    {
        QFETCH(win::WindowInfo, w);
        QFETCH(bool, show);
        QCOMPARE(scoreOf(fake, w) >= SlideFinder::kThreshold, show);
    }

    // Each sign of a running show raises the score; coverage counts from 85 % of the window's own
    // screen.
    void signsRaiseTheScore()
    {
        const auto base = window(1, "Present", "", "SOFFICE.BIN", kHalf, WindowFlag::Caption);
        const int plain = scoreOf(fake, base);
        auto w = base;
        w.flags = {};
        QVERIFY(scoreOf(fake, w) > plain);
        w.flags = WindowFlag::TopMost;
        QVERIFY(scoreOf(fake, w) > scoreOf(fake, window(1, "Present", "", "SOFFICE.BIN", kHalf)));
        QVERIFY(scoreOf(fake, base, true) > plain);
        QVERIFY(scoreOf(fake, window(1, "Present", "", "SOFFICE.BIN", QRect(0, 0, 1632, 1080),
                                     WindowFlag::Caption)) > plain);
        QCOMPARE(scoreOf(fake, window(1, "Present", "", "SOFFICE.BIN", QRect(0, 0, 1630, 1080),
                                      WindowFlag::Caption)),
                 plain);
        QCOMPARE(
            scoreOf(fake, window(1, "Present", "", "SOFFICE.BIN", QRect(), WindowFlag::Caption)),
            plain);

        // A window on the second screen is measured against that screen, asked once.
        fake->monitorQuery = [](win::Handle h) {
            return h == FakeBackend::handle(2) ? QRect(1920, 0, 1280, 720) : kFull;
        };
        fake->windows = {
            window(1, "a - PowerPoint", "", "POWERPNT.EXE"),
            window(2, "Slide Show", "", "", QRect(1920, 0, 1280, 720), WindowFlag::Caption)};
        fake->monitorQueries = 0;
        const QList<SlideFinder::Result> all = SlideFinder::probeAll({}, -1);
        QCOMPARE(fake->monitorQueries, 1);
        QVERIFY(all[0].score >
                scoreOf(fake, window(2, "Slide Show", "", "", QRect(1920, 0, 100, 100),
                                     WindowFlag::Caption)));
    }

    void findPicks()
    {
        const auto strong = window(1, "Slide Show", "screenClass", "POWERPNT.EXE");
        const auto weak = window(2, "Present", "", "PPTVIEW.EXE", kHalf, WindowFlag::Caption);
        fake->windows = {strong, weak};
        fake->foreground = weak.handle;
        QCOMPARE(SlideFinder::find({}).handle, weak.handle); // a qualifying window in front wins
        fake->windows[1] = window(2, "deck", "", "FOO.EXE", kHalf, WindowFlag::Caption);
        QCOMPARE(SlideFinder::find({}).handle, strong.handle); // one below the threshold does not

        // Ties keep the stacking order; excluded and minimised windows are skipped.
        fake->windows = {window(1, "Slide Show", "", ""), window(2, "Slide Show", "", ""),
                         window(3, "Slide Show", "screenClass", "POWERPNT.EXE")};
        fake->foreground = nullptr;
        fake->windows[2].minimized = true;
        QCOMPARE(SlideFinder::find({}).handle, FakeBackend::handle(1));
        QCOMPARE(SlideFinder::find({FakeBackend::handle(1)}).handle, FakeBackend::handle(2));
        fake->windows = {window(1, "deck", "", "PPTVIEW.EXE", kHalf, WindowFlag::Caption)};
        QVERIFY(!SlideFinder::find({}).handle);
    }

    void probeAllSortsAndLimits()
    {
        for (int i = 1; i <= 40; ++i)
            fake->windows << window(quintptr(i), i % 2 ? "Slide Show" : "deck - PowerPoint", "", "",
                                    QRect(0, 0, 48 * i, 1080), WindowFlag::Caption);
        const QList<SlideFinder::Result> top = SlideFinder::probeAll({}, 15);
        QCOMPARE(top.size(), 15);
        for (int i = 1; i < top.size(); ++i)
            QVERIFY(top[i - 1].score >= top[i].score);
        QCOMPARE(SlideFinder::probeAll({}, -1).size(), 40);
    }

    void titlesPrintLiterally()
    {
        SlideFinder::Result r{FakeBackend::handle(7), 127, "50%1 %4", "", "", "%2"};
        QVERIFY(SlideFinder::describe(r).contains(QStringLiteral("50%1 %4")));
        QVERIFY(SlideFinder::describe(r).contains(QStringLiteral("127")));
        const QString report = ProbeReport::reportText({r}, QDateTime::currentDateTime());
        QVERIFY(report.contains(QStringLiteral("50%1 %4")) &&
                report.contains(QStringLiteral("%2")));
    }

    void stillValidNeedsALiveUnminimisedWindow()
    {
        fake->windows = {window(1, "Slide Show", "", "")};
        QVERIFY(SlideFinder::stillValid(FakeBackend::handle(1)));
        fake->minimizedHandles.insert(FakeBackend::handle(1));
        QVERIFY(!SlideFinder::stillValid(FakeBackend::handle(1)));
        QVERIFY(!SlideFinder::stillValid(FakeBackend::handle(2)));
    }
};

QTEST_GUILESS_MAIN(TestSlideFinder)
#include "tst_slidefinder.moc"
