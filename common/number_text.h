#pragma once
// Numbers as the user reads and types them: fixed-point texts with the
// locale's decimal separator, and the parser for typed voltages.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik {

// A non-negative number's decimal digits: value = 0.d1d2d3... * 10^Exponent.
// The exact expansion of the binary value, cut after 64 significant digits
// (more than any rounding here looks at); the same on every CPU.
struct TDecimalDigits {
    char Digits[72];
    int Count = 0;
    int Exponent = 0;
    char At(int index) const { return index >= 0 && index < Count ? Digits[index] : '0'; }
};
// significand * 2^exponent, for exponents from -1100 to 1000 (every double and
// every value the program scales); zero has the one digit 0.
TDecimalDigits DecimalDigits(uint64_t significand, int exponent);
// The magnitude of a finite double.
TDecimalDigits DecimalDigits(double value);
// Keeps `keep` digits, rounding a half away from zero; a carry raises the
// exponent. Returns false when nothing but zeros remains.
bool RoundDecimal(TDecimalDigits& digits, int keep);

// x in fixed notation with exactly `decimals` digits after the separator,
// rounded once (halves away from zero) to the coarser of `precision`
// significant digits and `decimals` decimals; scientific notation when the
// integer part needs more than `precision` digits.
std::string FixedText(double x, int precision, int decimals, char separator);

// Writes FixedText into out (at least 32 bytes) and returns its length; no
// allocation, for the acquisition path.
std::size_t FixedTextTo(char* out, double x, int precision, int decimals, char separator);

// An optional sign, digits with the locale's decimal separator, an optional
// exponent, blanks around; the value must fit a 32-bit float.
std::optional<float> ParseLocaleFloat(std::string_view text, char separator);

}  // namespace tavik
