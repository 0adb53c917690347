#include "parameter_memory.h"

#include <bit>

namespace tavik {

namespace {
void Address(TFrame& frame, uint16_t address) {
    frame[2] = static_cast<uint8_t>(address & 0xFF);
    frame[3] = static_cast<uint8_t>(address >> 8);
}
}  // namespace

TTask<float> ReadMemoryFloat(TInstrumentPort& port, TFrame& buffer, uint16_t base) {
    uint32_t pattern = UnitFloatPattern;
    for (uint16_t i = 0; i < 4; ++i) {
        port.BeginCommand(buffer, CmdReadMemoryByte);
        Address(buffer, static_cast<uint16_t>(base + i));
        buffer[4] = 0;
        SealCommand(buffer);
        if (!co_await port.Send(buffer)) break;
        if (!co_await port.Read(buffer)) break;
        const unsigned shift = 8u * i;
        pattern = (pattern & ~(0xFFu << shift)) | (static_cast<uint32_t>(buffer[4]) << shift);
    }
    co_return std::bit_cast<float>(pattern);
}

TTask<bool> WriteMemoryFloat(TInstrumentPort& port, TFrame& buffer, uint16_t base, float value) {
    const uint32_t pattern = std::bit_cast<uint32_t>(value);
    for (uint16_t i = 0; i < 4; ++i) {
        port.BeginCommand(buffer, CmdWriteMemoryByte);
        Address(buffer, static_cast<uint16_t>(base + i));
        buffer[4] = static_cast<uint8_t>(pattern >> (8u * i));
        buffer[5] = 0;
        buffer[6] = 0;
        SealCommand(buffer);
        if (!co_await port.Send(buffer)) co_return false;
    }
    co_return true;
}

}  // namespace tavik
