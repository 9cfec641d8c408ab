// Paints the application icon and writes it as a multi-size .ico (and optionally a PNG sheet of
// it), or as one PNG per size in a freedesktop icon theme folder for the Linux install.
// Usage: make_icon <out.ico> [sheet.png] | make_icon --hicolor <folder>
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cstdio>

namespace
{

const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
const QColor kCard(0x23, 0x28, 0x33);
const QColor kCardEdge(0x3A, 0x42, 0x52);
const QColor kStrip(0x13, 0x16, 0x1D);
const QColor kYellow(0xFF, 0xC8, 0x3D);
const QColor kWhite(0xF4, 0xF6, 0xFA);

// The pen, drawn along +x with its point at the far end, in a 256-unit frame.
void paintPen(QPainter &p)
{
    QPainterPath body;
    body.addRoundedRect(QRectF(-78, -17, 116, 34), 8, 8);
    p.fillPath(body, kWhite);
    p.fillRect(QRectF(-58, -17, 6, 34), kCardEdge); // the cap's ring
    QPainterPath tip;
    tip.moveTo(36, -17);
    tip.lineTo(76, 0);
    tip.lineTo(36, 17);
    tip.closeSubpath();
    p.fillPath(tip, kYellow);
}

// A dark rounded card; on the left a white pen pointing to the lower left with a yellow tip, on the
// right a dark strip holding a yellow and two white rounded squares.
QImage paintIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QPainterPath card;
    card.addRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
    p.fillPath(card, kCard);
    p.setPen(QPen(kCardEdge, 4));
    p.drawPath(card);
    p.setPen(Qt::NoPen);

    p.save();
    p.translate(96, 126);
    p.rotate(135); // +x now points to the lower left
    paintPen(p);
    p.restore();

    QPainterPath strip;
    strip.addRoundedRect(QRectF(172, 36, 56, 184), 16, 16);
    p.fillPath(strip, kStrip);
    const QColor squares[] = {kYellow, kWhite, kWhite};
    for (int i = 0; i < 3; ++i) {
        QPainterPath square;
        square.addRoundedRect(QRectF(182, 50 + i * 56, 36, 36), 9, 9);
        p.fillPath(square, squares[i]);
    }
    return image;
}

void putLe16(QByteArray &out, int v)
{
    const quint16 le = qToLittleEndian(quint16(v));
    out.append(reinterpret_cast<const char *>(&le), 2);
}

void putLe32(QByteArray &out, quint32 v)
{
    const quint32 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&le), 4);
}

// A 32-bit DIB entry: header, bottom-up BGRA rows, then the 1-bit mask (set where transparent).
QByteArray dibEntry(const QImage &image)
{
    const int size = image.width();
    const int maskStride = ((size + 31) / 32) * 4;
    QByteArray out;
    putLe32(out, 40);
    putLe32(out, quint32(size));
    putLe32(out, quint32(size * 2)); // colour rows and mask rows
    putLe16(out, 1);
    putLe16(out, 32);
    putLe32(out, 0);
    putLe32(out, quint32(size * size * 4 + maskStride * size));
    for (int i = 0; i < 4; ++i)
        putLe32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            const QRgb c = row[x];
            out.append(char(qBlue(c)))
                .append(char(qGreen(c)))
                .append(char(qRed(c)))
                .append(char(qAlpha(c)));
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray mask(maskStride, '\0');
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(mask);
    }
    return out;
}

QByteArray pngEntry(const QImage &image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

// The icon directory, its entries, then the images; the largest is stored as PNG to keep it small.
QByteArray icoFile(const QList<QImage> &images)
{
    QByteArray head, data;
    putLe16(head, 0);
    putLe16(head, 1);
    putLe16(head, int(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (const QImage &image : images) {
        const int size = image.width();
        const QByteArray entry = size >= 256 ? pngEntry(image) : dibEntry(image);
        head.append(char(size >= 256 ? 0 : size)).append(char(size >= 256 ? 0 : size));
        head.append(char(0)).append(char(0));
        putLe16(head, 1);
        putLe16(head, 32);
        putLe32(head, quint32(entry.size()));
        putLe32(head, offset);
        offset += quint32(entry.size());
        data.append(entry);
    }
    return head + data;
}

// Every size side by side at its own scale, on a light and a dark band, for looking at.
QImage sheet(const QList<QImage> &images)
{
    int width = 16;
    for (const QImage &image : images)
        width += image.width() + 16;
    QImage out(width, 2 * (256 + 32), QImage::Format_ARGB32);
    QPainter p(&out);
    p.fillRect(0, 0, width, 256 + 32, QColor(0xE8, 0xE8, 0xE8));
    p.fillRect(0, 256 + 32, width, 256 + 32, QColor(0x30, 0x30, 0x30));
    int x = 16;
    for (const QImage &image : images) {
        p.drawImage(x, 16, image);
        p.drawImage(x, 256 + 48, image);
        x += image.width() + 16;
    }
    return out;
}

} // namespace

// <folder>/<n>x<n>/apps/podivex.png for every size.
int writeTheme(const QString &folder)
{
    for (int size : kSizes) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(dir) || !paintIcon(size).save(dir + QStringLiteral("/podivex.png"))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}

int main(int argc, char *argv[])
{
    if (argc < 2 || (argc != 3 && qstrcmp(argv[1], "--hicolor") == 0)) {
        std::fprintf(stderr,
                     "usage: make_icon <out.ico> [sheet.png] | make_icon --hicolor <folder>\n");
        return 1;
    }
    if (qstrcmp(argv[1], "--hicolor") == 0)
        return writeTheme(QString::fromLocal8Bit(argv[2]));
    QList<QImage> images;
    for (int size : kSizes)
        images.append(paintIcon(size));
    QFile ico(QString::fromLocal8Bit(argv[1]));
    if (!ico.open(QIODevice::WriteOnly) || ico.write(icoFile(images)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc > 2 && !sheet(images).save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
