// The idle fade of the floating controls: full opacity on activity, a faint 0.32 after five idle
// seconds, spread to every fading widget of the window. Leaves out what counts as activity beyond
// the pointer entering, which the owners report through resetIdle().
#pragma once

#include <QObject>

class QTimer;
class QVariantAnimation;
class QWidget;

// A widget painted at an opacity it is given.
class Fadable
{
public:
    virtual ~Fadable() = default;
    virtual void setFade(double fade) = 0;
    double fade() const { return m_fade; }

    // Gives the fade to every fading widget below root.
    static void spread(QWidget *root, double fade);

protected:
    // Stores fade; false when it equals the stored one, so nothing needs repainting.
    bool storeFade(double fade);

private:
    double m_fade = 1.0;
};

class IdleFade : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIdleMs = 5000;
    static constexpr int kFadeMs = 260;
    static constexpr double kIdleOpacity = 0.32;

    // Fades the owner's fading widgets; the pointer entering the owner is activity, leaving it
    // starts the idle period.
    explicit IdleFade(QWidget *owner);

    double fade() const { return m_fade; }

    // Animates from the current fade to x, unless x already is the target.
    void fadeTo(double x);
    // Starts the idle period afresh.
    void restartIdle();
    // Activity: full opacity and a fresh idle period.
    void resetIdle();

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // After the owner's fading widgets have the new fade.
    void changed(double fade);

private:
    QWidget *m_owner;
    QTimer *m_idle;
    QVariantAnimation *m_animation;
    double m_fade = 1.0;
    double m_target = 1.0;
};
