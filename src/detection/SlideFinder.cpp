// Scoring rules, the pick of the followed window, and the one-line description of a result.
#include "detection/SlideFinder.h"

#include <QStringList>

#include <algorithm>

namespace SlideFinder
{
namespace
{

const QStringList kProcesses = {"POWERPNT.EXE", "PPTVIEW.EXE", "WPP.EXE",        "WPS.EXE",
                                "ET.EXE",       "SOFFICE.BIN", "SIMPPRESENT.EXE"};
const QStringList kClasses = {"screenClass",          "PPTFrameClass",   "WppSlideShow",
                              "WPSPresentationSlide", "SlideShowWindow", "CWppSlideShow",
                              "PPT9SlideShow"};
const QStringList kSlideShowTitles = {QStringLiteral("WPS Presentation Slide Show"),
                                      QStringLiteral("幻灯片放映"),
                                      QStringLiteral("Slide Show"),
                                      QStringLiteral("幻灯片放映中"),
                                      QStringLiteral("放映中"),
                                      QStringLiteral("演示放映")};
const QStringList kWeakTitles = {QStringLiteral("PowerPoint"), QStringLiteral("WPS"),
                                 QStringLiteral("演示"), QStringLiteral("Present"),
                                 QStringLiteral("プレゼン")};
// The last entry keeps a maximised Impress editor, which otherwise covers its screen like a show,
// from being followed when a show ends.
const QStringList kEditorTitles = {
    QStringLiteral("- PowerPoint"),         QStringLiteral("WPS Office"),
    QStringLiteral("- WPS 演示"),           QStringLiteral("- WPS演示"),
    QStringLiteral("- WPS Presentation"),   QStringLiteral("- WPS演示文稿"),
    QStringLiteral("- LibreOffice Impress")};
const QStringList kEditorFallbackProcesses = {"POWERPNT.EXE", "WPP.EXE", "WPS.EXE", "ET.EXE",
                                              "SIMPPRESENT.EXE"};

bool contains(const QString &field, const QString &entry)
{
    return field.indexOf(entry, 0, Qt::CaseInsensitive) != -1;
}

// The first table entry the field contains, or a null string.
QString firstMatch(const QString &field, const QStringList &table)
{
    for (const QString &entry : table) {
        if (contains(field, entry))
            return entry;
    }
    return QString();
}

bool validRect(const QRect &r)
{
    return r.left() <= r.right() && r.top() <= r.bottom();
}

Result rejected(const win::WindowInfo &w, const QString &why)
{
    return Result{w.handle, 0, w.title, w.className, w.processName, why};
}

Result evaluate(const win::WindowInfo &w, win::Handle foreground)
{
    QStringList hits;
    bool signatureHit = false;
    bool strongClass = false;
    const bool hasCaption = w.flags.testFlag(win::WindowFlag::Caption);

    int score = 10;
    if (!firstMatch(w.processName, kProcesses).isNull()) {
        score = 50;
        hits << QStringLiteral("进程=%1").arg(w.processName);
        signatureHit = true;
    }
    if (!firstMatch(w.className, kClasses).isNull()) {
        strongClass = !contains(w.className, QStringLiteral("PPTFrameClass"));
        score += strongClass ? 60 : 15;
        hits << QStringLiteral("类名=%1").arg(w.className);
        signatureHit = true;
    }
    const QString strongTitle = firstMatch(w.title, kSlideShowTitles);
    if (!strongTitle.isNull()) {
        score += 80;
        hits << QStringLiteral("标题强签名『%1』").arg(strongTitle);
    } else {
        const QString editorTitle = firstMatch(w.title, kEditorTitles);
        if (!editorTitle.isNull())
            return rejected(w, QStringLiteral("编辑态窗口『%1』，非放映窗口").arg(editorTitle));
        if (hasCaption && !strongClass &&
            !firstMatch(w.processName, kEditorFallbackProcesses).isNull())
            return rejected(
                w, QStringLiteral("编辑态窗口（进程=%1，有标题栏且无放映签名），非放映窗口")
                       .arg(w.processName));
        if (!firstMatch(w.title, kWeakTitles).isNull()) {
            score += 12;
            hits << QStringLiteral("标题弱匹配");
        }
        if (!signatureHit)
            return rejected(w, QStringLiteral("与演示软件无关（未命中进程/类名/标题签名）"));
    }

    const QRect m = win::monitorRectPhysical(w.handle);
    if (validRect(m) && validRect(w.rect)) {
        const qint64 windowArea =
            qint64(w.rect.right() - w.rect.left() + 1) * (w.rect.bottom() - w.rect.top() + 1);
        qint64 monitorArea = qint64(m.right() - m.left() + 1) * (m.bottom() - m.top() + 1);
        if (monitorArea <= 0)
            monitorArea = 1;
        const double ratio = double(windowArea) / double(monitorArea);
        if (ratio >= 0.85) {
            score += 30;
            hits << QStringLiteral("全屏%1%").arg(qint64(ratio * 100.0 + 0.5));
        }
    }
    if (!hasCaption) {
        score += 15;
        hits << QStringLiteral("无标题栏");
    }
    if (w.flags.testFlag(win::WindowFlag::TopMost)) {
        score += 10;
        hits << QStringLiteral("TopMost");
    }
    if (w.handle == foreground) {
        score += 20;
        hits << QStringLiteral("前台");
    }
    return Result{w.handle,    score,         w.title,
                  w.className, w.processName, hits.join(QStringLiteral(", "))};
}

bool better(const Result &a, const Result &b)
{
    return a.score > b.score;
}

// Scores every window that is neither excluded nor minimised, in enumeration order.
template <typename Visit> void walk(const QSet<win::Handle> &excluded, Visit visit)
{
    const QList<win::WindowInfo> list = win::enumTopLevelWindows();
    const win::Handle fg = win::foregroundWindow();
    for (const win::WindowInfo &w : list) {
        if (excluded.contains(w.handle) || w.minimized)
            continue;
        visit(w, evaluate(w, fg), fg);
    }
}

} // namespace

Result find(const QSet<win::Handle> &excluded)
{
    Result best;
    Result fgResult;
    walk(excluded, [&](const win::WindowInfo &w, const Result &r, win::Handle fg) {
        if (r.score > best.score)
            best = r;
        if (w.handle == fg)
            fgResult = r;
    });
    if (fgResult.handle && fgResult.score >= kThreshold)
        return fgResult;
    if (best.score >= kThreshold)
        return best;
    return Result();
}

QList<Result> probeAll(const QSet<win::Handle> &excluded, int limit)
{
    QList<Result> list;
    walk(excluded, [&](const win::WindowInfo &, const Result &r, win::Handle) { list.append(r); });
    std::stable_sort(list.begin(), list.end(), better);
    if (limit >= 0 && limit < list.size())
        list.resize(limit);
    return list;
}

QString describe(const Result &r)
{
    if (!r.handle)
        return QStringLiteral("未检测到放映窗口");
    const QString process = r.processName.isEmpty() ? QStringLiteral("?") : r.processName;
    const QString title = r.title.isEmpty() ? QStringLiteral("(无标题)") : r.title;
    const QString cls = r.className.isEmpty() ? QStringLiteral("?") : r.className;
    // One pass for all four: a second pass would replace a "%1" that the title itself holds.
    return QStringLiteral("[%1] %2 （%3） 评分=%4")
        .arg(process, title, cls, QString::number(r.score));
}

bool stillValid(win::Handle window)
{
    return win::isWindowValid(window) && !win::isMinimized(window);
}

} // namespace SlideFinder
