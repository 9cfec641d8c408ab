// Drives the followed slide show with keys and keeps its current and total slide numbers.
#pragma once

#include "platform/WindowLayer.h"

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

    QString pageText() const;

signals:
    void infoChanged(int current, int total);
    void targetChanged();

public slots:
    void refreshInfo();

private:
    void step(win::Key key, int page);
    void publish();

    win::Handle targetWindow = nullptr;
    int current = 0;
    int total = 0;
    QTimer refreshTimer;
    bool automationReady = false;
};
