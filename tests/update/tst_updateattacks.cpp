// The updater under attack: a hostile server, hostile temporary folders, a second local user, a
// full disk, hostile console text, broken settings files and racing or killed writers.
#include "UpdateRig.h"
#include "update/UpdateSettings.h"

#include <unistd.h>

namespace
{

enum Attack { Plain, ForeignFile, LinkOutside, LinkToVictim, NoTemp, FullDisk };
// What a program row plants: a file or folder at the path, or the mode to set.
enum Setup { None, FileAt, FolderAt, GarbageAt, SilentMode };
const QByteArray kScript = "#!/bin/sh\nprintf '%s %s\\n' \"$0\" \"$*\" > \"$RAN\"\n";
const QByteArray kSha = QCryptographicHash::hash(kScript, QCryptographicHash::Sha256).toHex();
using Answer = TestServer::Answer;
using Ending = TestServer::Ending;

} // namespace

Q_DECLARE_METATYPE(TestServer::Answer)

class TestUpdateAttacks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString path(const QString &name) const { return m_root.filePath(name); }
    static bool write(const QString &file, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("-");
    }
    static bool asRoot(const QString &program, const QStringList &args)
    {
        return geteuid() == 0 && QProcess::execute(program, args) == 0;
    }

private slots:
    void initTestCase()
    {
        UpdateRig::usePrivateFolders(m_root.path());
        qputenv("RAN", path("ran").toLocal8Bit());
        // Shared like /tmp, so that a second user reaches whatever is not kept private.
        QVERIFY(QFile::setPermissions(m_root.path(), QFile::Permissions(0x7755)));
    }
    void init()
    {
        QProcess::execute("umount", {"-q", path("TMPDIR")});
        for (const char *name : {"TMPDIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "outside", "ran"})
            QDir(path(name)).removeRecursively(), QFile::remove(path(name));
        QVERIFY(QDir().mkpath(path("TMPDIR")));
        QVERIFY(QFile::setPermissions(path("TMPDIR"), QFile::Permissions(0x7777)));
        qputenv("TMPDIR", path("TMPDIR").toLocal8Bit());
    }
    void cleanup() { QProcess::execute("umount", {"-q", path("TMPDIR")}); }

    void engine_data()
    {
        QTest::addColumn<int>("attack");
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<Answer>("installer");
        QTest::addColumn<QString>("outcome");
        // Manifests name the installer relative to themselves.
        const QByteArray plain = UpdateRig::manifest("setup.exe", kSha);
        const QByteArray sized = UpdateRig::manifest("setup.exe", kSha, ",\"size\":46");
        const Answer script{200, kScript};
        const QString ran = "安装程序已启动";
        const QString capped = "下载失败：安装程序超过 46 字节";
        const auto row = [](const char *name, Attack attack, const QByteArray &manifest,
                            const Answer &installer, const QString &outcome) {
            QTest::newRow(name) << int(attack) << manifest << installer << outcome;
        };
        row("foreign file in shared temp", ForeignFile, plain, script, ran);
        row("dangling link to outside", LinkOutside, plain, script, ran);
        row("link to a victim's file", LinkToVictim, sized, script, ran);
        row("temp folder missing", NoTemp, plain, script, "下载失败：没有可用的临时目录");
        row("disk full", FullDisk, plain, {200, {}, 1 << 20}, "下载失败：写入安装程序失败");
        row("wrong digest", Plain, sized, {200, QByteArray(kScript).replace(' ', '_')}, "SHA-256");
        row("huge manifest", Plain, {}, {}, "检查更新失败：更新清单超过 64 KiB");
        row("endless manifest", Plain, "endless", {}, "检查更新失败：更新清单超过 64 KiB");
        row("stalled manifest", Plain, "stall", {}, "检查更新失败：请求超时");
        row("more than declared", Plain, sized, {200, {}, 1LL << 30}, capped);
        row("endless download", Plain, sized, {200, {}, 0, {}, Ending::Endless}, capped);
        row("cut off", Plain, plain, {200, kScript, -1, {}, Ending::CutOff}, "下载失败：");
        row("stalled download", Plain, plain, {200, {}, -1, {}, Ending::Stall},
            "下载失败：下载超时");
    }
    void engine()
    {
        QFETCH(int, attack);
        QFETCH(QByteArray, manifest);
        QFETCH(Answer, installer);
        QFETCH(QString, outcome);
        const QString temp = path("TMPDIR");
        const QString planted = temp + "/Podivex-2.0-Setup.exe";
        if (attack == ForeignFile) {
            // A second user's file, writable by all; as root it belongs to nobody.
            QVERIFY(write(planted, "evil"));
            QVERIFY(QFile::setPermissions(planted, QFile::Permissions(0x6666)));
            QVERIFY(geteuid() != 0 || chown(qPrintable(planted), 65534, 65534) == 0);
        } else if (attack == LinkOutside || attack == LinkToVictim) {
            QVERIFY(attack == LinkOutside || write(path("outside/profile"), "keep"));
            QVERIFY(QFile::link(path(attack == LinkOutside ? "outside/x.sh" : "outside/profile"),
                                planted));
        } else if (attack == NoTemp) {
            qputenv("TMPDIR", path("missing").toLocal8Bit());
        } else if (attack == FullDisk &&
                   !asRoot("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", temp})) {
            QSKIP("a tiny tmpfs needs root");
        }
        UpdateRig rig;
        QVERIFY(rig.server.listen() && UpdateSettings::setMode(UpdateSettings::Silent));
        rig.server.setAnswer("/d/v.json",
                             manifest == "endless" ? Answer{200, {}, 0, {}, Ending::Endless}
                             : manifest == "stall" ? Answer{200, {}, -1, {}, Ending::Stall}
                             : manifest.isEmpty()  ? Answer{200, {}, 512 << 20}
                                                   : Answer{200, manifest});
        rig.server.setAnswer("/d/setup.exe", installer);
        rig.updater.setTimeouts(500, 500);
        QVERIFY(rig.check("/d/v.json"));
        const bool runs = outcome == "安装程序已启动";
        QVERIFY2(rig.last().startsWith(QString("finished %1 ").arg(runs) + outcome),
                 qPrintable(rig.last()));
        QTRY_COMPARE(read(path("ran")).endsWith(" /S\n"), runs);
        // It ran from an owner-only folder of its own, and nothing planted was followed or used.
        const QString installerPath = QString::fromLocal8Bit(read(path("ran")).split(' ').value(0));
        const QFileInfo folder(QFileInfo(installerPath).path());
        QVERIFY(!runs ||
                (folder.path() == temp && folder.permissions() == QFile::Permissions(0x7700)));
        QVERIFY(!QFile::exists(path("outside/x.sh")));
        QCOMPARE(read(path("outside/profile")), attack == LinkToVictim ? "keep" : "-");
        QCOMPARE(read(planted), attack == ForeignFile    ? "evil"
                                : attack == LinkToVictim ? "keep"
                                                         : "-");
        // A failed download leaves nothing behind.
        const int planting =
            attack == ForeignFile || attack == LinkOutside || attack == LinkToVictim;
        QCOMPARE(
            QDir(temp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size(),
            int(runs) + planting);
        if (runs && geteuid() == 0) {
            QVERIFY(
                QProcess::execute("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                              "sh", "-c", "echo x >> \"$0\"", installerPath}) != 0);
            QCOMPARE(read(installerPath), kScript);
        }
    }

    void program_data()
    {
        QTest::addColumn<int>("setup");
        QTest::addColumn<QString>("at");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("exitCode");
        const auto row = [](const char *name, Setup setup, const char *at, const QStringList &args,
                            const char *out, int exitCode, const QByteArray &manifest = {}) {
            QTest::newRow(name) << int(setup) << QString(at) << args << manifest
                                << QString::fromUtf8(out) << exitCode;
        };
        const char *cfg = "XDG_DATA_HOME/Quillmere/Podivex.ini";
        const QStringList check{"--check-update", "--update-url", "URL"};
        const QStringList off{"--update-mode", "off"};
        row("settings folder is a file", FileAt, "XDG_DATA_HOME/Quillmere", off, "^error: .+\n$",
            1);
        row("settings file is a folder", FolderAt, cfg, off, "^error: .+\n$", 1);
        row("16 MB in one line, read", GarbageAt, cfg, {"--update-mode", "status"},
            "^update-mode=ask\n$", 0);
        row("16 MB in one line, write", GarbageAt, cfg, off, "^error: .+bytes\n$", 1);
        row("autostart folder is a file", FileAt, "XDG_CONFIG_HOME/autostart",
            {"--autostart", "on"}, "^error: .+\n$", 1);
        row("version beyond 32 bits", None, "", {"--compare-versions", "2147483648", "1"}, "^1\n$",
            0);
        row("address missing", None, "", {"--check-update", "--update-url"}, "^usage: .+\n$", 1);
        row("control characters", None, "", check,
            "^update=available version=2\\.0\\\\u001b\\[31m [^\\x1b]+ "
            "notes=a\\\\u0000b\\\\nresult=ok\n$",
            3,
            UpdateRig::manifest(
                "http://h/", kSha,
                ",\"version\":\"2.0\\u001b[31m\",\"notes\":\"a\\u0000b\\nresult=ok\""));
        row("silent mode installs", SilentMode, "", check, "^result=ok 安装程序已启动\n$", 0);
    }
    void program()
    {
        QFETCH(int, setup);
        QFETCH(QString, at);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, manifest);
        QFETCH(QString, out);
        QFETCH(int, exitCode);
        QVERIFY(setup != FileAt || write(path(at), "x"));
        QVERIFY(setup != FolderAt || QDir().mkpath(path(at)));
        QVERIFY(setup != GarbageAt || write(path(at), QByteArray(16 << 20, 'x')));
        QVERIFY(setup != SilentMode || UpdateSettings::setMode(UpdateSettings::Silent));
        TestServer server;
        QVERIFY(server.listen());
        server.setAnswer("/v.json",
                         {200, manifest.isEmpty() ? UpdateRig::manifest("s", kSha) : manifest});
        server.setAnswer("/s", {200, kScript});
        const auto [output, code] =
            UpdateRig::run(args.replaceInStrings("URL", server.url("/v.json").toString()));
        QVERIFY2(QRegularExpression(out).match(QString::fromUtf8(output)).hasMatch(),
                 output.data());
        QCOMPARE(code, exitCode);
        QTRY_COMPARE(read(path("ran")).endsWith(" /S\n"), setup == SilentMode);
    }

    // A writer killed in the middle leaves its lock behind; racing writers of different keys
    // both keep their change.
    void writers()
    {
        QCOMPARE(UpdateRig::run({"-c", "ulimit -f 0; exec \"$0\" --update-mode off",
                                 PODIVEX_BINARY_DIR "/Podivex"},
                                "/bin/sh")
                     .second,
                 -2);
        QCOMPARE(UpdateRig::run({"--update-mode", "ask"}).second, 0);
        for (int round = 0; round < 20; ++round) {
            const UpdateSettings::Mode mode =
                round % 2 ? UpdateSettings::Off : UpdateSettings::Silent;
            QProcess other;
            other.start(PODIVEX_BINARY_DIR "/Podivex",
                        {"--update-mode", UpdateSettings::entry(mode).name});
            do
                QVERIFY(UpdateSettings::skip(QString::number(round)));
            while (!other.waitForFinished(1));
            QCOMPARE(other.exitCode(), 0);
            QVERIFY(UpdateSettings::mode() == mode &&
                    UpdateSettings::isSkipped(QString::number(round)));
        }
    }
};

QTEST_GUILESS_MAIN(TestUpdateAttacks)
#include "tst_updateattacks.moc"
