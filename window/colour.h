#pragma once
// The window's colours: plain RGB values, or one of the system's colours that
// each toolkit resolves for its own theme.
#include <cstdint>

namespace tavik {

struct TColour {
    enum class TKind : uint8_t {
        Rgb,
        Text,  // the theme's colour for the text of this kind of control
        Face,  // the theme's light face of three-dimensional elements
    };
    TKind Kind = TKind::Rgb;
    uint8_t R = 0;
    uint8_t G = 0;
    uint8_t B = 0;

    friend constexpr bool operator==(const TColour&, const TColour&) = default;
};

namespace colours {
constexpr TColour Rgb(uint8_t r, uint8_t g, uint8_t b) { return {TColour::TKind::Rgb, r, g, b}; }
constexpr TColour Red = Rgb(255, 0, 0);
constexpr TColour Lime = Rgb(0, 255, 0);
constexpr TColour Green = Rgb(0, 128, 0);
// Between bound and gone: a bound module that does not answer.
constexpr TColour Orange = Rgb(255, 128, 0);
constexpr TColour Blue = Rgb(0, 0, 255);
constexpr TColour Yellow = Rgb(255, 255, 0);
constexpr TColour White = Rgb(255, 255, 255);
constexpr TColour Black = Rgb(0, 0, 0);
constexpr TColour Normal{TColour::TKind::Text};
constexpr TColour Face{TColour::TKind::Face};
}  // namespace colours

}  // namespace tavik
