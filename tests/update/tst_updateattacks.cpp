// The updater under attack: a hostile server, hostile temporary folders, a second local user, a
// full disk, hostile console text, broken settings files and racing or killed writers.
#include "UpdateRig.h"
#include "update/UpdateSettings.h"

#include <unistd.h>

namespace
{

enum Attack { Plain, ForeignFile, LinkOutside, LinkToVictim, NoTemp, FullDisk };
enum Setup { None, SettingsDirIsFile, SettingsIsDir, Garbage, AutostartDirIsFile, Silent };
const QByteArray kScript = "#!/bin/sh\nprintf '%s %s\\n' \"$0\" \"$*\" > \"$RAN\"\n";
using Answer = TestServer::Answer;
using Ending = TestServer::Ending;

} // namespace

Q_DECLARE_METATYPE(TestServer::Answer)

class TestUpdateAttacks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString path(const QString &name) const { return m_root.filePath(name); }
    QString tmp() const { return path(QStringLiteral("tmp")); }
    static bool write(const QString &file, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }

private slots:
    void initTestCase()
    {
        // Shared like /tmp, so that a second user could reach anything not kept private.
        QVERIFY(QFile::setPermissions(m_root.path(), QFile::Permissions(0x7755)));
        UpdateRig::usePrivateFolders(m_root.path());
        qputenv("HOME", m_root.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());
        qputenv("RAN", path("ran").toLocal8Bit());
    }
    void init()
    {
        QProcess::execute("umount", {"-q", tmp()});
        for (const char *name : {"tmp", "data", "config", "outside", "ran"})
            QDir(path(name)).removeRecursively(), QFile::remove(path(name));
        QVERIFY(QDir().mkpath(tmp()) && QFile::setPermissions(tmp(), QFile::Permissions(0x7777)));
        qputenv("TMPDIR", tmp().toLocal8Bit());
    }

    void engine_data()
    {
        QTest::addColumn<int>("attack");
        QTest::addColumn<Answer>("manifest");
        QTest::addColumn<Answer>("installer");
        QTest::addColumn<QString>("outcome");
        // Every manifest names its installer relative to itself; the digest is filled in later.
        const Answer plain{200, UpdateRig::manifest("setup.exe", {})};
        const Answer sized{
            200,
            UpdateRig::manifest("setup.exe", {},
                                qPrintable(QStringLiteral(",\"size\":%1").arg(kScript.size())))};
        const Answer script{200, kScript};
        const QString ran = QStringLiteral("finished 1 安装程序已启动");
        const QString capped =
            QStringLiteral("finished 0 下载失败：安装程序超过 %1 字节").arg(kScript.size());
        const QString bigManifest = QStringLiteral("finished 0 检查更新失败：更新清单超过 64 KiB");
        const auto row = [](const char *name, Attack attack, const Answer &manifest,
                            const Answer &installer, const QString &outcome) {
            QTest::newRow(name) << int(attack) << manifest << installer << outcome;
        };
        row("foreign file in shared temp", ForeignFile, plain, script, ran);
        row("dangling link to outside", LinkOutside, plain, script, ran);
        row("link to a victim's file", LinkToVictim, sized, script, ran);
        row("temp folder missing", NoTemp, plain, script,
            "finished 0 下载失败：没有可用的临时目录");
        row("disk full", FullDisk, plain, {200, {}, 1 << 20},
            "finished 0 下载失败：写入安装程序失败");
        row("wrong digest", Plain, sized, {200, QByteArray(kScript).replace(' ', '_')},
            "finished 0 SHA-256 校验失败");
        row("huge manifest", Plain, {200, {}, 512 << 20}, script, bigManifest);
        row("endless manifest", Plain, {200, {}, 0, {}, Ending::Endless}, script, bigManifest);
        row("stalled manifest", Plain, {200, {}, -1, {}, Ending::Stall}, script,
            "finished 0 检查更新失败：请求超时");
        row("more than the declared size", Plain, sized, {200, {}, 1LL << 30}, capped);
        row("endless download", Plain, sized, {200, {}, 0, {}, Ending::Endless}, capped);
        row("cut off", Plain, plain, {200, kScript, -1, {}, Ending::CutOff},
            "finished 0 下载失败：");
        row("reset", Plain, plain, {200, {}, 1 << 22, {}, Ending::Reset}, "finished 0 下载失败：");
        row("stalled download", Plain, plain, {200, {}, -1, {}, Ending::Stall},
            "finished 0 下载失败：下载超时");
    }
    void engine()
    {
        QFETCH(int, attack);
        QFETCH(Answer, manifest);
        QFETCH(Answer, installer);
        QFETCH(QString, outcome);
        const QString planted = tmp() + QStringLiteral("/Podivex-2.0-Setup.exe");
        const bool root = geteuid() == 0;
        if (attack == ForeignFile) {
            QVERIFY(write(planted, "evil") &&
                    QFile::setPermissions(planted, QFile::Permissions(0x6666)));
            QVERIFY(!root || chown(qPrintable(planted), 65534, 65534) == 0);
        } else if (attack == LinkOutside || attack == LinkToVictim) {
            QVERIFY(attack == LinkOutside || write(path("outside/profile"), "keep"));
            QVERIFY(QFile::link(path(attack == LinkOutside ? "outside/x.sh" : "outside/profile"),
                                planted));
        } else if (attack == NoTemp) {
            qputenv("TMPDIR", path("missing").toLocal8Bit());
        } else if (attack == FullDisk &&
                   (!root || QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs",
                                                         tmp()}) != 0)) {
            QSKIP("a tiny tmpfs needs root");
        }
        UpdateRig rig;
        QVERIFY(rig.server.listen());
        QVERIFY(UpdateSettings::setMode(UpdateSettings::Silent));
        const QByteArray sha =
            QCryptographicHash::hash(kScript, QCryptographicHash::Sha256).toHex();
        if (manifest.body.isEmpty() && manifest.generatedSize < 0 &&
            manifest.ending == Ending::Complete)
            manifest.body = UpdateRig::manifest(rig.server.url("/downloads/setup.exe").toString(),
                                                sha, ",\"size\":54");
        manifest.body.replace("\"sha256\":\"\"", "\"sha256\":\"" + sha + "\"");
        rig.server.setAnswer("/downloads/v.json", manifest);
        rig.server.setAnswer("/downloads/setup.exe", installer);
        rig.updater.setTimeouts(500, 500);
        QVERIFY(rig.check(rig.server.url("/downloads/v.json").toString()));
        QVERIFY2(rig.last().startsWith(outcome), qPrintable(rig.last()));
        const bool runs = outcome.endsWith(QStringLiteral("安装程序已启动"));
        QTRY_VERIFY(!runs || QFileInfo(path("ran")).size() > 0);
        const QList<QByteArray> ran = read(path("ran")).trimmed().split(' ');
        QCOMPARE(ran.value(1), QByteArray(runs ? "/S" : ""));
        // It ran from an owner-only folder of its own, and nothing planted was touched.
        const QFileInfo folder(QFileInfo(QString::fromLocal8Bit(ran.value(0))).path());
        QVERIFY(!runs ||
                (folder.path() == tmp() && folder.permissions() == QFile::Permissions(0x7700)));
        QCOMPARE(QFile::exists(path("outside/x.sh")), false);
        QCOMPARE(read(path("outside/profile")),
                 QByteArray(attack == LinkToVictim ? "keep" : "(none)"));
        QCOMPARE(read(planted), QByteArray(attack == ForeignFile    ? "evil"
                                           : attack == LinkToVictim ? "keep"
                                                                    : "(none)"));
        QCOMPARE(
            QDir(tmp()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size(),
            int(runs) +
                int(attack == ForeignFile || attack == LinkOutside || attack == LinkToVictim));
        if (runs && root) {
            const QString installerPath = QString::fromLocal8Bit(ran.value(0));
            QVERIFY(
                QProcess::execute("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                              "sh", "-c", "echo x >> \"$0\"", installerPath}) != 0);
            QCOMPARE(read(installerPath), kScript);
        }
        QProcess::execute("umount", {"-q", tmp()});
    }

    void program_data()
    {
        QTest::addColumn<int>("setup");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("exitCode");
        const auto row = [](const char *name, Setup setup, const QStringList &args,
                            const QByteArray &manifest, const char *out, int exitCode) {
            QTest::newRow(name) << int(setup) << args << manifest << QString::fromUtf8(out)
                                << exitCode;
        };
        const QStringList check{"--check-update", "--update-url", "URL"};
        row("settings folder is a file", SettingsDirIsFile, {"--update-mode", "off"}, {},
            "^error: .+\n$", 1);
        row("settings file is a folder", SettingsIsDir, {"--update-mode", "off"}, {},
            "^error: .+\n$", 1);
        row("16 MB without line breaks, read", Garbage, {"--update-mode", "status"}, {},
            "^update-mode=ask\n$", 0);
        row("16 MB without line breaks, write", Garbage, {"--update-mode", "off"}, {},
            "^error: .+bytes\n$", 1);
        row("autostart folder is a file", AutostartDirIsFile, {"--autostart", "on"}, {},
            "^error: .+\n$", 1);
        row("version beyond 32 bits", None, {"--compare-versions", "2147483648", "1"}, {}, "^1\n$",
            0);
        row("address value missing", None, {"--check-update", "--update-url"}, {}, "^usage: .+\n$",
            1);
        row("control characters in the manifest", None, check,
            UpdateRig::manifest(
                "http://h/", QByteArray(64, 'a'),
                ",\"version\":\"2.0\\u001b[31m\",\"notes\":\"a\\u0000b\\nresult=ok\""),
            "^update=available version=2\\.0\\\\u001b\\[31m [^\\x1b]+ "
            "notes=a\\\\u0000b\\\\nresult=ok\n$",
            3);
        row("silent mode installs", Silent, check, {}, "^result=ok 安装程序已启动\n$", 0);
    }
    void program()
    {
        QFETCH(int, setup);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, manifest);
        QFETCH(QString, out);
        QFETCH(int, exitCode);
        const QString cfg = path("data/Quillmere/Podivex.ini");
        if (setup == SettingsDirIsFile)
            QVERIFY(write(path("data/Quillmere"), "x"));
        if (setup == SettingsIsDir)
            QVERIFY(QDir().mkpath(cfg));
        if (setup == Garbage)
            QVERIFY(write(cfg, QByteArray(16 << 20, 'x')));
        if (setup == AutostartDirIsFile)
            QVERIFY(write(path("config/autostart"), "x"));
        if (setup == Silent)
            QVERIFY(UpdateSettings::setMode(UpdateSettings::Silent));
        TestServer server;
        QVERIFY(server.listen());
        const QByteArray sha =
            QCryptographicHash::hash(kScript, QCryptographicHash::Sha256).toHex();
        server.setAnswer("/v.json", {200, manifest.isEmpty() ? UpdateRig::manifest(
                                                                   server.url("/s").toString(), sha)
                                                             : manifest});
        server.setAnswer("/s", {200, kScript});
        args.replaceInStrings(QStringLiteral("URL"), server.url("/v.json").toString());
        const auto [output, code] = UpdateRig::podivex(args);
        QVERIFY2(QRegularExpression(out).match(QString::fromUtf8(output)).hasMatch(),
                 output.constData());
        QCOMPARE(code, exitCode);
        QTRY_COMPARE(read(path("ran")).endsWith(" /S\n"), setup == Silent);
    }

    // A killed writer leaves its lock behind; racing writers of different keys both keep theirs.
    void writers()
    {
        const auto killed =
            UpdateRig::run("/bin/sh", {"-c", "ulimit -f 0; exec \"$0\" --update-mode off",
                                       PODIVEX_BINARY_DIR "/Podivex"});
        QCOMPARE(killed.second, -2);
        QCOMPARE(UpdateRig::podivex({"--update-mode", "silent"}).second, 0);
        for (int round = 0; round < 20; ++round) {
            const UpdateSettings::Mode mode =
                round % 2 ? UpdateSettings::Off : UpdateSettings::Silent;
            QProcess other;
            other.start(PODIVEX_BINARY_DIR "/Podivex",
                        {"--update-mode", UpdateSettings::entry(mode).name});
            const QString version = QString::number(round);
            do
                QVERIFY(UpdateSettings::skip(version));
            while (!other.waitForFinished(1));
            QCOMPARE(other.exitCode(), 0);
            QVERIFY(UpdateSettings::mode() == mode && UpdateSettings::isSkipped(version));
        }
    }
};

QTEST_GUILESS_MAIN(TestUpdateAttacks)
#include "tst_updateattacks.moc"
