#include "logger_commands.h"

#include <cstring>

#include "logger_protocol.h"

namespace tavik::logger {

void TLoggerCommands::Begin(TFrame& frame, uint8_t code) {
    frame[0] = code;
    frame[1] = Port_.NextSequence();
}

void TLoggerCommands::RequestMeasurement() {
    if (!Port_.Present()) return;
    Begin(MeasurementBuffer, CmdRequestMeasurement);
    SealCommand(MeasurementBuffer);
    Port_.SendReport(MeasurementBuffer);
}

void TLoggerCommands::SendControl() {
    if (!Port_.Present()) return;
    Begin(ControlBuffer, CmdSetControl);
    for (int i = 3; i <= 6; ++i) ControlBuffer[i] = 0;
    SealCommand(ControlBuffer);
    Port_.SendReport(ControlBuffer);
}

float TLoggerCommands::ReadFactor(uint16_t base) {
    // Bytes that could not be read keep the pattern of 1.0.
    uint8_t bytes[4] = {0x00, 0x00, 0x80, 0x3F};
    for (uint16_t i = 0; i < 4; ++i) {
        const uint16_t address = base + i;
        Begin(MemoryReadBuffer, CmdReadMemoryByte);
        MemoryReadBuffer[2] = static_cast<uint8_t>(address & 0xFF);
        MemoryReadBuffer[3] = static_cast<uint8_t>(address >> 8);
        MemoryReadBuffer[4] = 0;
        SealCommand(MemoryReadBuffer);
        if (!Port_.SendReport(MemoryReadBuffer)) break;
        if (!Port_.ReadReport(MemoryReadBuffer)) break;
        bytes[i] = MemoryReadBuffer[4];
    }
    float value;
    std::memcpy(&value, bytes, sizeof value);
    return AcceptedFactor(value);
}

void TLoggerCommands::ReadCalibrationFactors() {
    if (!Port_.Present()) return;
    CalFactor1 = ReadFactor(CalFactor1Address);
    CalFactor2 = ReadFactor(CalFactor2Address);
}

void TLoggerCommands::WriteCalibrationFactor(int channel, float value) {
    if (!Port_.Present()) return;
    const uint16_t base = channel == 1 ? CalFactor1Address : CalFactor2Address;
    uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    for (uint16_t i = 0; i < 4; ++i) {
        const uint16_t address = base + i;
        Begin(MemoryWriteBuffer, CmdWriteMemoryByte);
        MemoryWriteBuffer[2] = static_cast<uint8_t>(address & 0xFF);
        MemoryWriteBuffer[3] = static_cast<uint8_t>(address >> 8);
        MemoryWriteBuffer[4] = bytes[i];
        MemoryWriteBuffer[5] = 0;
        MemoryWriteBuffer[6] = 0;
        SealCommand(MemoryWriteBuffer);
        if (!Port_.SendReport(MemoryWriteBuffer)) break;
    }
}

}  // namespace tavik::logger
