// The program's pictograms, painted from vector shapes scaled to any box.
#pragma once

class QColor;
class QPainter;
class QRectF;
class QString;

namespace Icons
{

// Paints the icon named by id into box in colour; an unknown id paints nothing.
void draw(QPainter &p, const QString &id, const QRectF &box, const QColor &color);

} // namespace Icons
