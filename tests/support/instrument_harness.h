#pragma once
// The instruments as a front-end holds them, over simulated modules that the
// device controller binds as the program does; no window. The binding's
// front-end hooks only note what they were asked to show and switch.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string_view>

#include "device/hid_device_controller.h"
#include "instruments/instruments.h"
#include "simulated_modules.h"

namespace tavik::test {

class TInstrumentHarness : public TSimulatedModules {
public:
    explicit TInstrumentHarness(char separator = ',');
    ~TInstrumentHarness();

    TInstruments Instruments;
    std::unique_ptr<THidDeviceController> Controller;
    // What the binding last told the front-end, per kind.
    std::array<bool, InstrumentKindCount> Shown{};
    std::array<bool, InstrumentKindCount> Polling{};

    logger::TLogger& Logger() { return Instruments.Logger; }
    freqmeter::TFrequencyMeter& Meter() { return Instruments.FrequencyMeter; }
    generator::TGenerator& Generator() { return Instruments.Generator; }

    std::optional<logger::TLoggerCycle> LoggerTicks(int count);
    std::optional<freqmeter::TReading> MeterTicks(int count, int32_t offsetHz = 0);
};

// The instruments with a simulated logger bound and its calibration answers
// behind it: the next tick reads a measurement, and the module's log starts
// empty.
class TBoundLogger : public ::testing::Test {
protected:
    explicit TBoundLogger(char separator = ',') : H(separator) {}
    TInstrumentHarness H;
    std::shared_ptr<sim::TLoggerSimulator> Module = H.PlugLogger();
    logger::TLogger& Logger = H.Logger();

    void SetUp() override {
        H.ProcessEvents();
        H.LoggerTicks(1);  // answers the last memory read with a measurement request
        Module->Received.clear();
    }
};

}  // namespace tavik::test
