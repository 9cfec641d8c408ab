// Podivex.exe as a user meets it: its icon and version block, and --probe with a stand-in show on
// screen (the report beside the program, the verdict box naming the show, exit code 0).
#include "platform/win32/Win32Backend.h"

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

// One string of the executable's version block.
QString versionString(const QByteArray &block, const QString &key)
{
    const QString path = QStringLiteral("\\StringFileInfo\\080404b0\\") + key;
    void *value = nullptr;
    UINT length = 0;
    const bool found =
        VerQueryValueW(block.constData(), reinterpret_cast<LPCWSTR>(path.utf16()), &value, &length);
    return found && length ? QString::fromWCharArray(static_cast<const wchar_t *>(value))
                           : QString();
}

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

private:
    QString exe;
    QProcess show;

private slots:
    void initTestCase()
    {
        exe = QDir::fromNativeSeparators(qEnvironmentVariable("PODIVEX_EXE"));
        const QString standin = QDir::fromNativeSeparators(qEnvironmentVariable("PODIVEX_STANDIN"));
        QVERIFY2(QFileInfo::exists(exe), "PODIVEX_EXE names the built Podivex.exe");
        QVERIFY2(QFileInfo::exists(standin), "PODIVEX_STANDIN names show_standin.exe");
        show.start(standin, {});
        QVERIFY(show.waitForStarted());
        QTRY_VERIFY(findWindow(L"screenClass", kShowTitle));
    }

    void cleanupTestCase()
    {
        if (const HWND hwnd = findWindow(L"screenClass", kShowTitle))
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        show.waitForFinished(5000);
    }

    void versionBlock()
    {
        const std::wstring path = QDir::toNativeSeparators(exe).toStdWString();
        QByteArray block(int(GetFileVersionInfoSizeW(path.c_str(), nullptr)), '\0');
        QVERIFY(!block.isEmpty());
        QVERIFY(GetFileVersionInfoW(path.c_str(), 0, DWORD(block.size()), block.data()));
        const QList<QPair<QString, QString>> strings = {
            {"FileDescription", "Podivex - 演示放映悬浮工具条"},
            {"FileVersion", "1.0.0.1"},
            {"ProductName", "Podivex"},
            {"ProductVersion", "1.0.0.1"},
            {"OriginalFilename", "Podivex.exe"}};
        for (const auto &[key, value] : strings)
            QCOMPARE(versionString(block, key), value);

        void *value = nullptr;
        UINT length = 0;
        QVERIFY(VerQueryValueW(block.constData(), L"\\", &value, &length));
        const auto *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
        QCOMPARE(fixed->dwFileVersionMS, DWORD(0x00010000));
        QCOMPARE(fixed->dwFileVersionLS, DWORD(0x00000001));
        QCOMPARE(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        QCOMPARE(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
        QVERIFY(VerQueryValueW(block.constData(), L"\\VarFileInfo\\Translation", &value, &length));
        QCOMPARE(length, UINT(4));
        QCOMPARE(static_cast<const WORD *>(value)[0], WORD(0x0804)); // Simplified Chinese
        QCOMPARE(static_cast<const WORD *>(value)[1], WORD(1200));   // UTF-16
    }

    void applicationIcon()
    {
        const HMODULE module =
            LoadLibraryExW(QDir::toNativeSeparators(exe).toStdWString().c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        QVERIFY(module);
        const HRSRC group = FindResourceW(module, L"IDI_ICON1", MAKEINTRESOURCEW(14)); // group
        const auto *dir = static_cast<const WORD *>(LockResource(LoadResource(module, group)));
        QVERIFY(dir);
        QCOMPARE(dir[1], WORD(1)); // icons, not cursors
        // Entries of 14 bytes: width first (0 for 256), the bit count at byte 6.
        const auto *entries = reinterpret_cast<const BYTE *>(dir + 3);
        QList<int> sizes;
        for (int i = 0; i < dir[2]; ++i) {
            const BYTE *entry = entries + 14 * i;
            sizes.append(entry[0] ? entry[0] : 256);
            QCOMPARE(entry[6], BYTE(32));
        }
        QCOMPARE(sizes, QList<int>({16, 24, 32, 48, 64, 128, 256}));
        FreeLibrary(module);
    }

    void reportAndVerdict()
    {
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
        QVERIFY(probe.waitForStarted());
        HWND box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = findWindow(nullptr, QStringLiteral("窗口识别诊断"))),
                                 20000);

        // The report is written before the box appears.
        QFile file(reportPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString report = QString::fromUtf8(file.readAll());
        QVERIFY(report.startsWith(QStringLiteral("Podivex 窗口识别诊断  ")));
        QVERIFY(report.contains(QStringLiteral("判定阈值：60（达到即认定为放映窗口）\n\n")));
        // The show is the best candidate, so it comes first.
        static const QRegularExpression first(QStringLiteral(
            "\n\n评分 ([ 0-9]{4})\n  标题: ([^\n]*)\n  类名: ([^\n]*)\n  进程: ([^\n]*)\n"
            "  命中: ([^\n]*)\n\n"));
        const QRegularExpressionMatch m = first.match(report);
        QVERIFY2(m.hasMatch(), qPrintable(report));
        QVERIFY(m.captured(1).trimmed().toInt() >= 60);
        QCOMPARE(m.captured(2), kShowTitle);
        QCOMPARE(m.captured(3), QStringLiteral("screenClass"));
        QCOMPARE(m.captured(4), QStringLiteral("SHOW_STANDIN.EXE"));
        QVERIFY(m.captured(5).contains(QStringLiteral("类名=screenClass")));
        QVERIFY(m.captured(5).contains(QStringLiteral("Slide Show")));

        // The box's text, read through its copy shortcut.
        QVERIFY(win::forceForeground(win::handleOf(box)));
        QTRY_COMPARE(GetForegroundWindow(), box);
        QVERIFY(copyShortcut());
        QTRY_VERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("最终判定")));
        const QString text = QGuiApplication::clipboard()->text();
        QVERIFY2(text.contains(QStringLiteral("报告已写入：")) && text.contains(kShowTitle) &&
                     text.contains(QDir::toNativeSeparators(reportPath), Qt::CaseInsensitive),
                 qPrintable(text));

        QVERIFY(win::injectKeyTo(win::handleOf(box), win::Key::Enter));
        QVERIFY(probe.waitForFinished(10000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QVERIFY(probe.readAllStandardOutput().isEmpty());
    }
};

QTEST_MAIN(TestProbe)
#include "tst_probe.moc"
