// A real LibreOffice Impress slide show for end-to-end tests: a small deck, a fresh profile, one
// show.
#pragma once

#include "platform/WindowLayer.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class ImpressShow
{
public:
    // One slide per colour, each filled with it from edge to edge.
    explicit ImpressShow(QStringList slideColors = {"#d02020", "#20a020", "#2040d0"});
    ~ImpressShow();
    ImpressShow(const ImpressShow &) = delete;
    ImpressShow &operator=(const ImpressShow &) = delete;

    // Starts the show and waits until its window is listed and shows the first slide.
    bool start(int timeoutMs = 90000);
    // The full-screen show window ("Presenting: deck"), null before start.
    win::Handle showWindow() const { return show; }
    // The process that owns the show window (soffice.bin), 0 before start.
    qint64 pid() const { return showPid; }
    QStringList slideColors() const { return colors; }
    // The screen's colour at a point, and in its middle, as the show paints them.
    static QColor screenColour(const QPoint &at);
    static QColor centreColor();
    // Ends LibreOffice; also done on destruction.
    void stop();

private:
    bool writeDeck() const;
    bool writeProfile() const;
    bool findShow();

    QStringList colors;
    QTemporaryDir dir;
    QProcess launcher;
    win::Handle show = nullptr;
    qint64 showPid = 0;
};
