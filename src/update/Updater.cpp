// The update engine: settings file, versions, manifest check, streamed download, digest, install.
#include "update/Updater.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <QUrlQuery>

#include <utility>

namespace
{

const QString kCfgSection = QStringLiteral("[Update]");
const QString kLocalVersion = QStringLiteral(PODIVEX_VERSION);
const QString kManifestUrl = QStringLiteral("https://podivex.quillmere.com/downloads/version.json");
const QByteArray kUserAgent = QByteArrayLiteral("Podivex-Updater");
constexpr int kManifestTimeoutMs = 10000;
constexpr int kDownloadTimeoutMs = 600000;
constexpr int kQuitDelayMs = 300;
constexpr int kMaxFileVersionLength = 64;
constexpr qint64 kDownloadBufferBytes = 1024 * 1024;

QString cfgPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral(".ini");
}

QMap<QString, QString> readCfg()
{
    QFile file(cfgPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    return Updater::parseSettings(in);
}

QString cfgValue(const QString &key, const QString &fallback)
{
    return readCfg().value(key, fallback);
}

// A value with a line break would become a line of its own and could set another key.
QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// Rewrites the whole file through a new file that replaces the old one only when complete, so an
// interrupted write never loses the stored settings.
void setCfgValue(const QString &key, const QString &value)
{
    QMap<QString, QString> map = readCfg();
    map[key] = oneLine(value);
    const QString path = cfgPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    QTextStream out(&file);
    out << kCfgSection << '\n';
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        out << it.key() << '=' << it.value() << '\n';
    out.flush();
    file.commit();
}

// The version comes from the network: only characters that are safe in a file name on every system
// are kept, so that no version can name a file outside the temporary directory.
QString fileNamePart(const QString &version)
{
    QString out = version.left(kMaxFileVersionLength);
    for (QChar &c : out) {
        const bool safe =
            (c.unicode() < 128 && c.isLetterOrNumber()) || QStringLiteral("._+-").contains(c);
        if (!safe)
            c = QLatin1Char('_');
    }
    return out;
}

// JSON numbers are doubles; one outside the 64-bit range reads as no size.
qint64 sizeValue(const QJsonValue &value)
{
    const double d = value.toDouble();
    const bool inRange = d > -9.2e18 && d < 9.2e18;
    return value.toInteger(inRange ? qint64(d) : 0);
}

} // namespace

Updater::Updater(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_manifestUrl(kManifestUrl),
      m_manifestTimeoutMs(kManifestTimeoutMs), m_downloadTimeoutMs(kDownloadTimeoutMs)
{
    qRegisterMetaType<Updater::Info>("Updater::Info");
}

QString Updater::localVersion()
{
    return kLocalVersion;
}

int Updater::compareVersions(const QString &a, const QString &b)
{
    const QStringList pa = a.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const QStringList pb = b.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const int n = qMax(pa.size(), pb.size());
    for (int i = 0; i < n; ++i) {
        const int x = pa.value(i).toInt();
        const int y = pb.value(i).toInt();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

bool Updater::isNewer(const QString &a, const QString &b)
{
    return compareVersions(a, b) > 0;
}

Updater::Mode Updater::mode()
{
    const QString v = cfgValue(QStringLiteral("mode"), QStringLiteral("ask"));
    if (v == QLatin1String("silent"))
        return Silent;
    if (v == QLatin1String("off"))
        return Off;
    return Ask;
}

void Updater::setMode(Mode mode)
{
    const char *text = mode == Silent ? "silent" : mode == Off ? "off" : "ask";
    setCfgValue(QStringLiteral("mode"), QString::fromLatin1(text));
}

QString Updater::modeText(Mode mode)
{
    if (mode == Silent)
        return QStringLiteral("静默更新");
    if (mode == Off)
        return QStringLiteral("不自动更新");
    return QStringLiteral("弹窗询问");
}

void Updater::skip(const QString &version)
{
    setCfgValue(QStringLiteral("skipped"), version);
}

bool Updater::isSkipped(const QString &version)
{
    return cfgValue(QStringLiteral("skipped"), QString()) == version;
}

QString Updater::manifestUrl()
{
    return kManifestUrl;
}

QMap<QString, QString> Updater::parseSettings(QTextStream &in)
{
    QMap<QString, QString> map;
    bool inSection = false;
    QString line;
    while (in.readLineInto(&line)) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line == kCfgSection;
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inSection && eq > 0)
            map[line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
    }
    return map;
}

bool Updater::parseManifest(const QByteArray &body, Info *info, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("更新清单格式错误");
        return false;
    }
    const QJsonObject o = doc.object();
    info->version = o.value(QLatin1String("version")).toString();
    info->url = o.value(QLatin1String("url")).toString();
    info->sha256 = o.value(QLatin1String("sha256")).toString().toLower();
    info->size = sizeValue(o.value(QLatin1String("size")));
    info->min = o.value(QLatin1String("min")).toString();
    info->notes = o.value(QLatin1String("notes")).toString();
    if (info->version.isEmpty() || info->url.isEmpty() || info->sha256.size() != 64) {
        *error = QStringLiteral("更新清单缺少必要字段（version/url/sha256）");
        return false;
    }
    return true;
}

void Updater::setManifestUrl(const QString &url)
{
    m_manifestUrl = url;
}

void Updater::setTimeouts(int manifestMs, int downloadMs)
{
    m_manifestTimeoutMs = manifestMs;
    m_downloadTimeoutMs = downloadMs;
}

void Updater::check(bool manual)
{
    if (m_busy) {
        if (manual)
            emit status(QStringLiteral("正在检查更新，请稍候…"), 2000);
        return;
    }
    if (!manual && mode() == Off) {
        emit finished(true, QStringLiteral("已设置为不自动更新"));
        return;
    }
    m_manual = manual;
    m_busy = true;
    QUrl url(m_manifestUrl, QUrl::TolerantMode);
    if (url.isValid()) {
        QUrlQuery query(url);
        query.removeQueryItem(QStringLiteral("t"));
        query.addQueryItem(QStringLiteral("t"),
                           QString::number(QDateTime::currentSecsSinceEpoch()));
        url.setQuery(query);
    }
    send(url, m_manifestTimeoutMs);
    connect(m_reply, &QNetworkReply::finished, this, &Updater::onManifestFinished);
}

void Updater::send(const QUrl &url, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setRawHeader("User-Agent", kUserAgent);
    m_reply = m_network->get(request);
    m_timeout = new QTimer(this);
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, [this] {
        if (m_reply)
            m_reply->abort();
    });
    m_timeout->start(timeoutMs);
}

QNetworkReply *Updater::takeReply()
{
    if (m_timeout) {
        m_timeout->stop();
        // The abort that ends a timed-out request runs inside the timer's own signal.
        m_timeout->deleteLater();
        m_timeout = nullptr;
    }
    m_busy = false;
    return std::exchange(m_reply, nullptr);
}

void Updater::onManifestFinished()
{
    QNetworkReply *reply = takeReply();
    if (!reply) {
        emit finished(false, QStringLiteral("内部错误"));
        return;
    }
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        fail(QStringLiteral("检查更新失败：%1").arg(reply->errorString()), m_manual);
        return;
    }
    const QByteArray body = reply->readAll();
    Info info;
    QString message;
    if (!parseManifest(body, &info, &message)) {
        fail(message, m_manual);
        return;
    }
    handleManifest(info, m_manual);
}

void Updater::handleManifest(const Updater::Info &info, bool manual)
{
    const QString local = localVersion();
    if (compareVersions(info.version, local) <= 0) {
        if (manual)
            emit status(QStringLiteral("已是最新版本（v%1）").arg(local), 3000);
        emit finished(true, QStringLiteral("已是最新版本 v%1").arg(local));
    } else if (!info.min.isEmpty() && compareVersions(local, info.min) < 0) {
        emit prompt(info, true, manual);
        emit finished(true, QStringLiteral("需要强制更新到 v%1").arg(info.version));
    } else if (!manual && isSkipped(info.version)) {
        emit finished(true, QStringLiteral("已跳过版本 v%1").arg(info.version));
    } else {
        switch (mode()) {
        case Ask:
            emit prompt(info, false, manual);
            emit finished(true, QStringLiteral("发现新版本 v%1").arg(info.version));
            break;
        case Off:
            if (manual)
                emit status(
                    QStringLiteral("发现新版本 v%1（当前设置为不自动更新）").arg(info.version),
                    4000);
            emit finished(true, QStringLiteral("发现新版本 v%1（不自动更新）").arg(info.version));
            break;
        case Silent:
            apply(info);
            emit finished(true, QStringLiteral("开始静默更新到 v%1").arg(info.version));
            break;
        }
    }
}

void Updater::apply(const Info &info)
{
    if (m_busy)
        return;
    m_busy = true;
    m_pending = info;
    m_manual = false;
    const QString path = tempSetupPath(info.version);
    if (QFile::exists(path))
        QFile::remove(path);
    send(QUrl(info.url, QUrl::TolerantMode), m_downloadTimeoutMs);
    // Bounded, so that a slow disk holds back the network instead of filling memory.
    m_reply->setReadBufferSize(kDownloadBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &Updater::saveAvailable);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        const int percent = total > 0 ? int(received * 100 / total) : 0;
        emit progress(percent, QStringLiteral("正在下载更新 %1%").arg(percent));
    });
    connect(m_reply, &QNetworkReply::finished, this, &Updater::onDownloadFinished);
    emit progress(0, QStringLiteral("开始下载 v%1").arg(info.version));
}

// Streams what has arrived to disk so that the installer is never held in memory.
void Updater::saveAvailable()
{
    QFile file(tempSetupPath(m_pending.version));
    if (m_reply && file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(m_reply->readAll());
}

void Updater::onDownloadFinished()
{
    QNetworkReply *reply = takeReply();
    if (!reply) {
        emit finished(false, QStringLiteral("内部错误"));
        return;
    }
    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
    reply->deleteLater();
    const QString path = tempSetupPath(m_pending.version);
    if (error != QNetworkReply::NoError) {
        QFile::remove(path);
        emit finished(false, QStringLiteral("下载失败：%1").arg(errorText));
        return;
    }
    if (!verifyFile(path, m_pending.sha256)) {
        QFile::remove(path);
        emit status(QStringLiteral("更新包校验失败，已取消安装"), 5000);
        emit finished(false, QStringLiteral("SHA-256 校验失败"));
        return;
    }
    // Downloads carry no execute permission on systems that need one.
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
    if (!QProcess::startDetached(path, {QStringLiteral("/S")})) {
        emit finished(false, QStringLiteral("无法启动安装程序"));
        return;
    }
    emit status(QStringLiteral("正在安装更新 v%1 …").arg(m_pending.version), 3000);
    emit finished(true, QStringLiteral("安装程序已启动"));
    QTimer::singleShot(kQuitDelayMs, this, [] { QCoreApplication::quit(); });
}

QString Updater::tempSetupPath(const QString &version) const
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
        .filePath(QStringLiteral("Podivex-%1-Setup.exe").arg(fileNamePart(version)));
}

bool Updater::verifyFile(const QString &path, const QString &sha256) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return false;
    return QString::fromLatin1(hash.result().toHex()).compare(sha256, Qt::CaseInsensitive) == 0;
}

void Updater::fail(const QString &message, bool showStatus)
{
    if (showStatus)
        emit status(message, 4000);
    emit finished(false, message);
}
