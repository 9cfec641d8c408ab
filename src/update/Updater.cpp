// The update engine's requests and their bounds: a capped manifest, a capped download streamed into
// a private file, and an installer started only from where it was verified.
#include "update/Updater.h"

#include "update/InstallerFile.h"
#include "update/UpdateSettings.h"
#include "update/Version.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrlQuery>

#include <utility>

namespace
{

const QString kManifestUrl = QStringLiteral("https://podivex.quillmere.com/downloads/version.json");
const QByteArray kUserAgent = QByteArrayLiteral("Podivex-Updater");
const QString kCheckFailed = QStringLiteral("检查更新失败：%1");
const QString kDownloadFailed = QStringLiteral("下载失败：%1");
constexpr int kManifestTimeoutMs = 10000;
constexpr int kDownloadTimeoutMs = 600000;
constexpr int kQuitDelayMs = 300;
constexpr qint64 kDownloadBufferBytes = 1024 * 1024;

QString seconds(int ms)
{
    return QString::number(qMax(1, (ms + 999) / 1000));
}

} // namespace

Updater::Updater(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_manifestUrl(kManifestUrl),
      m_manifestTimeoutMs(kManifestTimeoutMs), m_downloadTimeoutMs(kDownloadTimeoutMs)
{
    qRegisterMetaType<Updater::Info>("Updater::Info");
}

Updater::~Updater() = default;

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
    if (!manual && UpdateSettings::mode() == UpdateSettings::Off) {
        emit finished(true, QStringLiteral("已设置为不自动更新"));
        return;
    }
    m_manual = manual;
    QUrl url(m_manifestUrl, QUrl::TolerantMode);
    if (!Manifest::isWebUrl(url)) {
        fail(kCheckFailed.arg(QStringLiteral("更新地址无效（%1）").arg(m_manifestUrl)), manual);
        return;
    }
    m_busy = true;
    QUrlQuery query(url);
    query.removeQueryItem(QStringLiteral("t"));
    query.addQueryItem(QStringLiteral("t"), QString::number(QDateTime::currentSecsSinceEpoch()));
    url.setQuery(query);
    m_manifest.clear();
    send(url, m_manifestTimeoutMs,
         kCheckFailed.arg(QStringLiteral("请求超时（%1 秒）").arg(seconds(m_manifestTimeoutMs))));
    connect(m_reply, &QNetworkReply::readyRead, this, &Updater::onManifestData);
    connect(m_reply, &QNetworkReply::finished, this, &Updater::onManifestFinished);
}

void Updater::send(const QUrl &url, int timeoutMs, const QString &timeoutMessage)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setRawHeader("User-Agent", kUserAgent);
    m_reply = m_network->get(request);
    m_timeout = new QTimer(this);
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this,
            [this, timeoutMessage] { abortWith(timeoutMessage); });
    m_timeout->start(timeoutMs);
}

void Updater::abortWith(const QString &message)
{
    m_abortReason = message;
    if (m_reply)
        m_reply->abort();
}

QNetworkReply *Updater::takeReply(QString *failure, const QString &prefix)
{
    if (m_timeout) {
        m_timeout->stop();
        // The abort that ends a timed-out request runs inside the timer's own signal.
        m_timeout->deleteLater();
        m_timeout = nullptr;
    }
    m_busy = false;
    QNetworkReply *reply = std::exchange(m_reply, nullptr);
    *failure = std::exchange(m_abortReason, {});
    if (failure->isEmpty() && reply && reply->error() != QNetworkReply::NoError)
        *failure = prefix.arg(reply->errorString());
    return reply;
}

void Updater::onManifestData()
{
    m_manifest += m_reply->readAll();
    if (m_manifest.size() > Manifest::kMaxBytes)
        abortWith(kCheckFailed.arg(
            QStringLiteral("更新清单超过 %1 KiB 的上限").arg(Manifest::kMaxBytes / 1024)));
}

void Updater::onManifestFinished()
{
    QString failure;
    QNetworkReply *reply = takeReply(&failure, kCheckFailed);
    if (!reply) {
        emit finished(false, QStringLiteral("内部错误"));
        return;
    }
    reply->deleteLater();
    if (!failure.isEmpty()) {
        fail(failure, m_manual);
        return;
    }
    m_manifest += reply->readAll();
    Info info;
    QString message;
    if (!Manifest::parse(m_manifest, reply->url(), &info, &message)) {
        fail(message, m_manual);
        return;
    }
    handleManifest(info, m_manual);
}

void Updater::handleManifest(const Info &info, bool manual)
{
    const QString local = Version::local();
    if (Version::compare(info.version, local) <= 0) {
        if (manual)
            emit status(QStringLiteral("已是最新版本（v%1）").arg(local), 3000);
        emit finished(true, QStringLiteral("已是最新版本 v%1").arg(local));
    } else if (!info.min.isEmpty() && Version::compare(local, info.min) < 0) {
        emit prompt(info, true, manual);
        emit finished(true, QStringLiteral("需要强制更新到 v%1").arg(info.version));
    } else if (!manual && UpdateSettings::isSkipped(info.version)) {
        emit finished(true, QStringLiteral("已跳过版本 v%1").arg(info.version));
    } else {
        switch (UpdateSettings::mode()) {
        case UpdateSettings::Ask:
            emit prompt(info, false, manual);
            emit finished(true, QStringLiteral("发现新版本 v%1").arg(info.version));
            break;
        case UpdateSettings::Off:
            if (manual)
                emit status(
                    QStringLiteral("发现新版本 v%1（当前设置为不自动更新）").arg(info.version),
                    4000);
            emit finished(true, QStringLiteral("发现新版本 v%1（不自动更新）").arg(info.version));
            break;
        case UpdateSettings::Silent:
            apply(info);
            break;
        }
    }
}

void Updater::apply(const Info &info)
{
    if (m_busy)
        return;
    m_pending = info;
    m_manual = false;
    const QUrl url(info.url, QUrl::TolerantMode);
    m_installer = std::make_unique<InstallerFile>();
    QString error;
    if (!Manifest::isWebUrl(url))
        error = QStringLiteral("下载地址无效（%1）").arg(info.url);
    if (!error.isEmpty() || !m_installer->create(info.version, &error)) {
        m_installer.reset();
        emit finished(false, kDownloadFailed.arg(error));
        return;
    }
    m_busy = true;
    send(
        url, m_downloadTimeoutMs,
        kDownloadFailed.arg(QStringLiteral("下载超时（%1 秒）").arg(seconds(m_downloadTimeoutMs))));
    // Bounded, so that a slow disk holds back the network instead of filling memory.
    m_reply->setReadBufferSize(kDownloadBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &Updater::onDownloadData);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        const int percent =
            total > 0 ? int(qBound(qint64(0), received * 100 / total, qint64(100))) : 0;
        emit progress(percent, QStringLiteral("正在下载更新 %1%").arg(percent));
    });
    connect(m_reply, &QNetworkReply::finished, this, &Updater::onDownloadFinished);
    emit progress(0, QStringLiteral("开始下载 v%1").arg(info.version));
}

// Streams what has arrived to disk so that the installer is never held in memory.
void Updater::onDownloadData()
{
    if (!m_reply || !m_installer)
        return;
    const QByteArray bytes = m_reply->readAll();
    const qint64 cap = Manifest::downloadCap(m_pending);
    QString error;
    if (m_installer->size() + bytes.size() > cap)
        abortWith(kDownloadFailed.arg(QStringLiteral("安装程序超过 %1 字节的大小上限").arg(cap)));
    else if (!m_installer->append(bytes, &error))
        abortWith(kDownloadFailed.arg(error));
}

void Updater::onDownloadFinished()
{
    if (m_reply && m_abortReason.isEmpty() && m_reply->error() == QNetworkReply::NoError)
        onDownloadData();
    QString failure;
    QNetworkReply *reply = takeReply(&failure, kDownloadFailed);
    // Whatever happens next, the folder goes unless the installer was started from it.
    const std::unique_ptr<InstallerFile> installer = std::move(m_installer);
    if (!reply || !installer) {
        emit finished(false, QStringLiteral("内部错误"));
        return;
    }
    reply->deleteLater();
    if (!failure.isEmpty()) {
        emit finished(false, failure);
        return;
    }
    if (!installer->finish(m_pending.sha256)) {
        emit status(QStringLiteral("更新包校验失败，已取消安装"), 5000);
        emit finished(false, QStringLiteral("SHA-256 校验失败"));
        return;
    }
    if (!installer->start({QStringLiteral("/S")})) {
        emit finished(false, QStringLiteral("无法启动安装程序"));
        return;
    }
    emit status(QStringLiteral("正在安装更新 v%1 …").arg(m_pending.version), 3000);
    emit finished(true, QStringLiteral("安装程序已启动"));
    QTimer::singleShot(kQuitDelayMs, this, [] { QCoreApplication::quit(); });
}

void Updater::fail(const QString &message, bool showStatus)
{
    if (showStatus)
        emit status(message, 4000);
    emit finished(false, message);
}
