#pragma once
// The decimal separator of the user's locale, read in one place for every
// front-end: numbers are shown, and edit texts parsed, with it.
#include <string_view>

namespace tavik {

// The user's locale's separator (POSIX: the LC_NUMERIC the environment
// names; Windows: the user's default locale), by the rule below.
char UserDecimalSeparator();

// A separator the system gives as UTF-8 text: one ASCII character is taken as
// it is; anything else (none, several, a character beyond ASCII) is '.', as
// the number texts take one byte.
char DecimalSeparatorOf(std::string_view text);

}  // namespace tavik
