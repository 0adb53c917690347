#pragma once
// UTF-8 (the window's texts) to and from UTF-16 (Windows' own).
#include <string>

namespace tavik {

std::wstring Wide(const std::string& text);
std::string Utf8(const std::wstring& text);

}  // namespace tavik
