#include "display_number.h"

#include <cstdlib>
#include <cstdio>

#include "number_text.h"

namespace tavik {

std::string DisplayNumber(const TExtendedFloat& value, char separator) {
    if (value.IsZero()) return "0";
    TDecimalDigits d = DecimalDigits(value.Significand, value.Exponent);
    RoundDecimal(d, 4);
    while (d.Count > 1 && d.Digits[d.Count - 1] == '0') --d.Count;
    const int e = d.Exponent;
    std::string text = value.Negative ? "-" : "";
    if (e >= -3 && e <= 4) {
        if (e <= 0) {
            text += '0';
            text += separator;
            text.append(static_cast<std::size_t>(-e), '0');
            text.append(d.Digits, static_cast<std::size_t>(d.Count));
        } else {
            for (int i = 0; i < e; ++i) text += d.At(i);
            if (d.Count > e) {
                text += separator;
                text.append(d.Digits + e, static_cast<std::size_t>(d.Count - e));
            }
        }
        return text;
    }
    text += d.Digits[0];
    if (d.Count > 1) {
        text += separator;
        text.append(d.Digits + 1, static_cast<std::size_t>(d.Count - 1));
    }
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "E%s%03d", e - 1 < 0 ? "-" : "", std::abs(e - 1));
    return text + exponent;
}

}  // namespace tavik
