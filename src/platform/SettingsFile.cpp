// The settings file: a bounded read, an edit of one line, and a locked, all-or-nothing write. Not
// here: what any section's keys mean.
#include "platform/SettingsFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

namespace
{

// The file holds a few short keys; anything much larger is not ours to parse.
constexpr qint64 kMaxFileBytes = 1024 * 1024;
constexpr int kLockWaitMs = 5000;
constexpr int kLockRetryMs = 5;
// A write takes milliseconds: an older lock was left by a writer that died.
constexpr int kStaleLockMs = 2000;

// Empty when the system names no absolute data location: a relative path would land in the
// working directory.
QString cfgPath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (base.isEmpty() || QDir::isRelativePath(base))
        return {};
    return base + QStringLiteral(".ini");
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

// A missing file reads as empty text; *ok is false only for a file that exists but cannot be read.
QString readText(const QString &path, bool *ok, QString *error = nullptr)
{
    *ok = true;
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *ok = fail(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return {};
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) {
        *ok =
            fail(error, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxFileBytes));
        return {};
    }
    return QString::fromUtf8(bytes);
}

bool isHeader(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char('['));
}

// The key of an entry line, or empty.
QString keyOf(const QString &trimmed)
{
    const int eq = trimmed.indexOf(QLatin1Char('='));
    return eq > 0 ? trimmed.left(eq).trimmed() : QString();
}

} // namespace

namespace SettingsFile
{

QString value(const QString &section, const QString &key, const QString &fallback)
{
    const QString path = cfgPath();
    bool ok = false;
    const QString text = path.isEmpty() ? QString() : readText(path, &ok);
    return parseSection(text, section).value(key, fallback);
}

bool setValue(const QString &section, const QString &key, const QString &value, QString *error)
{
    const QString path = cfgPath();
    if (path.isEmpty())
        return fail(error, QStringLiteral("no location for the settings file"));
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(error, QStringLiteral("cannot create the folder of %1").arg(path));
    // Two programs changing different keys at once must both keep their change.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(kStaleLockMs);
    // Short, even retries: the backing-off wait of QLockFile rarely wins against a busy writer.
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || waited.elapsed() > kLockWaitMs)
            return fail(error, QStringLiteral("cannot lock %1").arg(path));
        QThread::msleep(kLockRetryMs);
    }
    bool ok = false;
    const QString text = readText(path, &ok, error);
    if (!ok)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = withValue(text, section, key, value).toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

QMap<QString, QString> parseSection(const QString &text, const QString &section)
{
    QMap<QString, QString> map;
    bool inSection = false;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed().toString();
        if (isHeader(trimmed)) {
            inSection = trimmed == section;
            continue;
        }
        const QString key = keyOf(trimmed);
        if (inSection && !key.isEmpty())
            map[key] = trimmed.mid(trimmed.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    return map;
}

QString withValue(const QString &text, const QString &section, const QString &key,
                  const QString &value)
{
    // A value is network text: a line break in it would start a line of its own.
    QString flat = value;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString line = key + QLatin1Char('=') + flat.trimmed();

    QStringList lines = text.split(QLatin1Char('\n'));
    int match = -1;
    int lastInSection = -1;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines.at(i).trimmed();
        if (isHeader(trimmed))
            inSection = trimmed == section;
        if (!inSection)
            continue;
        if (!trimmed.isEmpty())
            lastInSection = i;
        if (!isHeader(trimmed) && keyOf(trimmed) == key)
            match = i;
    }
    if (match >= 0) {
        lines[match] = line;
    } else if (lastInSection >= 0) {
        lines.insert(lastInSection + 1, line);
    } else {
        if (!lines.last().isEmpty())
            lines << QString();
        lines.insert(lines.size() - 1, section);
        lines.insert(lines.size() - 1, line);
    }
    QString out = lines.join(QLatin1Char('\n'));
    if (!out.endsWith(QLatin1Char('\n')))
        out += QLatin1Char('\n');
    return out;
}

} // namespace SettingsFile
