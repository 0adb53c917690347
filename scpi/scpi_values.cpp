#include "scpi_values.h"

#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>

#include "common/number_text.h"

namespace tavik::scpi {

namespace {

bool IsWord(const TParameter& parameter, const char* pattern) {
    if (parameter.Kind != TParameter::TKind::Character) return false;
    std::string longForm;
    std::string shortForm;
    for (const char* c = pattern; *c; ++c) {
        longForm += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        if (std::isupper(static_cast<unsigned char>(*c)) || std::isdigit(static_cast<unsigned char>(*c))) shortForm += *c;
    }
    return parameter.Text == longForm || parameter.Text == shortForm;
}

TError TypeError() { return {DataTypeError, {}}; }

struct TUnitName {
    TUnit Unit;
    const char* Name;
    double Multiplier;
};

constexpr TUnitName UnitNames[] = {
    {TUnit::Hertz, "HZ", 1.0},    {TUnit::Hertz, "KHZ", 1e3}, {TUnit::Hertz, "MHZ", 1e6},
    {TUnit::Hertz, "MAHZ", 1e6},  {TUnit::Hertz, "GHZ", 1e9}, {TUnit::Volt, "V", 1.0},
    {TUnit::Volt, "MV", 1e-3},    {TUnit::Volt, "UV", 1e-6},  {TUnit::Volt, "KV", 1e3},
};

// The number in the plain unit, or why its suffix does not fit.
TRead<double> Scaled(const TParameter& parameter, TUnit unit) {
    if (parameter.Unit.empty()) return parameter.Number;
    if (unit == TUnit::None) return TError{SuffixNotAllowed, {}};
    for (const TUnitName& name : UnitNames)
        if (name.Unit == unit && parameter.Unit == name.Name) return parameter.Number * name.Multiplier;
    return TError{InvalidSuffix, {}};
}

}  // namespace

std::string Nr1(int64_t value) { return std::to_string(value); }

namespace {
template <typename T>
std::string Shortest(T value) {
    char text[40];
    const char* end = std::isfinite(value) ? std::to_chars(text, text + sizeof text, value).ptr
                                           : std::to_chars(text, text + sizeof text, NotANumber).ptr;
    std::string out(text, static_cast<std::size_t>(end - text));
    for (char& c : out)
        if (c == 'e') c = 'E';
    return out;
}
}  // namespace

std::string Nr3(double value) { return Shortest(value); }
std::string Nr3(float value) { return Shortest(value); }

std::string Fixed(double value, int precision, int decimals) { return FixedText(value, precision, decimals, '.'); }

std::string DefiniteBlock(const std::string& bytes) {
    const std::string length = std::to_string(bytes.size());
    return "#" + std::to_string(length.size()) + length + bytes;
}

std::string FloatBytes(const std::vector<float>& values, bool swapped) {
    std::string bytes;
    bytes.reserve(values.size() * 4);
    for (const float value : values) {
        const uint32_t bits = std::bit_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            const int shift = swapped ? 8 * i : 24 - 8 * i;
            bytes += static_cast<char>((bits >> shift) & 0xFF);
        }
    }
    return bytes;
}

TRead<bool> ReadBoolean(const TParameter& parameter) {
    if (IsWord(parameter, "ON")) return true;
    if (IsWord(parameter, "OFF")) return false;
    if (parameter.Kind != TParameter::TKind::Number) return TypeError();
    if (!parameter.Unit.empty()) return TError{SuffixNotAllowed, {}};
    return std::round(parameter.Number) != 0.0;
}

namespace {
// The number a parameter gives, before its range is checked: MIN, MAX and DEF
// stand for their values.
template <typename T>
TRead<double> Given(const TParameter& parameter, T minimum, T maximum, TUnit unit, std::optional<T> byDefault) {
    if (IsWord(parameter, "MINimum")) return static_cast<double>(minimum);
    if (IsWord(parameter, "MAXimum")) return static_cast<double>(maximum);
    if (IsWord(parameter, "DEFault")) {
        if (byDefault) return static_cast<double>(*byDefault);
        return TError{IllegalParameterValue, "no default here"};
    }
    if (parameter.Kind != TParameter::TKind::Number) return TypeError();
    return Scaled(parameter, unit);
}
}  // namespace

TRead<double> ReadNumber(const TParameter& parameter, double minimum, double maximum, TUnit unit,
                         std::optional<double> byDefault) {
    const TRead<double> given = Given(parameter, minimum, maximum, unit, byDefault);
    if (std::holds_alternative<TError>(given)) return given;
    const double value = std::get<double>(given);
    if (!(value >= minimum && value <= maximum)) return TError{DataOutOfRange, {}};
    return value;
}

TRead<int64_t> ReadWhole(const TParameter& parameter, int64_t minimum, int64_t maximum, TUnit unit,
                         std::optional<int64_t> byDefault) {
    const TRead<double> given = Given(parameter, minimum, maximum, unit, byDefault);
    if (const TError* error = std::get_if<TError>(&given)) return *error;
    // Rounded as instruments round: 10.2 is 10, 2.5 is 3, -2.5 is -3.
    const double value = std::round(std::get<double>(given));
    if (!(value >= static_cast<double>(minimum) && value <= static_cast<double>(maximum)))
        return TError{DataOutOfRange, {}};
    return static_cast<int64_t>(value);
}

TRead<std::size_t> ReadChoice(const TParameter& parameter, const std::vector<const char*>& words) {
    if (parameter.Kind != TParameter::TKind::Character) return TypeError();
    for (std::size_t i = 0; i < words.size(); ++i)
        if (IsWord(parameter, words[i])) return i;
    return TError{IllegalParameterValue, {}};
}

TRead<std::vector<uint32_t>> ReadChannels(const TParameter& parameter, uint32_t count) {
    if (parameter.Kind != TParameter::TKind::ChannelList) return TypeError();
    for (const uint32_t channel : parameter.Channels)
        if (channel < 1 || channel > count) return TError{IllegalParameterValue, "no channel " + std::to_string(channel)};
    return parameter.Channels;
}

}  // namespace tavik::scpi
