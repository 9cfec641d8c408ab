// The downloaded installer on disk: a fresh owner-only directory made for this download, one file
// created there exclusively, its digest taken while it is written, and the start of the verified
// file from that same directory. Not here: the network, or what the updater does after the start.
#pragma once

#include <QCryptographicHash>
#include <QFile>
#include <QString>

#include <memory>

class QTemporaryDir;

class InstallerFile
{
public:
    InstallerFile();
    ~InstallerFile();

    // "Podivex-<version>-Setup.exe", the version reduced to characters safe in any file name.
    static QString fileName(const QString &version);

    // False, with *error set, when there is no usable temporary location or the file exists.
    bool create(const QString &version, QString *error);
    bool append(const QByteArray &bytes, QString *error);
    qint64 size() const { return m_written; }
    QString path() const { return m_file.fileName(); }
    // Closes the file; true when what was written has this digest (hexadecimal, any case).
    bool finish(const QString &sha256);
    // Starts the finished file with args; on success the directory is left for the installer.
    bool start(const QStringList &args);

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QFile m_file;
    QCryptographicHash m_hash;
    qint64 m_written = 0;
};
