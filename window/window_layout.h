#pragma once
// The window as laid out: every control's kind, place, size, text, font and
// colours, the keyboard order and the fonts. Every view builds the window from
// this one table.
#include <array>
#include <optional>
#include <span>

#include "colour.h"
#include "control_id.h"

namespace tavik {

struct TFontSpec {
    const char* Face;
    int Pixels;  // character height at 96 dots per inch
    bool Bold;
    bool Italic;
};

enum class TFontRole : uint8_t { Window, Title, Section, Caption, Reading, ChartLabel };
const TFontSpec& FontOf(TFontRole role);

struct TControlLayout {
    TControlId Id;
    const char* Name;
    TControlKind Kind;
    int Left, Top, Width, Height;
    const char* Text;  // caption or text, UTF-8
    TFontRole Font;
    std::optional<TColour> TextColour;  // none: the theme's
    std::optional<TColour> Background;  // a label's fill, an edit's field; none: the theme's
    bool Visible = true;
    std::span<const char* const> Items = {};  // a combo box's items; the first is selected
};

struct TWindowFrame {
    const char* Name;
    const char* Caption;
    int Left, Top;  // the outer corner on the screen
    int ClientWidth, ClientHeight;
    TColour Background;
    TFontRole Font;
};

extern const TWindowFrame WindowFrame;
// Indexed by TControlId.
extern const std::array<TControlLayout, ControlCount> WindowLayout;
// The order the Tab key moves in; hidden controls are skipped.
extern const std::array<TControlId, 26> KeyboardOrder;
// A combo box's list rows.
constexpr int ComboItemHeight = 13;

inline const TControlLayout& LayoutOf(TControlId id) { return WindowLayout[IndexOf(id)]; }

}  // namespace tavik
