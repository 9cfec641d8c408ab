// The update engine against local HTTP and HTTPS servers: decisions, failures, download, install.
#include "TestServer.h"
#include "Updater.h"

#include <QtTest>

namespace
{

const QString kNewer = QStringLiteral("2.0");

QByteArray manifest(const QString &version, const QString &url, const QString &sha256,
                    const QString &min = {}, qint64 size = 0)
{
    QJsonObject o{{"version", version}, {"url", url}, {"sha256", sha256}, {"notes", "fixes"}};
    if (!min.isEmpty())
        o.insert("min", min);
    if (size > 0)
        o.insert("size", size);
    return QJsonDocument(o).toJson();
}

TestServer::Answer answer(const QByteArray &body, int status = 200)
{
    TestServer::Answer a;
    a.body = body;
    a.status = status;
    return a;
}

// JSON written with single quotes, for readability.
QByteArray json(QByteArray text)
{
    return text.replace('\'', '"');
}

QByteArray sha256(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

// Every signal of one updater, in the order emitted.
class Recorder
{
public:
    explicit Recorder(Updater *updater)
    {
        QObject::connect(updater, &Updater::prompt, updater,
                         [this](const Updater::Info &info, bool forced, bool manual) {
                             events << QStringLiteral("prompt %1 forced=%2 manual=%3")
                                           .arg(info.version)
                                           .arg(forced)
                                           .arg(manual);
                         });
        QObject::connect(updater, &Updater::progress, updater,
                         [this](int percent, const QString &t) {
                             progress << percent;
                             if (percent == 0 && t.startsWith(QStringLiteral("开始")))
                                 events << QStringLiteral("progress ") + t;
                         });
        QObject::connect(updater, &Updater::status, updater, [this](const QString &t, int ms) {
            events << QStringLiteral("status %1 %2").arg(t).arg(ms);
        });
        QObject::connect(updater, &Updater::finished, updater, [this](bool ok, const QString &m) {
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

    // An installer for the test: a script that records its arguments beside itself.
    QByteArray installerScript() const
    {
        return "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n";
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
        QTest::newRow("missing part is zero") << "1.0"
                                              << "1.0.0" << 0;
        QTest::newRow("numeric, not textual") << "1.10"
                                              << "1.9" << 1;
        QTest::newRow("last part") << "1.0.0.1"
                                   << "1.0.0.2" << -1;
        QTest::newRow("suffix reads as zero") << "2.0-beta"
                                              << "2.0" << 0;
        QTest::newRow("leading letter") << "v2.0"
                                        << "1.0" << -1;
        QTest::newRow("double dot") << "1..2"
                                    << "1.2" << 0;
        QTest::newRow("both empty") << ""
                                    << "" << 0;
        QTest::newRow("signed parts") << "1.-1"
                                      << "1" << -1;
        QTest::newRow("out of 32-bit range reads as zero") << "1.99999999999"
                                                           << "1.1" << -1;
        QTest::newRow("blanks around a part") << "1. 5"
                                              << "1.4" << 1;
        QTest::newRow("first part decides") << "2"
                                            << "1.99" << 1;
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

    void parseSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("skipped");
        QTest::newRow("plain") << "[Update]\nmode=silent\nskipped=1.2\n"
                               << "silent"
                               << "1.2";
        QTest::newRow("lower-case header is another section") << "[update]\nmode=off\n"
                                                              << ""
                                                              << "";
        QTest::newRow("blanks around header and entries") << "  [Update]  \n  mode = silent \n"
                                                          << "silent"
                                                          << "";
        QTest::newRow("blank inside header") << "[ Update]\nmode=off\n"
                                             << ""
                                             << "";
        QTest::newRow("other sections and stray lines")
            << "mode=off\n[Other]\nmode=off\n[Update]\nno "
               "equals\n=silent\nskipped=1.3\n[X]\nmode=off"
            << ""
            << "1.3";
        QTest::newRow("later line wins") << "[Update]\nmode=off\nmode=silent\n"
                                         << "silent"
                                         << "";
        QTest::newRow("value keeps an inner equals sign") << "[Update]\nskipped=a=b\n"
                                                          << ""
                                                          << "a=b";
        QTest::newRow("windows line ends") << "[Update]\r\nmode=off\r\n"
                                           << "off"
                                           << "";
    }

    void parseSettings()
    {
        QFETCH(QString, text);
        QFETCH(QString, mode);
        QFETCH(QString, skipped);
        QTextStream in(&text);
        const QMap<QString, QString> map = Updater::parseSettings(in);
        QCOMPARE(map.value(QStringLiteral("mode")), mode);
        QCOMPARE(map.value(QStringLiteral("skipped")), skipped);
    }

    void modeFromFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("mode");
        QTest::newRow("no file") << QByteArray() << int(Updater::Ask);
        QTest::newRow("silent") << QByteArray("[Update]\n mode = silent\n") << int(Updater::Silent);
        QTest::newRow("off") << QByteArray("[Update]\nmode=off\n") << int(Updater::Off);
        QTest::newRow("capitalised") << QByteArray("[Update]\nmode=Silent\n") << int(Updater::Ask);
        QTest::newRow("empty value") << QByteArray("[Update]\nmode=\n") << int(Updater::Ask);
    }

    void modeFromFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, mode);
        if (!text.isNull()) {
            QDir().mkpath(QFileInfo(cfgFile()).absolutePath());
            QFile file(cfgFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        QCOMPARE(int(Updater::mode()), mode);
    }

    void rewriteKeepsOnlyTheSection()
    {
        QDir().mkpath(QFileInfo(cfgFile()).absolutePath());
        QFile file(cfgFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Other]\nx=1\n\n[Update]\nskipped=1.2\n#note=kept\nmode=silent\n");
        file.close();
        Updater::setMode(Updater::Off);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Update]\n#note=kept\nmode=off\nskipped=1.2\n"));
    }

    void skipKeepsOneVersion()
    {
        Updater::skip(QStringLiteral("1.2"));
        Updater::skip(QStringLiteral("1.3"));
        QVERIFY(Updater::isSkipped(QStringLiteral("1.3")));
        QVERIFY(!Updater::isSkipped(QStringLiteral("1.2")));
        QVERIFY(!Updater::isSkipped(QStringLiteral("1.3.0")));
        QCOMPARE(int(Updater::mode()), int(Updater::Ask));
    }

    // A version is network text: a line break in it must not smuggle in another setting.
    void skippedVersionCannotSetTheMode()
    {
        Updater::setMode(Updater::Off);
        Updater::skip(QStringLiteral("9.9\nmode=silent\n[Update]\nmode=silent"));
        QCOMPARE(int(Updater::mode()), int(Updater::Off));
    }

    void modeText()
    {
        QCOMPARE(Updater::modeText(Updater::Silent), QStringLiteral("静默更新"));
        QCOMPARE(Updater::modeText(Updater::Ask), QStringLiteral("弹窗询问"));
        QCOMPARE(Updater::modeText(Updater::Off), QStringLiteral("不自动更新"));
        QCOMPARE(Updater::modeText(Updater::Mode(7)), QStringLiteral("弹窗询问"));
    }

    void parseManifestFields()
    {
        Updater::Info info;
        QString error;
        const QByteArray body = json("{'version':'2.0','url':'u','sha256':'" + QByteArray(64, 'A') +
                                     "','size':1572864.9,'min':5,'notes':'a\\nb','extra':1}");
        QVERIFY(Updater::parseManifest(body, &info, &error));
        QCOMPARE(info.sha256, QString(64, QLatin1Char('a')));
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
        QCOMPARE(QMetaType::fromName("Updater::Info"), QMetaType::fromType<Updater::Info>());
        Updater::Info received;
        connect(
            &updater, &Updater::prompt, this,
            [&received](const Updater::Info &info, bool, bool) { received = info; },
            Qt::QueuedConnection);
        Updater::Info info;
        info.version = QStringLiteral("3.0");
        info.size = 7;
        emit updater.prompt(info, false, false);
        QTRY_COMPARE(received.version, info.version);
        QCOMPARE(received.size, info.size);
    }

    void decision_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("skipped");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("min");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QStringList>("events");
        const QString latest = QStringLiteral("finished 1 已是最新版本 v1.0.0.1");
        QTest::newRow("same version, manual")
            << int(Updater::Ask) << ""
            << "1.0.0.1"
            << "" << true << QStringList{"status 已是最新版本（v1.0.0.1） 3000", latest};
        QTest::newRow("older version, automatic") << int(Updater::Silent) << ""
                                                  << "0.9"
                                                  << "" << false << QStringList{latest};
        QTest::newRow("minimum above local but nothing newer")
            << int(Updater::Ask) << ""
            << "1.0.0.1"
            << "3.0" << false << QStringList{latest};
        QTest::newRow("forced, manual, ignores mode off")
            << int(Updater::Off) << "2.0"
            << "2.0"
            << "1.5" << true
            << QStringList{"prompt 2.0 forced=1 manual=1", "finished 1 需要强制更新到 v2.0"};
        QTest::newRow("forced, automatic, ignores skip")
            << int(Updater::Ask) << "2.0"
            << "2.0"
            << "1.5" << false
            << QStringList{"prompt 2.0 forced=1 manual=0", "finished 1 需要强制更新到 v2.0"};
        QTest::newRow("minimum equal to local is not forced")
            << int(Updater::Ask) << ""
            << "2.0"
            << "1.0.0.1" << true
            << QStringList{"prompt 2.0 forced=0 manual=1", "finished 1 发现新版本 v2.0"};
        QTest::newRow("skipped, automatic")
            << int(Updater::Ask) << "2.0"
            << "2.0"
            << "" << false << QStringList{"finished 1 已跳过版本 v2.0"};
        QTest::newRow("skipped, manual asks again")
            << int(Updater::Ask) << "2.0"
            << "2.0"
            << "" << true
            << QStringList{"prompt 2.0 forced=0 manual=1", "finished 1 发现新版本 v2.0"};
        QTest::newRow("other version skipped")
            << int(Updater::Ask) << "1.9"
            << "2.0"
            << "" << false
            << QStringList{"prompt 2.0 forced=0 manual=0", "finished 1 发现新版本 v2.0"};
        QTest::newRow("mode off, manual")
            << int(Updater::Off) << ""
            << "2.0"
            << "" << true
            << QStringList{"status 发现新版本 v2.0（当前设置为不自动更新） 4000",
                           "finished 1 发现新版本 v2.0（不自动更新）"};
        QTest::newRow("mode off, automatic makes no request")
            << int(Updater::Off) << ""
            << "2.0"
            << "" << false << QStringList{"finished 1 已设置为不自动更新"};
        QTest::newRow("silent starts the download first")
            << int(Updater::Silent) << ""
            << "2.0"
            << "" << false
            << QStringList{"progress 开始下载 v2.0", "finished 1 开始静默更新到 v2.0"};
        QTest::newRow("silent, manual")
            << int(Updater::Silent) << ""
            << "2.0"
            << "" << true
            << QStringList{"progress 开始下载 v2.0", "finished 1 开始静默更新到 v2.0"};
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
        TestServer server;
        QVERIFY(server.listen());
        server.setAnswer("/downloads/version.json",
                         answer(manifest(version, server.url("/missing.exe").toString(),
                                         QString(64, 'a'), min)));
        Updater updater;
        updater.setManifestUrl(server.url("/downloads/version.json").toString());
        Recorder rec(&updater);
        updater.check(manual);
        QVERIFY(QTest::qWaitFor([&] { return rec.finishedCount >= 1; }, 15000));
        QCOMPARE(rec.events.mid(0, events.size()), events);
        QCOMPARE(server.requests().isEmpty(),
                 events.last().endsWith(QStringLiteral("已设置为不自动更新")));
        // A silent update goes on to download; the missing file ends it with its own failure.
        const bool downloads = events.first().startsWith(QStringLiteral("progress"));
        QVERIFY(rec.waitFinished(downloads ? 2 : 1));
        if (downloads)
            QVERIFY(rec.events.last().startsWith(QStringLiteral("finished 0 下载失败：")));
    }

    void requestShape()
    {
        TestServer server;
        QVERIFY(server.listen());
        server.setAnswer("/v.json", answer(manifest("1.0", "u", QString(64, 'a'))));
        Updater updater;
        updater.setManifestUrl(server.url("/v.json?a=1&t=old&b=x%20y").toString());
        Recorder rec(&updater);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        updater.check(false);
        QVERIFY(rec.waitFinished());
        QCOMPARE(server.requests().size(), 1);
        const TestServer::Request request = server.requests().first();
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
        const QByteArray digest(64, 'a');
        QTest::newRow("not json") << 200 << QByteArray("<html>") << true << format;
        QTest::newRow("array") << 200 << QByteArray("[1,2]") << true << format;
        QTest::newRow("empty body") << 200 << QByteArray() << false << format;
        QTest::newRow("number as version")
            << 200 << json("{'version':2,'url':'u','sha256':'" + digest + "'}") << true << fields;
        QTest::newRow("short digest")
            << 200 << json("{'version':'2','url':'u','sha256':'abc'}") << true << fields;
        QTest::newRow("no url") << 200 << json("{'version':'2','sha256':'" + digest + "'}") << false
                                << fields;
        QTest::newRow("not found") << 404 << QByteArray("gone") << true << "检查更新失败：";
        QTest::newRow("server error")
            << 500 << manifest("2", "u", digest) << false << "检查更新失败：";
    }

    void failedChecks()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, manual);
        QFETCH(QString, message);
        TestServer server;
        QVERIFY(server.listen());
        server.setAnswer("/v.json", answer(body, status));
        Updater updater;
        updater.setManifestUrl(server.url("/v.json").toString());
        Recorder rec(&updater);
        updater.check(manual);
        QVERIFY(rec.waitFinished());
        QCOMPARE(rec.events.size(), manual ? 2 : 1);
        QVERIFY2(rec.events.last().startsWith(QStringLiteral("finished 0 ") + message),
                 qPrintable(rec.events.last()));
        if (manual)
            QCOMPARE(rec.events.first(),
                     QStringLiteral("status %1 4000").arg(rec.events.last().mid(11)));
    }

    void timeoutThenSecondCheck()
    {
        TestServer server;
        QVERIFY(server.listen());
        TestServer::Answer stall;
        stall.ending = TestServer::Ending::Stall;
        server.setAnswer("/slow.json", stall);
        server.setAnswer("/v.json", answer(manifest("1.0", "u", QString(64, 'a'))));
        Updater updater;
        updater.setTimeouts(300, 600000);
        updater.setManifestUrl(server.url("/slow.json").toString());
        Recorder rec(&updater);
        updater.check(false);
        QVERIFY(rec.waitFinished());
        QVERIFY(rec.events.last().startsWith(QStringLiteral("finished 0 检查更新失败：")));
        updater.setManifestUrl(server.url("/v.json").toString());
        updater.check(true);
        QVERIFY(rec.waitFinished(2));
        QCOMPARE(rec.events.last(), QStringLiteral("finished 1 已是最新版本 v1.0.0.1"));
    }

    void invalidUrlFailsOnce()
    {
        Updater updater;
        updater.setManifestUrl(QString());
        Recorder rec(&updater);
        updater.check(false);
        QVERIFY(rec.waitFinished());
        QVERIFY(rec.events.last().startsWith(QStringLiteral("finished 0 检查更新失败：")));
    }

    void httpsCheckAndRedirects()
    {
        TestServer http;
        TestServer https;
        QVERIFY(http.listen());
        QVERIFY(https.listenTls(m_cert, m_key));
        const QByteArray current = manifest("1.0", "u", QString(64, 'a'));
        https.setAnswer("/v.json", answer(current));
        http.setAnswer("/v.json", answer(current));
        TestServer::Answer down = answer("moved", 302);
        down.headers = {{"Location", http.url("/v.json").toEncoded()}};
        https.setAnswer("/down", down);
        TestServer::Answer same = answer("moved", 302);
        same.headers = {{"Location", https.url("/v.json").toEncoded()}};
        https.setAnswer("/same", same);

        Updater updater;
        Recorder rec(&updater);
        updater.setManifestUrl(https.url("/v.json").toString());
        updater.check(false);
        QVERIFY(rec.waitFinished(1));
        QCOMPARE(rec.events.last(), QStringLiteral("finished 1 已是最新版本 v1.0.0.1"));

        updater.setManifestUrl(https.url("/same").toString());
        updater.check(false);
        QVERIFY(rec.waitFinished(2));
        QCOMPARE(rec.events.last(), QStringLiteral("finished 1 已是最新版本 v1.0.0.1"));

        updater.setManifestUrl(https.url("/down").toString());
        updater.check(false);
        QVERIFY(rec.waitFinished(3));
        QVERIFY(rec.events.last().startsWith(QStringLiteral("finished 0 检查更新失败：")));
        QVERIFY(http.requests().isEmpty());
    }

    // The whole hand-over: left-over file replaced, digest (upper case) checked, script started
    // with "/S", and the application asked to quit.
    void installerStarted()
    {
        if (!QFileInfo::exists(QStringLiteral("/bin/sh")))
            QSKIP("the stand-in installer is a shell script");
        TestServer https;
        QVERIFY(https.listenTls(m_cert, m_key));
        const QByteArray script = installerScript();
        https.setAnswer("/setup.exe", answer(script));
        Updater updater;
        Recorder rec(&updater);
        const QString path = updater.tempSetupPath(kNewer);
        QCOMPARE(path, QDir(m_tmp).filePath(QStringLiteral("Podivex-2.0-Setup.exe")));
        QFile leftOver(path);
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
        leftOver.write("old partial download");
        leftOver.close();

        Updater::Info info;
        info.version = kNewer;
        info.url = https.url("/setup.exe").toString();
        info.sha256 = QString::fromLatin1(sha256(script)).toUpper();
        QTimer::singleShot(0, &updater, [&] { updater.apply(info); });
        QTimer::singleShot(15000, &updater, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(rec.events,
                 (QStringList{"progress 开始下载 v2.0", "status 正在安装更新 v2.0 … 3000",
                              "finished 1 安装程序已启动"}));
        QCOMPARE(rec.progress.last(), 100);
        QFile args(path + QStringLiteral(".args"));
        QTRY_VERIFY(args.size() > 0);
        QVERIFY(args.open(QIODevice::ReadOnly));
        QCOMPARE(args.readAll(), QByteArray("/S\n"));
        QCOMPARE(https.requests().first().headers.value("user-agent"),
                 QByteArray("Podivex-Updater"));
        QVERIFY(https.requests().first().query.isEmpty());
    }

    void digestMismatch()
    {
        TestServer http;
        QVERIFY(http.listen());
        http.setAnswer("/setup.exe", answer(installerScript()));
        Updater updater;
        Recorder rec(&updater);
        Updater::Info info;
        info.version = kNewer;
        info.url = http.url("/setup.exe").toString();
        info.sha256 = QString::fromLatin1(sha256("something else"));
        updater.apply(info);
        QVERIFY(rec.waitFinished());
        QCOMPARE(rec.events.mid(1), (QStringList{"status 更新包校验失败，已取消安装 5000",
                                                 "finished 0 SHA-256 校验失败"}));
        QVERIFY(!QFile::exists(updater.tempSetupPath(kNewer)));
        QTest::qWait(200);
        QVERIFY(!QFile::exists(updater.tempSetupPath(kNewer) + QStringLiteral(".args")));
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
        TestServer server;
        QVERIFY(tls ? server.listenTls(m_cert, m_key) : server.listen());
        TestServer::Answer body;
        body.generatedSize = 4 * 1024 * 1024;
        body.ending = TestServer::Ending(ending);
        if (unread)
            server.answerUnread(body);
        else
            server.setAnswer("/setup.exe", body);
        Updater updater;
        // Only the stalled download may end by its guard: the others end before it could fire.
        const bool stalls = ending == int(TestServer::Ending::Stall);
        updater.setTimeouts(10000, stalls ? 500 : 60000);
        Recorder rec(&updater);
        Updater::Info info;
        info.version = kNewer;
        info.url = server.url("/setup.exe").toString();
        info.sha256 = QString::fromLatin1(TestServer::generatedSha256(body.generatedSize));
        updater.apply(info);
        QVERIFY(rec.waitFinished());
        QVERIFY2(rec.events.last().startsWith(QStringLiteral("finished 0 下载失败：")),
                 qPrintable(rec.events.last()));
        QVERIFY(!QFile::exists(updater.tempSetupPath(kNewer)));
        if (!stalls)
            QVERIFY(!rec.progress.isEmpty() && rec.progress.last() >= 1);
    }

    void busyUpdater()
    {
        TestServer server;
        QVERIFY(server.listen());
        TestServer::Answer stall;
        stall.ending = TestServer::Ending::Stall;
        server.setAnswer("/setup.exe", stall);
        server.setAnswer("/v.json", answer(manifest("1.0", "u", QString(64, 'a'))));
        Updater updater;
        updater.setTimeouts(10000, 400);
        updater.setManifestUrl(server.url("/v.json").toString());
        Recorder rec(&updater);
        Updater::Info info;
        info.version = kNewer;
        info.url = server.url("/setup.exe").toString();
        info.sha256 = QString(64, QLatin1Char('a'));
        updater.apply(info);
        updater.check(true);
        updater.check(false);
        updater.apply(info);
        QVERIFY(rec.waitFinished());
        QCOMPARE(rec.events.mid(0, 2),
                 (QStringList{"progress 开始下载 v2.0", "status 正在检查更新，请稍候… 2000"}));
        QCOMPARE(rec.events.size(), 3);
        QCOMPARE(server.requests().size(), 1);
    }

    void installerNameStaysInTemp_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "1.0.0.2"
                               << "Podivex-1.0.0.2-Setup.exe";
        QTest::newRow("parent") << "../../evil"
                                << "Podivex-.._.._evil-Setup.exe";
        QTest::newRow("backslashes") << "..\\..\\evil"
                                     << "Podivex-.._.._evil-Setup.exe";
        QTest::newRow("absolute") << "/etc/passwd"
                                  << "Podivex-_etc_passwd-Setup.exe";
        QTest::newRow("drive") << "C:\\Windows\\x"
                               << "Podivex-C__Windows_x-Setup.exe";
        QTest::newRow("stream and wildcards") << "1:x*?<>|\""
                                              << "Podivex-1_x______-Setup.exe";
        QTest::newRow("non-ascii and blanks")
            << QStringLiteral("版本 2") << "Podivex-___2-Setup.exe";
        QTest::newRow("very long")
            << QString(300, 'x') << "Podivex-" + QString(64, 'x') + "-Setup.exe";
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
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("precious");
        file.close();
        TestServer server;
        QVERIFY(server.listen());
        Updater updater;
        Recorder rec(&updater);
        Updater::Info info;
        info.version = QStringLiteral("x/../../victim");
        info.url = server.url("/missing").toString();
        info.sha256 = QString(64, QLatin1Char('a'));
        updater.apply(info);
        QVERIFY(rec.waitFinished());
        QVERIFY(QFile::exists(victim));
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
