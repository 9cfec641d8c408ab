// Where nothing composites windows: the ink window shaped to its ink, or over a picture of the
// screen while drawing.
#include "annotation/ShapedBackdrop.h"

#include "annotation/InkCanvas.h"
#include "platform/WindowLayer.h"

#include <QBitmap>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace
{

// How long the window under the overlay gets to repaint after the ink has gone from the screen.
constexpr int kRepaintSettleMs = 150;

// Pixels fainter than this are left out of the shape: without composition they would show as
// dark fringes instead of blending.
constexpr int kShapeAlpha = 64;

} // namespace

ShapedBackdrop::ShapedBackdrop(QWidget *window, const InkCanvas &canvas)
    : QObject(window), window_(window), canvas_(canvas)
{
}

void ShapedBackdrop::sync(bool active, bool drawing)
{
    active_ = active;
    drawing_ = drawing;
    if (!win::needsShapedWindows() || busy_)
        return;
    const QScopedValueRollback<bool> guard(busy_, true);
    if (!active) {
        wanted_ = false;
        return;
    }
    if (drawing) {
        if (!wanted_)
            schedule();
        return;
    }
    wanted_ = false;
    backdrop_ = QPixmap();
    // A translucent window would hide what lies under it: show only the ink, and nothing at all
    // when there is none (an empty mask would mean no mask).
    const QRegion ink = inkRegion();
    if (ink.isEmpty()) {
        window_->hide();
        return;
    }
    window_->setMask(ink);
    if (!window_->isVisible())
        showRaised();
}

void ShapedBackdrop::retake()
{
    wanted_ = false;
    sync(active_, drawing_);
}

void ShapedBackdrop::schedule()
{
    // Drawing needs the whole area, which would hide the show: paint a picture of the screen
    // under the ink instead. Our own ink must be gone from the screen, and the window under it
    // repainted, before the picture is taken.
    wanted_ = true;
    const bool inkShown = window_->isVisible();
    window_->hide();
    const int generation = ++generation_;
    QTimer::singleShot(inkShown ? kRepaintSettleMs : 0, this, [this, generation] {
        if (generation == generation_)
            showOverBackdrop();
    });
}

void ShapedBackdrop::showOverBackdrop()
{
    if (!wanted_ || !active_ || !drawing_)
        return;
    if (QScreen *s = window_->screen())
        backdrop_ =
            s->grabWindow(0, window_->x() - s->geometry().x(), window_->y() - s->geometry().y(),
                          window_->width(), window_->height());
    window_->clearMask();
    showRaised();
    window_->update();
}

void ShapedBackdrop::showRaised()
{
    window_->show();
    win::raiseAbove(win::fromWinId(window_->winId()), nullptr);
    emit raised();
}

QRegion ShapedBackdrop::inkRegion() const
{
    if (canvas_.isNull())
        return {};
    const QImage &buffer = canvas_.image();
    const QImage image =
        qFuzzyCompare(canvas_.ratio(), 1.0)
            ? buffer
            : buffer.scaled(window_->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage bits(image.size(), QImage::Format_MonoLSB);
    bits.setColorCount(2);
    bits.setColor(0, qRgb(255, 255, 255));
    bits.setColor(1, qRgb(0, 0, 0));
    bits.fill(0);
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) >= kShapeAlpha)
                bits.setPixel(x, y, 1);
        }
    }
    return QRegion(QBitmap::fromImage(bits));
}
