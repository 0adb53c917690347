// The typed-voltage parser and the fixed-point texts: no crash, a parsed value
// written back reads back the same, texts stay within their room.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const char separator = (data[0] & 1) ? ',' : '.';
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (const auto value = tavik::ParseLocaleFloat(text, separator)) {
        if (!std::isfinite(*value)) std::abort();
        char back[64];
        std::snprintf(back, sizeof back, "%.9g", static_cast<double>(*value));
        for (char& c : back)
            if (c == '.') c = separator;
        const auto again = tavik::ParseLocaleFloat(back, separator);
        if (!again || *again != *value) std::abort();
    }
    if (size >= 9) {
        double x;
        std::memcpy(&x, data + 1, sizeof x);
        const int precision = 1 + data[0] % 12;
        const int decimals = data[0] % 7;
        char out[128];
        const std::size_t n = tavik::FixedTextTo(out, x, precision, decimals, separator);
        if (n >= 96 || std::strlen(out) != n) std::abort();
        for (std::size_t i = 0; i < n; ++i)
            if (!std::strchr("0123456789-+E,.NAIF", out[i])) std::abort();
    }
    return 0;
}
