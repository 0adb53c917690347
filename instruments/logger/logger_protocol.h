#pragma once
// The logger module's control register, its measurement report layouts and the
// conversion of samples to volts.
#include <cstdint>

#include "device/report_exchange.h"

namespace tavik::logger {

// CSR bits.
constexpr uint8_t CsrChannel2 = 0x01;     // channel select (10-bit peak mode)
constexpr uint8_t Csr8Bit = 0x02;         // resolution: set 8 bit, clear 10 bit
constexpr uint8_t CsrPeak = 0x04;         // peak mode
constexpr uint8_t CsrSampleFlags = 0x18;  // both set: the report carries samples
constexpr uint8_t CsrSettingBits = 0x07;  // the bits the program sets

// Parameter memory: the calibration factors, little-endian 32-bit floats.
constexpr uint16_t CalFactor1Address = 16;
constexpr uint16_t CalFactor2Address = 20;

constexpr double FullScaleVolts = 7.5315;
constexpr double Scale8Bit = 1.0 / 256;
constexpr double Scale10Bit = 1.0 / 1024;

enum class TMode { EightBit, EightBitPeak, TenBit, TenBitPeakChannel1, TenBitPeakChannel2 };

TMode ModeOf(uint8_t csr);
bool CarriesSamples(uint8_t csr);
bool IsEightBit(TMode mode);

// Uncalibrated volts, formed in double and kept as a 32-bit float.
float Volts8(uint8_t raw);
float Volts10(int16_t raw);

// The four sample values of a measurement report, in volts: for the 8-bit
// layouts a1, b1, a2, b2; for the 10-bit layouts s1, s2 in the first two.
struct TSamples {
    TMode Mode;
    float Values[4];
};
TSamples DecodeSamples(const TFrame& report);


}  // namespace tavik::logger
