#include "cli_output.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/number_text.h"

namespace tavik::cli {

namespace {
// JSON numbers have a point whatever the locale says: to_chars ignores it,
// where printf follows LC_NUMERIC.
std::string Number(double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9).ptr;
    return std::string(text, end);
}

// A factor as the float it is, in the fewest digits that give it back.
std::string Number(float value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string Volts(const std::optional<double>& volts) { return volts ? Number(*volts) : "null"; }
}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string ListLine(const TListEntry& e, bool json, char separator) {
    if (json) {
        std::string line = "{\"kind\":" + JsonString(e.Kind);
        if (!e.Reason.empty()) line += ",\"reason\":" + JsonString(e.Reason);
        line += ",\"product\":" + JsonString(e.Product) + ",\"manufacturer\":" + JsonString(e.Manufacturer) +
                ",\"path\":" + JsonString(e.Path) + (e.Serial.empty() ? "" : ",\"serial\":" + JsonString(e.Serial)) +
                ",\"read_write\":" + (e.ReadWrite ? "true" : "false") +
                ",\"bound\":" + (e.Bound ? "true" : "false");
        for (const auto& [name, value] : e.Factors) line += ",\"" + name + "\":" + Number(value);
        return line + "}";
    }
    std::string line = e.Kind;
    if (!e.Reason.empty()) line += " (" + e.Reason + ")";
    line += "  \"" + e.Product + "\"  \"" + e.Manufacturer + "\"  " + e.Path;
    if (!e.Serial.empty()) line += "  serial " + e.Serial;
    line += e.ReadWrite ? "  read/write" : "  no access";
    if (e.Bound) line += "  bound";
    for (const auto& [name, value] : e.Factors) line += "  " + name + " = " + FixedText(value, 7, 6, separator);
    return line;
}

std::string LoggerLine(const std::string& time, const TVoltmeter& v, bool json) {
    if (!json) return time + "  logger  " + v.V1Text + "  " + v.V2Text;
    return "{\"time\":" + JsonString(time) + ",\"module\":\"logger\",\"v1\":" + Volts(v.V1) + ",\"v2\":" + Volts(v.V2) +
           ",\"v1_text\":" + JsonString(v.V1Text) + ",\"v2_text\":" + JsonString(v.V2Text) + "}";
}

std::string FrequencyLine(const std::string& time, const TFrequency& f, bool json) {
    if (!json) return time + "  freqmeter  " + std::to_string(f.Hertz) + " Гц  " + f.Result + (f.InputIn ? "  IN" : "");
    return "{\"time\":" + JsonString(time) + ",\"module\":\"freqmeter\",\"hz\":" + std::to_string(f.Hertz) +
           ",\"result\":" + JsonString(f.Result) + ",\"in\":" + (f.InputIn ? "true" : "false") + "}";
}

std::string EventLine(const std::string& time, const std::string& module, bool bound, bool json) {
    const char* event = bound ? "bound" : "unbound";
    if (!json) return time + "  " + module + "  " + event;
    return "{\"time\":" + JsonString(time) + ",\"module\":" + JsonString(module) + ",\"event\":\"" + event + "\"}";
}

std::string AnsweringText(const std::string& module, bool answering) {
    return "the " + module + (answering ? " answers again" : " is not answering");
}

std::string AnsweringLine(const std::string& time, const std::string& module, bool answering) {
    return "{\"time\":" + JsonString(time) + ",\"module\":" + JsonString(module) +
           ",\"answering\":" + (answering ? "true" : "false") + "}";
}

}  // namespace tavik::cli
