#include "cli_values.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "common/integer_text.h"
#include "common/strict_number.h"
#include "instruments/generator/frequency_tables.h"

namespace tavik::cli {

namespace {
// One output's list, built once with its labels (with a point): the module's
// clock is fixed, so a frequency is checked before any module is looked for.
struct TList {
    explicit TList(const std::vector<generator::TPrescalerGroup>& groups)
        : Table(std::make_unique<generator::TFreqTable>()), Count(generator::BuildFrequencyTable(groups, *Table)) {
        for (std::size_t i = 0; i < Count; ++i) Labels.push_back(generator::FrequencyLabel((*Table)[i].Frequency, '.'));
    }
    std::unique_ptr<generator::TFreqTable> Table;
    std::size_t Count;
    std::vector<std::string> Labels;

    // The first entry whose label is text, a point and a comma standing for
    // each other.
    std::optional<std::size_t> Labelled(std::string_view text) const {
        auto separator = [](char c) { return c == '.' || c == ','; };
        for (std::size_t i = 0; i < Count; ++i) {
            const std::string& label = Labels[i];
            if (label.size() != text.size()) continue;
            std::size_t at = 0;
            while (at < text.size() && (text[at] == label[at] || (separator(text[at]) && separator(label[at])))) ++at;
            if (at == text.size()) return i;
        }
        return std::nullopt;
    }
};
const TList& ListOf(int output) {
    static const TList out1(generator::OUT1Groups());
    static const TList out2(generator::OUT2Groups());
    return output == 1 ? out1 : out2;
}
}  // namespace

std::optional<double> DecimalOf(std::string text) {
    if (std::count(text.begin(), text.end(), ',') + std::count(text.begin(), text.end(), '.') > 1) return std::nullopt;
    std::replace(text.begin(), text.end(), ',', '.');
    return ParseDecimal(text);
}

bool Choice(const std::string& value, const char* yes, const char* no, std::optional<bool>& target) {
    if (value == yes) target = true;
    else if (value == no) target = false;
    else return false;
    return true;
}

bool ResolveFrequency(TOutputOptions& out, int output) {
    const TList& list = ListOf(output);
    const std::string& text = *out.Frequency;
    if (const auto entry = list.Labelled(text)) {
        out.FreqIndex = static_cast<int>(*entry);
        return true;
    }
    if (text.size() <= 2 || text.compare(text.size() - 2, 2, "Hz") != 0) return false;
    const auto hertz = DecimalOf(text.substr(0, text.size() - 2));
    if (!hertz || *hertz <= 0) return false;
    out.FreqIndex = static_cast<int>(generator::NearestEntry(*list.Table, list.Count, *hertz));
    out.Nearest = true;
    return true;
}

std::optional<std::string> RawOperand(const std::string& what, const std::string& text, int32_t maximum,
                                      const char* hex, int32_t& value) {
    const auto parsed = ParseInteger(text);
    if (!parsed) return "raw: " + what + " is not an integer: " + text;
    if (*parsed < 0 || *parsed > maximum)
        return "raw: " + what + " must be from 0 to " + std::to_string(maximum) + " (" + hex + "), not " + text;
    value = *parsed;
    return std::nullopt;
}

}  // namespace tavik::cli
