#include "dpi_scale.h"

namespace tavik {

void BecomePerMonitorDpiAware() {
    if (!SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
        SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

TDpiScale DpiScaleOf(HWND window) {
    int dpi = static_cast<int>(GetDpiForWindow(window));
    if (dpi <= 0 || !AreDpiAwarenessContextsEqual(GetWindowDpiAwarenessContext(window),
                                                  DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
        // Not per-monitor aware (Wine refuses the request): the screen's
        // logical DPI is what every process sees there.
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return {dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI};
}

}  // namespace tavik
