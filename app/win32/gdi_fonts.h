#pragma once
// The layout's fonts as GDI fonts, made once and kept for the run.
#include <windows.h>

#include "window/window_layout.h"

namespace tavik {

HFONT GdiFont(TFontRole role);

}  // namespace tavik
