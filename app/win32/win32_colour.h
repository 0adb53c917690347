#pragma once
// The window's colours as GDI's; system colours from the system's scheme.
#include <windows.h>

#include "window/colour.h"

namespace tavik {

COLORREF GdiColour(TColour colour);

}  // namespace tavik
