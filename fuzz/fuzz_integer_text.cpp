// The integer test: no crash, and an accepted value written in decimal or in
// hexadecimal reads back the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/integer_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto value = tavik::ParseInteger(text);
    if (!value) return 0;
    if (tavik::ParseInteger(std::to_string(*value)) != value) std::abort();
    char hex[16];
    std::snprintf(hex, sizeof hex, "$%X", static_cast<uint32_t>(*value));
    if (tavik::ParseInteger(hex) != value) std::abort();
    return 0;
}
