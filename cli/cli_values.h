#pragma once
// How tavik-cli reads the values its options and arguments take.
#include <cstdint>
#include <optional>
#include <string>

#include "cli_options.h"

namespace tavik::cli {

// A point or a comma, whatever the locale: these values have no thousands.
std::optional<double> DecimalOf(std::string text);

// yes or no into target; false for anything else.
bool Choice(const std::string& value, const char* yes, const char* no, std::optional<bool>& target);

// The entry of output 1's or 2's list that out.Frequency names: an item's
// label with either separator, or hertz ("1000Hz") for the nearest item.
bool ResolveFrequency(TOutputOptions& out, int output);

// The integer test of the window's service fields, then the range the frame
// has room for: nothing is cut to fit. The reason when the text is not one.
std::optional<std::string> RawOperand(const std::string& what, const std::string& text, int32_t maximum,
                                      const char* hex, int32_t& value);

}  // namespace tavik::cli
