#pragma once
// A strict JSON parser (RFC 8259) for tests that read machine output: the
// whole text is one value, numbers have a point and no leading zeros, strings
// are valid UTF-8 with nothing unescaped below U+0020, an object names each
// member once. Anything else is refused with the reason.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavik::test {

struct TJsonValue {
    enum class TKind { Null, Bool, Number, String, Array, Object } Kind = TKind::Null;
    bool Bool = false;
    double Number = 0;
    std::string String;
    std::vector<TJsonValue> Array;
    std::vector<std::pair<std::string, TJsonValue>> Object;

    // The member of an object, or nothing.
    const TJsonValue* Find(std::string_view name) const;
};

std::optional<TJsonValue> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace tavik::test
