// When pages are captured and saved, and what the user is told about it.
#include "annotation/InkArchive.h"

#include "platform/SettingsFile.h"

#include <QDir>
#include <QStandardPaths>

namespace
{

const QString kCfgSection = QStringLiteral("[Annotation]");
const QString kSaveKey = QStringLiteral("saveInk");

bool sameInk(const QList<Ink::Stroke> &a, const QList<Ink::Stroke> &b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(),
                      [](const Ink::Stroke &x, const Ink::Stroke &y) {
                          return x.tool == y.tool && x.color == y.color && x.width == y.width &&
                                 x.points == y.points;
                      });
}

// Empty when the system names no absolute pictures location.
QString picturesRoot()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (base.isEmpty() || QDir::isRelativePath(base))
        return {};
    return QDir(base).filePath(QStringLiteral("Podivex"));
}

} // namespace

InkArchive::InkArchive(StrokesOf strokesOf, QObject *parent)
    : QObject(parent), strokesOf_(std::move(strokesOf))
{
    connect(&writer_, &InkWriter::written, this, &InkArchive::onWritten);
}

bool InkArchive::enabled()
{
    return SettingsFile::value(kCfgSection, kSaveKey) != QLatin1String("off");
}

bool InkArchive::setEnabled(bool on, QString *error)
{
    return SettingsFile::setValue(kCfgSection, kSaveKey, QLatin1String(on ? "on" : "off"), error);
}

void InkArchive::beginShow(win::Handle show, const QRect &overlay)
{
    endShow();
    show_ = show;
    ++showId_;
    title_ = win::windowTitle(show);
    start_ = QDateTime::currentDateTime();
    overlay_ = overlay;
    page_ = 0;
    capturedThisVisit_ = false;
    blankTold_ = false;
    tallies_.insert(showId_, Tally());
}

void InkArchive::pageShown(int page)
{
    if (page == page_)
        return;
    leave(page_);
    page_ = page;
    capturedThisVisit_ = false;
}

void InkArchive::inkEdited(int page)
{
    // The page is surely showing while its ink is edited; a clicker may already have moved the
    // show when its key is heard, so the picture cannot wait for the page to be left. Later edits
    // of the visit see the same slide.
    if (!show_ || page != page_ || capturedThisVisit_ || !enabled())
        return;
    const QImage slide = win::captureWindow(show_);
    if (slide.isNull())
        return;
    capturedThisVisit_ = true;
    captures_.insert(page, {slide, {win::windowRect(show_), overlay_}});
}

void InkArchive::endShow()
{
    if (!show_)
        return;
    leave(page_);
    show_ = nullptr;
    captures_.clear();
    saved_.clear();
    tallies_[showId_].ended = true;
    summarise(showId_);
}

void InkArchive::leave(int page)
{
    if (!show_ || page < 1)
        return;
    const QList<Ink::Stroke> strokes = strokesOf_(page);
    if (strokes.isEmpty() || sameInk(strokes, saved_.value(page)) || !enabled())
        return;
    const auto capture = captures_.constFind(page);
    if (capture == captures_.cend()) {
        // Ink on nothing is no picture of the slide.
        if (!blankTold_)
            emit message(QStringLiteral("未能截取放映画面，批注页面未保存"), {});
        blankTold_ = true;
        return;
    }
    const QString root = picturesRoot();
    if (root.isEmpty()) {
        onWritten(showId_, page, {}, QStringLiteral("系统未提供图片文件夹"));
        return;
    }
    saved_.insert(page, strokes);
    ++tallies_[showId_].pending;
    writer_.post({showId_, page, capture->slide, capture->frame, strokes, root,
                  InkPicture::folderName(title_, start_)});
}

void InkArchive::onWritten(quint64 show, int page, const QString &folder, const QString &error)
{
    const auto tally = tallies_.find(show);
    if (tally == tallies_.end())
        return;
    if (!folder.isEmpty())
        tally->folder = folder;
    if (error.isEmpty()) {
        tally->pages.insert(page);
        // A page's picture is kept only until it reaches the disk (a slide at 4K is 33 MB); the
        // next edit takes a new one.
        if (show == showId_ && page != page_)
            captures_.remove(page);
    } else {
        // Leaving the page again tries again, without a second message.
        if (show == showId_)
            saved_.remove(page);
        if (!tally->failureTold)
            emit message(QStringLiteral("批注页面未能保存：%1").arg(error), {});
        tally->failureTold = true;
    }
    tally->pending = std::max(0, tally->pending - 1);
    summarise(show);
}

void InkArchive::summarise(quint64 show)
{
    const auto tally = tallies_.constFind(show);
    if (tally == tallies_.cend() || !tally->ended || tally->pending > 0)
        return;
    if (!tally->pages.isEmpty())
        emit message(QStringLiteral("已保存 %1 页批注\n%2")
                         .arg(tally->pages.size())
                         .arg(QDir::toNativeSeparators(tally->folder)),
                     tally->folder);
    tallies_.erase(tally);
}
