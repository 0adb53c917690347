#pragma once
// Numbers in command-line options and typed commands: the whole text is the
// number or it is refused; nothing throws.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavik {

// Decimal digits with an optional minus sign.
std::optional<int64_t> ParseWhole(std::string_view text);
// A decimal number with a point ("2.5", "-1e3").
std::optional<double> ParseDecimal(std::string_view text);

}  // namespace tavik
