// One saved page: the slide as captured with the page's ink laid over it, the name of the folder a
// show's pictures go in, and the all-or-nothing write of one picture. When to save is the
// archive's business, on which thread the writer's.
#pragma once

#include "annotation/Ink.h"

#include <QImage>
#include <QRect>

class QDateTime;

namespace InkPicture
{

// Where a picture was taken: the show window and the overlay the strokes were drawn on, both in
// logical screen pixels.
struct Frame {
    QRect show;
    QRect overlay;
};

// The strokes replayed in order over the slide; the picture may be larger than the show in logical
// pixels (it is taken in physical ones).
QImage compose(const QImage &slide, const QList<Ink::Stroke> &strokes, const Frame &frame);
// A folder name for a show: no path or reserved characters, no leading or trailing dots and
// blanks, bounded length, and a name even for an empty title.
QString folderName(const QString &title, const QDateTime &start);
// A fresh folder below root for one show: name, or name (2), (3)... when it exists already, so
// that two shows never share (or follow a link planted as) a folder. Empty on failure.
QString makeFolder(const QString &root, const QString &name, QString *error);
// Replaces path with the picture only once it is complete; never writes through a link.
bool write(const QImage &picture, const QString &path, QString *error);

} // namespace InkPicture
