// The strokes of every page, oldest first, with the cap per page. Knows nothing of pixels beyond
// a slot per stroke where the canvas keeps what it learnt from drawing it, which a stroke taken
// back must no longer hide.
#pragma once

#include "annotation/Ink.h"

#include <QHash>

#include <memory>
#include <optional>

class StrokeCoverage;

class StrokeStore
{
public:
    static constexpr int kMaxStrokesPerPage = 400;

    struct Entry {
        Ink::Stroke stroke;
        // Filled and replaced by the canvas; shared so that copies of a page stay cheap.
        mutable std::shared_ptr<const StrokeCoverage> coverage;
        // Names the stroke in what it hides of earlier strokes' coverage. Ids come round again
        // after StrokeCoverage::kIds strokes; an undo then shows more than it must, never less.
        quint16 id = 0;
    };

    int count(int page) const;
    const QList<Entry> &page(int page) const;
    QList<Ink::Stroke> strokes(int page) const;
    // Stores the stroke on its page; returns the strokes the cap pushed out, oldest first.
    QList<Ink::Stroke> append(const Ink::Stroke &stroke);
    std::optional<Ink::Stroke> takeLast(int page);
    void clearPage(int page) { pages_.remove(page); }
    void clear() { pages_.clear(); }
    // Lets go of what the canvas kept for every page but these.
    void dropCoverageExcept(const QList<int> &keep);

private:
    QHash<int, QList<Entry>> pages_;
    quint16 lastId_ = 0;
};
