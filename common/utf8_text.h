#pragma once
// UTF-8 and UTF-16, both ways, written once: HID descriptor strings, the
// kernel's strings and Windows' wide texts meet the program's UTF-8 here.
#include <string>
#include <string_view>

namespace tavik {

// A surrogate without its partner becomes U+FFFD: a module's string is
// whatever its firmware put there.
std::string Utf8Of(std::u16string_view text);

// A byte that starts no whole, shortest sequence of a scalar value becomes
// U+FFFD, one for each such byte.
std::u16string Utf16Of(std::string_view text);

// The same for the system's wide texts: UTF-16 on Windows, UTF-32 elsewhere
// (hidapi's messages on Linux).
std::string Utf8Of(std::wstring_view text);
std::wstring WideOf(std::string_view text);

}  // namespace tavik
