#pragma once
// The generator module's control report and its byte read/write commands:
// what each byte holds. The module answers only the raw read.
#include <array>
#include <cstddef>
#include <cstdint>

#include "device/report_exchange.h"
#include "frequency_tables.h"

namespace tavik::generator {

// Output flags, byte 2 of the control report.
constexpr uint8_t FlagOUT1FromPC = 0x01;
constexpr uint8_t FlagOUT2FromPC = 0x02;
constexpr uint8_t FlagOUT1High = 0x04;
constexpr uint8_t FlagOUT2High = 0x08;
constexpr uint8_t FlagOUT3High = 0x10;
constexpr uint8_t FlagChannel2Frequency = 0x20;  // bytes 3-6 concern output 2

// Bytes 3-6 of the control report: the frequency of one output. Output 1:
// a marker, then the prescaler code; output 2: the prescaler code in the
// marker's low bits, then a fixed byte. The divider follows; byte 6 is 0.
constexpr uint8_t OUT1FrequencyMarker = 0x42;
constexpr uint8_t OUT1PrescalerMask = 0x07;
constexpr uint8_t OUT2FrequencyMarker = 0x80;
constexpr uint8_t OUT2PrescalerMask = 0x0F;
constexpr uint8_t OUT2FrequencyByte4 = 0x10;

// The raw commands: the address low byte first in bytes 2 and 3, the data (or
// in the read's answer, the byte read) in byte 4.
constexpr std::size_t RawDataByte = 4;

enum class TSource : uint8_t { Generator, PC };

// What one control report sets: the levels of all three outputs, and the
// source of at most one of the two switchable outputs, with its frequency when
// the generator drives it. The other output keeps what the module was last
// told, and so do the frequency bytes when the source is the PC.
struct TGeneratorOutputs {
    int Output = 0;  // 1 or 2: the output whose source this report sets; 0: levels alone
    TSource Source = TSource::Generator;
    std::size_t FreqIndex = 0;  // with the generator as source: the entry of that output's list
    std::array<bool, 3> High{};  // outputs 1, 2 and 3
};

// Writes bytes 2-6 of a control report for the outputs; entry is the list
// entry of the output's frequency (null with the PC as source, or for levels
// alone). Bytes the report does not concern keep their values.
void PutOutputs(TFrame& report, const TGeneratorOutputs& outputs, const TFreqTableEntry* entry);

// Bytes 2 and 3 of a raw command.
void PutRawAddress(TFrame& frame, uint16_t address);

}  // namespace tavik::generator
