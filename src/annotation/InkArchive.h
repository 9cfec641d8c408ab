// Keeps the ink: decides when a show's page is captured (at the first ink edit of each visit,
// while the page is surely showing) and when its picture is saved (on leaving a page whose ink
// changed since its last save, and when the show ends), and tells what came of it. Composing and
// writing are the writer's, showing messages the caller's.
#pragma once

#include "annotation/InkPicture.h"
#include "annotation/InkWriter.h"
#include "platform/WindowLayer.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>

class InkArchive : public QObject
{
    Q_OBJECT

public:
    using StrokesOf = std::function<QList<Ink::Stroke>(int page)>;

    explicit InkArchive(StrokesOf strokesOf, QObject *parent = nullptr);

    // The switch, kept in the settings file; on unless switched off.
    static bool enabled();
    static bool setEnabled(bool on, QString *error = nullptr);

    // A show is followed from now on; overlay is where its strokes are drawn (logical pixels).
    void beginShow(win::Handle show, const QRect &overlay);
    void pageShown(int page);
    void inkEdited(int page);
    // Saves the page shown if needed; the summary follows once its writes are done.
    void endShow();
    // Waits (bounded) for every write posted so far.
    bool waitForWrites(int ms) { return writer_.waitForIdle(ms); }

signals:
    // Something to tell the user; folder, when not empty, is where a click should lead.
    void message(const QString &text, const QString &folder);

private:
    struct Capture {
        QImage slide;
        InkPicture::Frame frame;
    };
    struct Tally {
        int pending = 0;
        QSet<int> pages;
        QString folder;
        bool ended = false;
        bool failureTold = false;
    };

    void leave(int page);
    void onWritten(quint64 show, int page, const QString &folder, const QString &error);
    void summarise(quint64 show);

    StrokesOf strokesOf_;
    InkWriter writer_;
    win::Handle show_ = nullptr;
    quint64 showId_ = 0;
    QString title_;
    QDateTime start_;
    QRect overlay_;
    int page_ = 0;
    bool capturedThisVisit_ = false;
    bool blankTold_ = false;
    QHash<int, Capture> captures_;
    QHash<int, QList<Ink::Stroke>> saved_;
    QHash<quint64, Tally> tallies_;
};
