#pragma once
// The extended format with a 64-bit significand, as an explicit value: the
// frequency meter scales its result to kHz and MHz in it. Every step rounds
// once to 64 significant bits (to nearest, ties to even), so the digits shown
// are the same on every CPU, whatever `long double` is there.
#include <cstdint>

namespace tavik {

// (-1)^Negative * Significand * 2^Exponent; Significand has its top bit set
// unless the value is zero.
struct TExtendedFloat {
    bool Negative = false;
    uint64_t Significand = 0;
    int Exponent = 0;
    bool IsZero() const { return Significand == 0; }
};

// Exact: every float and every double fits.
TExtendedFloat ExtendedOf(float value);
TExtendedFloat ExtendedOf(double value);
// 1 / divisor rounded once: the constants 0.001 and 0.000001 as the extended
// format holds them.
TExtendedFloat ExtendedReciprocal(uint32_t divisor);
// The product rounded once.
TExtendedFloat Multiply(const TExtendedFloat& a, const TExtendedFloat& b);

}  // namespace tavik
