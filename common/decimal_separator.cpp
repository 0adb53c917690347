#include "decimal_separator.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <clocale>
#include <string>
#endif

namespace tavik {

char DecimalSeparatorOf(std::string_view text) {
    return text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80 ? text[0] : '.';
}

char UserDecimalSeparator() {
#ifdef _WIN32
    wchar_t point[8] = {};
    // The length counts the terminating NUL: 2 is one character.
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, point, 8) != 2 || point[0] >= 0x80) return '.';
    return static_cast<char>(point[0]);
#else
    // The environment's LC_NUMERIC for the one look, the program's own
    // restored after it.
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = current ? current : "C";
    if (!std::setlocale(LC_NUMERIC, "")) return '.';
    const char separator = DecimalSeparatorOf(std::localeconv()->decimal_point);
    std::setlocale(LC_NUMERIC, saved.c_str());
    return separator;
#endif
}

}  // namespace tavik
