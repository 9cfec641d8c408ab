// Detection from hand-made window records: which windows count as a show, which one is followed.
#include "Columns.h"
#include "FakeBackend.h"
#include "app/ProbeReport.h"
#include "detection/SlideFinder.h"

#include <QtTest>

namespace
{

const QRect kFull(0, 0, 1920, 1080);
const QRect kHalf(0, 0, 960, 1080);
using win::WindowFlag;

win::WindowInfo window(quintptr id, const QString &title, const QString &cls = {},
                       const QString &process = {}, QRect rect = kFull, win::WindowFlags flags = {})
{
    return {FakeBackend::handle(id), title, cls, process, quint32(id), rect, true, false, flags};
}
// A captioned half-screen window, which a show is not.
win::WindowInfo framed(const QString &title, const QString &cls = {}, const QString &process = {},
                       quintptr id = 1)
{
    return window(id, title, cls, process, kHalf, WindowFlag::Caption);
}

} // namespace

Q_DECLARE_METATYPE(win::WindowInfo)

class TestSlideFinder : public QObject
{
    Q_OBJECT

    FakeBackend *fake = nullptr;

    int scoreOf(const win::WindowInfo &w, bool foreground = false)
    {
        fake->windows = {w};
        fake->foreground = foreground ? w.handle : nullptr;
        return SlideFinder::probeAll({}, -1).value(0).score;
    }

private slots:
    void init() { fake = &FakeBackend::install(); }

    // Whether a window is followed at all: shows of every known program, and their editors not.
    void verdict_data()
    {
        columns<win::WindowInfo, bool>("w", "show");
        const auto row = [](const char *name, win::WindowInfo w, bool s) {
            QTest::newRow(name) << w << s;
        };
        row("powerpoint show",
            window(1, "PowerPoint Slide Show - a.pptx", "screenClass", "POWERPNT.EXE"), true);
        row("impress show", window(1, "Presenting: a.odp", "soffice", "SOFFICE.BIN"), true);
        row("wps show by class", framed("a", "WPSPresentationSlide", "WPP.EXE"), true);
        row("strong title alone", framed("幻灯片放映中"), true);
        row("case is ignored", framed("x", "SCREENCLASS", "powerpnt.exe"), true);
        row("powerpoint editor", window(1, "a.pptx - PowerPoint", "PPTFrameClass", "POWERPNT.EXE"),
            false);
        row("maximised impress editor",
            window(1, "a.odp - LibreOffice Impress", "libreoffice-impress", "SOFFICE.BIN"), false);
        row("wps editor by process", framed("a", "Foo", "WPS.EXE"), false);
        row("frame class with caption", framed("a", "PPTFrameClass", "POWERPNT.EXE"), false);
        row("browser, weak title", window(1, "PowerPoint tips - Browser", "Chrome", "CHROME.EXE"),
            false);
        row("viewer in a frame", framed("a", "Foo", "PPTVIEW.EXE"), false);
    }
    void verdict()
    {
        QFETCH(win::WindowInfo, w);
        QTEST(scoreOf(w) >= SlideFinder::kThreshold, "show");
    }

    // Each sign of a running show raises the score of a framed window; coverage counts from 85 %
    // of the window's own screen.
    void signsRaiseTheScore()
    {
        const auto present = [](QRect rect, win::WindowFlags flags = WindowFlag::Caption) {
            return window(1, "Present", {}, "SOFFICE.BIN", rect, flags);
        };
        const int plain = scoreOf(present(kHalf));
        for (const win::WindowInfo &w :
             {present(kHalf, {}), present(kHalf, WindowFlag::Caption | WindowFlag::TopMost),
              present(QRect(0, 0, 1632, 1080))})
            QVERIFY(scoreOf(w) > plain);
        QVERIFY(scoreOf(present(kHalf), true) > plain);
        for (const QRect &under : {QRect(0, 0, 1630, 1080), QRect()})
            QCOMPARE(scoreOf(present(under)), plain);

        const QRect second(1920, 0, 1280, 720);
        fake->monitorQuery = [=](win::Handle h) {
            return h == present({}).handle ? second : kFull;
        };
        const int small = scoreOf(present(QRect(1920, 0, 100, 100)));
        fake->windows = {window(2, "a - PowerPoint", "", "POWERPNT.EXE"), present(second)};
        QVERIFY(SlideFinder::probeAll({}, -1).value(0).score > small);
    }

    void findPicks()
    {
        const auto strong = window(1, "Slide Show", "screenClass", "POWERPNT.EXE");
        const auto weak = framed("Present", "", "PPTVIEW.EXE", 2);
        fake->windows = {strong, weak};
        fake->foreground = weak.handle;
        QCOMPARE(SlideFinder::find({}).handle, weak.handle); // a qualifying window in front wins
        fake->windows[1] = framed("deck", "", "FOO.EXE", 2);
        QCOMPARE(SlideFinder::find({}).handle, strong.handle); // one below the threshold does not

        // Ties keep the stacking order; excluded and minimised windows are skipped.
        fake->windows = {window(1, "Slide Show"), window(2, "Slide Show"),
                         window(3, "Slide Show", "screenClass", "POWERPNT.EXE")};
        fake->foreground = nullptr;
        fake->windows[2].minimized = true;
        QCOMPARE(SlideFinder::find({}).handle, FakeBackend::handle(1));
        QCOMPARE(SlideFinder::find({FakeBackend::handle(1)}).handle, FakeBackend::handle(2));
        fake->windows = {framed("deck", "", "PPTVIEW.EXE")};
        QVERIFY(!SlideFinder::find({}).handle);
    }

    void titlesPrintLiterally()
    {
        const SlideFinder::Result r{FakeBackend::handle(7), 127, "50%1 %4", "", "", "%2"};
        QVERIFY(SlideFinder::describe(r).contains(QRegularExpression("50%1 %4.*127")));
        const QString report = ProbeReport::reportText({r}, QDateTime::currentDateTime());
        QVERIFY(report.contains("50%1 %4") && report.contains("%2"));
    }
};

QTEST_GUILESS_MAIN(TestSlideFinder)
#include "tst_slidefinder.moc"
