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
// How often the screen is looked at while waiting for it to settle, and when to stop waiting
// for a show that does not change.
constexpr int kPollMs = 40;
constexpr int kGiveUpMs = 600;

// Pixels fainter than this are left out of the shape: without composition they would show as
// dark fringes instead of blending.
constexpr int kShapeAlpha = 64;

} // namespace

ShapedBackdrop::ShapedBackdrop(QWidget *window, const InkCanvas &canvas)
    : QObject(window), window_(window), canvas_(canvas)
{
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &ShapedBackdrop::poll);
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
            schedule(false);
        return;
    }
    wanted_ = false;
    poll_.stop();
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
    if (!wanted_)
        return;
    wanted_ = false;
    if (!win::needsShapedWindows() || !active_ || !drawing_)
        return;
    schedule(true);
}

void ShapedBackdrop::schedule(bool expectChange)
{
    // Drawing needs the whole area, which would hide the show: paint a picture of the screen
    // under the ink instead. Our own ink must be gone from the screen, and the window under it
    // repainted, before the picture is taken; a show turning its slide repaints when it gets
    // to it, so the screen is watched until it has changed and settled.
    wanted_ = true;
    // Hidden only just now, the ink may still be on the screen.
    settleMs_ = window_->isVisible() || poll_.isActive() ? kRepaintSettleMs : 0;
    window_->hide();
    expectChange_ = expectChange && !backdrop_.isNull();
    before_ = expectChange_ ? backdrop_.toImage() : QImage();
    last_ = QImage();
    since_.start();
    poll_.start();
}

void ShapedBackdrop::poll()
{
    if (!wanted_ || !active_ || !drawing_) {
        poll_.stop();
        return;
    }
    const qint64 elapsed = since_.elapsed();
    if (elapsed < settleMs_)
        return;
    QScreen *s = window_->screen();
    if (!s) {
        showOverBackdrop(QImage());
        return;
    }
    const QImage now =
        s->grabWindow(0, window_->x() - s->geometry().x(), window_->y() - s->geometry().y(),
                      window_->width(), window_->height())
            .toImage();
    const bool settled = now == last_ && (!expectChange_ || now != before_);
    if (settled || elapsed >= kGiveUpMs)
        showOverBackdrop(now);
    else
        last_ = now;
}

void ShapedBackdrop::showOverBackdrop(const QImage &picture)
{
    poll_.stop();
    before_ = last_ = QImage();
    backdrop_ = QPixmap::fromImage(picture);
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
