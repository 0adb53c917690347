#pragma once
// The layout is measured for a screen of 96 dots per inch. On any other
// screen every rectangle, font height and chart length is that figure times
// DPI/96, rounded here and nowhere else, so that at 96 DPI nothing moves.
#include <windows.h>

namespace tavik {

struct TDpiScale {
    int Dpi = USER_DEFAULT_SCREEN_DPI;

    int operator()(int length) const { return MulDiv(length, Dpi, USER_DEFAULT_SCREEN_DPI); }
    bool Identity() const { return Dpi == USER_DEFAULT_SCREEN_DPI; }
};

// Asks Windows for per-monitor DPI awareness (the manifest already does on
// Windows 10 and 11); where that is refused, as by Wine, the program goes on
// with whatever awareness it has.
void BecomePerMonitorDpiAware();

// The DPI the window is drawn at: its monitor's when the process is per-monitor
// aware, otherwise the one the system gives every process.
TDpiScale DpiScaleOf(HWND window);

}  // namespace tavik
