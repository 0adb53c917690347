#pragma once
// The commands the program sends the logger module, each built in its own
// buffer that lives for the whole run: a command rewrites only its own bytes.
#include "device/report_exchange.h"

namespace tavik::logger {

class TLoggerCommands {
public:
    explicit TLoggerCommands(TInstrumentPort& port) : Port_(port) {}

    TFrame MeasurementBuffer{};  // command 1; every report the cycle reads lands here
    TFrame ControlBuffer{};      // command 2; byte 2 is the program's copy of CSR
    TFrame MemoryReadBuffer{};   // command 5 and its answers
    TFrame MemoryWriteBuffer{};  // command 6

    float CalFactor1 = 0.0f;
    float CalFactor2 = 0.0f;

    uint8_t Csr() const { return ControlBuffer[2]; }
    void SetCsr(uint8_t csr) { ControlBuffer[2] = csr; }

    // Reads one report into the measurement buffer.
    bool ReadMeasurement() { return Port_.ReadReport(MeasurementBuffer); }
    // Command 1, carrying bytes 2-6 of the last report read.
    void RequestMeasurement();
    // Command 2 with the CSR copy.
    void SendControl();
    // Both factors from parameter memory; out-of-range values become 1.0.
    void ReadCalibrationFactors();
    // The four bytes of a factor to the channel's addresses; channel 1 or 2.
    void WriteCalibrationFactor(int channel, float value);

private:
    void Begin(TFrame& frame, uint8_t code);
    float ReadFactor(uint16_t base);

    TInstrumentPort& Port_;
};

}  // namespace tavik::logger
