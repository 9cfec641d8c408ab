// The update engine's rules against a local server: version order, the settings file and the
// decision for each answer of the manifest. Hostile answers are the attack suite's.
#include "UpdateRig.h"
#include "update/UpdateSettings.h"
#include "update/Version.h"

namespace
{

const QByteArray kDigest(64, 'A');
using S = UpdateSettings::Mode;

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString cfg() const { return m_root.filePath("XDG_DATA_HOME/Quillmere/Podivex.ini"); }

private slots:
    void initTestCase() { UpdateRig::usePrivateFolders(m_root.path()); }
    void init() { QFile::remove(cfg()); }

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
        QVERIFY(UpdateRig::writeFile(cfg(),
                                     "mode=off\n[update]\nmode=off\n[Update]\r\n =off\n mode = "
                                     "off \r\nmode=silent\n#note=kept\n\n[Z]\nskipped=2"));
        QCOMPARE(UpdateSettings::mode(), S::Silent);
        QVERIFY(UpdateSettings::isSkipped(""));
        QVERIFY(UpdateSettings::setMode(S::Off) && UpdateSettings::skip("9.9\nmode=silent"));
        QCOMPARE(UpdateRig::readFile(cfg()),
                 "mode=off\n[update]\nmode=off\n[Update]\n =off\n mode = off "
                 "\nmode=off\n#note=kept\nskipped=9.9 mode=silent\n\n[Z]\nskipped=2\n");
        QCOMPARE(UpdateSettings::mode(), S::Off);
    }

    void decision_data()
    {
        QTest::addColumn<S>("mode");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("events");
        const auto row = [](const char *name, S mode, bool manual, const QByteArray &body,
                            const QStringList &events) {
            QTest::newRow(name) << mode << manual << body << events;
        };
        const auto m = [](const char *extra) {
            return UpdateRig::manifest("none", kDigest, extra);
        };
        // A failed manual check is also a notice.
        const auto failed = [](const QString &m) {
            return QStringList{"status " + m, "finished 0 " + m};
        };
        const QString fields = "更新清单缺少必要字段（version/url/sha256）";
        row("not newer", S::Silent, false, m(",\"version\":\"1\",\"min\":\"3\""),
            {"finished 1 已是最新版本 v" PODIVEX_VERSION});
        row("forced ignores skip", S::Ask, false, m(",\"min\":\"1.5\""),
            {"prompt 2.0 forced=1", "finished 1 需要强制更新到 v2.0"});
        row("skipped", S::Ask, false, m(""), {"finished 1 已跳过版本 v2.0"});
        row("skipped, manual", S::Ask, true, m(""),
            {"prompt 2.0 forced=0", "finished 1 发现新版本 v2.0"});
        row("off: no request", S::Off, false, m(""), {"finished 1 已设置为不自动更新"});
        row("off, manual", S::Off, true, m(""),
            {"status 发现新版本 v2.0（当前设置为不自动更新）",
             "finished 1 发现新版本 v2.0（不自动更新）"});
        // The check goes on into the download, whose end is the one answer.
        row("silent", S::Silent, true, m(""), {"finished 0 下载失败："});
        row("not json", S::Ask, true, "<html>", failed("更新清单格式错误"));
        row("number as version", S::Ask, true, m(",\"version\":2"), failed(fields));
        row("short digest", S::Ask, true, UpdateRig::manifest("u", "abc"), failed(fields));
        row("not found", S::Ask, false, "", {"finished 0 检查更新失败："});
        row("file address", S::Ask, false, m(",\"url\":\"file:///etc/passwd\""),
            {"finished 0 更新清单中的下载地址无效"});
    }
    void decision()
    {
        QFETCH(S, mode);
        QFETCH(bool, manual);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, events);
        QVERIFY(UpdateSettings::setMode(mode) && UpdateSettings::skip("2.0"));
        UpdateRig rig;
        QVERIFY(rig.server.listen());
        if (!body.isEmpty())
            rig.server.setAnswer("/v.json", {200, body});
        QVERIFY(rig.check("/v.json", manual));
        QCOMPARE(rig.events.size(), events.size());
        for (int i = 0; i < events.size(); ++i)
            QVERIFY2(rig.events[i].startsWith(events[i]), qPrintable(rig.events[i]));
        QCOMPARE(rig.server.requests.isEmpty(), events.last().endsWith("已设置为不自动更新"));
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
