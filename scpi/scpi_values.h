#pragma once
// Numbers and words in and out: parameters read into values with the error
// SCPI gives for each way they can be wrong, and answers written as NR1 and
// NR3, always with a point.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "scpi_error.h"
#include "scpi_message.h"

namespace tavik::scpi {

// A value, or the error that says why the parameter gives none.
template <typename T>
using TRead = std::variant<T, TError>;

// SCPI's "not a number": a reading the instrument has not got.
constexpr double NotANumber = 9.91e37;

std::string Nr1(int64_t value);
// The fewest digits that give the double back; exponent as E+NN.
std::string Nr3(double value);
// A 32-bit float in the fewest digits that give it back.
std::string Nr3(float value);
// Rounded to decimals places (precision significant digits at most).
std::string Fixed(double value, int precision, int decimals);
// IEEE 488.2's definite-length arbitrary block: #, the count of the length's
// digits, the length, the bytes.
std::string DefiniteBlock(const std::string& bytes);
// 32-bit floats as IEEE 754 bytes, most significant first unless swapped.
std::string FloatBytes(const std::vector<float>& values, bool swapped);

// What a number may be given in: its units and their multipliers (SCPI's
// MHZ is megahertz).
enum class TUnit { None, Hertz, Volt };

// ON, OFF, or a number without a unit: 0 is OFF, any other rounds to ON.
TRead<bool> ReadBoolean(const TParameter& parameter);
// A number, MINimum or MAXimum, from minimum to maximum; with a unit of its
// own kind, scaled to the plain unit. DEFault where the command has a
// default, an illegal value where it has none.
TRead<double> ReadNumber(const TParameter& parameter, double minimum, double maximum, TUnit unit = TUnit::None,
                         std::optional<double> byDefault = std::nullopt);
// A whole number from minimum to maximum, MINimum, MAXimum and DEFault too;
// a number with decimals is rounded to the nearest whole one first.
TRead<int64_t> ReadWhole(const TParameter& parameter, int64_t minimum, int64_t maximum, TUnit unit = TUnit::None,
                         std::optional<int64_t> byDefault = std::nullopt);
// One of the words, by long or short form ("GENerator" takes GEN and
// GENERATOR): its position in the list.
TRead<std::size_t> ReadChoice(const TParameter& parameter, const std::vector<const char*>& words);
// A channel list of channels from 1 to count.
TRead<std::vector<uint32_t>> ReadChannels(const TParameter& parameter, uint32_t count);

}  // namespace tavik::scpi
