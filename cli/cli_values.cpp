#include "cli_values.h"

#include <algorithm>
#include <memory>

#include "common/integer_text.h"
#include "common/strict_number.h"
#include "instruments/generator/frequency_tables.h"

namespace tavik::cli {

namespace {
// Both outputs' lists, built once: the module's clock is fixed, so a
// frequency is checked before any module is looked for.
struct TTables {
    std::unique_ptr<generator::TFreqTable> Out1 = std::make_unique<generator::TFreqTable>();
    std::unique_ptr<generator::TFreqTable> Out2 = std::make_unique<generator::TFreqTable>();
    std::size_t Count1 = generator::BuildFrequencyTable(generator::OUT1Groups(), *Out1, '.');
    std::size_t Count2 = generator::BuildFrequencyTable(generator::OUT2Groups(), *Out2, '.');
};
const TTables& Tables() {
    static const TTables tables;
    return tables;
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
    const TTables& t = Tables();
    const generator::TFreqTable& table = output == 1 ? *t.Out1 : *t.Out2;
    const std::size_t count = output == 1 ? t.Count1 : t.Count2;
    const std::string& text = *out.Frequency;
    if (const auto entry = generator::EntryLabelled(table, count, text)) {
        out.FreqIndex = static_cast<int>(*entry);
        return true;
    }
    if (text.size() <= 2 || text.compare(text.size() - 2, 2, "Hz") != 0) return false;
    const auto hertz = DecimalOf(text.substr(0, text.size() - 2));
    if (!hertz || *hertz <= 0) return false;
    out.FreqIndex = static_cast<int>(generator::NearestEntry(table, count, *hertz));
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
