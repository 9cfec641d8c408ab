// The strokes of every page, oldest first, with the cap per page.
#include "annotation/StrokeStore.h"

#include "annotation/StrokeCoverage.h"
#include "annotation/StrokePainter.h"

int StrokeStore::count(int page) const
{
    return int(this->page(page).size());
}

const QList<StrokeStore::Entry> &StrokeStore::page(int page) const
{
    static const QList<Entry> none;
    const auto it = pages_.constFind(page);
    return it == pages_.cend() ? none : *it;
}

QList<Ink::Stroke> StrokeStore::strokes(int page) const
{
    QList<Ink::Stroke> list;
    for (const Entry &entry : this->page(page))
        list.append(entry.stroke);
    return list;
}

QList<Ink::Stroke> StrokeStore::append(const Ink::Stroke &stroke)
{
    QList<Entry> &list = pages_[stroke.page];
    lastId_ = lastId_ % StrokeCoverage::kIds + 1; // 0 names no stroke
    list.append(Entry{stroke, {}, lastId_});
    QList<Ink::Stroke> pushedOut;
    while (list.size() > kMaxStrokesPerPage)
        pushedOut.append(list.takeFirst().stroke);
    return pushedOut;
}

std::optional<Ink::Stroke> StrokeStore::takeLast(int page)
{
    const auto it = pages_.find(page);
    if (it == pages_.end() || it->isEmpty())
        return std::nullopt;
    const Entry last = it->takeLast();
    const QRectF reach = StrokePainter::reach(last.stroke);
    for (const Entry &entry : *it) {
        if (entry.coverage)
            entry.coverage->reveal(last.id, reach);
    }
    return last.stroke;
}

void StrokeStore::dropCoverageExcept(const QList<int> &keep)
{
    for (auto it = pages_.begin(); it != pages_.end(); ++it) {
        if (keep.contains(it.key()))
            continue;
        for (const Entry &entry : *it)
            entry.coverage.reset();
    }
}
