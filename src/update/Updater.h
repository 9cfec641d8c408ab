// The update engine: the manifest check, the decision, the bounded download into a private folder,
// the digest check and the hand-over to the installer. Settings, versions and the manifest's
// fields live in their own units; dialogs and console lines are the presenters' job.
#pragma once

#include "update/Manifest.h"

#include <QObject>
#include <QString>

#include <memory>

class InstallerFile;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class QUrl;

class Updater : public QObject
{
    Q_OBJECT

public:
    using Info = UpdateInfo;

    explicit Updater(QObject *parent = nullptr);
    ~Updater() override;

    void setManifestUrl(const QString &url);
    // Lets tests shorten the request guards; the defaults are 10 s and 10 min.
    void setTimeouts(int manifestMs, int downloadMs);

    // A manual check ignores the skipped version and the mode "off". In silent mode the check
    // goes on into the download, and the download's end is the check's one finished.
    void check(bool manual);
    void apply(const Info &info);

signals:
    void prompt(const Updater::Info &info, bool forced, bool manual);
    void progress(int percent, const QString &text);
    void status(const QString &text, int timeoutMs);
    void finished(bool ok, const QString &message);

private:
    void fail(const QString &message, bool showStatus);
    void send(const QUrl &url, int timeoutMs, const QString &timeoutMessage);
    // Ends the request in flight; *failure is why it failed (an abort's reason, else the reply's
    // error after prefix), empty when it did not.
    QNetworkReply *takeReply(QString *failure, const QString &prefix);
    void onManifestData();
    void onManifestFinished();
    void handleManifest(const Info &info, bool manual);
    void onDownloadData();
    void onDownloadFinished();
    void abortWith(const QString &message);

    QNetworkAccessManager *m_network;
    QNetworkReply *m_reply = nullptr;
    QTimer *m_timeout = nullptr;
    QString m_manifestUrl;
    QByteArray m_manifest;
    Info m_pending;
    std::unique_ptr<InstallerFile> m_installer;
    QString m_abortReason; // set when the updater cut the request off
    bool m_manual = false;
    bool m_busy = false;
    int m_manifestTimeoutMs;
    int m_downloadTimeoutMs;
};
