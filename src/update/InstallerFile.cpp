// A file nobody else can write between its digest check and its start: the directory is created
// fresh and owner-only, and the file in it with exclusive creation, which also refuses a link.
#include "update/InstallerFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace
{

constexpr int kMaxFileVersionLength = 64;

} // namespace

InstallerFile::InstallerFile() : m_hash(QCryptographicHash::Sha256) {}

InstallerFile::~InstallerFile() = default;

QString InstallerFile::fileName(const QString &version)
{
    QString part = version.left(kMaxFileVersionLength);
    for (QChar &c : part) {
        const bool safe =
            (c.unicode() < 128 && c.isLetterOrNumber()) || QStringLiteral("._+-").contains(c);
        if (!safe)
            c = QLatin1Char('_');
    }
    return QStringLiteral("Podivex-%1-Setup.exe").arg(part);
}

bool InstallerFile::create(const QString &version, QString *error)
{
    // Without a temporary folder there is no safe place: never fall back to the working directory.
    const QString temp = QDir::tempPath();
    if (temp.isEmpty() || QDir::isRelativePath(temp) || !QFileInfo(temp).isDir()) {
        *error = QStringLiteral("没有可用的临时目录：%1").arg(temp);
        return false;
    }
    m_dir = std::make_unique<QTemporaryDir>(temp + QStringLiteral("/Podivex-update-XXXXXX"));
    if (!m_dir->isValid()) {
        *error = QStringLiteral("无法创建临时目录：%1").arg(m_dir->errorString());
        return false;
    }
    m_file.setFileName(m_dir->filePath(fileName(version)));
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered, mode)) {
        *error = QStringLiteral("无法创建安装程序文件：%1").arg(m_file.errorString());
        return false;
    }
    return true;
}

bool InstallerFile::append(const QByteArray &bytes, QString *error)
{
    if (m_file.write(bytes) != bytes.size()) {
        *error = QStringLiteral("写入安装程序失败：%1").arg(m_file.errorString());
        return false;
    }
    m_hash.addData(bytes);
    m_written += bytes.size();
    return true;
}

bool InstallerFile::finish(const QString &sha256)
{
    // A write that the system only reports at close must not pass as a complete file.
    const bool flushed = m_file.flush();
    m_file.close();
    return flushed && m_file.error() == QFileDevice::NoError &&
           QString::fromLatin1(m_hash.result().toHex()).compare(sha256, Qt::CaseInsensitive) == 0;
}

bool InstallerFile::start(const QStringList &args)
{
    if (!QProcess::startDetached(m_file.fileName(), args))
        return false;
    // The installer runs from here and may outlive this program.
    m_dir->setAutoRemove(false);
    return true;
}
