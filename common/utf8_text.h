#pragma once
// UTF-16 texts (HID descriptor strings) as UTF-8 for a terminal or a file.
#include <string>
#include <string_view>

namespace tavik {

// A surrogate without its partner becomes U+FFFD: a module's string is
// whatever its firmware put there.
std::string Utf8Of(std::u16string_view text);

}  // namespace tavik
