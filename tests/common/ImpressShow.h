// A real LibreOffice Impress slide show for end-to-end tests: a flat deck of coloured slides, a
// fresh quiet profile, one show. It leaves checking what the show does to the tests.
#pragma once

#include "platform/WindowLayer.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class ImpressShow
{
public:
    // One slide per colour, each filled with it from edge to edge.
    explicit ImpressShow(QStringList slideColors) : colors(std::move(slideColors)) {}
    ~ImpressShow() { stop(); }

    // Starts the show and waits until its window is listed and shows the first slide.
    bool start(int timeoutMs = 90000);
    // The full-screen show window ("Presenting: deck") and its process, once started.
    win::Handle showWindow() const { return show; }
    qint64 pid() const { return showPid; }
    QStringList slideColors() const { return colors; }
    // Ends LibreOffice; also done on destruction.
    void stop();

private:
    QStringList colors;
    QTemporaryDir dir;
    QProcess launcher;
    win::Handle show = nullptr;
    qint64 showPid = 0;
};
