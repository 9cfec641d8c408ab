// Renders the pen panel and a slide with each tool's ink to PNG files (default directory: docs).
#include "annotation/AnnotPanel.h"
#include "annotation/AnnotationOverlay.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

#include <cstdio>

namespace
{

const QSize kSlide(720, 300);

void send(QWidget *w, QEvent::Type type, QPointF pos)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

void stroke(AnnotationOverlay &overlay, const QList<QPointF> &points)
{
    send(&overlay, QEvent::MouseButtonPress, points.first());
    for (const QPointF &p : points.mid(1))
        send(&overlay, QEvent::MouseMove, p);
    send(&overlay, QEvent::MouseButtonRelease, points.last());
}

QList<QPointF> wave(QPointF start, qreal length, qreal amplitude)
{
    QList<QPointF> points;
    for (qreal x = 0; x <= length; x += 4)
        points << start + QPointF(x, amplitude * qSin(x / 18));
    return points;
}

// A plain light slide with a title bar and a few text lines, so that the ink has something to
// cover.
QImage slide()
{
    QImage image(kSlide, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(246, 246, 242));
    QPainter p(&image);
    p.fillRect(QRect(0, 0, kSlide.width(), 56), QColor(40, 70, 120));
    for (int i = 0; i < 5; ++i)
        p.fillRect(QRect(40, 90 + 40 * i, 220 + 90 * (i % 3), 12), QColor(170, 176, 186));
    return image;
}

void inkTheSlide(AnnotationOverlay &overlay)
{
    // Pen: a red wave and a blue underline.
    stroke(overlay, wave(QPointF(30, 110), 200, 14));
    overlay.setColor(QColor(76, 154, 255));
    stroke(overlay, {QPointF(40, 170), QPointF(120, 176), QPointF(220, 168)});
    // Highlighter over pen: a yellow band across black handwriting.
    overlay.setColor(QColor(16, 16, 20));
    stroke(overlay, wave(QPointF(270, 130), 170, 10));
    overlay.setTool(AnnotationOverlay::Highlighter);
    overlay.setColor(QColor(255, 214, 0));
    stroke(overlay, {QPointF(262, 132), QPointF(450, 132)});
    // Eraser: a vertical cut through green ink.
    overlay.setTool(AnnotationOverlay::Pen);
    overlay.setColor(QColor(52, 199, 89));
    overlay.setWidthLevel(2);
    for (int i = 0; i < 3; ++i)
        stroke(overlay, {QPointF(490, 110 + 40 * i), QPointF(690, 110 + 40 * i)});
    overlay.setTool(AnnotationOverlay::Eraser);
    overlay.setWidthLevel(0);
    stroke(overlay, {QPointF(590, 80), QPointF(596, 150), QPointF(588, 230)});
    overlay.setTool(AnnotationOverlay::Pointer);
}

bool save(const QImage &image, const QString &path)
{
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
    QDir().mkpath(dir);

    AnnotationOverlay overlay;
    overlay.attachTo(QRect(QPoint(0, 0), kSlide));
    overlay.setAnnotating(true);
    inkTheSlide(overlay);
    // Show the ink as it is stored: a page switch replays every stroke as one path.
    overlay.setCurrentPage(1);
    overlay.setCurrentPage(0);
    QImage inked = slide();
    overlay.render(&inked);

    AnnotPanel panel;
    panel.setPageStatus(3, 5);
    panel.syncTool(AnnotationOverlay::Pen);
    panel.resize(panel.sizeHint());
    QImage card(panel.size() + QSize(24, 24), QImage::Format_ARGB32_Premultiplied);
    card.fill(QColor(58, 64, 74));
    panel.render(&card, QPoint(12, 12));

    const bool ok = save(inked, dir + QStringLiteral("/annotation-ink.png")) &&
                    save(card, dir + QStringLiteral("/annotation-panel.png"));
    return ok ? 0 : 1;
}
