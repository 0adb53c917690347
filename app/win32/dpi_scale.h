#pragma once
// The layout is measured for a screen of 96 dots per inch. On any other
// screen every rectangle, font height and chart length is that figure times
// DPI/96, rounded here and nowhere else, so that at 96 DPI nothing moves.
//
// The process's awareness comes from the manifest alone (per-monitor v2 on
// Windows 10 1703 and later, per-monitor on 8.1, system on 7); the
// per-window DPI functions are bound at run time, so the program starts on
// every Windows from 7 on.
#include <windows.h>

namespace tavik {

struct TDpiScale {
    int Dpi = USER_DEFAULT_SCREEN_DPI;

    int operator()(int length) const { return MulDiv(length, Dpi, USER_DEFAULT_SCREEN_DPI); }
    bool Identity() const { return Dpi == USER_DEFAULT_SCREEN_DPI; }
};

// The DPI the window is drawn at: its monitor's when the process is per-monitor
// aware, otherwise the one the system gives every process.
TDpiScale DpiScaleOf(HWND window);

// AdjustWindowRectEx at that DPI (no menu, no extended style).
bool AdjustFrameForDpi(RECT& frame, DWORD style, int dpi);

// GetSystemMetrics at that DPI.
int SystemMetricForDpi(int index, int dpi);

}  // namespace tavik
