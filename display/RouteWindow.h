#pragma once
// What the route list window and the path window share: the role colours of the route
// display, building a layout with its push buttons as node badges, and showing a window again
// after a fill.

#include <QRgb>

#include "LayoutBuilder.h"

class QDialog;

namespace display {

inline constexpr QRgb kLocalColor = qRgb(255, 0, 0);   // legend "S"
inline constexpr QRgb kRouteColor = qRgb(0, 255, 0);   // legend "R"
inline constexpr QRgb kTargetColor = qRgb(0, 0, 255);  // legend "D"

// Builds the layout on a modeless, fixed-size window centred on the screen and not yet shown.
// Closing it (close box or Esc) hides it; the object and its content stay.
widgets::DialogControls buildWindow(int templateId, QDialog& window);

// Shows a window in its normal state and brings it to the front, whether it was never shown
// or hidden by the user.
void showWindow(QDialog& window);

}  // namespace display
