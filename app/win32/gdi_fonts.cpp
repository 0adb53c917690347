#include "gdi_fonts.h"

#include <array>

#include "wide_text.h"

namespace tavik {

HFONT GdiFont(TFontRole role) {
    static std::array<HFONT, 6> fonts{};
    HFONT& font = fonts[static_cast<std::size_t>(role)];
    if (!font) {
        const TFontSpec& laidOut = FontOf(role);
        // A negative height asks for the character height, as laid out.
        font = CreateFontW(-laidOut.Pixels, 0, 0, 0, laidOut.Bold ? FW_BOLD : FW_NORMAL, laidOut.Italic, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, Wide(laidOut.Face).c_str());
    }
    return font;
}

}  // namespace tavik
