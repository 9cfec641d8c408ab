// Slide commands as keys to the show; the page counted from them and corrected from automation.
#include "control/SlideController.h"

#include "control/SlideAutomation.h"

#include <algorithm>

namespace
{

constexpr int kRefreshIntervalMs = 1000;
constexpr int kFirstRefreshMs = 400; // lets a newly found show settle before it is read
constexpr int kAfterCommandMs = 350; // lets the show act on a key before it is read

} // namespace

SlideController::SlideController(QObject *parent)
    : QObject(parent), refreshTimer(this),
      automationReady(SlideAutomation::source().initialiseThread())
{
    refreshTimer.setInterval(kRefreshIntervalMs);
    connect(&refreshTimer, &QTimer::timeout, this, &SlideController::refreshInfo);
}

void SlideController::setTarget(win::Handle w)
{
    if (w == targetWindow)
        return;
    targetWindow = w;
    if (w) {
        refreshTimer.start();
        QTimer::singleShot(kFirstRefreshMs, this, &SlideController::refreshInfo);
    } else {
        refreshTimer.stop();
        current = total = 0;
        publish();
    }
    emit targetChanged();
}

// Moves the indicator at once, then tells the show; a refresh confirms the page shortly after.
void SlideController::step(win::Key key, int page)
{
    current = page;
    publish();
    win::injectKeyTo(targetWindow, key);
    QTimer::singleShot(kAfterCommandMs, this, &SlideController::refreshInfo);
}

void SlideController::nextSlide()
{
    if (!targetWindow)
        return;
    int n = std::max(current, 1) + 1;
    if (total > 0)
        n = std::min(n, total);
    step(win::Key::Right, n);
}

void SlideController::prevSlide()
{
    if (!targetWindow)
        return;
    int p = std::max(current, 1) - 1;
    if (total > 0)
        p = std::min(p, total);
    step(win::Key::Left, std::max(p, 1));
}

void SlideController::endShow()
{
    if (!targetWindow)
        return;
    win::injectKeyTo(targetWindow, win::Key::Escape);
    current = total = 0;
    publish();
}

void SlideController::minimizeShow()
{
    if (targetWindow)
        win::minimizeWindow(targetWindow);
}

void SlideController::bump(int delta)
{
    int c = std::max(current, 1) + delta;
    if (total > 0)
        c = std::min(c, total);
    current = std::max(c, 1);
    publish();
}

void SlideController::refreshInfo()
{
    if (automationReady) {
        const SlideAutomation::Reading r =
            SlideAutomation::source().readRunningShow(SlideAutomation::progIds());
        if (r.position || r.slides) {
            current = r.position.value_or(current);
            total = r.slides.value_or(total);
            publish();
            return;
        }
    }
    current = std::max(current, 1);
    publish();
}

QString SlideController::pageText() const
{
    if (!targetWindow)
        return QStringLiteral("\u2014/\u2014");
    if (current < 1)
        return QStringLiteral("?/?");
    return QStringLiteral("%1/%2").arg(current).arg(total > 0 ? QString::number(total)
                                                              : QStringLiteral("?"));
}

void SlideController::publish()
{
    emit infoChanged(current, total);
}
