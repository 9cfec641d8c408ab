// The updater and the one-shot commands under attack: a hostile server, hostile temporary folders,
// a second local user, a full disk, hostile console text and folder names, broken settings files,
// racing and killed writers.
#include "UpdateRig.h"
#include "update/UpdateSettings.h"

namespace
{

const QByteArray kScript = "#!/bin/sh\nprintf '%s %s\\n' \"$0\" \"$*\" > \"$RAN\"\n";
const QByteArray kSha = QCryptographicHash::hash(kScript, QCryptographicHash::Sha256).toHex();
const QString kStarted = "安装程序已启动";
constexpr auto readFile = UpdateRig::readFile;
constexpr auto writeFile = UpdateRig::writeFile;
using Ending = TestServer::Ending;

enum Plant { Nothing, ForeignFile, LinkOutside, LinkToVictim, NoTemp, TinyDisk };
struct Engine {
    Plant plant;
    TestServer::Answer manifest, installer;
    QString outcome;
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

Q_DECLARE_METATYPE(Engine)
Q_DECLARE_METATYPE(Program)

class TestUpdateAttacks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString path(const QString &name) const { return m_root.filePath(name); }

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

    void engine_data()
    {
        QTest::addColumn<Engine>("c");
        // The manifests name the installer relative to themselves.
        const TestServer::Answer plain{200, UpdateRig::manifest("setup.exe", kSha)};
        const TestServer::Answer sized{200, UpdateRig::manifest("setup.exe", kSha, ",\"size\":46")};
        const TestServer::Answer script{200, kScript};
        const QString capped = "下载失败：安装程序超过 46 字节";
        const QString big = "检查更新失败：更新清单超过 64 KiB";
        const auto row = [](const char *name, const Engine &c) { QTest::newRow(name) << c; };
        row("foreign file in shared temp", {ForeignFile, plain, script, kStarted});
        row("dangling link to outside", {LinkOutside, plain, script, kStarted});
        row("link to a victim's file", {LinkToVictim, sized, script, kStarted});
        row("temp folder missing", {NoTemp, plain, script, "下载失败：没有可用的临时目录"});
        row("disk full", {TinyDisk, plain, {200, {}, 1 << 20}, "下载失败：写入安装程序失败"});
        row("wrong digest", {Nothing, sized, {200, kScript.toUpper()}, "SHA-256"});
        row("huge manifest", {Nothing, {200, {}, 512 << 20}, script, big});
        row("endless manifest", {Nothing, {200, {}, 0, Ending::Endless}, script, big});
        row("stalled manifest",
            {Nothing, {200, {}, -1, Ending::Stall}, script, "检查更新失败：请求超时"});
        row("more than declared", {Nothing, sized, {200, {}, 1LL << 30}, capped});
        row("endless download", {Nothing, sized, {200, {}, 0, Ending::Endless}, capped});
        row("cut off", {Nothing, plain, {200, kScript, -1, Ending::CutOff}, "下载失败："});
        row("stalled download",
            {Nothing, plain, {200, {}, -1, Ending::Stall}, "下载失败：下载超时"});
    }
    void engine()
    {
        QFETCH(Engine, c);
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
        UpdateRig rig;
        QVERIFY(rig.server.listen() && UpdateSettings::setMode(UpdateSettings::Silent));
        rig.server.setAnswer("/d/v.json", c.manifest);
        rig.server.setAnswer("/d/setup.exe", c.installer);
        rig.updater.setTimeouts(500, 500);
        QVERIFY(rig.check("/d/v.json"));
        const bool runs = c.outcome == kStarted;
        QVERIFY2(rig.events.last().startsWith(QString("finished %1 ").arg(runs) + c.outcome),
                 qPrintable(rig.events.last()));
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
        QTest::addColumn<Program>("c");
        const auto row = [](const char *name, Setup setup, const QString &at,
                            const QStringList &args, const QString &pattern, int exitCode,
                            const QByteArray &manifest = {}) {
            QTest::newRow(name) << Program{setup, at, args, pattern, exitCode, manifest};
        };
        const QString cfg = "XDG_DATA_HOME/Quillmere/Podivex.ini";
        const QStringList check{"--check-update", "--update-url", "URL"};
        const QStringList off{"--update-mode", "off"};
        const QString error = "^error: .+\n$";
        row("settings folder is a file", FileAt, "XDG_DATA_HOME/Quillmere", off, error, 1);
        row("settings file is a folder", FolderAt, cfg, off, error, 1);
        row("16 MB in one line, read", GarbageAt, cfg, {"--update-mode", "status"},
            "^update-mode=ask\n$", 0);
        row("16 MB in one line, write", GarbageAt, cfg, off, "^error: .+bytes\n$", 1);
        row("autostart folder is a file", FileAt, "XDG_CONFIG_HOME/autostart",
            {"--autostart", "on"}, error, 1);
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
        QVERIFY(c.setup != Silent || UpdateSettings::setMode(UpdateSettings::Silent));
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
        QCOMPARE(
            UpdateRig::run({"-c", "ulimit -f 0; exec \"$0\" --update-mode off", exe}, "/bin/sh")
                .second,
            -2);
        QCOMPARE(UpdateRig::run({"--update-mode", "ask"}).second, 0);
        for (int round = 0; round < 20; ++round) {
            const UpdateSettings::Mode mode =
                round % 2 ? UpdateSettings::Off : UpdateSettings::Silent;
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
