#include "locale_options.h"

#include <windows.h>

#include "common/decimal_separator.h"
#include "wide_text.h"

namespace tavik {

namespace {
std::wstring LocaleText(LCTYPE what) {
    wchar_t text[16] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, what, text, 16) <= 0) return {};
    return text;
}
}  // namespace

TTavikOptions TavikOptionsOfUserLocale() {
    TTavikOptions options;
    options.DecimalSeparator = UserDecimalSeparator();
    const std::wstring group = LocaleText(LOCALE_STHOUSAND);
    options.GroupSeparator = group.empty() ? std::string(" ") : Utf8(group.substr(0, 1));
    return options;
}

}  // namespace tavik
