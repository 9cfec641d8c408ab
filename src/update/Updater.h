// Versions, the update settings file, and the manifest check, download and installer start.
#pragma once

#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QTextStream;
class QTimer;
class QUrl;

class Updater : public QObject
{
    Q_OBJECT

public:
    enum Mode { Silent = 0, Ask = 1, Off = 2 };
    Q_ENUM(Mode)

    // The parsed manifest.
    struct Info {
        QString version;
        QString url;
        QString sha256;
        qint64 size = 0;
        QString min;
        QString notes;
    };

    explicit Updater(QObject *parent = nullptr);

    static QString localVersion();
    static int compareVersions(const QString &a, const QString &b);
    static bool isNewer(const QString &a, const QString &b);
    static Mode mode();
    static void setMode(Mode mode);
    static QString modeText(Mode mode);
    static void skip(const QString &version);
    static bool isSkipped(const QString &version);
    static QString manifestUrl();

    // The "[Update]" section of a settings text, by the file's reading rules.
    static QMap<QString, QString> parseSettings(QTextStream &in);
    // Reads a manifest body; on rejection *error holds the message of the failed check.
    static bool parseManifest(const QByteArray &body, Info *info, QString *error);

    void setManifestUrl(const QString &url);
    // Lets tests shorten the request guards; the defaults are 10 s and 10 min.
    void setTimeouts(int manifestMs, int downloadMs);

    void check(bool manual);
    void apply(const Info &info);
    QString tempSetupPath(const QString &version) const;
    bool verifyFile(const QString &path, const QString &sha256) const;
    void fail(const QString &message, bool showStatus);

signals:
    void prompt(const Updater::Info &info, bool forced, bool manual);
    void progress(int percent, const QString &text);
    void status(const QString &text, int timeoutMs);
    void finished(bool ok, const QString &message);

private:
    void send(const QUrl &url, int timeoutMs);
    QNetworkReply *takeReply();
    void saveAvailable();
    void onManifestFinished();
    void handleManifest(const Updater::Info &info, bool manual);
    void onDownloadFinished();

    QNetworkAccessManager *m_network;
    QNetworkReply *m_reply = nullptr;
    QTimer *m_timeout = nullptr;
    QString m_manifestUrl;
    Info m_pending;
    bool m_manual = false;
    bool m_busy = false;
    int m_manifestTimeoutMs;
    int m_downloadTimeoutMs;
};

Q_DECLARE_METATYPE(Updater::Info)
