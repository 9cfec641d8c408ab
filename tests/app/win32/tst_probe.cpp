// Podivex.exe --probe as a user meets it, with a stand-in show on screen: the report beside the
// program names the show first, the verdict box says where the report went, exit code 0.
#include "platform/WindowLayer.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <windows.h>

namespace
{

const QString kShowTitle = QStringLiteral("PowerPoint Slide Show - deck.pptx");

HWND findWindow(const wchar_t *cls, const QString &title)
{
    return FindWindowW(cls, reinterpret_cast<LPCWSTR>(title.utf16()));
}

// Ctrl+C to whatever has the focus: a message box puts its title and text on the clipboard.
bool copyShortcut()
{
    INPUT keys[4] = {};
    const WORD vks[4] = {VK_CONTROL, 'C', 'C', VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = vks[i];
        keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    return SendInput(4, keys, int(sizeof(INPUT))) == 4;
}

} // namespace

class TestProbe : public QObject
{
    Q_OBJECT

    QProcess show;

private slots:
    void reportAndVerdict()
    {
        const QString exe = QDir::fromNativeSeparators(qEnvironmentVariable("PODIVEX_EXE"));
        const QString standin = QDir::fromNativeSeparators(qEnvironmentVariable("PODIVEX_STANDIN"));
        QVERIFY2(QFileInfo::exists(exe) && QFileInfo::exists(standin),
                 "PODIVEX_EXE and PODIVEX_STANDIN name the built programs");
        show.start(standin, {});
        QTRY_VERIFY(findWindow(L"screenClass", kShowTitle));
        const QString reportPath = QFileInfo(exe).absolutePath() + QStringLiteral("/probe.txt");
        QFile::remove(reportPath);
        QGuiApplication::clipboard()->clear();

        // Started as from its installed folder: nothing of the test's Qt on the path.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_PLUGIN_PATH"));
        env.insert(QStringLiteral("PATH"), QStringLiteral("C:\\windows\\system32;C:\\windows"));
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(exe, {QStringLiteral("--probe")});
        HWND box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = findWindow(nullptr, QStringLiteral("窗口识别诊断"))),
                                 20000);

        // The report is written before the box appears; the show is the best, so first.
        QFile file(reportPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString report = QString::fromUtf8(file.readAll());
        static const QRegularExpression first(QStringLiteral(
            "\n\n评分 ([ 0-9]{4})\n  标题: ([^\n]*)\n  类名: ([^\n]*)\n  进程: ([^\n]*)\n"));
        const QRegularExpressionMatch m = first.match(report);
        QVERIFY2(m.hasMatch(), qPrintable(report));
        QVERIFY(m.captured(1).trimmed().toInt() >= 60);
        QCOMPARE(m.captured(2), kShowTitle);
        QCOMPARE(m.captured(4), QStringLiteral("SHOW_STANDIN.EXE"));

        // The box's text, read through its copy shortcut.
        QVERIFY(win::forceForeground(box));
        QTRY_COMPARE(GetForegroundWindow(), box);
        QVERIFY(copyShortcut());
        QTRY_VERIFY(QGuiApplication::clipboard()->text().contains(kShowTitle));
        QVERIFY(QGuiApplication::clipboard()->text().contains(QDir::toNativeSeparators(reportPath),
                                                              Qt::CaseInsensitive));

        QVERIFY(win::injectKeyTo(box, VK_RETURN));
        QVERIFY(probe.waitForFinished(10000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        PostMessageW(findWindow(L"screenClass", kShowTitle), WM_CLOSE, 0, 0);
        QVERIFY(show.waitForFinished(5000));
    }
};

QTEST_MAIN(TestProbe)
#include "tst_probe.moc"
