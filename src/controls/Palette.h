// The colours of the floating controls and the pen, named by what they mean. Leaves out the
// lighter whites of hovered and pressed faces, which only the touch button paints.
#pragma once

#include <QColor>

namespace Palette
{

// The one accent of checked switches and the pen menu's blue.
constexpr QColor kAccent(76, 154, 255);
// Destructive actions: end the show, clear the ink.
constexpr QColor kDanger(255, 89, 72);
// Icons and text on a light checked face.
constexpr QColor kDarkContent(16, 16, 20);
// The opaque backdrop of the tray icon.
constexpr QColor kBackdrop(18, 18, 22);
// A face at rest: buttons and the page counter.
constexpr QColor kRestingFace(255, 255, 255, 20);
// The toolbar's dot while no slide show is followed.
constexpr QColor kNoTarget(255, 214, 0, 220);

// The pen colours in menu order; the first is the pen's colour at start.
constexpr QColor kPenColors[] = {
    QColor(255, 59, 48),   QColor(255, 214, 0), QColor(52, 199, 89), kAccent,
    QColor(255, 255, 255), kDarkContent,
};
constexpr QColor kInitialPen = kPenColors[0];

// A dark rounded card behind a group of controls.
struct Card {
    QColor fill;
    QColor outline;
    qreal radius;
};
// The bars' cards.
constexpr Card kBarCard{QColor(18, 18, 22, 200), QColor(255, 255, 255, 60), 22};
// The pen menu's card, a shade lighter and rounder.
constexpr Card kPanelCard{QColor(20, 20, 24, 205), QColor(255, 255, 255, 55), 20};

} // namespace Palette
