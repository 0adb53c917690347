#include "logger_protocol.h"

#include <cmath>

namespace tavik::logger {

TMode ModeOf(uint8_t csr) {
    const bool eightBit = csr & Csr8Bit;
    const bool peak = csr & CsrPeak;
    if (eightBit) return peak ? TMode::EightBitPeak : TMode::EightBit;
    if (!peak) return TMode::TenBit;
    return (csr & CsrChannel2) ? TMode::TenBitPeakChannel2 : TMode::TenBitPeakChannel1;
}

bool CarriesSamples(uint8_t csr) { return (csr & CsrSampleFlags) == CsrSampleFlags; }

bool IsEightBit(TMode mode) { return mode == TMode::EightBit || mode == TMode::EightBitPeak; }

float Volts8(uint8_t raw) { return static_cast<float>(raw * FullScaleVolts * Scale8Bit); }

float Volts10(int16_t raw) { return static_cast<float>(raw * FullScaleVolts * Scale10Bit); }

TSamples DecodeSamples(const TFrame& report) {
    TSamples samples{ModeOf(report[2]), {0, 0, 0, 0}};
    if (IsEightBit(samples.Mode)) {
        for (int i = 0; i < 4; ++i) samples.Values[i] = Volts8(report[3 + i]);
    } else {
        const auto s1 = static_cast<int16_t>(report[3] | (report[4] << 8));
        const auto s2 = static_cast<int16_t>(report[5] | (report[6] << 8));
        samples.Values[0] = Volts10(s1);
        samples.Values[1] = Volts10(s2);
    }
    return samples;
}


}  // namespace tavik::logger
