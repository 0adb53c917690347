#include "frequency_tables.h"

#include <cmath>

#include "common/number_text.h"

namespace tavik::generator {

const std::vector<TPrescalerGroup>& OUT1Groups() {
    static const std::vector<TPrescalerGroup> groups = {
        {1, 1, 0}, {8, 2, 32}, {64, 3, 32}, {256, 4, 64}, {1024, 5, 64}};
    return groups;
}

const std::vector<TPrescalerGroup>& OUT2Groups() {
    static const std::vector<TPrescalerGroup> groups = {{1, 1, 0}, {256, 9, 0}, {16384, 15, 4}};
    return groups;
}

float EntryFrequency(uint32_t prescaler, uint8_t divider) {
    return static_cast<float>(GeneratorClockHz / (2.0 * prescaler * (divider + 1.0)));
}

std::string FrequencyLabel(float frequency, char separator) {
    TDecimalDigits d = DecimalDigits(static_cast<double>(frequency));
    RoundDecimal(d, 3);
    std::string label;
    label += d.At(0);
    label += separator;
    label += d.At(1);
    label += d.At(2);
    label += "E+";
    label += std::to_string(d.Exponent - 1);
    return label;
}

std::size_t BuildFrequencyTable(const std::vector<TPrescalerGroup>& groups, TFreqTable& table) {
    std::size_t index = 0;
    for (const TPrescalerGroup& group : groups) {
        for (unsigned n = group.FirstDivider; n <= 255; ++n) {
            TFreqTableEntry& entry = table[index++];
            const auto divider = static_cast<uint8_t>(n);
            entry.Frequency = EntryFrequency(group.Prescaler, divider);
            entry.PrescalerCode = group.Code;
            entry.Divider = divider;
        }
    }
    return index;
}

std::size_t NearestEntry(const TFreqTable& table, std::size_t count, double hertz) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < count; ++i)
        if (std::fabs(table[i].Frequency - hertz) < std::fabs(table[best].Frequency - hertz)) best = i;
    return best;
}

}  // namespace tavik::generator
