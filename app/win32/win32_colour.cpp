#include "win32_colour.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace tavik {

namespace {
// The relative luminance and contrast ratio of the Web Content Accessibility
// Guidelines.
double Luminance(COLORREF colour) {
    auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(GetRValue(colour)) + 0.7152 * linear(GetGValue(colour)) + 0.0722 * linear(GetBValue(colour));
}

double Contrast(COLORREF a, COLORREF b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

constexpr double Readable = 4.5;
}  // namespace

bool HighContrast() {
    HIGHCONTRASTW contrast{sizeof contrast, 0, nullptr};
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

COLORREF GdiColour(TColour colour) {
    switch (colour.Kind) {
    case TColour::TKind::Rgb: break;
    case TColour::TKind::Text: return GetSysColor(HighContrast() ? COLOR_BTNTEXT : COLOR_WINDOWTEXT);
    case TColour::TKind::Face: return GetSysColor(HighContrast() ? COLOR_BTNFACE : COLOR_3DLIGHT);
    }
    return RGB(colour.R, colour.G, colour.B);
}

COLORREF TextOnFace(TColour colour) {
    if (colour.Kind != TColour::TKind::Rgb || !HighContrast()) return GdiColour(colour);
    return ReadableOn(GdiColour(colour), GdiColour(colours::Face), GdiColour(colours::Normal));
}

COLORREF ReadableOn(COLORREF colour, COLORREF face, COLORREF systemText) {
    if (Contrast(colour, face) >= Readable) return colour;
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    const int hue = r > g && r > b ? 0 : g > r && g > b ? 1 : b > r && b > g ? 2 : -1;
    if (hue < 0) return systemText;
    // Of the hue: the pure colour, paler ones (for a dark face), darker ones
    // (for a light face).
    struct TShade {
        int Level, White;
    };
    for (const TShade shade : {TShade{255, 0}, TShade{255, 96}, TShade{255, 160}, TShade{160, 0}, TShade{128, 0}, TShade{96, 0}}) {
        int channel[3] = {shade.White, shade.White, shade.White};
        channel[hue] = shade.Level;
        const COLORREF candidate = RGB(channel[0], channel[1], channel[2]);
        if (Contrast(candidate, face) >= Readable) return candidate;
    }
    return systemText;
}

}  // namespace tavik
