// Vector shapes of every pictogram, in fractions of the box so that they scale to any size.
#include "controls/IconPainter.h"

#include <QColor>
#include <QPainter>
#include <QPolygonF>
#include <QRectF>

#include <initializer_list>
#include <iterator>

namespace
{

// Maps box fractions to painter coordinates.
struct Frame {
    QRectF box;

    QPointF pt(qreal a, qreal b) const
    {
        return {box.x() + a * box.width(), box.y() + b * box.height()};
    }
    QRectF rect(qreal a, qreal b, qreal c, qreal d) const
    {
        return {pt(a, b), QSizeF(c * box.width(), d * box.height())};
    }
    QPolygonF poly(std::initializer_list<QPointF> fractions) const
    {
        QPolygonF out;
        for (const QPointF &f : fractions)
            out << pt(f.x(), f.y());
        return out;
    }
};

void roundRect(QPainter &p, const QRectF &r, qreal rx, qreal ry)
{
    p.drawRoundedRect(r, rx, ry, Qt::AbsoluteSize);
}

// A rounded rectangle in box fractions with radii given as fractions of width and height.
void boxRoundRect(QPainter &p, const Frame &f, QRectF r, qreal ex, qreal ey)
{
    roundRect(p, f.rect(r.x(), r.y(), r.width(), r.height()), ex * f.box.width(),
              ey * f.box.height());
}

void fillPoly(QPainter &p, const QPolygonF &poly)
{
    p.drawPolygon(poly, Qt::OddEvenFill);
}

void strokeMode(QPainter &p, const QColor &color, qreal width)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void fillMode(QPainter &p, const QColor &color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
}

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

// Origin at the box centre, turned so that a tool's tip points to the lower left.
void enterRotatedFrame(QPainter &p, const QRectF &box)
{
    p.translate(box.x() + box.width() / 2, box.y() + box.height() / 2);
    p.rotate(-45);
}

// Body, tip and end cap of a pen-like tool of length l and thickness t, in the rotated frame.
void writingTool(QPainter &p, qreal w, qreal l, qreal t)
{
    const qreal mid = 0.06 * w;
    roundRect(p, QRectF(-l / 2, mid - t / 2, l, t), 0.42 * t, 0.42 * t);
    fillPoly(p, QPolygonF{QPointF(-l / 2, mid - t / 2), QPointF(-l / 2, mid + t / 2),
                          QPointF(-l / 2 - 0.16 * w, mid)});
    roundRect(p, QRectF(l / 2 - 0.12 * w, mid - 0.62 * t, 0.12 * w, 1.24 * t), 0.3 * t, 0.3 * t);
}

void pen(QPainter &p, const Frame &f, const QColor &)
{
    enterRotatedFrame(p, f.box);
    const qreal w = f.box.width();
    writingTool(p, w, 0.56 * w, 0.17 * w);
}

void highlighter(QPainter &p, const Frame &f, const QColor &color)
{
    enterRotatedFrame(p, f.box);
    const qreal w = f.box.width();
    writingTool(p, w, 0.62 * w, 0.26 * w);
    p.setBrush(withAlpha(color, 110));
    roundRect(p, QRectF(-0.3 * w, 0.34 * w, 0.6 * w, 0.1 * w), 0.05 * w, 0.05 * w);
}

void eraser(QPainter &p, const Frame &f, const QColor &color)
{
    enterRotatedFrame(p, f.box);
    const qreal w = f.box.width();
    const qreal b = 0.34 * w;
    roundRect(p, QRectF(-0.33 * w, 0.06 * w - b / 2, 0.66 * w, b), 0.22 * b, 0.22 * b);
    p.setBrush(withAlpha(color, 90));
    roundRect(p, QRectF(-0.33 * w, 0.02 * w, 0.66 * w, 0.42 * b), 0.18 * b, 0.18 * b);
}

void pointer(QPainter &p, const Frame &f, const QColor &)
{
    fillPoly(p, f.poly({{0.30, 0.12},
                        {0.30, 0.74},
                        {0.43, 0.60},
                        {0.52, 0.84},
                        {0.64, 0.78},
                        {0.55, 0.56},
                        {0.76, 0.55}}));
}

void clear(QPainter &p, const Frame &f, const QColor &)
{
    boxRoundRect(p, f, {0.40, 0.08, 0.20, 0.07}, 0.03, 0.03);
    boxRoundRect(p, f, {0.18, 0.18, 0.64, 0.11}, 0.03, 0.03);
    fillPoly(p, f.poly({{0.24, 0.33}, {0.76, 0.33}, {0.68, 0.90}, {0.32, 0.90}}));
}

void undo(QPainter &p, const Frame &f, const QColor &color)
{
    strokeMode(p, color, 0.13 * f.box.width());
    p.drawArc(f.rect(0.16, 0.16, 0.66, 0.66), 0, 180 * 16);
    fillMode(p, color);
    fillPoly(p, f.poly({{0.24, 0.30}, {0.24, 0.58}, {0.04, 0.44}}));
}

void prev(QPainter &p, const Frame &f, const QColor &)
{
    fillPoly(p, f.poly({{0.46, 0.14}, {0.20, 0.50}, {0.46, 0.86}}));
    boxRoundRect(p, f, {0.08, 0.16, 0.11, 0.68}, 0.05, 0.05);
}

void next(QPainter &p, const Frame &f, const QColor &)
{
    fillPoly(p, f.poly({{0.54, 0.14}, {0.80, 0.50}, {0.54, 0.86}}));
    boxRoundRect(p, f, {0.81, 0.16, 0.11, 0.68}, 0.05, 0.05);
}

void swap(QPainter &p, const Frame &f, const QColor &)
{
    boxRoundRect(p, f, {0.12, 0.26, 0.50, 0.10}, 0.05, 0.05);
    fillPoly(p, f.poly({{0.56, 0.16}, {0.56, 0.46}, {0.86, 0.31}}));
    boxRoundRect(p, f, {0.38, 0.64, 0.50, 0.10}, 0.05, 0.05);
    fillPoly(p, f.poly({{0.44, 0.54}, {0.44, 0.84}, {0.14, 0.69}}));
}

void grip(QPainter &p, const Frame &f, const QColor &)
{
    for (qreal top : {0.28, 0.45, 0.62})
        boxRoundRect(p, f, {0.20, top, 0.60, 0.10}, 0.05, 0.05);
}

void minimize(QPainter &p, const Frame &f, const QColor &)
{
    boxRoundRect(p, f, {0.14, 0.70, 0.72, 0.14}, 0.06, 0.06);
}

// A two-segment chevron through (0.22, outer), (0.50, inner), (0.78, outer).
void chevron(QPainter &p, const Frame &f, const QColor &color, qreal outer, qreal inner)
{
    strokeMode(p, color, 0.14 * f.box.width());
    p.drawLine(f.pt(0.22, outer), f.pt(0.50, inner));
    p.drawLine(f.pt(0.50, inner), f.pt(0.78, outer));
}

void expand(QPainter &p, const Frame &f, const QColor &color)
{
    chevron(p, f, color, 0.36, 0.70);
}
void collapse(QPainter &p, const Frame &f, const QColor &color)
{
    chevron(p, f, color, 0.64, 0.30);
}

void power(QPainter &p, const Frame &f, const QColor &color)
{
    strokeMode(p, color, 0.14 * f.box.width());
    p.drawArc(f.rect(0.16, 0.18, 0.68, 0.68), 125 * 16, 280 * 16);
    p.drawLine(f.pt(0.50, 0.10), f.pt(0.50, 0.46));
}

using Painter = void (*)(QPainter &, const Frame &, const QColor &);

struct Entry {
    Icons::Id id;
    const char *name;
    Painter paint;
};

// In the order of Icons::Id, None left out.
constexpr Entry kIcons[] = {
    {Icons::Id::Pen, "pen", pen},
    {Icons::Id::Annotate, "annotate", pen},
    {Icons::Id::Highlighter, "highlighter", highlighter},
    {Icons::Id::Eraser, "eraser", eraser},
    {Icons::Id::Pointer, "pointer", pointer},
    {Icons::Id::Clear, "clear", clear},
    {Icons::Id::Undo, "undo", undo},
    {Icons::Id::Minimize, "minimize", minimize},
    {Icons::Id::Prev, "prev", prev},
    {Icons::Id::Next, "next", next},
    {Icons::Id::Swap, "swap", swap},
    {Icons::Id::Grip, "grip", grip},
    {Icons::Id::Expand, "expand", expand},
    {Icons::Id::Collapse, "collapse", collapse},
    {Icons::Id::Power, "power", power},
};
static_assert(std::size(kIcons) == std::size_t(Icons::Id::Power),
              "every icon id has exactly one entry");

const Entry *find(Icons::Id id)
{
    const std::size_t index = std::size_t(id) - 1;
    return id != Icons::Id::None && index < std::size(kIcons) ? &kIcons[index] : nullptr;
}

} // namespace

namespace Icons
{

QList<Id> all()
{
    QList<Id> ids;
    for (const Entry &e : kIcons)
        ids << e.id;
    return ids;
}

QLatin1String name(Id id)
{
    const Entry *e = find(id);
    return QLatin1String(e ? e->name : "");
}

void draw(QPainter &p, Id id, const QRectF &box, const QColor &color)
{
    const Entry *entry = find(id);
    if (!entry)
        return;
    const Frame frame{box};
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    fillMode(p, color);
    entry->paint(p, frame, color);
    p.restore();
    // The underline lies outside the saved state: it is outlined with the caller's pen and leaves
    // the brush set on the caller's painter.
    if (id == Id::Annotate) {
        p.setBrush(color);
        boxRoundRect(p, frame, {0.16, 0.86, 0.68, 0.07}, 0.035, 0.035);
    }
}

} // namespace Icons
