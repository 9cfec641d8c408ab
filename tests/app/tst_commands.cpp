// The one-shot commands through the real program, without a display, in a private home: usage,
// precedence, read-back of changes, the start-at-log-on entry and the console update check.
#include "UpdateRig.h"
#include "update/UpdateSettings.h"

class TestCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString entry() const { return m_home.filePath("XDG_CONFIG_HOME/autostart/Podivex.desktop"); }

private slots:
    void initTestCase()
    {
        UpdateRig::usePrivateFolders(m_home.path());
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            qunsetenv(name);
    }
    void init()
    {
        QDir(m_home.filePath("XDG_DATA_HOME")).removeRecursively();
        QDir(m_home.filePath("XDG_CONFIG_HOME")).removeRecursively();
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
        row("compare", {"--compare-versions", "1.10", "1.9"}, "1\n", 0);
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
            UpdateRig::manifest("u", digest, ",\"version\":\"1\""));
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
        const auto [output, code] =
            UpdateRig::run(args.replaceInStrings("URL", server.url("/v.json").toString()));
        QVERIFY2(out.endsWith('\n') ? output == out : output.startsWith(out), output.data());
        QCOMPARE(code, exitCode);
        QCOMPARE(server.requests.size(), int(!manifest.isEmpty()));
        // Only the update-mode command itself may change the mode.
        QCOMPARE(UpdateSettings::mode(), UpdateSettings::Ask);
    }

    void updateModeReadsBack()
    {
        QCOMPARE(UpdateRig::run({"--update-mode", "Off"}).first, "update-mode=off\n");
        QCOMPARE(UpdateRig::run({"--update-mode", "status"}).first, "update-mode=off\n");
        QCOMPARE(UpdateSettings::mode(), UpdateSettings::Off);
    }

    // A copy in a folder whose name needs quoting and escapes in the Exec key; the entry of one
    // copy reads as off for another, which takes it over when switched on.
    void autostartOfAnotherCopy()
    {
        const QString copy = m_home.filePath("my $apps 100%/Podivex");
        QVERIFY(QDir().mkpath(QFileInfo(copy).path()));
        QVERIFY(QFile::copy(PODIVEX_BINARY_DIR "/Podivex", copy));
        QCOMPARE(UpdateRig::run({"--autostart", "on"}, copy).first, "autostart=on\n");
        QFile file(entry());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray exec = copy.toUtf8().replace("$", "\\\\$").replace("%", "%%");
        QVERIFY(file.readAll().contains("\nExec=\"" + exec + "\"\n"));
        QCOMPARE(UpdateRig::run({"--autostart", "status"}).first, "autostart=off\n");
        QCOMPARE(UpdateRig::run({"--autostart", "on"}).first, "autostart=on\n");
        QCOMPARE(UpdateRig::run({"--autostart", "off"}).first, "autostart=off\n");
        QVERIFY(!QFile::exists(entry()));
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
