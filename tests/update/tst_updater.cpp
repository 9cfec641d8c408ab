// The update engine against local HTTP and HTTPS servers: decisions, failures, download, install.
#include "TestServer.h"
#include "update/Updater.h"

#include <QtTest>

namespace
{

const QString kNewer = QStringLiteral("2.0");
const QString kDigest(64, QLatin1Char('a'));
const QString kLatest = QStringLiteral("finished 1 已是最新版本 v1.0.0.1");
const QString kCheckFailed = QStringLiteral("finished 0 检查更新失败：");

QByteArray manifest(const QString &version, const QString &url = QStringLiteral("u"),
                    const QString &min = {})
{
    QJsonObject o{{"version", version}, {"url", url}, {"sha256", kDigest}, {"notes", "fixes"}};
    if (!min.isEmpty())
        o.insert("min", min);
    return QJsonDocument(o).toJson();
}

// JSON written with single quotes, for readability.
QByteArray json(QByteArray text)
{
    return text.replace('\'', '"');
}

const TestServer::Answer kStalled{200, {}, -1, {}, TestServer::Ending::Stall};

Updater::Info setup(const QUrl &url, const QString &sha256 = kDigest)
{
    Updater::Info info;
    info.version = kNewer;
    info.url = url.toString();
    info.sha256 = sha256;
    return info;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A server, an updater, and every signal of the updater in the order emitted.
class Rig
{
public:
    Rig()
    {
        QObject::connect(&updater, &Updater::prompt, &updater,
                         [this](const Updater::Info &info, bool forced, bool manual) {
                             events << QStringLiteral("prompt %1 forced=%2 manual=%3")
                                           .arg(info.version)
                                           .arg(forced)
                                           .arg(manual);
                         });
        QObject::connect(&updater, &Updater::progress, &updater,
                         [this](int percent, const QString &t) {
                             progress << percent;
                             if (percent == 0 && t.startsWith(QStringLiteral("开始")))
                                 events << QStringLiteral("progress ") + t;
                         });
        QObject::connect(&updater, &Updater::status, &updater, [this](const QString &t, int ms) {
            events << QStringLiteral("status %1 %2").arg(t).arg(ms);
        });
        QObject::connect(&updater, &Updater::finished, &updater, [this](bool ok, const QString &m) {
            events << QStringLiteral("finished %1 %2").arg(ok).arg(m);
            ++finishedCount;
        });
    }
    // Waits for the n-th finished and a little longer, so that a stray extra signal would show.
    bool waitFinished(int n = 1)
    {
        if (!QTest::qWaitFor([&] { return finishedCount >= n; }, 15000))
            return false;
        QTest::qWait(50);
        return finishedCount == n;
    }
    // One check of the manifest at url, to its end.
    bool check(const QString &url, bool manual = false)
    {
        updater.setManifestUrl(url);
        updater.check(manual);
        return waitFinished(finishedCount + 1);
    }
    bool check(const char *path, bool manual = false)
    {
        return check(server.url(QString::fromLatin1(path)).toString(), manual);
    }
    TestServer server;
    Updater updater;
    QStringList events;
    QList<int> progress;
    int finishedCount = 0;
};

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_tmp;
    QString m_cert;
    QString m_key;

    QString cfgFile() const
    {
        return m_root.filePath(QStringLiteral("data/Quillmere/Podivex.ini"));
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("Quillmere"));
        QCoreApplication::setApplicationName(QStringLiteral("Podivex"));
        qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")).toLocal8Bit());
        m_tmp = m_root.filePath(QStringLiteral("tmp"));
        qputenv("TMPDIR", m_tmp.toLocal8Bit());
        QVERIFY(QSslSocket::supportsSsl());
        QVERIFY2(TestServer::makeCertificate(m_root.path(), &m_cert, &m_key), "openssl failed");
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.addCaCertificates(m_cert);
        QSslConfiguration::setDefaultConfiguration(trusting);
    }

    void init()
    {
        QFile::remove(cfgFile());
        QDir(m_tmp).removeRecursively();
        QVERIFY(QDir().mkpath(m_tmp));
    }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("result");
        // Missing parts, suffixes, letters, blanks and parts beyond 32 bits read as zero.
        const auto row = [](const char *a, const char *b, int result) {
            QTest::addRow("%s vs %s", a, b) << QString(a) << QString(b) << result;
        };
        row("1.0", "1.0.0", 0);
        row("1.10", "1.9", 1);
        row("1.0.0.1", "1.0.0.2", -1);
        row("2.0-beta", "2.0", 0);
        row("v2.0", "1.0", -1);
        row("1..2", "1.2", 0);
        row("", "", 0);
        row("1.-1", "1", -1);
        row("1.99999999999", "1.1", -1);
        row("1. 5", "1.4", 1);
        row("2", "1.99", 1);
    }

    void compareVersions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, result);
        QCOMPARE(Updater::compareVersions(a, b), result);
        QCOMPARE(Updater::compareVersions(b, a), -result);
        QCOMPARE(Updater::isNewer(a, b), result > 0);
    }

    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("skipped");
        const auto row = [](const char *name, const QByteArray &text, const char *mode,
                            const char *skipped) {
            QTest::newRow(name) << text << QString::fromUtf8(mode) << QString(skipped);
        };
        const char *ask = "弹窗询问";
        row("no file", QByteArray(), ask, "");
        row("plain", "[Update]\nmode=silent\nskipped=1.2\n", "静默更新", "1.2");
        row("lower-case header is another section", "[update]\nmode=off\n", ask, "");
        row("blanks around header and entries", "  [Update]  \n  mode = silent \n", "静默更新", "");
        row("blank inside header", "[ Update]\nmode=off\n", ask, "");
        row("other sections and stray lines",
            "mode=off\n[Other]\nmode=off\n[Update]\nno equals\n=silent\nskipped=1.3\n[X]\nmode=off",
            ask, "1.3");
        row("later line wins", "[Update]\nmode=off\nmode=silent\n", "静默更新", "");
        row("value keeps an inner equals sign", "[Update]\nskipped=a=b\n", ask, "a=b");
        row("windows line ends", "[Update]\r\nmode=off\r\n", "不自动更新", "");
        row("capitalised value", "[Update]\nmode=Silent\n", ask, "");
        row("empty value", "[Update]\nmode=\n", ask, "");
    }

    void settingsFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, mode);
        QFETCH(QString, skipped);
        if (!text.isNull())
            writeFile(cfgFile(), text);
        QCOMPARE(Updater::modeText(Updater::mode()), mode);
        // The skipped entry must be exactly this text, or absent when it is empty.
        QVERIFY(Updater::isSkipped(skipped));
    }

    // Rewriting keeps only the section; one skipped version; a version is network text, so a line
    // break in it must not smuggle in another setting.
    void settingsRewrite()
    {
        writeFile(cfgFile(), "[Other]\nx=1\n\n[Update]\nskipped=1.2\n#note=kept\nmode=silent\n");
        Updater::setMode(Updater::Off);
        QCOMPARE(readFile(cfgFile()), QByteArray("[Update]\n#note=kept\nmode=off\nskipped=1.2\n"));
        Updater::skip(QStringLiteral("1.3"));
        QVERIFY(Updater::isSkipped(QStringLiteral("1.3")));
        QVERIFY(!Updater::isSkipped(QStringLiteral("1.2")));
        QVERIFY(!Updater::isSkipped(QStringLiteral("1.3.0")));
        Updater::skip(QStringLiteral("9.9\nmode=silent\n[Update]\nmode=silent"));
        QCOMPARE(int(Updater::mode()), int(Updater::Off));
    }

    void parseManifestFields()
    {
        Updater::Info info;
        QString error;
        const QByteArray body = json("{'version':'2.0','url':'u','sha256':'" + QByteArray(64, 'A') +
                                     "','size':1572864.9,'min':5,'notes':'a\\nb','extra':1}");
        QVERIFY(Updater::parseManifest(body, &info, &error));
        QCOMPARE(info.sha256, kDigest);
        QCOMPARE(info.size, qint64(1572864));
        QCOMPARE(info.min, QString());
        QCOMPARE(info.notes, QStringLiteral("a\nb"));
        // A size beyond 64 bits reads as unknown rather than overflowing.
        QVERIFY(Updater::parseManifest(
            json("{'version':'2','url':'u','sha256':'" + QByteArray(64, 'f') + "','size':1e300}"),
            &info, &error));
        QCOMPARE(info.size, qint64(0));
    }

    // The prompt's argument is a registered meta-type, so the signal also works queued.
    void infoTravelsQueued()
    {
        Updater updater;
        QString received;
        connect(
            &updater, &Updater::prompt, this,
            [&received](const Updater::Info &info, bool, bool) { received = info.version; },
            Qt::QueuedConnection);
        emit updater.prompt(setup(QUrl()), false, false);
        QTRY_COMPARE(received, kNewer);
    }

    void decision_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("skipped");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("min");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QStringList>("events");
        const auto row = [](const char *name, Updater::Mode mode, const char *skipped,
                            const char *version, const char *min, bool manual,
                            const QStringList &events) {
            QTest::newRow(name) << int(mode) << QString(skipped) << QString(version) << QString(min)
                                << manual << events;
        };
        const QString offered = QStringLiteral("finished 1 发现新版本 v2.0");
        const QString forced = QStringLiteral("finished 1 需要强制更新到 v2.0");
        const QStringList silent{"progress 开始下载 v2.0", "finished 1 开始静默更新到 v2.0"};
        row("same version, manual", Updater::Ask, "", "1.0.0.1", "", true,
            {"status 已是最新版本（v1.0.0.1） 3000", kLatest});
        row("older version, automatic", Updater::Silent, "", "0.9", "", false, {kLatest});
        row("minimum above local but nothing newer", Updater::Ask, "", "1.0.0.1", "3.0", false,
            {kLatest});
        row("forced, manual, ignores mode off", Updater::Off, "2.0", "2.0", "1.5", true,
            {"prompt 2.0 forced=1 manual=1", forced});
        row("forced, automatic, ignores skip", Updater::Ask, "2.0", "2.0", "1.5", false,
            {"prompt 2.0 forced=1 manual=0", forced});
        row("minimum equal to local is not forced", Updater::Ask, "", "2.0", "1.0.0.1", true,
            {"prompt 2.0 forced=0 manual=1", offered});
        row("skipped, automatic", Updater::Ask, "2.0", "2.0", "", false,
            {"finished 1 已跳过版本 v2.0"});
        row("skipped, manual asks again", Updater::Ask, "2.0", "2.0", "", true,
            {"prompt 2.0 forced=0 manual=1", offered});
        row("other version skipped", Updater::Ask, "1.9", "2.0", "", false,
            {"prompt 2.0 forced=0 manual=0", offered});
        row("mode off, manual", Updater::Off, "", "2.0", "", true,
            {"status 发现新版本 v2.0（当前设置为不自动更新） 4000",
             "finished 1 发现新版本 v2.0（不自动更新）"});
        row("mode off, automatic makes no request", Updater::Off, "", "2.0", "", false,
            {"finished 1 已设置为不自动更新"});
        row("silent starts the download first", Updater::Silent, "", "2.0", "", false, silent);
        row("silent, manual", Updater::Silent, "", "2.0", "", true, silent);
    }

    void decision()
    {
        QFETCH(int, mode);
        QFETCH(QString, skipped);
        QFETCH(QString, version);
        QFETCH(QString, min);
        QFETCH(bool, manual);
        QFETCH(QStringList, events);
        Updater::setMode(Updater::Mode(mode));
        if (!skipped.isEmpty())
            Updater::skip(skipped);
        Rig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer(
            "/v.json", {200, manifest(version, rig.server.url("/missing.exe").toString(), min)});
        // A silent update goes on to download; the missing file ends it with its own failure.
        const bool downloads = events.first().startsWith(QStringLiteral("progress"));
        rig.updater.setManifestUrl(rig.server.url("/v.json").toString());
        rig.updater.check(manual);
        QVERIFY(rig.waitFinished(downloads ? 2 : 1));
        QCOMPARE(rig.events.mid(0, events.size()), events);
        QCOMPARE(rig.server.requests().isEmpty(),
                 events.last().endsWith(QStringLiteral("已设置为不自动更新")));
        if (downloads)
            QVERIFY(rig.events.last().startsWith(QStringLiteral("finished 0 下载失败：")));
    }

    // The "t" item is replaced exactly once by the current time; the other items stay.
    void requestShape()
    {
        Rig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer("/v.json", {200, manifest("1.0")});
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QVERIFY(rig.check("/v.json?a=1&t=old&b=x%20y"));
        QCOMPARE(rig.server.requests().size(), 1);
        const TestServer::Request request = rig.server.requests().first();
        QCOMPARE(request.headers.value("user-agent"), QByteArray("Podivex-Updater"));
        const QList<QByteArray> items = request.query.split('&');
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.mid(0, 2), (QList<QByteArray>{"a=1", "b=x%20y"}));
        QVERIFY(items[2].startsWith("t="));
        const qint64 t = items[2].mid(2).toLongLong();
        QVERIFY(t >= before && t <= QDateTime::currentSecsSinceEpoch());
    }

    void failedChecks_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QString>("message");
        const QString format = QStringLiteral("更新清单格式错误");
        const QString fields = QStringLiteral("更新清单缺少必要字段（version/url/sha256）");
        const QByteArray digest = kDigest.toLatin1();
        const QString failed = QStringLiteral("检查更新失败：");
        QTest::newRow("not json") << 200 << QByteArray("<html>") << true << format;
        QTest::newRow("array") << 200 << QByteArray("[1,2]") << true << format;
        QTest::newRow("empty body") << 200 << QByteArray() << false << format;
        QTest::newRow("number as version")
            << 200 << json("{'version':2,'url':'u','sha256':'" + digest + "'}") << true << fields;
        QTest::newRow("short digest")
            << 200 << json("{'version':'2','url':'u','sha256':'abc'}") << true << fields;
        QTest::newRow("no url") << 200 << json("{'version':'2','sha256':'" + digest + "'}") << false
                                << fields;
        QTest::newRow("not found") << 404 << QByteArray("gone") << true << failed;
        QTest::newRow("server error") << 500 << manifest("2") << false << failed;
    }

    void failedChecks()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, manual);
        QFETCH(QString, message);
        Rig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer("/v.json", {status, body});
        QVERIFY(rig.check("/v.json", manual));
        QCOMPARE(rig.events.size(), manual ? 2 : 1);
        QVERIFY2(rig.events.last().startsWith(QStringLiteral("finished 0 ") + message),
                 qPrintable(rig.events.last()));
        if (manual)
            QCOMPARE(rig.events.first(),
                     QStringLiteral("status %1 4000").arg(rig.events.last().mid(11)));
    }

    // An invalid address and a timeout each fail once; a later check still works.
    void failuresThenSecondCheck()
    {
        Rig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer("/slow.json", kStalled);
        rig.server.setAnswer("/v.json", {200, manifest("1.0")});
        rig.updater.setTimeouts(300, 600000);
        QVERIFY(rig.check(QString()));
        QVERIFY(rig.events.last().startsWith(kCheckFailed));
        QVERIFY(rig.check("/slow.json"));
        QVERIFY(rig.events.last().startsWith(kCheckFailed));
        QVERIFY(rig.check("/v.json", true));
        QCOMPARE(rig.events.last(), kLatest);
    }

    // HTTPS, a redirect within HTTPS, and a refused redirect down to plain HTTP.
    void httpsCheckAndRedirects()
    {
        TestServer http;
        Rig rig;
        QVERIFY(http.listen());
        QVERIFY(rig.server.listenTls(m_cert, m_key));
        for (TestServer *server : {&http, &rig.server})
            server->setAnswer("/v.json", {200, manifest("1.0")});
        const auto redirect = [](const QUrl &to) {
            return TestServer::Answer{302, "moved", -1, {{"Location", to.toEncoded()}}};
        };
        rig.server.setAnswer("/down", redirect(http.url("/v.json")));
        rig.server.setAnswer("/same", redirect(rig.server.url("/v.json")));
        QVERIFY(rig.check("/v.json"));
        QVERIFY(rig.check("/same"));
        QCOMPARE(rig.events, (QStringList{kLatest, kLatest}));
        QVERIFY(rig.check("/down"));
        QVERIFY(rig.events.last().startsWith(kCheckFailed));
        QVERIFY(http.requests().isEmpty());
    }

    // The whole hand-over: left-over file deleted first, digest (upper case) checked, the
    // downloaded file made executable and started with "/S", and the application asked to quit.
    void installerStarted()
    {
        if (!QFileInfo::exists(QStringLiteral("/bin/sh")))
            QSKIP("the stand-in installer is a shell script");
        Rig rig;
        QVERIFY(rig.server.listenTls(m_cert, m_key));
        // It records its arguments beside itself.
        const QByteArray script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n";
        rig.server.setAnswer("/setup.exe", {200, script});
        const QString path = rig.updater.tempSetupPath(kNewer);
        writeFile(path, "old partial download");
        const QString sha256 =
            QCryptographicHash::hash(script, QCryptographicHash::Sha256).toHex().toUpper();
        QTimer::singleShot(0, &rig.updater,
                           [&] { rig.updater.apply(setup(rig.server.url("/setup.exe"), sha256)); });
        QTimer::singleShot(15000, &rig.updater, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(rig.events,
                 (QStringList{"progress 开始下载 v2.0", "status 正在安装更新 v2.0 … 3000",
                              "finished 1 安装程序已启动"}));
        QCOMPARE(rig.progress.last(), 100);
        QTRY_VERIFY(QFileInfo(path + QStringLiteral(".args")).size() > 0);
        QCOMPARE(readFile(path + QStringLiteral(".args")), QByteArray("/S\n"));
        QVERIFY(rig.server.requests().first().query.isEmpty());
    }

    void digestMismatch()
    {
        Rig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer("/setup.exe", {200, "#!/bin/sh\ntouch \"$0.ran\"\n"});
        rig.updater.apply(setup(rig.server.url("/setup.exe")));
        QVERIFY(rig.waitFinished());
        QCOMPARE(rig.events.mid(1), (QStringList{"status 更新包校验失败，已取消安装 5000",
                                                 "finished 0 SHA-256 校验失败"}));
        const QString path = rig.updater.tempSetupPath(kNewer);
        QVERIFY(!QFile::exists(path));
        QTest::qWait(200);
        QVERIFY(!QFile::exists(path + QStringLiteral(".ran")));
    }

    void brokenDownload_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<int>("ending");
        QTest::addColumn<bool>("unread");
        QTest::newRow("cut off") << false << int(TestServer::Ending::CutOff) << false;
        QTest::newRow("reset") << false << int(TestServer::Ending::Reset) << true;
        QTest::newRow("tls cut off") << true << int(TestServer::Ending::CutOff) << false;
        QTest::newRow("tls dropped") << true << int(TestServer::Ending::Reset) << false;
        QTest::newRow("stalled until the timeout")
            << false << int(TestServer::Ending::Stall) << false;
    }

    void brokenDownload()
    {
        QFETCH(bool, tls);
        QFETCH(int, ending);
        QFETCH(bool, unread);
        Rig rig;
        QVERIFY(tls ? rig.server.listenTls(m_cert, m_key) : rig.server.listen());
        const TestServer::Answer body{200, {}, 4 * 1024 * 1024, {}, TestServer::Ending(ending)};
        if (unread)
            rig.server.answerUnread(body);
        else
            rig.server.setAnswer("/setup.exe", body);
        // Only the stalled download may end by its guard: the others end before it could fire.
        const bool stalls = ending == int(TestServer::Ending::Stall);
        rig.updater.setTimeouts(10000, stalls ? 500 : 60000);
        rig.updater.apply(
            setup(rig.server.url("/setup.exe"), TestServer::generatedSha256(body.generatedSize)));
        QVERIFY(rig.waitFinished());
        QVERIFY2(rig.events.last().startsWith(QStringLiteral("finished 0 下载失败：")),
                 qPrintable(rig.events.last()));
        QVERIFY(!QFile::exists(rig.updater.tempSetupPath(kNewer)));
        if (!stalls)
            QVERIFY(!rig.progress.isEmpty() && rig.progress.last() >= 1);
    }

    // While downloading, a manual check is answered with a notice; other requests are ignored.
    void busyUpdater()
    {
        Rig rig;
        QVERIFY(rig.server.listen());
        rig.server.setAnswer("/setup.exe", kStalled);
        rig.server.setAnswer("/v.json", {200, manifest("1.0")});
        rig.updater.setTimeouts(10000, 400);
        rig.updater.setManifestUrl(rig.server.url("/v.json").toString());
        const Updater::Info info = setup(rig.server.url("/setup.exe"));
        rig.updater.apply(info);
        rig.updater.check(true);
        rig.updater.check(false);
        rig.updater.apply(info);
        QVERIFY(rig.waitFinished());
        QCOMPARE(rig.events.mid(0, 2),
                 (QStringList{"progress 开始下载 v2.0", "status 正在检查更新，请稍候… 2000"}));
        QCOMPARE(rig.events.size(), 3);
        QCOMPARE(rig.server.requests().size(), 1);
    }

    // The version is network text: in the installer's file name it must stay a plain name.
    void installerNameStaysInTemp_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("name");
        const auto row = [](const char *name, const QString &version, const QString &part) {
            QTest::newRow(name) << version << QStringLiteral("Podivex-%1-Setup.exe").arg(part);
        };
        row("plain", "1.0.0.2", "1.0.0.2");
        row("parent", "../../evil", ".._.._evil");
        row("backslashes", "..\\..\\evil", ".._.._evil");
        row("absolute", "/etc/passwd", "_etc_passwd");
        row("drive", "C:\\Windows\\x", "C__Windows_x");
        row("stream and wildcards", "1:x*?<>|\"", "1_x______");
        row("non-ascii and blanks", QStringLiteral("版本 2"), "___2");
        row("very long", QString(300, 'x'), QString(64, 'x'));
    }

    void installerNameStaysInTemp()
    {
        QFETCH(QString, version);
        QFETCH(QString, name);
        Updater updater;
        QCOMPARE(updater.tempSetupPath(version), QDir(m_tmp).filePath(name));
    }

    // A traversing version must neither delete a file outside the temporary directory as a
    // left-over nor write or delete one there after a failed download.
    void versionCannotReachOutsideTemp()
    {
        QVERIFY(QDir(m_tmp).mkpath(QStringLiteral("Podivex-x")));
        const QString victim = m_root.filePath(QStringLiteral("victim-Setup.exe"));
        writeFile(victim, "precious");
        Rig rig;
        QVERIFY(rig.server.listen());
        Updater::Info info = setup(rig.server.url("/missing"));
        info.version = QStringLiteral("x/../../victim");
        rig.updater.apply(info);
        QVERIFY(rig.waitFinished());
        QCOMPARE(readFile(victim), QByteArray("precious"));
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
