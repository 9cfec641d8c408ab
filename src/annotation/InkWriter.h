// The background writer of page pictures: one thread that composes and writes them in the order
// posted, so that the GUI thread only hands over the capture and the strokes. Which pages to save
// and what to tell the user is the archive's business.
#pragma once

#include "annotation/InkPicture.h"

#include <QObject>

#include <memory>

class InkWriter : public QObject
{
    Q_OBJECT

public:
    struct Job {
        quint64 show = 0; // pictures of one show share a folder
        int page = 0;
        QImage slide;
        InkPicture::Frame frame;
        QList<Ink::Stroke> strokes;
        QString root;       // where the show's folder is made
        QString folderName; // wished; a number is added when it is taken
    };

    explicit InkWriter(QObject *parent = nullptr);
    // Waits a little for writes still pending, then leaves them to finish without a receiver.
    ~InkWriter() override;

    void post(Job job);
    // Whether every posted job was done within the time.
    bool waitForIdle(int ms);

signals:
    // On the GUI thread, once per job: the show's folder (empty when it could not be made) and
    // why the picture was not written (empty when it was).
    void written(quint64 show, int page, const QString &folder, const QString &error);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};
