// Idle timer, fade animation and the spreading of the fade through a window.
#include "controls/IdleFade.h"

#include <QEvent>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

void Fadable::spread(QWidget *root, double fade)
{
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (auto *fadable = dynamic_cast<Fadable *>(w))
            fadable->setFade(fade);
    }
}

bool Fadable::storeFade(double fade)
{
    if (qFuzzyCompare(fade, m_fade))
        return false;
    m_fade = fade;
    return true;
}

IdleFade::IdleFade(QWidget *owner)
    : QObject(owner), m_owner(owner), m_idle(new QTimer(this)),
      m_animation(new QVariantAnimation(this))
{
    m_idle->setSingleShot(true);
    m_idle->setInterval(kIdleMs);
    connect(m_idle, &QTimer::timeout, this, [this] { fadeTo(kIdleOpacity); });
    m_animation->setDuration(kFadeMs);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_fade = value.toDouble();
        Fadable::spread(m_owner, m_fade);
        emit changed(m_fade);
    });
    owner->installEventFilter(this);
}

bool IdleFade::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::Enter)
        resetIdle();
    else if (event->type() == QEvent::Leave)
        restartIdle();
    return false;
}

void IdleFade::fadeTo(double x)
{
    if (qFuzzyCompare(x, m_target))
        return;
    m_target = x;
    m_animation->stop();
    m_animation->setStartValue(m_fade);
    m_animation->setEndValue(x);
    m_animation->start();
}

void IdleFade::restartIdle()
{
    m_idle->start();
}

void IdleFade::resetIdle()
{
    fadeTo(1.0);
    restartIdle();
}
