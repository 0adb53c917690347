#pragma once
// tavik-cli's output lines: text in the window's own words, or one JSON object
// per line. Plain functions of what they print.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavik::cli {

std::string JsonString(std::string_view text);

// One HID interface with the modules' vendor and product IDs.
struct TListEntry {
    std::string Kind;    // logger, generator, freqmeter or unknown
    std::string Reason;  // for unknown: why
    std::string Product;
    std::string Manufacturer;
    std::string Path;
    std::string Serial;  // empty: none
    bool ReadWrite = false;
    bool Bound = false;
    std::vector<std::pair<std::string, float>> Factors;  // name, value; bound modules only
};
std::string ListLine(const TListEntry& entry, bool json, char separator);

// The voltmeter: volts are calibrated, nothing where the channel shows NA.
struct TVoltmeter {
    std::optional<double> V1;
    std::optional<double> V2;
    std::string V1Text;
    std::string V2Text;
};
std::string LoggerLine(const std::string& time, const TVoltmeter& voltmeter, bool json);

struct TFrequency {
    long long Hertz = 0;
    std::string Result;
    bool InputIn = false;
};
std::string FrequencyLine(const std::string& time, const TFrequency& frequency, bool json);

// A module bound or gone.
std::string EventLine(const std::string& time, const std::string& module, bool bound, bool json);
// A bound module that stops answering, or answers again: as standard error
// tells it, and in --json.
std::string AnsweringText(const std::string& module, bool answering);
std::string AnsweringLine(const std::string& time, const std::string& module, bool answering);

}  // namespace tavik::cli
