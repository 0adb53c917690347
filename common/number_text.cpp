#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tavik {

namespace {
// A non-negative integer in base 10^9, least significant limb first: room for
// the 770 digits of the smallest double's expansion.
class TDecimalInteger {
public:
    explicit TDecimalInteger(uint64_t value) {
        do {
            Limbs_[Count_++] = static_cast<uint32_t>(value % Base);
            value /= Base;
        } while (value != 0);
    }
    void Multiply(uint32_t factor) {
        uint64_t carry = 0;
        for (int i = 0; i < Count_; ++i) {
            const uint64_t product = static_cast<uint64_t>(Limbs_[i]) * factor + carry;
            Limbs_[i] = static_cast<uint32_t>(product % Base);
            carry = product / Base;
        }
        while (carry != 0 && Count_ < Capacity) {
            Limbs_[Count_++] = static_cast<uint32_t>(carry % Base);
            carry /= Base;
        }
    }
    // Multiplies by base^power, in steps that keep each factor below 2^32.
    void MultiplyByPower(uint32_t base, int power, int step) {
        uint32_t chunk = 1;
        for (int i = 0; i < step; ++i) chunk *= base;
        for (; power >= step; power -= step) Multiply(chunk);
        uint32_t last = 1;
        for (int i = 0; i < power; ++i) last *= base;
        Multiply(last);
    }
    // Every decimal digit, most significant first; returns how many there are
    // and writes at most `room` of them.
    int Digits(char* out, int room) const {
        char top[16];
        const int topLength = std::snprintf(top, sizeof top, "%u", Limbs_[Count_ - 1]);
        int written = 0;
        auto put = [&](char c) {
            if (written < room) out[written] = c;
            ++written;
        };
        for (int i = 0; i < topLength; ++i) put(top[i]);
        for (int limb = Count_ - 2; limb >= 0; --limb) {
            uint32_t value = Limbs_[limb];
            char part[9];
            for (int i = 8; i >= 0; --i, value /= 10) part[i] = static_cast<char>('0' + value % 10);
            for (char c : part) put(c);
        }
        return written;
    }

private:
    static constexpr uint32_t Base = 1000000000;
    static constexpr int Capacity = 100;
    uint32_t Limbs_[Capacity] = {};
    int Count_ = 0;
};
}  // namespace

TDecimalDigits DecimalDigits(uint64_t significand, int exponent) {
    TDecimalDigits d;
    // Factors of two below the point only add trailing zeros to the expansion.
    while (significand != 0 && (significand & 1) == 0 && exponent < 0) {
        significand >>= 1;
        ++exponent;
    }
    if (significand == 0 || exponent < -1100 || exponent > 1000) {
        d.Digits[0] = '0';
        d.Count = 1;
        d.Exponent = 1;
        return d;
    }
    TDecimalInteger value(significand);
    // significand * 2^e = significand * 5^-e / 10^-e for a negative e.
    if (exponent >= 0)
        value.MultiplyByPower(2, exponent, 31);
    else
        value.MultiplyByPower(5, -exponent, 13);
    const int length = value.Digits(d.Digits, 64);
    d.Count = length < 64 ? length : 64;
    while (d.Count > 1 && d.Digits[d.Count - 1] == '0') --d.Count;
    d.Exponent = exponent >= 0 ? length : length + exponent;
    return d;
}

TDecimalDigits DecimalDigits(double value) {
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);  // exact
    return DecimalDigits(static_cast<uint64_t>(std::ldexp(fraction, 53)), exponent - 53);
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
    TDecimalDigits d = DecimalDigits(x);
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
    // process locale) can read it. Typed text may be of any length.
    std::string plain;
    plain.reserve(end - i + 1);
    if (text[i] == '+' || text[i] == '-') {
        if (text[i] == '-') plain += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < end && text[i] >= '0' && text[i] <= '9') {
        plain += text[i++];
        ++digits;
    }
    if (i < end && text[i] == separator) {
        ++i;
        plain += '.';
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            plain += text[i++];
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        plain += 'e';
        if (i < end && (text[i] == '+' || text[i] == '-')) plain += text[i++];
        std::size_t exponentDigits = 0;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            plain += text[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != end) return std::nullopt;

    double value = 0;
    const char* first = plain.data();
    const char* last = first + plain.size();
    const auto result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small to tell from zero is zero; too large does not fit.
        if (std::fabs(value) >= 1.0 || value == 0.0) {
            // from_chars leaves value untouched on range errors: decide by the
            // exponent's sign instead.
            const std::size_t e = plain.find('e');
            if (e != std::string::npos && plain[e + 1] == '-') return plain[0] == '-' ? -0.0f : 0.0f;
            return std::nullopt;
        }
    } else if (result.ec != std::errc() || result.ptr != last) {
        return std::nullopt;
    }
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) return std::nullopt;
    return static_cast<float>(value);
}

}  // namespace tavik
