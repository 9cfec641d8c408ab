// The one-shot commands through the real program, without a display, in a private home directory.
#include "TestServer.h"
#include "update/Updater.h"

#include <QtTest>

namespace
{

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
};

// An expected output ending in a line break is the whole output; otherwise it starts one line.
bool matches(const QByteArray &out, const QByteArray &expected)
{
    if (expected.endsWith('\n'))
        return out == expected;
    return out.startsWith(expected) && out.count('\n') == expected.count('\n') + 1;
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    const QString m_exe = QStringLiteral(PODIVEX_BINARY_DIR "/Podivex");

    QString cfgFile() const
    {
        return m_home.filePath(QStringLiteral("data/Quillmere/Podivex.ini"));
    }
    QString desktopFile() const
    {
        return m_home.filePath(QStringLiteral("config/autostart/Podivex.desktop"));
    }

    // Runs without blocking the event loop, so that the test's own servers keep answering.
    Outcome run(const QString &program, const QStringList &args)
    {
        QProcess process;
        process.start(program, args);
        Outcome outcome;
        if (!process.waitForStarted(10000) ||
            !QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000))
            return outcome;
        outcome.exitCode = process.exitCode();
        outcome.crashed = process.exitStatus() == QProcess::CrashExit;
        outcome.out = process.readAllStandardOutput();
        return outcome;
    }
    Outcome podivex(const QStringList &args) { return run(m_exe, args); }

    static void writeFile(const QString &path, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        // There, start at log-on is the real user's Run key, which no private home redirects.
        if (QSysInfo::productType() == QLatin1String("windows"))
            QSKIP("runs the Linux program in a private home");
        QVERIFY(m_home.isValid());
        QVERIFY(QFileInfo(m_exe).isExecutable());
        QCoreApplication::setOrganizationName(QStringLiteral("Quillmere"));
        QCoreApplication::setApplicationName(QStringLiteral("Podivex"));
        // The program inherits all of this: no display, and nothing of the real user's.
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("TMPDIR", m_home.path().toLocal8Bit());
    }

    void init()
    {
        QFile::remove(cfgFile());
        QDir(m_home.filePath(QStringLiteral("config"))).removeRecursively();
    }

    void answers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("exitCode");
        const auto row = [](const char *name, const QStringList &args, const QByteArray &out,
                            int exitCode) { QTest::newRow(name) << args << out << exitCode; };
        const QByteArray autoUsage("usage: Podivex.exe --autostart on|off|status\n");
        const QByteArray compareUsage("usage: Podivex.exe --compare-versions <a> <b>\n");
        const QByteArray modeUsage("usage: Podivex.exe --update-mode silent|ask|off|status\n");
        row("newer", {"--compare-versions", "1.10", "1.9"}, "1\n", 0);
        row("older", {"--compare-versions", "1.0.0.1", "1.0.0.2"}, "-1\n", 0);
        row("equal", {"--compare-versions", "1.0", "1.0.0"}, "0\n", 0);
        row("one value", {"--compare-versions", "1.0"}, compareUsage, 1);
        row("empty first value", {"--compare-versions", "", "1.0"}, compareUsage, 1);
        row("autostart last", {"--autostart"}, autoUsage, 1);
        row("autostart unknown", {"--autostart", "yes"}, autoUsage, 1);
        row("autostart capitals", {"--autostart", "STATUS"}, "autostart=off\n", 0);
        row("mode unknown", {"--update-mode", "never"}, modeUsage, 1);
        row("mode missing", {"--update-mode"}, modeUsage, 1);
        row("mode default", {"--update-mode", "status"}, "update-mode=ask\n", 0);
        row("autostart before update mode", {"--update-mode", "off", "--autostart", "status"},
            "autostart=off\n", 0);
        row("compare before update mode", {"--update-mode", "off", "--compare-versions", "2", "1"},
            "1\n", 0);
        row("options match case", {"--COMPARE-VERSIONS", "2", "1", "--compare-versions", "1", "2"},
            "-1\n", 0);
        row("check with empty address", {"--check-update", "--update-url"},
            "result=error 检查更新失败：", 1);
    }

    void answers()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QFETCH(int, exitCode);
        const Outcome outcome = podivex(args);
        QVERIFY2(matches(outcome.out, out), outcome.out.constData());
        QCOMPARE(outcome.exitCode, exitCode);
        // Only the update-mode command itself may touch the settings.
        QCOMPARE(int(Updater::mode()), int(Updater::Ask));
    }

    void updateModeReadsBack()
    {
        QCOMPARE(podivex({"--update-mode", "Off"}).out, QByteArray("update-mode=off\n"));
        QCOMPARE(podivex({"--update-mode", "status"}).out, QByteArray("update-mode=off\n"));
        QCOMPARE(readFile(cfgFile()), QByteArray("[Update]\nmode=off\n"));
        QCOMPARE(podivex({"--update-mode", "SILENT"}).out, QByteArray("update-mode=silent\n"));
        QCOMPARE(podivex({"--update-mode", "loud"}).exitCode, 1);
        QCOMPARE(int(Updater::mode()), int(Updater::Silent));
    }

    // The program is killed while it writes the settings (no file may grow past zero bytes):
    // the old file must survive whole.
    void interruptedWriteKeepsSettings()
    {
        if (!QFileInfo::exists(QStringLiteral("/bin/sh")))
            QSKIP("needs a POSIX shell");
        const QByteArray before("[Update]\nmode=silent\nskipped=1.2\n");
        writeFile(cfgFile(), before);
        const Outcome killed =
            run(QStringLiteral("/bin/sh"),
                {"-c", "ulimit -f 0; exec \"$0\" \"$@\"", m_exe, "--update-mode", "off"});
        QVERIFY(killed.crashed);
        QCOMPARE(readFile(cfgFile()), before);
    }

    // On, off, and a file where the autostart folder belongs: the entry cannot be written.
    void autostartReadsBack()
    {
        QCOMPARE(podivex({"--autostart", "on"}).out, QByteArray("autostart=on\n"));
        QVERIFY(readFile(desktopFile()).contains("\nExec=\"" + m_exe.toUtf8() + "\"\n"));
        QCOMPARE(podivex({"--autostart", "status"}).out, QByteArray("autostart=on\n"));
        QCOMPARE(podivex({"--autostart", "Off"}).out, QByteArray("autostart=off\n"));
        QVERIFY(!QFileInfo::exists(desktopFile()));
        const QString folder = m_home.filePath(QStringLiteral("config/autostart"));
        QVERIFY(QDir(folder).removeRecursively());
        writeFile(folder, "not a folder");
        const Outcome refused = podivex({"--autostart", "on"});
        QCOMPARE(refused.out, QByteArray("autostart=off\n"));
        QCOMPARE(refused.exitCode, 0);
    }

    // A copy in a folder whose name needs quoting and escapes in the entry's Exec key; the entry
    // of one copy reads as off for another, which takes it over when switched on.
    void autostartOfAnotherCopy()
    {
        const QString dir = m_home.filePath(QStringLiteral("my $apps 100%"));
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::copy(m_exe, dir + QStringLiteral("/Podivex")));
        QCOMPARE(run(dir + QStringLiteral("/Podivex"), {"--autostart", "on"}).out,
                 QByteArray("autostart=on\n"));
        const QByteArray exec =
            "\nExec=\"" + m_home.path().toUtf8() + "/my \\\\$apps 100%%/Podivex\"\n";
        QVERIFY2(readFile(desktopFile()).contains(exec), readFile(desktopFile()).constData());
        QCOMPARE(podivex({"--autostart", "status"}).out, QByteArray("autostart=off\n"));
        QCOMPARE(podivex({"--autostart", "on"}).out, QByteArray("autostart=on\n"));
        QVERIFY(!readFile(desktopFile()).contains("$apps"));
    }

    void checkUpdate_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("exitCode");
        const auto body = [](const char *version, const char *min, const char *notes) {
            QJsonObject o{{"version", version},
                          {"url", "http://127.0.0.1:1/setup.exe"},
                          {"sha256", QString(64, 'A')},
                          {"notes", notes},
                          {"size", 1572864}};
            if (*min)
                o.insert("min", min);
            return QJsonDocument(o).toJson();
        };
        const QByteArray update = "update=available version=2.0 url=http://127.0.0.1:1/setup.exe "
                                  "sha256=" +
                                  QByteArray(64, 'a') + " size=1572864 ";
        const QByteArray upToDate("result=ok 已是最新版本 v1.0.0.1\n");
        QTest::newRow("up to date")
            << int(Updater::Ask) << body("1.0.0.1", "", "") << 200 << upToDate << 0;
        QTest::newRow("forced") << int(Updater::Off) << body("2.0", "1.5", "a\nb") << 200
                                << update + "min=1.5 forced=yes notes=a\nb\n"
                                << 3;
        QTest::newRow("ask, empty notes")
            << int(Updater::Ask) << body("2.0", "", "") << 200 << update + "min= forced=no notes=\n"
            << 3;
        QTest::newRow("mode off") << int(Updater::Off) << body("2.0", "", "") << 200
                                  << QByteArray("result=ok 发现新版本 v2.0（不自动更新）\n") << 0;
        QTest::newRow("silent") << int(Updater::Silent) << body("2.0", "", "") << 200
                                << QByteArray("result=ok 开始静默更新到 v2.0\n") << 0;
        QTest::newRow("request failed") << int(Updater::Ask) << QByteArray("gone") << 404
                                        << QByteArray("result=error 检查更新失败：") << 1;
        QTest::newRow("not an object") << int(Updater::Ask) << QByteArray("[]") << 200
                                       << QByteArray("result=error 更新清单格式错误\n") << 1;
        QTest::newRow("field missing")
            << int(Updater::Ask) << QByteArray("{\"version\":\"2.0\"}") << 200
            << QByteArray("result=error 更新清单缺少必要字段（version/url/sha256）\n") << 1;
    }

    void checkUpdate()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, manifest);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(int, exitCode);
        Updater::setMode(Updater::Mode(mode));
        // The console check is manual: a skipped version is offered all the same.
        Updater::skip(QStringLiteral("2.0"));
        TestServer server;
        QVERIFY(server.listen());
        server.setAnswer("/downloads/version.json", {status, manifest});
        const Outcome outcome = podivex(
            {"--check-update", "--update-url", server.url("/downloads/version.json").toString()});
        QVERIFY2(matches(outcome.out, out), outcome.out.constData());
        QCOMPARE(outcome.exitCode, exitCode);
        QCOMPARE(server.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
