#pragma once
// The window's colours as Qt's: system colours from the widget's palette.
#include <QColor>
#include <QWidget>

#include "window/colour.h"

namespace tavik {

// An RGB colour; a system colour is resolved against the application's
// palette for the widget (or the application's own without one).
QColor QtColour(TColour colour, const QWidget* widget = nullptr);

}  // namespace tavik
