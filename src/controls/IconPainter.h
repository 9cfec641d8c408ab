// The program's pictograms, painted from vector shapes scaled to any box. Leaves out the faces and
// badges around them, which the touch button paints.
#pragma once

#include <QLatin1String>
#include <QList>

class QColor;
class QPainter;
class QRectF;

namespace Icons
{

// Every pictogram; None paints nothing (swatches and text badges carry no icon).
enum class Id {
    None,
    Pen,
    Annotate,
    Highlighter,
    Eraser,
    Pointer,
    Clear,
    Undo,
    Minimize,
    Prev,
    Next,
    Swap,
    Grip,
    Expand,
    Collapse,
    Power,
};

// Every id but None, in declaration order.
QList<Id> all();
// The short ASCII name of the id ("pen", "annotate", ...); empty for None.
QLatin1String name(Id id);
// Paints the icon into box in colour.
void draw(QPainter &p, Id id, const QRectF &box, const QColor &color);

} // namespace Icons
