#include "dpi_scale.h"

#include "system_entry.h"

namespace tavik {

namespace {
// Windows 10 1607's per-window DPI functions. Where they are missing (Windows
// 7, 8.1, 10 before 1607) the manifest gives the process system (7) or
// per-monitor (8.1) awareness, every window starts at the system DPI, and
// WM_DPICHANGED tells a per-monitor window its monitor's DPI.
struct TDpiFunctions {
    UINT(WINAPI* GetDpiForWindow)(HWND) = SystemEntry<decltype(GetDpiForWindow)>(L"user32.dll", "GetDpiForWindow");
    BOOL(WINAPI* AdjustWindowRectExForDpi)(LPRECT, DWORD, BOOL, DWORD, UINT) =
        SystemEntry<decltype(AdjustWindowRectExForDpi)>(L"user32.dll", "AdjustWindowRectExForDpi");
    int(WINAPI* GetSystemMetricsForDpi)(int, UINT) =
        SystemEntry<decltype(GetSystemMetricsForDpi)>(L"user32.dll", "GetSystemMetricsForDpi");
    DPI_AWARENESS(WINAPI* GetAwarenessFromDpiAwarenessContext)(DPI_AWARENESS_CONTEXT) =
        SystemEntry<decltype(GetAwarenessFromDpiAwarenessContext)>(L"user32.dll", "GetAwarenessFromDpiAwarenessContext");
    DPI_AWARENESS_CONTEXT(WINAPI* GetWindowDpiAwarenessContext)(HWND) =
        SystemEntry<decltype(GetWindowDpiAwarenessContext)>(L"user32.dll", "GetWindowDpiAwarenessContext");
};

const TDpiFunctions& Dpi() {
    static const TDpiFunctions functions;
    return functions;
}

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}
}  // namespace

TDpiScale DpiScaleOf(HWND window) {
    const TDpiFunctions& f = Dpi();
    int dpi = 0;
    // A window's own DPI only where it is per-monitor aware: elsewhere (and
    // under Wine, which keeps every window system aware) the screen's logical
    // DPI is what every process sees.
    if (f.GetDpiForWindow && f.GetWindowDpiAwarenessContext && f.GetAwarenessFromDpiAwarenessContext &&
        f.GetAwarenessFromDpiAwarenessContext(f.GetWindowDpiAwarenessContext(window)) == DPI_AWARENESS_PER_MONITOR_AWARE)
        dpi = static_cast<int>(f.GetDpiForWindow(window));
    if (dpi <= 0) dpi = SystemDpi();
    return {dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI};
}

bool AdjustFrameForDpi(RECT& frame, DWORD style, int dpi) {
    if (const auto adjust = Dpi().AdjustWindowRectExForDpi) return adjust(&frame, style, FALSE, 0, static_cast<UINT>(dpi));
    // The frame's metrics at the system DPI, which is the window's there.
    return AdjustWindowRectEx(&frame, style, FALSE, 0);
}

int SystemMetricForDpi(int index, int dpi) {
    if (const auto metric = Dpi().GetSystemMetricsForDpi) return metric(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

}  // namespace tavik
