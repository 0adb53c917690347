#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tavik {

TDecimalDigits DecimalDigits(long double magnitude) {
    TDecimalDigits d;
    char text[112];
    std::snprintf(text, sizeof text, "%.63Le", magnitude);
    const char* p = text;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.Digits[d.Count++] = *p;
    d.Exponent = *p ? std::atoi(p + 1) + 1 : 0;
    return d;
}

bool RoundDecimal(TDecimalDigits& d, int keep) {
    if (keep < 0) return false;
    bool up = false;
    if (keep < d.Count) {
        up = d.Digits[keep] >= '5';
        d.Count = keep;
    }
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[i] == '9') d.Digits[i--] = '0';
        if (i >= 0) {
            ++d.Digits[i];
        } else {
            std::memmove(d.Digits + 1, d.Digits, static_cast<std::size_t>(keep));
            d.Digits[0] = '1';
            ++d.Count;
            ++d.Exponent;
        }
        return true;
    }
    for (int i = 0; i < d.Count; ++i)
        if (d.Digits[i] != '0') return true;
    return false;
}

std::size_t FixedTextTo(char* out, double x, int precision, int decimals, char separator) {
    std::size_t n = 0;
    if (!std::isfinite(x)) {
        const char* text = std::isnan(x) ? "NAN" : (x > 0 ? "INF" : "-INF");
        std::strcpy(out, text);
        return std::strlen(text);
    }
    const bool negative = std::signbit(x);
    TDecimalDigits d = DecimalDigits(std::fabs(static_cast<long double>(x)));
    const bool zero = std::fabs(x) == 0.0;
    if (!zero && d.Exponent > precision) {
        // Scientific: `precision` significant digits, exponent of at least
        // `decimals` digits.
        const bool nonZero = RoundDecimal(d, precision);
        (void)nonZero;
        if (negative) out[n++] = '-';
        out[n++] = d.At(0);
        out[n++] = separator;
        for (int i = 1; i < precision; ++i) out[n++] = d.At(i);
        out[n++] = 'E';
        const int exponent = d.Exponent - 1;
        out[n++] = exponent < 0 ? '-' : '+';
        char digits[16];
        const int len = std::snprintf(digits, sizeof digits, "%0*d", decimals, std::abs(exponent));
        std::memcpy(out + n, digits, static_cast<std::size_t>(len));
        n += static_cast<std::size_t>(len);
        out[n] = '\0';
        return n;
    }
    int places = precision - d.Exponent;  // decimals allowed by the significant digits
    if (places > decimals) places = decimals;
    const bool nonZero = !zero && RoundDecimal(d, d.Exponent + places);
    if (negative && nonZero) out[n++] = '-';
    if (!nonZero) {
        out[n++] = '0';
    } else if (d.Exponent <= 0) {
        out[n++] = '0';
    } else {
        for (int i = 0; i < d.Exponent; ++i) out[n++] = d.At(i);
    }
    if (decimals > 0) {
        out[n++] = separator;
        for (int i = 0; i < decimals; ++i) out[n++] = nonZero ? d.At(d.Exponent + i) : '0';
    }
    out[n] = '\0';
    return n;
}

std::string FixedText(double x, int precision, int decimals, char separator) {
    char buffer[96];
    const std::size_t length = FixedTextTo(buffer, x, precision, decimals, separator);
    return std::string(buffer, length);
}

std::optional<float> ParseLocaleFloat(std::string_view text, char separator) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (i < n && blank(text[i])) ++i;
    std::size_t end = n;
    while (end > i && blank(text[end - 1])) --end;
    if (i == end) return std::nullopt;

    // Rebuild the number with a point so that from_chars (which ignores the
    // process locale) can read it.
    char plain[128];
    std::size_t p = 0;
    auto put = [&](char c) {
        if (p + 1 >= sizeof plain) return false;
        plain[p++] = c;
        return true;
    };
    if (text[i] == '+' || text[i] == '-') {
        if (text[i] == '-' && !put('-')) return std::nullopt;
        ++i;
    }
    std::size_t digits = 0;
    while (i < end && text[i] >= '0' && text[i] <= '9') {
        if (!put(text[i++])) return std::nullopt;
        ++digits;
    }
    if (i < end && text[i] == separator) {
        ++i;
        if (!put('.')) return std::nullopt;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            if (!put(text[i++])) return std::nullopt;
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (!put('e')) return std::nullopt;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            if (!put(text[i++])) return std::nullopt;
        }
        std::size_t exponentDigits = 0;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            if (!put(text[i++])) return std::nullopt;
            ++exponentDigits;
        }
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != end) return std::nullopt;

    double value = 0;
    const auto result = std::from_chars(plain, plain + p, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small to tell from zero is zero; too large does not fit.
        if (std::fabs(value) >= 1.0 || value == 0.0) {
            // from_chars leaves value untouched on range errors: decide by the
            // exponent's sign instead.
            const char* e = static_cast<const char*>(std::memchr(plain, 'e', p));
            if (e && e[1] == '-') return plain[0] == '-' ? -0.0f : 0.0f;
            return std::nullopt;
        }
    } else if (result.ec != std::errc() || result.ptr != plain + p) {
        return std::nullopt;
    }
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) return std::nullopt;
    return static_cast<float>(value);
}

}  // namespace tavik
