// What the floating windows share: their window setup, the dark rounded card, and the window shape
// that keeps the show visible around the cards where nothing composites translucent windows.
// Leaves out placement and stacking, which their owners decide.
#pragma once

#include "controls/Palette.h"

#include <QRegion>

class QPainter;
class QRectF;
class QString;
class QWidget;

namespace BarChrome
{

// Frameless, always on top, never focused, translucent, with the given title.
void initFloatingWindow(QWidget *window, const QString &title);
// Makes the native window a tool window, non-activating and top-most, in that order.
void applyNativeStyles(QWidget *window);
// The dark translucent card with its thin light outline, inset by 1 pixel in rect.
void paintCard(QPainter &p, const QRectF &rect, const Palette::Card &card = Palette::kBarCard);
// The area a bar card painted into rect covers.
QRegion cardRegion(const QRect &rect);
// Shapes the window to the given cards when the window system needs it; otherwise leaves it whole.
void shapeTo(QWidget *window, const QRegion &cards);

} // namespace BarChrome
