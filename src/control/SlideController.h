// Drives the followed slide show with keys and keeps its current and total slide numbers.
#pragma once

#include "platform/WindowLayer.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QTimer>

class SlideController : public QObject
{
    Q_OBJECT

public:
    explicit SlideController(QObject *parent = nullptr);

    void setTarget(win::Handle w);
    win::Handle target() const { return targetWindow; }

    void nextSlide();
    void prevSlide();
    void endShow();
    void minimizeShow();
    void bump(int delta);
    // Moves of the show that came from elsewhere while it is in front: a key from a keyboard or
    // a clicker (the keys this controller sent come back once and are skipped), or a click on it.
    // Where automation reports the position it is read again instead.
    void followKey(win::Key key);
    void followClick();

    QString pageText() const;

signals:
    void infoChanged(int current, int total);
    void targetChanged();

public slots:
    void refreshInfo();

private:
    enum class Move { Forward, Back, First };
    struct SentKey {
        win::Key key;
        QDeadlineTimer expiry;
    };

    void step(win::Key key, int page);
    void follow(Move move);
    void publish();

    win::Handle targetWindow = nullptr;
    int current = 0;
    int total = 0;
    QTimer refreshTimer;
    bool automationReady = false;
    bool positionRead = false; // the last automation read reported the position
    QList<SentKey> sentKeys;   // sent and not yet seen coming back
};
