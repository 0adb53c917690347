#include "json_value.h"

#include <charconv>

namespace tavik::test {

const TJsonValue* TJsonValue::Find(std::string_view name) const {
    for (const auto& [key, value] : Object)
        if (key == name) return &value;
    return nullptr;
}

namespace {

class TParser {
public:
    explicit TParser(std::string_view text) : Text_(text) {}

    std::optional<TJsonValue> Document(std::string* error) {
        TJsonValue value;
        Blanks();
        const bool ok = Value(value, 0) && (Blanks(), At_ == Text_.size() || Fail("text after the value"));
        if (!ok) {
            if (error) *error = Error_ + " at offset " + std::to_string(At_);
            return std::nullopt;
        }
        return value;
    }

private:
    bool Fail(const char* why) {
        if (Error_.empty()) Error_ = why;
        return false;
    }
    bool More() const { return At_ < Text_.size(); }
    char Peek() const { return More() ? Text_[At_] : '\0'; }
    void Blanks() {
        while (More() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++At_;
    }
    bool Literal(std::string_view word) {
        if (Text_.substr(At_, word.size()) != word) return Fail("not a JSON value");
        At_ += word.size();
        return true;
    }

    bool Value(TJsonValue& out, int depth) {
        if (depth > 64) return Fail("nested too deep");
        switch (Peek()) {
        case '{': return Object(out, depth);
        case '[': return Array(out, depth);
        case '"': out.Kind = TJsonValue::TKind::String; return String(out.String);
        case 't': out.Kind = TJsonValue::TKind::Bool; out.Bool = true; return Literal("true");
        case 'f': out.Kind = TJsonValue::TKind::Bool; out.Bool = false; return Literal("false");
        case 'n': out.Kind = TJsonValue::TKind::Null; return Literal("null");
        default: return Number(out);
        }
    }

    bool Object(TJsonValue& out, int depth) {
        out.Kind = TJsonValue::TKind::Object;
        ++At_;
        Blanks();
        if (Peek() == '}') return ++At_, true;
        while (true) {
            std::string name;
            Blanks();
            if (Peek() != '"') return Fail("a member name must be a string");
            if (!String(name)) return false;
            if (out.Find(name)) return Fail("a member named twice");
            Blanks();
            if (Peek() != ':') return Fail("':' missing");
            ++At_;
            Blanks();
            TJsonValue value;
            if (!Value(value, depth + 1)) return false;
            out.Object.emplace_back(std::move(name), std::move(value));
            Blanks();
            if (Peek() == '}') return ++At_, true;
            if (Peek() != ',') return Fail("',' or '}' missing");
            ++At_;
        }
    }

    bool Array(TJsonValue& out, int depth) {
        out.Kind = TJsonValue::TKind::Array;
        ++At_;
        Blanks();
        if (Peek() == ']') return ++At_, true;
        while (true) {
            Blanks();
            TJsonValue value;
            if (!Value(value, depth + 1)) return false;
            out.Array.push_back(std::move(value));
            Blanks();
            if (Peek() == ']') return ++At_, true;
            if (Peek() != ',') return Fail("',' or ']' missing");
            ++At_;
        }
    }

    bool Digits() {
        const std::size_t start = At_;
        while (More() && Peek() >= '0' && Peek() <= '9') ++At_;
        return At_ > start;
    }

    bool Number(TJsonValue& out) {
        const std::size_t start = At_;
        if (Peek() == '-') ++At_;
        if (Peek() == '0') ++At_;
        else if (!Digits()) return Fail("not a JSON value");
        if (Peek() == '.' && (++At_, !Digits())) return Fail("digits missing after the point");
        if (Peek() == 'e' || Peek() == 'E') {
            ++At_;
            if (Peek() == '+' || Peek() == '-') ++At_;
            if (!Digits()) return Fail("digits missing in the exponent");
        }
        out.Kind = TJsonValue::TKind::Number;
        const auto result = std::from_chars(Text_.data() + start, Text_.data() + At_, out.Number);
        if (result.ec != std::errc()) return Fail("a number out of range");
        return true;
    }

    bool Hex4(char32_t& code) {
        if (Text_.size() - At_ < 4) return Fail("\\u needs four hex digits");
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Text_[At_++];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0) return Fail("\\u needs four hex digits");
            code = code * 16 + static_cast<char32_t>(digit);
        }
        return true;
    }

    static void Append(std::string& out, char32_t c) {
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

    // One UTF-8 sequence, checked: shortest form, no surrogates, at most U+10FFFF.
    bool Utf8(std::string& out) {
        const auto lead = static_cast<unsigned char>(Text_[At_]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || Text_.size() - At_ < static_cast<std::size_t>(length)) return Fail("not UTF-8");
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            const auto c = static_cast<unsigned char>(Text_[At_ + i]);
            if ((c & 0xC0) != 0x80) return Fail("not UTF-8");
            code = (code << 6) | (c & 0x3F);
        }
        static constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < Least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return Fail("not UTF-8");
        out.append(Text_.substr(At_, static_cast<std::size_t>(length)));
        At_ += static_cast<std::size_t>(length);
        return true;
    }

    bool String(std::string& out) {
        ++At_;
        while (true) {
            if (!More()) return Fail("a string without its end");
            const char c = Peek();
            if (c == '"') return ++At_, true;
            if (static_cast<unsigned char>(c) < 0x20) return Fail("a control character in a string");
            if (c != '\\') {
                if (!Utf8(out)) return false;
                continue;
            }
            ++At_;
            const char escape = Peek();
            ++At_;
            switch (escape) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                char32_t code;
                if (!Hex4(code)) return false;
                if (code >= 0xD800 && code <= 0xDBFF) {
                    char32_t low;
                    if (Text_.substr(At_, 2) != "\\u" || (At_ += 2, !Hex4(low)) || low < 0xDC00 || low > 0xDFFF)
                        return Fail("a surrogate without its partner");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    return Fail("a surrogate without its partner");
                }
                Append(out, code);
                break;
            }
            default: return Fail("an unknown escape");
            }
        }
    }

    std::string_view Text_;
    std::size_t At_ = 0;
    std::string Error_;
};

}  // namespace

std::optional<TJsonValue> ParseJson(std::string_view text, std::string* error) { return TParser(text).Document(error); }

}  // namespace tavik::test
