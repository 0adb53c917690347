#include "extended_float.h"

#include <cmath>

#include "exact_float.h"

namespace tavik {

namespace {
// Rounds magnitude * 2^exponent to a 64-bit significand.
TExtendedFloat Normalized(bool negative, unsigned __int128 magnitude, int exponent) {
    if (magnitude == 0) return {};
    int length = 0;
    for (unsigned __int128 x = magnitude; x != 0; x >>= 1) ++length;
    if (length > 64) {
        const int drop = length - 64;
        const unsigned __int128 kept = magnitude >> drop;
        const unsigned __int128 rest = magnitude - (kept << drop);
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (drop - 1);
        magnitude = kept;
        exponent += drop;
        if (rest > half || (rest == half && (kept & 1) != 0)) {
            ++magnitude;
            if (magnitude >> 64) {  // the carry ran through every bit
                magnitude >>= 1;
                ++exponent;
            }
        }
    } else {
        exponent -= 64 - length;
        magnitude <<= 64 - length;
    }
    return {negative, static_cast<uint64_t>(magnitude), exponent};
}
}  // namespace

TExtendedFloat ExtendedOf(float value) {
    const TBinaryFloat exact = ExactFloat(value);
    const bool negative = exact.Mantissa < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(exact.Mantissa) : static_cast<uint64_t>(exact.Mantissa);
    return Normalized(negative, magnitude, exact.Exponent);
}

TExtendedFloat ExtendedOf(double value) {
    if (value == 0 || !std::isfinite(value)) return {};
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);  // exact
    return Normalized(value < 0, static_cast<uint64_t>(std::ldexp(fraction, 53)), exponent - 53);
}

TExtendedFloat ExtendedReciprocal(uint32_t divisor) {
    // 2^127 / divisor has at least 95 bits: rounding it to 64 is rounding 1/divisor.
    const unsigned __int128 numerator = static_cast<unsigned __int128>(1) << 127;
    unsigned __int128 quotient = numerator / divisor;
    if (numerator % divisor != 0) quotient |= 1;  // sticky: the remainder is never a tie by itself
    return Normalized(false, quotient, -127);
}

TExtendedFloat Multiply(const TExtendedFloat& a, const TExtendedFloat& b) {
    const unsigned __int128 product = static_cast<unsigned __int128>(a.Significand) * b.Significand;
    return Normalized(a.Negative != b.Negative, product, a.Exponent + b.Exponent);
}

}  // namespace tavik
