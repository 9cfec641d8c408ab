// The idle fade of the bars: full opacity on activity, a faint 0.32 after five idle seconds.
#pragma once

#include <QObject>

class QTimer;
class QVariantAnimation;

class IdleFade : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIdleMs = 5000;
    static constexpr int kFadeMs = 260;
    static constexpr double kIdleOpacity = 0.32;

    // Also watches the parent: the pointer entering it is activity, leaving it starts the idle
    // period.
    explicit IdleFade(QObject *parent);

    double fade() const { return m_fade; }
    double target() const { return m_target; }
    QTimer *idleTimer() const { return m_idle; }

    // Animates from the current fade to x, unless x already is the target.
    void fadeTo(double x);
    // Starts the idle period afresh.
    void restartIdle();
    // Activity: full opacity and a fresh idle period.
    void resetIdle();

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void changed(double fade);

private:
    QTimer *m_idle;
    QVariantAnimation *m_animation;
    double m_fade = 1.0;
    double m_target = 1.0;
};
