// The window-identification report against a real LibreOffice Impress show, run as a user would run
// it.
#include "ImpressShow.h"
#include "WinUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

namespace
{

struct Candidate {
    int score = 0;
    QString title;
    QString className;
    QString process;
    QString hits;
};

// The candidates of a report, in its order.
QList<Candidate> parseReport(const QString &text)
{
    static const QRegularExpression block(
        QStringLiteral("评分 +(\\d+)\n  标题: (.*)\n  类名: (.*)\n  进程: (.*)\n  命中: (.*)\n"));
    QList<Candidate> list;
    for (auto it = block.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        list.append(
            {m.captured(1).toInt(), m.captured(2), m.captured(3), m.captured(4), m.captured(5)});
    }
    return list;
}

HWND windowTitled(const QString &title)
{
    for (const win::WindowInfo &w : win::enumTopLevelWindows()) {
        if (w.title == title)
            return w.hwnd;
    }
    return nullptr;
}

bool xdotool(const QStringList &args)
{
    return QProcess::execute("xdotool", args) == 0;
}

} // namespace

class TstLibreOfficeProbe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showIsListedAsAShow();
    void probeReportsTheShow();
    void keysTurnSlides();

private:
    ImpressShow show;
};

void TstLibreOfficeProbe::initTestCase()
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        QSKIP("LibreOffice is not installed");
    QVERIFY2(QFileInfo(qEnvironmentVariable("PODIVEX_EXE")).isExecutable(),
             "PODIVEX_EXE must name the program");
    QElapsedTimer started;
    started.start();
    QVERIFY2(show.start(), "the slide show did not appear");
    qInfo("show painted after %lld ms", started.elapsed());
}

void TstLibreOfficeProbe::showIsListedAsAShow()
{
    const HWND h = show.showWindow();
    QVERIFY(win::isWindowValid(h));
    QCOMPARE(win::foregroundWindow(), h);
    QCOMPARE(win::windowRect(h), QRect(0, 0, 1920, 1080));
    bool seen = false;
    for (const win::WindowInfo &w : win::enumTopLevelWindows()) {
        if (w.pid != show.pid())
            continue;
        QCOMPARE(w.processName, QStringLiteral("SOFFICE.BIN"));
        if (w.hwnd == h) {
            seen = true;
            QVERIFY(w.title.startsWith("Presenting: deck"));
            QCOMPARE(quint32(w.style) & win::kStyleCaption, 0u);
        } else if (w.title.endsWith(" - LibreOffice Impress")) {
            QCOMPARE(quint32(w.style) & win::kStyleCaption, win::kStyleCaption);
        }
    }
    QVERIFY(seen);
}

void TstLibreOfficeProbe::probeReportsTheShow()
{
    const QString exe = qEnvironmentVariable("PODIVEX_EXE");
    const QString reportPath = QFileInfo(exe).absolutePath() + "/probe.txt";
    QFile::remove(reportPath);
    QProcess probe;
    probe.start(exe, {"--probe"});
    QVERIFY(probe.waitForStarted());

    HWND box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = windowTitled(QStringLiteral("窗口识别诊断"))) != nullptr,
                             20000);
    QFile file(reportPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString report = QString::fromUtf8(file.readAll());
    const QList<Candidate> candidates = parseReport(report);
    QVERIFY2(!candidates.isEmpty(), qPrintable(report));

    const Candidate &best = candidates.first();
    QVERIFY2(best.title.startsWith("Presenting: deck") && best.score >= 60, qPrintable(report));
    QCOMPARE(best.process, QStringLiteral("SOFFICE.BIN"));
    for (const QString &hit : {QStringLiteral("进程=SOFFICE.BIN"), QStringLiteral("全屏100%"),
                               QStringLiteral("无标题栏"), QStringLiteral("前台")})
        QVERIFY2(best.hits.contains(hit), qPrintable(best.hits));
    qInfo("show scored %d: %s", best.score, qPrintable(best.hits));
    for (const Candidate &c : candidates) {
        if (c.title.endsWith(" - LibreOffice Impress")) {
            QCOMPARE(c.score, 0);
            QCOMPARE(c.hits, QStringLiteral("编辑态窗口『- LibreOffice Impress』，非放映窗口"));
        }
    }

    // The box's text cannot be read back on X11 (the toolkit copies message boxes only on Windows),
    // so it is kept as a picture for a person to look at.
    QVERIFY(win::forceForeground(box));
    const QRect boxRect = win::windowRect(box);
    QVERIFY(boxRect.isValid());
    const QString shot = QStringLiteral(PODIVEX_BINARY_DIR "/probe-verdict.png");
    QTest::qWait(300); // let the box paint after it came to the front
    QVERIFY(QGuiApplication::primaryScreen()
                ->grabWindow(0, boxRect.x(), boxRect.y(), boxRect.width(), boxRect.height())
                .save(shot));
    qInfo("verdict box: %s", qPrintable(shot));

    QVERIFY(xdotool({"key", "Return"}));
    QVERIFY(probe.waitForFinished(10000));
    QCOMPARE(probe.exitCode(), 0);
}

void TstLibreOfficeProbe::keysTurnSlides()
{
    const QList<QColor> colors = {QColor(show.slideColors().at(0)),
                                  QColor(show.slideColors().at(1))};
    QVERIFY(win::injectKeyTo(show.showWindow(), win::kVkRight));
    QTRY_COMPARE_WITH_TIMEOUT(ImpressShow::centreColor(), colors.at(1), 5000);
    QVERIFY(win::injectKeyTo(show.showWindow(), win::kVkLeft));
    QTRY_COMPARE_WITH_TIMEOUT(ImpressShow::centreColor(), colors.at(0), 5000);
}

QTEST_MAIN(TstLibreOfficeProbe)
#include "tst_libreoffice_probe.moc"
