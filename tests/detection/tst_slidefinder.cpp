// Scoring, picking and describing candidate windows, from hand-made window records.
#include "FakeBackend.h"
#include "app/ProbeReport.h"
#include "detection/SlideFinder.h"

#include <QtTest>

namespace
{

constexpr qint32 kCaption = 0x00C00000;
const QRect kFull(0, 0, 1920, 1080);
const QRect kHalf(0, 0, 960, 1080);

win::WindowInfo window(quintptr id, const QString &title, const QString &cls,
                       const QString &process, QRect rect = kFull, qint32 style = 0,
                       qint32 exStyle = 0)
{
    win::WindowInfo w;
    w.hwnd = FakeBackend::handle(id);
    w.title = title;
    w.className = cls;
    w.processName = process;
    w.pid = quint32(id);
    w.rect = rect;
    w.style = style;
    w.exStyle = exStyle;
    return w;
}

// A captioned half-screen window: no coverage, no caption bonus.
win::WindowInfo framed(const QString &title, const QString &cls, const QString &process,
                       QRect rect = kHalf)
{
    return window(1, title, cls, process, rect, kCaption);
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

    void scoring_data()
    {
        QTest::addColumn<win::WindowInfo>("w");
        QTest::addColumn<bool>("foreground");
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("hits");
        const auto row = [](const char *name, const win::WindowInfo &w, bool fg, int score,
                            const QString &hits) {
            QTest::newRow(name) << w << fg << score << hits;
        };

        row("powerpoint show",
            window(1, "PowerPoint Slide Show - deck.pptx", "screenClass", "POWERPNT.EXE"), true,
            255,
            "进程=POWERPNT.EXE, 类名=screenClass, 标题强签名『Slide Show』, 全屏100%, 无标题栏, "
            "前台");
        row("strong title beats editor title", framed("Slide Show - PowerPoint", "Foo", "FOO.EXE"),
            false, 90, "标题强签名『Slide Show』");
        row("earlier strong entry is quoted", framed("幻灯片放映中", "", ""), false, 90,
            "标题强签名『幻灯片放映』");
        row("powerpoint editor by title",
            window(1, "deck.pptx - PowerPoint", "PPTFrameClass", "POWERPNT.EXE"), true, 0,
            "编辑态窗口『- PowerPoint』，非放映窗口");
        row("wps editor by process", framed("deck", "Foo", "WPS.EXE"), false, 0,
            "编辑态窗口（进程=WPS.EXE，有标题栏且无放映签名），非放映窗口");
        row("frame class with caption is an editor",
            framed("deck", "PPTFrameClass", "POWERPNT.EXE"), false, 0,
            "编辑态窗口（进程=POWERPNT.EXE，有标题栏且无放映签名），非放映窗口");
        row("viewer with caption is not an editor", framed("deck", "Foo", "PPTVIEW.EXE"), false, 50,
            "进程=PPTVIEW.EXE");
        row("strong class with caption is not an editor", framed("deck", "screenClass", "WPS.EXE"),
            false, 110, "进程=WPS.EXE, 类名=screenClass");
        row("browser with a weak title",
            window(1, "PowerPoint tips - Browser", "Chrome", "CHROME.EXE"), true, 0,
            "与演示软件无关（未命中进程/类名/标题签名）");
        row("weak title, top-most", window(1, "Present", "Foo", "SOFFICE.BIN", kHalf, 0, 0x8),
            false, 87, "进程=SOFFICE.BIN, 标题弱匹配, 无标题栏, TopMost");
        row("case is ignored", framed("x", "SCREENCLASS", "powerpnt.exe"), false, 110,
            "进程=powerpnt.exe, 类名=SCREENCLASS");
        row("impress editor, maximised and in front",
            window(1, "deck.odp - LibreOffice Impress", "libreoffice-impress", "SOFFICE.BIN"), true,
            0, "编辑态窗口『- LibreOffice Impress』，非放映窗口");
        row("impress show", window(1, "Presenting: deck.odp", "soffice", "SOFFICE.BIN"), true, 127,
            "进程=SOFFICE.BIN, 标题弱匹配, 全屏100%, 无标题栏, 前台");
        row("85 percent coverage counts", framed("Slide Show", "", "", QRect(0, 0, 1632, 1080)),
            false, 120, "标题强签名『Slide Show』, 全屏85%");
        row("84.9 percent does not", framed("Slide Show", "", "", QRect(0, 0, 1630, 1080)), false,
            90, "标题强签名『Slide Show』");
        row("larger than its monitor", framed("Slide Show", "", "", QRect(0, 0, 2304, 1080)), false,
            120, "标题强签名『Slide Show』, 全屏120%");
        row("invalid rectangle skips coverage", framed("Slide Show", "", "", QRect()), false, 90,
            "标题强签名『Slide Show』");
    }

    void scoring()
    {
        QFETCH(win::WindowInfo, w);
        QFETCH(bool, foreground);
        fake->windows = {w};
        fake->foreground = foreground ? w.hwnd : nullptr;
        const QList<SlideFinder::Result> all = SlideFinder::probeAll({}, -1);
        QCOMPARE(all.size(), 1);
        QTEST(all[0].score, "score");
        QTEST(all[0].hits, "hits");
    }

    void monitorIsAskedPerWindowOnItsOwnMonitor()
    {
        // Only the window that reaches the geometry step asks, and it gets its own monitor.
        fake->monitorQuery = [](HWND h) {
            return h == FakeBackend::handle(2) ? QRect(1920, 0, 1280, 720) : kFull;
        };
        fake->windows = {window(1, "deck - PowerPoint", "", "POWERPNT.EXE"),
                         window(2, "Slide Show", "", "", QRect(1920, 0, 1280, 720), kCaption)};
        const QList<SlideFinder::Result> all = SlideFinder::probeAll({}, -1);
        QCOMPARE(fake->monitorQueries, 1);
        QCOMPARE(all[0].hits, QStringLiteral("标题强签名『Slide Show』, 全屏100%"));
    }

    void findPicks()
    {
        const auto strong = window(1, "Slide Show", "screenClass", "POWERPNT.EXE");      // 235
        fake->windows = {strong, window(2, "deck", "", "PPTVIEW.EXE", kHalf, kCaption)}; // 50, 70
        fake->foreground = FakeBackend::handle(2);
        QCOMPARE(SlideFinder::find({}).hwnd, FakeBackend::handle(2)); // qualifying foreground wins

        fake->windows[1] = window(2, "deck", "", "FOO.EXE", kHalf, kCaption);
        QCOMPARE(SlideFinder::find({}).hwnd, strong.hwnd); // below the threshold in front

        fake->windows = {window(1, "deck", "", "PPTVIEW.EXE", kHalf, kCaption)}; // 50
        QVERIFY(!SlideFinder::find({}).hwnd);
        fake->windows = {window(1, "Present", "", "PPTVIEW.EXE", kHalf, kCaption)}; // 62
        QCOMPARE(SlideFinder::find({}).score, 62);
        fake->windows.clear();
        QCOMPARE(SlideFinder::find({}).score, 0);
    }

    void findTieKeepsEnumerationOrderAndSkips()
    {
        fake->windows = {window(1, "Slide Show", "", ""), window(2, "Slide Show", "", ""),
                         window(3, "Slide Show", "screenClass", "POWERPNT.EXE")};
        fake->windows[2].minimized = true;
        QCOMPARE(SlideFinder::find({}).hwnd, FakeBackend::handle(1));
        QCOMPARE(SlideFinder::find({FakeBackend::handle(1)}).hwnd, FakeBackend::handle(2));
        QCOMPARE(SlideFinder::probeAll({FakeBackend::handle(1)}, -1).size(), 1);
    }

    void probeAllSortsAndLimits()
    {
        for (int i = 1; i <= 40; ++i)
            fake->windows << window(quintptr(i), i % 2 ? "Slide Show" : "deck - PowerPoint", "", "",
                                    QRect(0, 0, 48 * i, 1080), kCaption);
        const QList<SlideFinder::Result> top = SlideFinder::probeAll({}, 15);
        QCOMPARE(top.size(), 15);
        for (int i = 1; i < top.size(); ++i)
            QVERIFY(top[i - 1].score >= top[i].score);
        QCOMPARE(top[0].score, 120);
        QCOMPARE(SlideFinder::probeAll({}, 0).size(), 0);
        QCOMPARE(SlideFinder::probeAll({}, -1).size(), 40);
    }

    void describeFormats()
    {
        QCOMPARE(SlideFinder::describe({}), QStringLiteral("未检测到放映窗口"));
        SlideFinder::Result r{FakeBackend::handle(7), 127, "Presenting: deck", "soffice",
                              "SOFFICE.BIN",          ""};
        QCOMPARE(SlideFinder::describe(r),
                 QStringLiteral("[SOFFICE.BIN] Presenting: deck （soffice） 评分=127"));
        r.className = r.processName = QString();
        r.title = "50%1 %4"; // markers in the title stay as they are
        QCOMPARE(SlideFinder::describe(r), QStringLiteral("[?] 50%1 %4 （?） 评分=127"));
        r.title.clear();
        QCOMPARE(SlideFinder::describe(r), QStringLiteral("[?] (无标题) （?） 评分=127"));
    }

    void stillValidNeedsALiveUnminimisedWindow()
    {
        fake->windows = {window(1, "Slide Show", "", "")};
        QVERIFY(SlideFinder::stillValid(FakeBackend::handle(1)));
        fake->minimizedHandles.insert(FakeBackend::handle(1));
        QVERIFY(!SlideFinder::stillValid(FakeBackend::handle(1)));
        QVERIFY(!SlideFinder::stillValid(FakeBackend::handle(2)));
        QVERIFY(!SlideFinder::stillValid(nullptr));
    }

    void reportLayout()
    {
        const QList<SlideFinder::Result> list = {
            {FakeBackend::handle(1), 100, "", "screenClass", "POWERPNT.EXE", "a, b"},
            {FakeBackend::handle(2), 7, "t", "c", "p", "h"}};
        QCOMPARE(ProbeReport::reportText(list, QDateTime(QDate(2026, 12, 7), QTime(9, 30, 5))),
                 QStringLiteral("Podivex 窗口识别诊断  2026-12-07T09:30:05\n"
                                "判定阈值：60（达到即认定为放映窗口）\n\n"
                                "评分  100\n  标题: (无标题)\n  类名: screenClass\n  进程: "
                                "POWERPNT.EXE\n  命中: a, b\n\n"
                                "评分    7\n  标题: t\n  类名: c\n  进程: p\n  命中: h\n\n"));
    }
};

QTEST_GUILESS_MAIN(TestSlideFinder)
#include "tst_slidefinder.moc"
