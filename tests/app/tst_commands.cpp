// The one-shot commands through the real program, without a display, in a private home: usage,
// precedence, read-back of changes, the start-at-log-on entry and the console update check.
#include "UpdateRig.h"
#include "update/UpdateSettings.h"

class TestCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString desktopFile() const { return m_home.filePath("config/autostart/Podivex.desktop"); }
    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        UpdateRig::usePrivateFolders(m_home.path());
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toLocal8Bit());
    }
    void init()
    {
        QDir(m_home.filePath("data")).removeRecursively();
        QDir(m_home.filePath("config")).removeRecursively();
    }

    void answers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("exitCode");
        const auto row = [](const char *name, const QStringList &args, const QByteArray &out,
                            int exitCode, const QByteArray &manifest = {}) {
            QTest::newRow(name) << args << manifest << out << exitCode;
        };
        const QStringList check{"--check-update", "--update-url", "URL"};
        const QByteArray digest(64, 'A');
        row("newer", {"--compare-versions", "1.10", "1.9"}, "1\n", 0);
        row("equal", {"--compare-versions", "1.0", "1.0.0"}, "0\n", 0);
        row("one value", {"--compare-versions", "1.0"}, "usage:", 1);
        row("empty first value", {"--compare-versions", "", "1.0"}, "usage:", 1);
        row("autostart last", {"--autostart"}, "usage:", 1);
        row("autostart capitals", {"--autostart", "STATUS"}, "autostart=off\n", 0);
        row("mode unknown", {"--update-mode", "never"}, "usage:", 1);
        row("autostart first", {"--update-mode", "off", "--autostart", "status"}, "autostart=off\n",
            0);
        row("compare before mode", {"--update-mode", "off", "--compare-versions", "2", "1"}, "1\n",
            0);
        row("options match case", {"--COMPARE-VERSIONS", "2", "1", "--compare-versions", "1", "2"},
            "-1\n", 0);
        row("up to date", check, "result=ok 已是最新版本 v" PODIVEX_VERSION "\n", 0,
            UpdateRig::manifest("u", digest, ",\"version\":\"1.0.0.0\""));
        row("forced", check,
            "update=available version=2.0 url=http://h/s.exe sha256=" + digest.toLower() +
                " size=15 min=9 forced=yes notes=\n",
            3, UpdateRig::manifest("http://h/s.exe", digest, ",\"size\":15,\"min\":\"9\""));
        row("asks", check, "update=available version=2.0 url=http://h/s.exe", 3,
            UpdateRig::manifest("http://h/s.exe", digest));
        row("failed", check, "result=error 更新清单格式错误\n", 1, "[]");
    }
    void answers()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, manifest);
        QFETCH(QByteArray, out);
        QFETCH(int, exitCode);
        TestServer server;
        QVERIFY(server.listen());
        server.setAnswer("/v.json", {200, manifest});
        args.replaceInStrings("URL", server.url("/v.json").toString());
        const auto [output, code] = UpdateRig::podivex(args);
        QVERIFY2(out.endsWith('\n') ? output == out : output.startsWith(out), output.constData());
        QCOMPARE(code, exitCode);
        QCOMPARE(server.requests().size(), int(!manifest.isEmpty()));
        // Only the update-mode command itself may change the mode.
        QCOMPARE(UpdateSettings::mode(), UpdateSettings::Ask);
    }

    void updateModeReadsBack()
    {
        QCOMPARE(UpdateRig::podivex({"--update-mode", "Off"}).first, "update-mode=off\n");
        QCOMPARE(UpdateRig::podivex({"--update-mode", "status"}).first, "update-mode=off\n");
        QCOMPARE(UpdateSettings::mode(), UpdateSettings::Off);
    }

    // A copy in a folder whose name needs quoting and escapes in the Exec key; the entry of one
    // copy reads as off for another, which takes it over when switched on.
    void autostartOfAnotherCopy()
    {
        const QString dir = m_home.filePath("my $apps 100%");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::copy(PODIVEX_BINARY_DIR "/Podivex", dir + "/Podivex"));
        QCOMPARE(UpdateRig::run(dir + "/Podivex", {"--autostart", "on"}).first, "autostart=on\n");
        const QByteArray exec = "\nExec=\"" + dir.toUtf8().replace("$", "\\\\$").replace("%", "%%");
        QVERIFY2(read(desktopFile()).contains(exec + "/Podivex\"\n"),
                 read(desktopFile()).constData());
        QCOMPARE(UpdateRig::podivex({"--autostart", "status"}).first, "autostart=off\n");
        QCOMPARE(UpdateRig::podivex({"--autostart", "on"}).first, "autostart=on\n");
        QCOMPARE(UpdateRig::podivex({"--autostart", "off"}).first, "autostart=off\n");
        QVERIFY(!QFile::exists(desktopFile()));
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
