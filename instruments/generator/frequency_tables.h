#pragma once
// The frequencies each generator output can make: the module's clock through a
// prescaler and an 8-bit divider, f = 16 500 000 / (2 p (N + 1)). The lists
// hold numbers; a front-end writes an entry's label with FrequencyLabel and
// its own decimal separator.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavik::generator {

constexpr double GeneratorClockHz = 16500000.0;
constexpr std::size_t FreqTableCapacity = 1088;
constexpr std::size_t OUT1EntryCount = 1088;
constexpr std::size_t OUT2EntryCount = 764;

struct TFreqTableEntry {
    float Frequency = 0.0f;  // hertz; 0 in the room a list does not use
    uint8_t PrescalerCode = 0;
    uint8_t Divider = 0;
};

struct TPrescalerGroup {
    uint32_t Prescaler;
    uint8_t Code;
    uint8_t FirstDivider;
};

// Output 1: five groups; output 2: three.
const std::vector<TPrescalerGroup>& OUT1Groups();
const std::vector<TPrescalerGroup>& OUT2Groups();

float EntryFrequency(uint32_t prescaler, uint8_t divider);
// An entry's label: three significant digits in scientific notation
// ("4.13E+6"), rounded on the exact decimal value with halves away from zero;
// trailing zeros kept.
std::string FrequencyLabel(float frequency, char separator);

using TFreqTable = std::array<TFreqTableEntry, FreqTableCapacity>;

// Fills a table from its groups and returns the number of entries used.
std::size_t BuildFrequencyTable(const std::vector<TPrescalerGroup>& groups, TFreqTable& table);
// The entry nearest to hertz (the first of two as near); count is above 0.
std::size_t NearestEntry(const TFreqTable& table, std::size_t count, double hertz);

}  // namespace tavik::generator
