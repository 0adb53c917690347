#include "exact_float.h"

#include <cmath>
#include <utility>

namespace tavik {

namespace {
constexpr int FloatDigits = 24;        // significand bits, the hidden one included
constexpr int FloatMinExponent = -126; // of the smallest normal, 2^-126

int BitLength(unsigned __int128 x) {
    int n = 0;
    while (x != 0) {
        ++n;
        x >>= 1;
    }
    return n;
}
}  // namespace

TBinaryFloat ExactFloat(float value) {
    if (value == 0 || !std::isfinite(value)) return {};
    int exponent = 0;
    const float fraction = std::frexp(value, &exponent);  // exact: |fraction| in [0.5, 1)
    return {static_cast<int64_t>(std::ldexp(fraction, FloatDigits)), exponent - FloatDigits};
}

float RoundToFloat(__int128 m, int e) {
    if (m == 0) return 0.0f;
    const bool negative = m < 0;
    unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(m) : static_cast<unsigned __int128>(m);
    const int length = BitLength(magnitude);
    // Bits the result keeps: 24, fewer where it falls below the normal range.
    int keep = FloatDigits;
    const int top = length - 1 + e;  // the exponent of the leading bit
    if (top < FloatMinExponent) keep -= FloatMinExponent - top;
    int drop = length - keep;
    if (drop > 0) {
        if (drop > length + 1) drop = length + 1;  // all gone, not even half of the last place left
        const unsigned __int128 kept = drop >= 128 ? 0 : magnitude >> drop;
        const unsigned __int128 rest = drop >= 128 ? magnitude : magnitude - (kept << drop);
        const unsigned __int128 half = drop - 1 >= 128 ? 0 : static_cast<unsigned __int128>(1) << (drop - 1);
        magnitude = kept;
        if (drop <= 128 && (rest > half || (rest == half && (kept & 1) != 0))) ++magnitude;
        e += drop;
    }
    // At most 25 bits now: exact in a float, and ldexp scales it exactly or
    // overflows to infinity.
    const float result = std::ldexp(static_cast<float>(static_cast<uint64_t>(magnitude)), e);
    return negative ? -result : result;
}

float RoundedSum(int64_t a, int ea, int64_t b, int eb) {
    if (a == 0) return RoundToFloat(b, eb);
    if (b == 0) return RoundToFloat(a, ea);
    if (ea < eb) {
        std::swap(a, b);
        std::swap(ea, eb);
    }
    const int apart = ea - eb;
    if (apart <= 64) return RoundToFloat((static_cast<__int128>(a) << apart) + b, eb);
    // b lies far below a's last kept bit: shifted down with a sticky bit it
    // still decides every rounding as the exact sum would.
    const int shift = apart - 64;
    __int128 low = shift >= 63 ? (b < 0 ? -1 : 0) : (b >> shift);
    const bool inexact = shift >= 63 || (static_cast<__int128>(low) << shift) != b;
    if (inexact) low |= 1;
    return RoundToFloat((static_cast<__int128>(a) << 64) + low, ea - 64);
}

float RoundedQuotient(int64_t num, int64_t den) {
    const bool negative = (num < 0) != (den < 0);
    const uint64_t n = num < 0 ? 0 - static_cast<uint64_t>(num) : static_cast<uint64_t>(num);
    const uint64_t d = den < 0 ? 0 - static_cast<uint64_t>(den) : static_cast<uint64_t>(den);
    // 64 more bits than the numerator has: the quotient keeps 24 of them and a
    // sticky bit stands for the remainder.
    const unsigned __int128 scaled = static_cast<unsigned __int128>(n) << 64;
    unsigned __int128 quotient = scaled / d;
    if (scaled % d != 0) quotient |= 1;
    const auto magnitude = static_cast<__int128>(quotient);
    return RoundToFloat(negative ? -magnitude : magnitude, -64);
}

}  // namespace tavik
