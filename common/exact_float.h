#pragma once
// Arithmetic whose result is fixed bit for bit on every CPU: values formed
// exactly in integers and rounded once to a 32-bit float (to nearest, ties to
// even), whatever `long double` is on the machine.
#include <cstdint>

namespace tavik {

// A finite float as Mantissa * 2^Exponent, |Mantissa| < 2^24 (zero: 0, 0).
struct TBinaryFloat {
    int64_t Mantissa = 0;
    int Exponent = 0;
};
TBinaryFloat ExactFloat(float value);

// m * 2^e rounded once to a float; too large is infinity.
float RoundToFloat(__int128 m, int e);

// a * 2^ea + b * 2^eb formed exactly and rounded once; |a|, |b| < 2^62.
float RoundedSum(int64_t a, int ea, int64_t b, int eb);

// num / den rounded once; den is not zero, |num|, |den| < 2^62.
float RoundedQuotient(int64_t num, int64_t den);

}  // namespace tavik
