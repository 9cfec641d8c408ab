// The update engine against a local server: version order, the settings file, the decision for each
// answer of the manifest, the one-shot switches. Then under attack: a hostile server, hostile
// temporary folders, a second user, a full disk, hostile console text and folder names, broken
// settings files, racing and killed writers.
#include "Columns.h"
#include "UpdateRig.h"
#include "update/UpdateSettings.h"
#include "update/Version.h"

namespace
{

const QByteArray kScript = "#!/bin/sh\nprintf '%s %s\\n' \"$0\" \"$*\" > \"$RAN\"\n";
const QByteArray kSha = QCryptographicHash::hash(kScript, QCryptographicHash::Sha256).toHex();
const QString kStarted = "安装程序已启动";
constexpr auto readFile = UpdateRig::readFile;
constexpr auto writeFile = UpdateRig::writeFile;
using Answer = TestServer::Answer;
using Ending = TestServer::Ending;
using S = UpdateSettings::Mode;

enum Plant { Nothing, ForeignFile, LinkOutside, LinkToVictim, NoTemp, TinyDisk };
struct Check {
    S mode;
    bool manual;
    Plant plant;
    Answer manifest, installer;
    QStringList events;
};
// A program row puts a file, a folder or 16 MB without a line break at a path, or sets silent.
enum Setup { None, FileAt, FolderAt, GarbageAt, Silent };
struct Program {
    Setup setup;
    QString at;
    QStringList args;
    QString pattern;
    int exitCode;
    QByteArray manifest;
};

} // namespace

Q_DECLARE_METATYPE(Check)
Q_DECLARE_METATYPE(Program)

class TestUpdateAttacks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString path(const QString &name) const { return m_root.filePath(name); }
    QString cfg() const { return path("XDG_DATA_HOME/Quillmere/Podivex.ini"); }

private slots:
    void initTestCase()
    {
        if (!QFile::exists("/bin/sh"))
            QSKIP("the stand-in installer is a shell script");
        UpdateRig::usePrivateFolders(m_root.path());
        qputenv("RAN", path("ran").toLocal8Bit());
        // Shared like /tmp, so that a second user reaches whatever is not kept private.
        QVERIFY(QFile::setPermissions(m_root.path(), QFile::Permissions(0x7755)));
    }
    void init()
    {
        for (const char *name : {"TMPDIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "outside", "ran"})
            QDir(path(name)).removeRecursively(), QFile::remove(path(name));
        QVERIFY(QDir().mkpath(path("TMPDIR")));
        QVERIFY(QFile::setPermissions(path("TMPDIR"), QFile::Permissions(0x7777)));
        qputenv("TMPDIR", path("TMPDIR").toLocal8Bit());
    }
    void cleanup() { QProcess::execute("umount", {"-q", path("TMPDIR")}); }

    void compareVersions()
    {
        for (const QString row : {"1.0 1.0.0 0", "1.10 1.9 1", "2.0-beta 2.0 0", "v2.0 1.0 -1",
                                  "1..2 1.2 0", "1.-1 1 -1", "2147483648 1 1", "007 7.0 0",
                                  "1.99999999999999999999 1.99999999999999999998 1", "-10 -9 -1"}) {
            const QStringList p = row.split(' ');
            QCOMPARE(Version::compare(p[0], p[1]), p[2].toInt());
            QCOMPARE(Version::compare(p[1], p[0]), -p[2].toInt());
        }
    }

    // Reading keeps to the section; a change touches one line and keeps every other; a line
    // break in a version adds no setting.
    void settingsFile()
    {
        QVERIFY(writeFile(cfg(), "mode=off\n[update]\nmode=off\n[Update]\r\n =off\n mode = "
                                 "off \r\nmode=silent\n#note=kept\n\n[Z]\nskipped=2"));
        QCOMPARE(UpdateSettings::mode(), S::Silent);
        QVERIFY(UpdateSettings::isSkipped(""));
        QVERIFY(UpdateSettings::setMode(S::Off) && UpdateSettings::skip("9.9\nmode=silent"));
        QCOMPARE(readFile(cfg()),
                 "mode=off\n[update]\nmode=off\n[Update]\n =off\n mode = off "
                 "\nmode=off\n#note=kept\nskipped=9.9 mode=silent\n\n[Z]\nskipped=2\n");
        QCOMPARE(UpdateSettings::mode(), S::Off);
    }

    // Mode, manual or not, and what the server answers: the events in order (prefixes), where
    // the program went, and what was left. The hostile temporary folders and servers are attacks.
    void check_data()
    {
        columns<Check>("c");
        // Rows of the decision, and attacks on a silent manual check.
        const auto decide = [](const char *name, S mode, bool manual, const Answer &manifest,
                               const QStringList &events) {
            QTest::newRow(name) << Check{mode, manual, Nothing, manifest, {}, events};
        };
        const auto attack = [](const char *name, Plant plant, const Answer &manifest,
                               const Answer &installer, const QStringList &events) {
            QTest::newRow(name) << Check{S::Silent, true, plant, manifest, installer, events};
        };
        const auto ended = [](const QString &m) { return QStringList{"finished 0 " + m}; };
        // A failed manual check is also a notice.
        const auto failed = [](const QString &m) {
            return QStringList{"status " + m, "finished 0 " + m};
        };
        const auto m = [](const char *extra) {
            return Answer{200, UpdateRig::manifest("none", QByteArray(64, 'A'), extra)};
        };
        // These manifests name the installer relative to themselves.
        const Answer plain{200, UpdateRig::manifest("setup.exe", kSha)};
        const Answer sized{200, UpdateRig::manifest("setup.exe", kSha, ",\"size\":46")};
        const Answer script{200, kScript};
        const QStringList started{"status ", "finished 1 " + kStarted};
        const QString fields = "更新清单缺少必要字段（version/url/sha256）";
        const QString capped = "下载失败：安装程序超过 46 字节";
        const QString big = "检查更新失败：更新清单超过 64 KiB";
        decide("not newer", S::Silent, false, m(",\"version\":\"1\",\"min\":\"3\""),
               {"finished 1 已是最新版本 v" PODIVEX_VERSION});
        decide("forced ignores skip", S::Ask, false, m(",\"min\":\"1.5\""),
               {"prompt 2.0 forced=1", "finished 1 需要强制更新到 v2.0"});
        decide("skipped", S::Ask, false, m(""), {"finished 1 已跳过版本 v2.0"});
        decide("skipped, manual", S::Ask, true, m(""),
               {"prompt 2.0 forced=0", "finished 1 发现新版本 v2.0"});
        decide("off: no request", S::Off, false, m(""), {"finished 1 已设置为不自动更新"});
        decide("off, manual", S::Off, true, m(""),
               {"status 发现新版本 v2.0（当前设置为不自动更新）",
                "finished 1 发现新版本 v2.0（不自动更新）"});
        // The check goes on into the download, whose end is the one answer.
        decide("silent", S::Silent, true, m(""), ended("下载失败："));
        decide("not json", S::Ask, true, {200, "<html>"}, failed("更新清单格式错误"));
        decide("number as version", S::Ask, true, m(",\"version\":2"), failed(fields));
        decide("short digest", S::Ask, true, {200, UpdateRig::manifest("u", "abc")},
               failed(fields));
        decide("not found", S::Ask, false, {404}, ended("检查更新失败："));
        decide("file address", S::Ask, false, m(",\"url\":\"file:///etc/passwd\""),
               ended("更新清单中的下载地址无效"));
        attack("foreign file in shared temp", ForeignFile, plain, script, started);
        attack("dangling link to outside", LinkOutside, plain, script, started);
        attack("link to a victim's file", LinkToVictim, sized, script, started);
        attack("temp folder missing", NoTemp, plain, script, ended("下载失败：没有可用的临时目录"));
        attack("disk full", TinyDisk, plain, {200, {}, 1 << 20},
               ended("下载失败：写入安装程序失败"));
        attack("wrong digest", Nothing, sized, {200, kScript.toUpper()},
               {"status ", "finished 0 SHA-256"});
        attack("huge manifest", Nothing, {200, {}, 512 << 20}, script, failed(big));
        attack("endless manifest", Nothing, {200, {}, 0, Ending::Endless}, script, failed(big));
        attack("stalled manifest", Nothing, {200, {}, -1, Ending::Stall}, script,
               failed("检查更新失败：请求超时"));
        attack("more than declared", Nothing, sized, {200, {}, 1LL << 30}, ended(capped));
        attack("endless download", Nothing, sized, {200, {}, 0, Ending::Endless}, ended(capped));
        attack("cut off", Nothing, plain, {200, kScript, -1, Ending::CutOff}, ended("下载失败："));
        attack("stalled download", Nothing, plain, {200, {}, -1, Ending::Stall},
               ended("下载失败：下载超时"));
    }
    void check()
    {
        QFETCH(Check, c);
        const QString temp = path("TMPDIR");
        const QString planted = temp + "/Podivex-2.0-Setup.exe";
        const QString target = path(c.plant == LinkOutside ? "outside/x.sh" : "outside/profile");
        const bool root = QFileInfo(temp).ownerId() == 0;
        if (c.plant == ForeignFile) // a second user's file, writable by all
            QVERIFY(writeFile(planted, "evil") &&
                    QFile::setPermissions(planted, QFile::Permissions(0x6666)) &&
                    (!root || !QProcess::execute("chown", {"65534:65534", planted})));
        if (c.plant == LinkOutside || c.plant == LinkToVictim)
            QVERIFY((c.plant == LinkOutside || writeFile(target, "keep")) &&
                    QFile::link(target, planted));
        if (c.plant == NoTemp)
            qputenv("TMPDIR", path("missing").toLocal8Bit());
        if (c.plant == TinyDisk &&
            (!root || QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "x", temp})))
            QSKIP("a tiny tmpfs needs root");
        QVERIFY(UpdateSettings::setMode(c.mode) && UpdateSettings::skip("2.0"));
        UpdateRig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer("/d/v.json", c.manifest);
        rig.server.setAnswer("/d/setup.exe", c.installer);
        rig.updater.setTimeouts(500, 500);
        QVERIFY(rig.check("/d/v.json", c.manual));
        QCOMPARE(rig.events.size(), c.events.size());
        for (int i = 0; i < c.events.size(); ++i)
            QVERIFY2(rig.events[i].startsWith(c.events[i]), qPrintable(rig.events[i]));
        QCOMPARE(rig.server.requests.isEmpty(), c.events.last().endsWith("已设置为不自动更新"));
        const bool runs = c.events.last() == "finished 1 " + kStarted;
        QTRY_COMPARE(readFile(path("ran")).endsWith(" /S\n"), runs);
        // It ran from an owner-only folder of its own; nothing planted was followed or used, and
        // a failure leaves nothing behind.
        const QString installer = QString::fromLocal8Bit(readFile(path("ran")).split(' ').value(0));
        const QFileInfo folder(QFileInfo(installer).path());
        QVERIFY(!runs ||
                (folder.path() == temp && folder.permissions() == QFile::Permissions(0x7700)));
        QVERIFY(!QFile::exists(path("outside/x.sh")));
        QCOMPARE(readFile(planted), c.plant == ForeignFile    ? "evil"
                                    : c.plant == LinkToVictim ? "keep"
                                                              : "-");
        QCOMPARE(
            QDir(temp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size(),
            int(runs) + int(c.plant >= ForeignFile && c.plant <= LinkToVictim));
        if (runs && root) // the second user cannot touch the verified file
            QVERIFY(
                QProcess::execute("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                              "sh", "-c", "echo x >> \"$0\"", installer}) != 0 &&
                readFile(installer) == kScript);
    }

    void program_data()
    {
        columns<Program>("c");
        const auto row = [](const char *name, Setup setup, const QString &at,
                            const QStringList &args, const QString &pattern, int exitCode,
                            const QByteArray &manifest = {}) {
            QTest::newRow(name) << Program{setup, at, args, pattern, exitCode, manifest};
        };
        const QString ini = "XDG_DATA_HOME/Quillmere/Podivex.ini";
        const QStringList check{"--check-update", "--update-url", "URL"};
        const QStringList off{"--update-mode", "off"};
        const QString error = "^error: .+\n$";
        row("settings folder is a file", FileAt, "XDG_DATA_HOME/Quillmere", off, error, 1);
        row("settings file is a folder", FolderAt, ini, {"--save-ink", "off"}, error, 1);
        row("16 MB in one line, read", GarbageAt, ini, {"--update-mode", "status"},
            "^update-mode=ask\n$", 0);
        row("16 MB in one line, write", GarbageAt, ini, off, "^error: .+bytes\n$", 1);
        row("autostart folder is a file", FileAt, "XDG_CONFIG_HOME/autostart",
            {"--autostart", "on"}, error, 1);
        row("ink switch, any case", None, {}, {"--save-ink", "OFF"}, "^save-ink=off\n$", 0);
        row("ink switch, unknown value", None, {}, {"--save-ink", "?"}, "^usage: .+\n$", 1);
        row("address missing", None, {}, {"--check-update", "--update-url"}, "^usage: .+\n$", 1);
        row("control characters", None, {}, check,
            "^update=available version=2\\.0\\\\u001b\\[31m [^\\x1b]+ "
            "notes=a\\\\u0000b\\\\nresult=ok\n$",
            3,
            UpdateRig::manifest(
                "http://h/", kSha,
                ",\"version\":\"2.0\\u001b[31m\",\"notes\":\"a\\u0000b\\nresult=ok\""));
        row("forced update, one line", None, {}, check,
            "^update=available version=2\\.0 url=http://h/s\\.exe sha256=" + kSha +
                " size=15 min=9 forced=yes notes=\n$",
            3, UpdateRig::manifest("http://h/s.exe", kSha.toUpper(), ",\"size\":15,\"min\":\"9\""));
        row("silent mode installs", Silent, {}, check, "^result=ok 安装程序已启动\n$", 0);
    }
    void program()
    {
        QFETCH(Program, c);
        QVERIFY(c.setup != FileAt || writeFile(path(c.at), "x"));
        QVERIFY(c.setup != FolderAt || QDir().mkpath(path(c.at)));
        QVERIFY(c.setup != GarbageAt || writeFile(path(c.at), QByteArray(16 << 20, 'x')));
        QVERIFY(c.setup != Silent || UpdateSettings::setMode(S::Silent));
        TestServer server;
        QVERIFY(server.listen());
        server.setAnswer("/v.json",
                         {200, c.manifest.isEmpty() ? UpdateRig::manifest("s", kSha) : c.manifest});
        server.setAnswer("/s", {200, kScript});
        const auto [out, code] =
            UpdateRig::run(c.args.replaceInStrings("URL", server.url("/v.json").toString()));
        QVERIFY2(QRegularExpression(c.pattern).match(QString::fromUtf8(out)).hasMatch(),
                 out.data());
        QCOMPARE(code, c.exitCode);
        QTRY_COMPARE(readFile(path("ran")).endsWith(" /S\n"), c.setup == Silent);
    }

    // A copy in a folder whose name would expand in the Exec key unless quoted and escaped; the
    // entry of one copy reads as off for another, which takes it over when switched on.
    void autostartOfAnotherCopy()
    {
        const QString copy = path("XDG_CONFIG_HOME/my $(touch x) 100%/Podivex");
        const QString entry = path("XDG_CONFIG_HOME/autostart/Podivex.desktop");
        QVERIFY(QDir().mkpath(QFileInfo(copy).path()) &&
                QFile::copy(PODIVEX_BINARY_DIR "/Podivex", copy));
        QCOMPARE(UpdateRig::run({"--autostart", "on"}, copy).first, "autostart=on\n");
        const QByteArray exec = copy.toUtf8().replace("$", "\\\\$").replace("%", "%%");
        QVERIFY(readFile(entry).contains("\nExec=\"" + exec + "\"\n"));
        QCOMPARE(UpdateRig::run({"--autostart", "status"}).first, "autostart=off\n");
        QCOMPARE(UpdateRig::run({"--autostart", "on"}).first, "autostart=on\n");
        QCOMPARE(UpdateRig::run({"--autostart", "off"}).first, "autostart=off\n");
        QCOMPARE(readFile(entry), "-");
    }

    // A writer killed in the middle leaves its lock behind; racing writers of different keys
    // both keep their change.
    void writers()
    {
        const QString exe = PODIVEX_BINARY_DIR "/Podivex";
        const QStringList noRoom{"-c", "ulimit -f 0; exec \"$0\" --update-mode off", exe};
        QCOMPARE(UpdateRig::run(noRoom, "/bin/sh").second, -2);
        QCOMPARE(UpdateRig::run({"--update-mode", "ask"}).second, 0);
        for (int round = 0; round < 20; ++round) {
            const S mode = round % 2 ? S::Off : S::Silent;
            QProcess other;
            other.start(exe, {"--update-mode", UpdateSettings::entry(mode).name});
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
