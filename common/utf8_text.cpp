#include "utf8_text.h"

namespace tavik {

namespace {
constexpr char32_t Replacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void Append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
// The scalar value of the sequence at text[i] and its length; 0 when it is
// not a whole, shortest sequence of a scalar value.
std::size_t Decode(std::string_view text, std::size_t i, char32_t& value) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        value = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(k) & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < minimum || value > 0x10FFFF || surrogate ? 0 : length;
}
}  // namespace

std::u16string Utf16Of(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = Decode(text, i, c);
        if (length == 0) {
            out += static_cast<char16_t>(Replacement);
            ++i;
            continue;
        }
        i += length;
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string Utf8Of(std::wstring_view text) {
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        return Utf8Of(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
    } else {
        std::string out;
        out.reserve(text.size());
        for (const wchar_t c : text) {
            const auto value = static_cast<char32_t>(c);
            Append(out, value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ? Replacement : value);
        }
        return out;
    }
}

std::wstring WideOf(std::string_view text) {
    const std::u16string utf16 = Utf16Of(text);
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        return std::wstring(utf16.begin(), utf16.end());
    } else {
        std::wstring out;
        out.reserve(utf16.size());
        for (std::size_t i = 0; i < utf16.size(); ++i) {
            const char16_t c = utf16[i];
            // Utf16Of pairs every surrogate it writes.
            if (IsHighSurrogate(c) && i + 1 < utf16.size()) {
                out += static_cast<wchar_t>(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (utf16[++i] - 0xDC00));
            } else {
                out += static_cast<wchar_t>(c);
            }
        }
        return out;
    }
}

std::string Utf8Of(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            Append(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            Append(out, Replacement);
        } else {
            Append(out, c);
        }
    }
    return out;
}

}  // namespace tavik
