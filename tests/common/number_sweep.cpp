// Prints what the core makes of many numbers: fixed-point and display texts,
// parsed typed numbers, volts, record fields, voltmeter texts, frequency
// results, calibration factors and the generator's lists. Deterministic: the
// same numbers every run, and only integers and the core's own texts are
// printed (no printf of a floating-point value, whose digits belong to the C
// library), so a build for another system or CPU must print the same bytes;
// `make test-windows` compares the Windows build's with this machine's.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/calibration_factor.h"
#include "common/display_number.h"
#include "common/extended_float.h"
#include "common/integer_text.h"
#include "common/number_text.h"
#include "common/strict_number.h"
#include "instruments/freqmeter/frequency_meter.h"
#include "instruments/generator/frequency_tables.h"
#include "instruments/logger/acquisition.h"
#include "instruments/logger/logger.h"
#include "instruments/logger/logger_protocol.h"
#include "instruments/logger/voltmeter_text.h"

namespace tavik {
namespace {

std::string Out;

void Line(const std::string& text) {
    Out += text;
    Out += '\n';
}

std::string Int(int64_t value) {
    char text[24];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string Hex(uint64_t value) {
    char text[20];
    return std::string(text, std::to_chars(text, text + sizeof text, value, 16).ptr);
}

std::string Bits(float value) { return Hex(std::bit_cast<uint32_t>(value)); }
std::string Bits(double value) { return Hex(std::bit_cast<uint64_t>(value)); }

// splitmix64: the same sequence everywhere.
uint64_t State = 0x7A41C0DEULL;
uint64_t Next() {
    uint64_t z = (State += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
int64_t Between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(Next() % static_cast<uint64_t>(high - low + 1));
}
float FactorNear() { return 0.7f + static_cast<float>(Between(0, 600000)) / 1000000.0f; }

// Doubles of every kind: exact decimals and halves, volts, random bit
// patterns, and the edges.
std::vector<double> SweepDoubles() {
    std::vector<double> values = {0.0,     -0.0,    0.5,     1.5,     2.5,    0.0005,  0.00049999999999999999,
                                  9.9995,  99.995,  99999.5, 1e15,    1e16,   1e300,   -1e-300,
                                  std::numeric_limits<double>::max(),        std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),  std::numeric_limits<double>::quiet_NaN()};
    const double powersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    for (int i = 0; i < 3000; ++i)
        values.push_back(static_cast<double>(Between(-20000000, 20000000)) / powersOfTen[Between(0, 7)]);
    for (int i = 0; i < 2000; ++i)
        values.push_back(static_cast<double>(logger::Volts10(static_cast<int16_t>(Between(-512, 1023)))) *
                         FactorNear());
    for (int i = 0; i < 2000; ++i) {
        const double value = std::bit_cast<double>(Next());
        if (std::isfinite(value)) values.push_back(value);
    }
    for (int i = 0; i < 1000; ++i) values.push_back(std::ldexp(static_cast<double>(Between(1, 1 << 24)), static_cast<int>(Between(-40, 40))));
    return values;
}

void FixedTexts(const std::vector<double>& values) {
    Line("== FixedText");
    const int formats[][2] = {{4, 2}, {4, 3}, {5, 3}, {3, 1}, {15, 6}};
    for (double value : values) {
        std::string line = Bits(value);
        for (const auto& format : formats) line += " " + FixedText(value, format[0], format[1], ',');
        line += " " + FixedText(value, 4, 3, '.');
        Line(line);
    }
}

void ParsedTexts(const std::vector<double>& values) {
    Line("== ParseLocaleFloat");
    std::vector<std::string> texts = {"",      " ",      "5,0",    "2,5",    "-0,007", "+1,25",  "1e3",
                                      "1,5E-2", " 3,3 ", "1.5",    ",5",     "5,",     "--1",    "1e39",
                                      "3,4028234e38", "3,4028236e38", "1e-46", "nan", "inf", "0x10", "1,2,3"};
    for (std::size_t i = 0; i < values.size(); i += 3) texts.push_back(FixedText(values[i], 6, 4, ','));
    for (const std::string& text : texts) {
        const auto comma = ParseLocaleFloat(text, ',');
        const auto point = ParseLocaleFloat(text, '.');
        Line("[" + text + "] " + (comma ? Bits(*comma) : "-") + " " + (point ? Bits(*point) : "-"));
    }

    Line("== ParseInteger ParseWhole ParseDecimal");
    std::vector<std::string> words = {"0",   "-0",   "+7",   " 12",  "12 ",  "$10",   "$FFFFFFFF", "x7f",
                                      "0X80000000",  "0x", "2147483647", "2147483648", "-2147483648",
                                      "-2147483649", "$123456789", "1e3", "2.5", "-1e-3", ".5", "5.", "1,5",
                                      "9223372036854775807", "9223372036854775808", "1e309", "-0.0"};
    for (int i = 0; i < 500; ++i) words.push_back(Int(Between(-5000000000LL, 5000000000LL)));
    for (int i = 0; i < 500; ++i) words.push_back("$" + Hex(Next() >> Between(28, 60)));
    for (std::size_t i = 1; i < values.size(); i += 7) words.push_back(FixedText(values[i], 9, 5, '.'));
    for (const std::string& word : words) {
        const auto integer = ParseInteger(word);
        const auto whole = ParseWhole(word);
        const auto decimal = ParseDecimal(word);
        Line("[" + word + "] " + (integer ? Int(*integer) : "-") + " " + (whole ? Int(*whole) : "-") + " " +
             (decimal ? Bits(*decimal) : "-"));
    }
}

void DisplayNumbers() {
    Line("== DisplayNumber");
    const TExtendedFloat kilo = ExtendedReciprocal(1000);
    const TExtendedFloat mega = ExtendedReciprocal(1000000);
    for (int i = 0; i < 3000; ++i) {
        const float value = i < 1500 ? static_cast<float>(Between(-2000000000, 2000000000)) * FactorNear()
                                     : std::ldexp(static_cast<float>(Between(1, 1 << 24)), static_cast<int>(Between(-30, 30)));
        const TExtendedFloat extended = ExtendedOf(value);
        Line(Bits(value) + " " + DisplayNumber(extended, ',') + " " + DisplayNumber(Multiply(extended, kilo), ',') +
             " " + DisplayNumber(Multiply(extended, mega), '.'));
    }
}

void FrequencyResults() {
    Line("== WholeHertz Result ResultText CheckCalibration");
    TInstrumentPort port;
    freqmeter::TFrequencyMeter meter(port);
    const float specials[] = {0.75f, 1.25f, 1.0f, 0.0f, -1.0f, std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
    for (int i = 0; i < 4000; ++i) {
        const auto raw = static_cast<int32_t>(i % 5 == 0 ? Between(-1000, 1000) : Between(-2147483647LL - 1, 2147483647LL));
        const float factor = i % 50 == 0 ? specials[(i / 50) % 7] : FactorNear();
        const auto offset = static_cast<int32_t>(i % 3 == 0 ? 0 : Between(-20000000, 20000000));
        const float result = freqmeter::Result(raw, factor, offset);
        meter.LastRawCount = raw;
        meter.FreqCalFactor = AcceptedFactor(factor);
        const TCalibrationCheck check = meter.CheckCalibration(static_cast<int32_t>(Between(0, 20000000)));
        Line(Int(raw) + " " + Bits(factor) + " " + Int(offset) + " " + Int(freqmeter::WholeHertz(raw, factor)) + " " +
             Bits(result) + " " + freqmeter::ResultText(result, ',') + " " + Int(static_cast<int>(check.Verdict)) +
             " " + Bits(check.Factor));
    }
}

void LoggerNumbers() {
    Line("== Volts8 Volts10");
    for (int raw = 0; raw < 256; ++raw) Line(Int(raw) + " " + Bits(logger::Volts8(static_cast<uint8_t>(raw))));
    for (int raw = -32768; raw < 32768; raw += 37)
        Line(Int(raw) + " " + Bits(logger::Volts10(static_cast<int16_t>(raw))));

    Line("== Reports: points, voltmeter, record fields, calibration");
    TInstrumentPort port;
    logger::TLogger logger(port, ',');
    for (int i = 0; i < 3000; ++i) {
        TFrame report{};
        report[0] = 1;
        report[2] = static_cast<uint8_t>(logger::CsrSampleFlags | Between(0, 7));
        for (int b = 3; b < 7; ++b) report[b] = static_cast<uint8_t>(Next());
        if (i % 4 == 0) {  // 10-bit samples in range
            const auto s1 = static_cast<int16_t>(Between(-512, 1023));
            const auto s2 = static_cast<int16_t>(Between(-512, 1023));
            report[3] = static_cast<uint8_t>(s1);
            report[4] = static_cast<uint8_t>(s1 >> 8);
            report[5] = static_cast<uint8_t>(s2);
            report[6] = static_cast<uint8_t>(s2 >> 8);
        }
        const float k1 = AcceptedFactor(i % 9 == 0 ? 2.0f : FactorNear());
        const float k2 = AcceptedFactor(FactorNear());
        logger::TRecordFields fields;
        const char separator = i % 2 ? ',' : '.';
        const logger::TSamples samples = logger::DecodeSamples(report);
        const logger::TTracePoints points = logger.Acquisition.Process(samples, k1, k2);
        logger::FormatRecordFields(report, samples, k1, k2, separator, fields);
        const TCalibrationCheck c1 = logger.CheckCalibration(1, static_cast<float>(Between(0, 90000)) / 10000.0f);
        std::string line = Hex(report[2]) + " " + Hex(report[3]) + " " + Hex(report[4]) + " " + Hex(report[5]) + " " +
                           Hex(report[6]) + " " + Bits(k1) + " " + Bits(k2);
        for (double point : points.Channel1) line += " " + Bits(point);
        for (double point : points.Channel2) line += " " + Bits(point);
        line += " " + Bits(logger.Acquisition.V1Avg) + " " + Bits(logger.Acquisition.V2Avg);
        line += " [" + logger::VoltmeterText(logger.Acquisition, 1, separator) + "] [" +
                logger::VoltmeterText(logger.Acquisition, 2, separator) + "] ";
        line += std::string_view(fields.Text, fields.Length);
        line += " " + Int(static_cast<int>(c1.Verdict)) + " " + Bits(c1.Factor);
        Line(line);
    }
}

void GeneratorLists() {
    Line("== Frequency tables");
    for (const auto* groups : {&generator::OUT1Groups(), &generator::OUT2Groups()}) {
        auto table = std::make_unique<generator::TFreqTable>();
        const std::size_t count = generator::BuildFrequencyTable(*groups, *table);
        Line("entries " + Int(static_cast<int64_t>(count)));
        for (std::size_t i = 0; i < count; ++i) {
            const generator::TFreqTableEntry& e = (*table)[i];
            Line(generator::FrequencyLabel(e.Frequency, ',') + " " + Bits(e.Frequency) + " " + Int(e.PrescalerCode) + " " + Int(e.Divider));
        }
    }
    Line("== FrequencyLabel");
    for (int i = 0; i < 2000; ++i) {
        const float frequency = i % 2 ? static_cast<float>(Between(1, 20000000)) / static_cast<float>(Between(1, 1000))
                                      : std::bit_cast<float>(static_cast<uint32_t>(Next()));
        if (!std::isfinite(frequency)) continue;
        Line(Bits(frequency) + " " + generator::FrequencyLabel(frequency, ',') + " " +
             generator::FrequencyLabel(frequency, '.'));
    }
}

}  // namespace
}  // namespace tavik

int main() {
    using namespace tavik;
    const std::vector<double> values = SweepDoubles();
    FixedTexts(values);
    ParsedTexts(values);
    DisplayNumbers();
    FrequencyResults();
    LoggerNumbers();
    GeneratorLists();
    std::fwrite(Out.data(), 1, Out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
