#include "win32_colour.h"

namespace tavik {

COLORREF GdiColour(TColour colour) {
    switch (colour.Kind) {
    case TColour::TKind::Rgb: break;
    case TColour::TKind::Text: return GetSysColor(COLOR_WINDOWTEXT);
    case TColour::TKind::Face: return GetSysColor(COLOR_3DLIGHT);
    }
    return RGB(colour.R, colour.G, colour.B);
}

}  // namespace tavik
