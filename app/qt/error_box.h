#pragma once
// The modal error box of a Qt front-end.
#include <string>

namespace tavik {

void ShowErrorBox(const std::string& caption, const std::string& text);

}  // namespace tavik
