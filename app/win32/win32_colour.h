#pragma once
// The window's colours as GDI's; system colours from the system's scheme,
// read each time, so a changed scheme or theme shows at the next paint. In a
// contrast theme the face and its text are the theme's button colours, and a
// fixed text colour too faint on that face (dark green on black) is replaced
// by a lighter or darker one of its hue, so the green and red of the states
// stay green and red, and readable.
#include <windows.h>

#include "window/colour.h"

namespace tavik {

COLORREF GdiColour(TColour colour);

// A text colour as it is drawn on the window's face.
COLORREF TextOnFace(TColour colour);

// The colour, or the nearest of its hue (red, green or blue, by its largest
// part) with a contrast ratio of at least 4.5:1 against the face; the
// system's text colour where none has it.
COLORREF ReadableOn(COLORREF colour, COLORREF face, COLORREF systemText);

bool HighContrast();

}  // namespace tavik
