// Composing and writing the picture of a page with its ink.
#include "annotation/InkPicture.h"

#include "annotation/StrokePainter.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>

namespace
{

// Room for the date and a counter within the 255 units most file systems allow.
constexpr int kMaxTitleLength = 80;
constexpr int kMaxFolderTries = 100;
const QString kForbidden = QStringLiteral("/\\:*?\"<>|");

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

QString trimmedOfDotsAndBlanks(const QString &text)
{
    qsizetype from = 0, to = text.size();
    const auto loose = [](QChar c) { return c == QLatin1Char('.') || c.isSpace(); };
    while (from < to && loose(text.at(from)))
        ++from;
    while (to > from && loose(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

} // namespace

namespace InkPicture
{

QImage compose(const QImage &slide, const QList<Ink::Stroke> &strokes, const Frame &frame)
{
    QImage picture = slide.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull() || frame.show.isEmpty())
        return {};
    // The eraser clears ink, never the slide: the ink gets a layer of its own.
    QImage ink(picture.size(), QImage::Format_ARGB32_Premultiplied);
    ink.fill(Qt::transparent);
    {
        QPainter painter(&ink);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(double(picture.width()) / frame.show.width(),
                      double(picture.height()) / frame.show.height());
        painter.translate(frame.overlay.topLeft() - frame.show.topLeft());
        for (const Ink::Stroke &stroke : strokes)
            StrokePainter::draw(painter, stroke);
    }
    QPainter(&picture).drawImage(0, 0, ink);
    return picture.convertToFormat(QImage::Format_RGB32);
}

QString folderName(const QString &title, const QDateTime &start)
{
    QString safe;
    for (const QChar c : title) {
        if (c.category() != QChar::Other_Control && !kForbidden.contains(c))
            safe += c;
    }
    safe = trimmedOfDotsAndBlanks(safe);
    if (safe.size() > kMaxTitleLength) {
        safe.truncate(kMaxTitleLength);
        if (safe.back().isHighSurrogate())
            safe.chop(1);
        safe = trimmedOfDotsAndBlanks(safe);
    }
    if (safe.isEmpty())
        safe = QStringLiteral("放映");
    return safe + QLatin1Char(' ') + start.toString(QStringLiteral("yyyy-MM-dd HH-mm"));
}

QString makeFolder(const QString &root, const QString &name, QString *error)
{
    QDir dir(root);
    if (!dir.mkpath(QStringLiteral("."))) {
        fail(error, QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(root)));
        return {};
    }
    for (int n = 1; n <= kMaxFolderTries; ++n) {
        const QString candidate = n == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(n);
        // mkdir claims the name: it fails on anything already there, a link included.
        if (dir.mkdir(candidate))
            return dir.absoluteFilePath(candidate);
        if (!QFileInfo(dir.absoluteFilePath(candidate)).exists() &&
            !QFileInfo(dir.absoluteFilePath(candidate)).isSymLink())
            break;
    }
    fail(error, QStringLiteral("无法创建文件夹 %1")
                    .arg(QDir::toNativeSeparators(dir.absoluteFilePath(name))));
    return {};
}

bool write(const QImage &picture, const QString &path, QString *error)
{
    const QString shown = QDir::toNativeSeparators(path);
    // A saved file would follow the link and replace whatever it points at.
    if (QFileInfo(path).isSymLink())
        return fail(error, QStringLiteral("%1 是链接，未写入").arg(shown));
    // Encoded first: the image writer does not report a short write, so a full disk would leave an
    // empty picture that passes for saved.
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return fail(error, QStringLiteral("%1：无法编码图片").arg(shown));
    // Unbuffered, so that a failed write is seen here and not lost in the close before the rename.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, QStringLiteral("%1：%2").arg(shown, file.errorString()));
    if (file.write(png) != png.size() || !file.commit())
        return fail(error, QStringLiteral("%1：%2").arg(shown, file.errorString()));
    return true;
}

} // namespace InkPicture
