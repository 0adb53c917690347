#include "integer_text.h"

namespace tavik {

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::optional<int32_t> ParseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    std::size_t prefix = 0;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X'))
        prefix = 1;
    else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))
        prefix = 2;

    if (prefix > 0) {
        const std::string_view digits = rest.substr(prefix);
        if (digits.empty() || digits.size() > 8) return std::nullopt;
        uint32_t pattern = 0;
        for (char c : digits) {
            const int value = HexValue(c);
            if (value < 0) return std::nullopt;
            pattern = (pattern << 4) | static_cast<uint32_t>(value);
        }
        // The pattern is read as a signed value, then negated after a minus.
        const auto value = static_cast<int32_t>(pattern);
        return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(value)) : value;
    }

    if (rest.empty()) return std::nullopt;
    int64_t magnitude = 0;
    for (char c : rest) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) return std::nullopt;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(value);
}

}  // namespace tavik
