#include "frames.h"

#include <algorithm>
#include <cstdio>

namespace tavik::test {

std::string Hex(const TFrame& frame) { return Hex(std::vector<uint8_t>(frame.begin(), frame.end())); }

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char part[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(part, sizeof part, "%02X", bytes[i]);
        if (i) text += ' ';
        text += part;
    }
    return text;
}

TFrame Frame(std::initializer_list<uint8_t> bytes) {
    TFrame frame{};
    std::copy(bytes.begin(), bytes.end(), frame.begin());
    return frame;
}

}  // namespace tavik::test
