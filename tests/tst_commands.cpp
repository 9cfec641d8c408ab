// The one-shot commands through the real program, without a display, in a private home directory.
#include "TestServer.h"
#include "Updater.h"

#include <QtTest>

namespace
{

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
};

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

    void writeFile(const QString &path, const QByteArray &content)
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
        const QByteArray autoUsage("usage: Podivex.exe --autostart on|off|status\n");
        const QByteArray compareUsage("usage: Podivex.exe --compare-versions <a> <b>\n");
        const QByteArray modeUsage("usage: Podivex.exe --update-mode silent|ask|off|status\n");
        QTest::newRow("newer") << QStringList{"--compare-versions", "1.10", "1.9"}
                               << QByteArray("1\n") << 0;
        QTest::newRow("older") << QStringList{"--compare-versions", "1.0.0.1", "1.0.0.2"}
                               << QByteArray("-1\n") << 0;
        QTest::newRow("equal") << QStringList{"--compare-versions", "1.0", "1.0.0"}
                               << QByteArray("0\n") << 0;
        QTest::newRow("one value") << QStringList{"--compare-versions", "1.0"} << compareUsage << 1;
        QTest::newRow("empty first value")
            << QStringList{"--compare-versions", "", "1.0"} << compareUsage << 1;
        QTest::newRow("autostart last") << QStringList{"--autostart"} << autoUsage << 1;
        QTest::newRow("autostart unknown") << QStringList{"--autostart", "yes"} << autoUsage << 1;
        QTest::newRow("autostart capitals")
            << QStringList{"--autostart", "STATUS"} << QByteArray("autostart=off\n") << 0;
        QTest::newRow("mode unknown") << QStringList{"--update-mode", "never"} << modeUsage << 1;
        QTest::newRow("mode missing") << QStringList{"--update-mode"} << modeUsage << 1;
        QTest::newRow("mode default")
            << QStringList{"--update-mode", "status"} << QByteArray("update-mode=ask\n") << 0;
        QTest::newRow("autostart before update mode")
            << QStringList{"--update-mode", "off", "--autostart", "status"}
            << QByteArray("autostart=off\n") << 0;
        QTest::newRow("compare before update mode")
            << QStringList{"--update-mode", "off", "--compare-versions", "2", "1"}
            << QByteArray("1\n") << 0;
        QTest::newRow("options match case")
            << QStringList{"--COMPARE-VERSIONS", "2", "1", "--compare-versions", "1", "2"}
            << QByteArray("-1\n") << 0;
    }

    void answers()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QFETCH(int, exitCode);
        const Outcome outcome = podivex(args);
        QCOMPARE(outcome.out, out);
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
        QCOMPARE(int(Updater::mode()), int(Updater::Silent));
        const Outcome bad = podivex({"--update-mode", "loud"});
        QCOMPARE(bad.exitCode, 1);
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
        QCOMPARE(podivex({"--update-mode", "status"}).out, QByteArray("update-mode=silent\n"));
        QVERIFY(Updater::isSkipped(QStringLiteral("1.2")));
    }

    void autostartReadsBack()
    {
        QCOMPARE(podivex({"--autostart", "on"}).out, QByteArray("autostart=on\n"));
        QVERIFY(readFile(desktopFile()).contains("\nExec=\"" + m_exe.toUtf8() + "\"\n"));
        QCOMPARE(podivex({"--autostart", "status"}).out, QByteArray("autostart=on\n"));
        QCOMPARE(podivex({"--autostart", "Off"}).out, QByteArray("autostart=off\n"));
        QVERIFY(!QFileInfo::exists(desktopFile()));
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

    void autostartRefusedWrite()
    {
        // A file where the autostart folder belongs: the entry cannot be written.
        writeFile(m_home.filePath(QStringLiteral("config/autostart")), "not a folder");
        const Outcome outcome = podivex({"--autostart", "on"});
        QCOMPARE(outcome.out, QByteArray("autostart=off\n"));
        QCOMPARE(outcome.exitCode, 0);
    }

    void checkUpdate_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("exitCode");
        const QByteArray digest(64, 'A');
        const auto body = [&digest](const char *version, const char *min, const char *notes) {
            QJsonObject o{{"version", version},
                          {"url", "http://127.0.0.1:1/setup.exe"},
                          {"sha256", QString::fromLatin1(digest)},
                          {"notes", notes}};
            if (*min)
                o.insert("min", min);
            o.insert("size", 1572864);
            return QJsonDocument(o).toJson();
        };
        const QByteArray update = "update=available version=2.0 url=http://127.0.0.1:1/setup.exe "
                                  "sha256=" +
                                  digest.toLower() + " size=1572864 ";
        QTest::newRow("up to date") << int(Updater::Ask) << body("1.0.0.1", "", "") << 200
                                    << QByteArray("result=ok 已是最新版本 v1.0.0.1\n") << 0;
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
        TestServer::Answer answer;
        answer.status = status;
        answer.body = manifest;
        server.setAnswer("/downloads/version.json", answer);
        const Outcome outcome = podivex(
            {"--check-update", "--update-url", server.url("/downloads/version.json").toString()});
        QVERIFY2(out.endsWith('\n') ? outcome.out == out : outcome.out.startsWith(out),
                 outcome.out.constData());
        QCOMPARE(outcome.out.count('\n'), out.count('\n') + (out.endsWith('\n') ? 0 : 1));
        QCOMPARE(outcome.exitCode, exitCode);
        QCOMPARE(server.requests().size(), 1);
    }

    void checkUpdateWithEmptyUrl()
    {
        const Outcome outcome = podivex({"--check-update", "--update-url"});
        QVERIFY2(outcome.out.startsWith("result=error 检查更新失败："), outcome.out.constData());
        QCOMPARE(outcome.exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
