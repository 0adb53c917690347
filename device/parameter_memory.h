#pragma once
// Floats in a module's parameter memory: four bytes, little-endian, from a
// base address, carried one byte per ReadMemoryByte / WriteMemoryByte command.
// The logger and the frequency meter keep their calibration factors there.
#include <cstdint>

#include "report_exchange.h"

namespace tavik {

// The bit pattern of 1.0, which bytes that could not be read keep.
constexpr uint32_t UnitFloatPattern = 0x3F800000;

// Reads the four bytes through `buffer` (the command's own buffer: an answer
// lands in it, and bytes 5 and 6 of the answer go out with the next request).
// A send or read that fails ends the loop.
TTask<float> ReadMemoryFloat(TInstrumentPort& port, TFrame& buffer, uint16_t base);

// Writes the four bytes, low byte first; a send that fails ends the loop and
// gives false.
TTask<bool> WriteMemoryFloat(TInstrumentPort& port, TFrame& buffer, uint16_t base, float value);

}  // namespace tavik
