// The update engine's rules against a local server: version order, the settings file, the decision
// table, the request, manifest failures, HTTPS redirects and a busy updater.
#include "UpdateRig.h"
#include "update/UpdateSettings.h"
#include "update/Version.h"

namespace
{

const QByteArray kDigest(64, 'a');

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString cfgFile() const
    {
        return m_root.filePath(QStringLiteral("data/Quillmere/Podivex.ini"));
    }
    void writeCfg(const QByteArray &text)
    {
        QDir().mkpath(QFileInfo(cfgFile()).path());
        QFile file(cfgFile());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    }

private slots:
    void initTestCase() { UpdateRig::usePrivateFolders(m_root.path()); }
    void init() { QFile::remove(cfgFile()); }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("result");
        for (const auto &[a, b, result] :
             std::initializer_list<std::tuple<const char *, const char *, int>>{
                 {"1.0", "1.0.0", 0},
                 {"1.10", "1.9", 1},
                 {"2.0-beta", "2.0", 0},
                 {"v2.0", "1.0", -1},
                 {"1..2", "1.2", 0},
                 {"1.-1", "1", -1},
                 {" 1. 5", "1.4", 1},
                 {"2147483648", "1", 1},
                 {"1.99999999999999999999", "1.99999999999999999998", 1},
                 {"007", "7.0", 0},
                 {"-0", "0", 0},
                 {"-10", "-9", -1}})
            QTest::addRow("%s vs %s", a, b) << QString(a) << QString(b) << result;
    }
    void compareVersions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, result);
        QCOMPARE(Version::compare(a, b), result);
        QCOMPARE(Version::compare(b, a), -result);
    }

    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("skipped");
        QTest::newRow("no file") << QByteArray() << int(UpdateSettings::Ask) << "";
        QTest::newRow("blanks") << QByteArray("  [Update]  \r\n mode = off \r\n")
                                << int(UpdateSettings::Off) << "";
        QTest::newRow("other header case")
            << QByteArray("[update]\nmode=off\n") << int(UpdateSettings::Ask) << "";
        QTest::newRow("other sections, stray lines, later wins")
            << QByteArray(
                   "mode=off\n[X]\nmode=off\n[Update]\n=silent\nmode=off\nmode=silent\nskipped=a=b")
            << int(UpdateSettings::Silent) << "a=b";
        QTest::newRow("capitalised value")
            << QByteArray("[Update]\nmode=Silent\n") << int(UpdateSettings::Ask) << "";
    }
    void settingsFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, mode);
        QFETCH(QString, skipped);
        if (!text.isNull())
            writeCfg(text);
        QCOMPARE(int(UpdateSettings::mode()), mode);
        QVERIFY(UpdateSettings::isSkipped(skipped));
    }

    // Changes touch one line and keep the rest; a line break in a version cannot add a setting.
    void settingsRewrite()
    {
        writeCfg("[General]\nx=1\n\n[Update]\n#note=kept\nmode=silent\n\n[Z]\ny=2");
        QVERIFY(UpdateSettings::setMode(UpdateSettings::Off));
        QVERIFY(UpdateSettings::skip(QStringLiteral("9.9\nmode=silent")));
        QFile file(cfgFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[General]\nx=1\n\n[Update]\n#note=kept\nmode=off\n"
                                            "skipped=9.9 mode=silent\n\n[Z]\ny=2\n"));
        QFile::remove(cfgFile());
        QVERIFY(UpdateSettings::skip(QStringLiteral("1.3")));
        QVERIFY(UpdateSettings::isSkipped(QStringLiteral("1.3")) &&
                !UpdateSettings::isSkipped("1.3.0"));
    }

    void decision_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("skipped");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QStringList>("events");
        const QString offered = QStringLiteral("finished 1 发现新版本 v2.0");
        const QString forced = QStringLiteral("finished 1 需要强制更新到 v2.0");
        const auto row = [](const char *name, UpdateSettings::Mode mode, const char *skipped,
                            const char *extra, bool manual, const QStringList &events) {
            QTest::newRow(name) << int(mode) << QString(skipped) << QString(extra) << manual
                                << events;
        };
        row("not newer", UpdateSettings::Silent, "", ",\"version\":\"1.0\",\"min\":\"3\"", false,
            {"finished 1 已是最新版本 v" PODIVEX_VERSION});
        row("forced ignores skip", UpdateSettings::Ask, "2.0", ",\"min\":\"1.5\"", false,
            {"prompt 2.0 forced=1", forced});
        row("skipped, automatic", UpdateSettings::Ask, "2.0", "", false,
            {"finished 1 已跳过版本 v2.0"});
        row("skipped, manual asks", UpdateSettings::Ask, "2.0", "", true,
            {"prompt 2.0 forced=0", offered});
        row("off, automatic: no request", UpdateSettings::Off, "", "", false,
            {"finished 1 已设置为不自动更新"});
        row("off, manual", UpdateSettings::Off, "", "", true,
            {"status 发现新版本 v2.0（当前设置为不自动更新）",
             "finished 1 发现新版本 v2.0（不自动更新）"});
        // The check goes on into the download, whose end is the one answer.
        row("silent", UpdateSettings::Silent, "", "", false,
            {"finished 0 下载失败：Error transferring"});
    }
    void decision()
    {
        QFETCH(int, mode);
        QFETCH(QString, skipped);
        QFETCH(QString, extra);
        QFETCH(bool, manual);
        QFETCH(QStringList, events);
        QVERIFY(UpdateSettings::setMode(UpdateSettings::Mode(mode)));
        QVERIFY(UpdateSettings::skip(skipped));
        UpdateRig rig;
        QVERIFY(rig.server.listen());
        // A later key wins in JSON objects read by Qt, so extra may override the version.
        QByteArray body =
            UpdateRig::manifest(rig.server.url("/none").toString(), kDigest, qPrintable(extra));
        rig.server.setAnswer("/v.json", {200, body});
        QVERIFY(rig.check(rig.server.url("/v.json").toString(), manual));
        QCOMPARE(rig.events.size(), events.size());
        for (int i = 0; i < events.size(); ++i)
            QVERIFY2(rig.events[i].startsWith(events[i]), qPrintable(rig.events[i]));
        QCOMPARE(rig.server.requests().isEmpty(), events.last().endsWith("已设置为不自动更新"));
    }

    // The "t" item is replaced once by the current time; other items and the agent stay.
    void requestShape()
    {
        UpdateRig rig;
        QVERIFY(rig.server.listen());
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QVERIFY(rig.check(rig.server.url("/v.json?a=1&t=old&b=x%20y").toString()));
        const TestServer::Request request = rig.server.requests().value(0);
        QCOMPARE(request.headers.value("user-agent"), QByteArray("Podivex-Updater"));
        const QList<QByteArray> items = request.query.split('&');
        QCOMPARE(items.mid(0, 2), (QList<QByteArray>{"a=1", "b=x%20y"}));
        QVERIFY(items.size() == 3 && items[2].mid(2).toLongLong() >= before);
    }

    void failedChecks_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        const QString fields = QStringLiteral("更新清单缺少必要字段（version/url/sha256）");
        QTest::newRow("not json") << 200 << QByteArray("<html>") << "更新清单格式错误";
        QTest::newRow("array") << 200 << QByteArray("[1]") << "更新清单格式错误";
        QTest::newRow("number as version")
            << 200 << UpdateRig::manifest("u", kDigest, ",\"version\":2") << fields;
        QTest::newRow("short digest") << 200 << UpdateRig::manifest("u", "abc") << fields;
        QTest::newRow("not found") << 404 << UpdateRig::manifest("u", kDigest) << "检查更新失败：";
        QTest::newRow("file url") << 200 << UpdateRig::manifest("file:///etc/passwd", kDigest)
                                  << "更新清单中的下载地址无效";
    }
    void failedChecks()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        UpdateRig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer("/v.json", {status, body});
        QVERIFY(rig.check(rig.server.url("/v.json").toString()));
        QVERIFY2(rig.last().startsWith("finished 0 " + message), qPrintable(rig.last()));
        QCOMPARE(rig.events.first(), "status " + rig.last().mid(11));
    }

    // HTTPS, a redirect within HTTPS, and a refused redirect down to plain HTTP.
    void httpsRedirects()
    {
        QString cert, key;
        QVERIFY(TestServer::makeCertificate(m_root.path(), &cert, &key));
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.addCaCertificates(cert);
        QSslConfiguration::setDefaultConfiguration(trusting);
        TestServer http;
        UpdateRig rig;
        QVERIFY(http.listen() && rig.server.listenTls(cert, key));
        const QByteArray upToDate = UpdateRig::manifest("u", kDigest, ",\"version\":\"1\"");
        for (TestServer *server : {&http, &rig.server})
            server->setAnswer("/v.json", {200, upToDate});
        rig.server.setAnswer("/down",
                             {302, {}, -1, {{"Location", http.url("/v.json").toEncoded()}}});
        rig.server.setAnswer("/same",
                             {302, {}, -1, {{"Location", rig.server.url("/v.json").toEncoded()}}});
        QVERIFY(rig.check(rig.server.url("/same").toString()));
        QVERIFY(rig.last().startsWith("finished 1 已是最新版本"));
        QVERIFY(rig.check(rig.server.url("/down").toString()));
        QVERIFY(rig.last().startsWith("finished 0 检查更新失败："));
        QVERIFY(http.requests().isEmpty());
    }

    // While downloading, a manual check gets a notice only; further calls are ignored.
    void busyUpdater()
    {
        UpdateRig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer("/setup.exe", {200, {}, -1, {}, TestServer::Ending::Stall});
        rig.updater.setTimeouts(10000, 400);
        Updater::Info info{"2.0", rig.server.url("/setup.exe").toString(), kDigest, 0, {}, {}};
        rig.updater.apply(info);
        rig.updater.apply(info);
        QVERIFY(rig.check(rig.server.url("/v.json").toString()));
        QCOMPARE(rig.events, (QStringList{"status 正在检查更新，请稍候…",
                                          "finished 0 下载失败：下载超时（1 秒）"}));
        QCOMPARE(rig.server.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
