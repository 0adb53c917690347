#include "wide_text.h"

#include "common/utf8_text.h"

namespace tavik {

std::wstring Wide(const std::string& text) { return WideOf(text); }

std::string Utf8(const std::wstring& text) { return Utf8Of(std::wstring_view(text)); }

}  // namespace tavik
