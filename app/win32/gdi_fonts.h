#pragma once
// The layout's fonts as GDI fonts at a screen's DPI, made once per DPI and
// kept for the run.
#include <windows.h>

#include <string>

#include "window/window_layout.h"

namespace tavik {

HFONT GdiFont(TFontRole role, int dpi = USER_DEFAULT_SCREEN_DPI);

// The face Windows draws a layout face with: "MS Sans Serif" is a bitmap font
// of the system's non-Unicode code page (no Cyrillic on an English Windows);
// its TrueType twin of the same metrics has every script.
std::wstring WindowsFace(const char* face);

}  // namespace tavik
