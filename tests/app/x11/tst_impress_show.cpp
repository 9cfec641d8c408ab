// The program against a real LibreOffice Impress show: the window report, run as a user would run
// it, and the slide controller, checked on the screen's pixels.
#include "ImpressShow.h"
#include "control/SlideController.h"
#include "controls/BarGroup.h"
#include "controls/BottomBar.h"
#include "platform/WindowLayer.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <QtTest>

namespace
{

const QString kEditorTitleEnd = QStringLiteral(" - LibreOffice Impress");

struct Candidate {
    int score;
    QString title, process, hits;
};

// The candidates of a report, in its order.
QList<Candidate> parseReport(const QString &text)
{
    static const QRegularExpression block(
        QStringLiteral("评分 +(\\d+)\n  标题: (.*)\n  类名: .*\n  进程: (.*)\n  命中: (.*)\n"));
    QList<Candidate> list;
    for (auto it = block.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        list.append({m.captured(1).toInt(), m.captured(2), m.captured(3), m.captured(4)});
    }
    return list;
}

win::Handle windowTitled(const QString &title)
{
    for (const win::WindowInfo &w : win::enumTopLevelWindows()) {
        if (w.title == title)
            return w.handle;
    }
    return nullptr;
}

int colourDistance(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

} // namespace

class TstImpressShow : public QObject
{
    Q_OBJECT

    ImpressShow impress;
    SlideController controller;
    win::Handle show = nullptr;

    // The slide (1-based) whose colour the screen shows near its top, clear of the bars and of
    // other windows; 0 when none.
    int slideOnScreen() const
    {
        const QColor seen = ImpressShow::screenColour(QPoint(350, 50));
        const QStringList colours = impress.slideColors();
        for (int i = 0; i < colours.size(); ++i) {
            if (colourDistance(seen, QColor(colours.at(i))) < 40)
                return i + 1;
        }
        return 0;
    }

    void expectSlide(int slide)
    {
        QTRY_COMPARE_WITH_TIMEOUT(slideOnScreen(), slide, 10000);
        QCOMPARE(controller.pageText(), QStringLiteral("%1/?").arg(slide));
        // The show drops a key that arrives while it is still finishing a slide change on a
        // loaded machine; a presenter's taps come later than a test's.
        QTest::qWait(500);
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("LibreOffice is not installed");
        QVERIFY2(QFileInfo(qEnvironmentVariable("PODIVEX_EXE")).isExecutable(),
                 "PODIVEX_EXE must name the program");
        QVERIFY2(impress.start(), "the slide show did not appear");
        show = impress.showWindow();
    }

    void showIsListedAsAShow()
    {
        QCOMPARE(win::foregroundWindow(), show);
        QCOMPARE(win::windowRect(show), QRect(0, 0, 1920, 1080));
        bool seen = false;
        for (const win::WindowInfo &w : win::enumTopLevelWindows()) {
            if (w.pid != impress.pid())
                continue;
            QCOMPARE(w.processName, QStringLiteral("SOFFICE.BIN"));
            const bool caption = w.flags.testFlag(win::WindowFlag::Caption);
            if (w.handle == show) {
                seen = true;
                QVERIFY(w.title.startsWith("Presenting: deck"));
                QVERIFY(!caption);
            } else if (w.title.endsWith(kEditorTitleEnd)) {
                QVERIFY(caption);
            }
        }
        QVERIFY(seen);
    }

    void probeReportsTheShow()
    {
        const QString exe = qEnvironmentVariable("PODIVEX_EXE");
        QFile report(QFileInfo(exe).absolutePath() + "/probe.txt");
        report.remove();
        QProcess probe;
        probe.start(exe, {"--probe"});
        win::Handle box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = windowTitled(QStringLiteral("窗口识别诊断"))) != nullptr,
                                 20000);
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(report.readAll());
        const QList<Candidate> candidates = parseReport(text);
        QVERIFY2(!candidates.isEmpty(), qPrintable(text));

        const Candidate &best = candidates.first();
        QVERIFY2(best.title.startsWith("Presenting: deck") && best.score >= 60, qPrintable(text));
        QCOMPARE(best.process, QStringLiteral("SOFFICE.BIN"));
        for (const QString &hit : {QStringLiteral("进程=SOFFICE.BIN"), QStringLiteral("全屏100%"),
                                   QStringLiteral("无标题栏"), QStringLiteral("前台")})
            QVERIFY2(best.hits.contains(hit), qPrintable(best.hits));
        for (const Candidate &c : candidates) {
            if (c.title.endsWith(kEditorTitleEnd)) {
                QCOMPARE(c.score, 0);
                QCOMPARE(c.hits, QStringLiteral("编辑态窗口『- LibreOffice Impress』，非放映窗口"));
            }
        }

        // The box's text cannot be read back on X11 (the toolkit copies message boxes only on
        // Windows), so it is kept as a picture for a person to look at.
        QVERIFY(win::forceForeground(box));
        const QRect boxRect = win::windowRect(box);
        QTest::qWait(300); // let the box paint after it came to the front
        QVERIFY(QGuiApplication::primaryScreen()
                    ->grabWindow(0, boxRect.x(), boxRect.y(), boxRect.width(), boxRect.height())
                    .save(QStringLiteral(PODIVEX_BINARY_DIR "/probe-verdict.png")));
        QVERIFY(QProcess::execute("xdotool", {"key", "Return"}) == 0);
        QVERIFY(probe.waitForFinished(10000));
        QCOMPARE(probe.exitCode(), 0);
    }

    void nextAndPreviousMoveTheShow()
    {
        controller.setTarget(show);
        QTRY_COMPARE(controller.pageText(), QStringLiteral("1/?")); // the first refresh counts
        controller.nextSlide();
        expectSlide(2);
        controller.nextSlide();
        expectSlide(3);
        controller.prevSlide();
        expectSlide(2);
    }

    // The focused full-screen show must not cover the program's bars.
    void bottomBarShowsOverTheShow()
    {
        QCOMPARE(win::foregroundWindow(), show);
        BottomBar bar;
        bar.setScreenRect(QGuiApplication::primaryScreen()->geometry());
        bar.setHasTarget(true);
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        bar.applyNativeStyles();
        const win::Handle barHandle = win::fromWinId(bar.winId());
        win::raiseAbove(barHandle, show);
        // Where the server has the bar: the toolkit's idea of it can lag behind here.
        const QPoint origin = win::windowRect(barHandle).topLeft();
        const QList<BarGroup *> groups = bar.findChildren<BarGroup *>();
        QVERIFY(!groups.isEmpty());
        const QColor slide(impress.slideColors().at(1));
        for (const BarGroup *group : groups) {
            const QPoint card = origin + group->mapTo(&bar, QPoint(5, group->height() / 2));
            QTRY_VERIFY_WITH_TIMEOUT(colourDistance(ImpressShow::screenColour(card), slide) > 40,
                                     3000);
        }
        QCOMPARE(win::foregroundWindow(), show);
        expectSlide(2); // the bar covers only its own strip
    }

    void commandsReachTheShowBehindAnotherWindow()
    {
        QWidget front;
        front.setGeometry(700, 400, 500, 300); // clear of the sampled point
        front.show();
        QVERIFY(QTest::qWaitForWindowExposed(&front));
        const win::Handle frontHandle = win::fromWinId(front.winId());
        win::forceForeground(frontHandle);
        QTRY_COMPARE(win::foregroundWindow(), frontHandle);

        controller.nextSlide();
        expectSlide(3);
        QCOMPARE(win::foregroundWindow(), show);
    }

    void minimizeIconifiesTheShow()
    {
        controller.minimizeShow();
        QTRY_VERIFY(win::isMinimized(show));
        QCOMPARE(controller.pageText(), QStringLiteral("3/?"));
    }

    // Last: it ends the show.
    void endShowEndsIt()
    {
        controller.endShow();
        QCOMPARE(controller.pageText(), QStringLiteral("?/?"));
        QTRY_VERIFY_WITH_TIMEOUT(!win::isWindowValid(show), 10000);
    }
};

QTEST_MAIN(TstImpressShow)
#include "tst_impress_show.moc"
