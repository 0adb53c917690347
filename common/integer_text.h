#pragma once
// The integer test used by the frequency meter's edits and the generator's
// service fields: leading spaces, one optional sign, then decimal digits in the
// signed 32-bit range or a hexadecimal pattern ($, x, X, 0x or 0X and one to
// eight digits) read as a signed 32-bit value. Nothing may follow.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavik {

std::optional<int32_t> ParseInteger(std::string_view text);

}  // namespace tavik
