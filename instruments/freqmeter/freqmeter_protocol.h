#pragma once
// The frequency meter module's measurement report and its parameter memory.
#include <cstdint>

#include "device/report_exchange.h"

namespace tavik::freqmeter {

// Byte 2 of a measurement report: the state of the IN input.
constexpr uint8_t InputInBit = 0x01;

// Parameter memory: the calibration factor, a little-endian 32-bit float.
constexpr uint16_t CalFactorAddress = 16;

// The count of a measurement report: bytes 3-6, little-endian, signed.
int32_t RawCountOf(const TFrame& report);
inline bool InputInOf(const TFrame& report) { return (report[2] & InputInBit) != 0; }

}  // namespace tavik::freqmeter
