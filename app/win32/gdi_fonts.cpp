#include "gdi_fonts.h"

#include <cstring>
#include <map>
#include <utility>

#include "dpi_scale.h"
#include "wide_text.h"

namespace tavik {

std::wstring WindowsFace(const char* face) {
    // "Arial" and "Times New Roman" are TrueType faces on every Windows already.
    return std::strcmp(face, "MS Sans Serif") == 0 ? L"Microsoft Sans Serif" : Wide(face);
}

HFONT GdiFont(TFontRole role, int dpi) {
    static std::map<std::pair<TFontRole, int>, HFONT> fonts;
    HFONT& font = fonts[{role, dpi}];
    if (!font) {
        const TFontSpec& laidOut = FontOf(role);
        // A negative height asks for the character height, as laid out.
        font = CreateFontW(-TDpiScale{dpi}(laidOut.Pixels), 0, 0, 0,
                           laidOut.Bold ? FW_BOLD : FW_NORMAL, laidOut.Italic, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           WindowsFace(laidOut.Face).c_str());
    }
    return font;
}

}  // namespace tavik
