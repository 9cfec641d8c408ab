// Slide commands as keys to the show; the page counted from them and corrected from automation.
#include "control/SlideController.h"

#include "control/SlideAutomation.h"

#include <algorithm>

namespace
{

constexpr int kRefreshIntervalMs = 1000;
constexpr int kNoServerRefreshMs = 5000; // while no server answers: each try costs calls out
constexpr int kEchoMs = 1000;            // a key sent comes back through the hook well within this
constexpr int kFirstRefreshMs = 400;     // lets a newly found show settle before it is read
constexpr int kAfterCommandMs = 350;     // lets the show act on a key before it is read

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
    positionRead = false;
    if (w) {
        // Without automation a refresh can only repeat the counted page.
        if (automationReady)
            refreshTimer.start(kRefreshIntervalMs);
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
    sentKeys.append({key, QDeadlineTimer(kEchoMs)});
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

void SlideController::followKey(win::Key key)
{
    for (auto it = sentKeys.begin(); it != sentKeys.end();) {
        if (it->expiry.hasExpired()) {
            it = sentKeys.erase(it);
        } else if (it->key == key) {
            sentKeys.erase(it);
            return;
        } else {
            ++it;
        }
    }
    switch (key) {
    case win::Key::Right:
    case win::Key::Down:
    case win::Key::PageDown:
    case win::Key::Space:
    case win::Key::Enter:
    case win::Key::N:
        follow(Move::Forward);
        break;
    case win::Key::Left:
    case win::Key::Up:
    case win::Key::PageUp:
    case win::Key::Backspace:
    case win::Key::P:
        follow(Move::Back);
        break;
    case win::Key::Home:
        follow(Move::First);
        break;
    case win::Key::Escape:
        break;
    }
}

void SlideController::followClick()
{
    follow(Move::Forward);
}

void SlideController::follow(Move move)
{
    if (!targetWindow || win::foregroundWindow() != targetWindow)
        return;
    if (positionRead) {
        QTimer::singleShot(kAfterCommandMs, this, &SlideController::refreshInfo);
    } else if (move == Move::First) {
        current = 1;
        publish();
    } else {
        bump(move == Move::Forward ? 1 : -1);
    }
}

void SlideController::refreshInfo()
{
    if (automationReady) {
        const SlideAutomation::Reading r =
            SlideAutomation::source().readRunningShow(SlideAutomation::progIds());
        positionRead = r.position.has_value();
        const int interval = r.position || r.slides ? kRefreshIntervalMs : kNoServerRefreshMs;
        if (refreshTimer.isActive() && refreshTimer.interval() != interval)
            refreshTimer.setInterval(interval);
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
