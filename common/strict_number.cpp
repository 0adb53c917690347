#include "strict_number.h"

#include <charconv>
#include <cmath>

namespace tavik {

std::optional<int64_t> ParseWhole(std::string_view text) {
    int64_t value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (text.empty() || error != std::errc() || end != last) return std::nullopt;
    return value;
}

std::optional<double> ParseDecimal(std::string_view text) {
    double value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (text.empty() || error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace tavik
