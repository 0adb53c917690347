#pragma once
// tavik-cli --demo: the three modules simulated in memory, as tavik-sim makes
// them (the logger's two signals, a frequency meter counting 100 kHz with IN
// set), over an event loop that ticks in real time. No hardware, no kernel
// support, no rights needed.
#include <memory>

#include "device/platform/memory/memory_hid_platform.h"
#include "loop/manual/manual_event_loop.h"
#include "sim/frequency_meter_simulator.h"
#include "sim/generator_simulator.h"
#include "sim/logger_simulator.h"

namespace tavik::cli {

class TDemoModules {
public:
    TDemoModules();

    TMemoryHidPlatform Platform;
    TManualEventLoop Loop;
    std::shared_ptr<sim::TLoggerSimulator> Logger;
    std::shared_ptr<sim::TGeneratorSimulator> Generator;
    std::shared_ptr<sim::TFrequencyMeterSimulator> FrequencyMeter;
};

}  // namespace tavik::cli
