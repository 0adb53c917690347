#pragma once
// The modules every demonstration shows (tavik-demo, tavik-cli --demo, and
// tavik-sim's defaults): a logger in 10-bit mode with a sine on channel 1 and
// a ramp on channel 2, a generator, and a frequency meter counting 100 kHz
// with IN set.
#include <cstdint>
#include <memory>

#include "device/platform/memory/memory_hid_platform.h"
#include "frequency_meter_simulator.h"
#include "generator_simulator.h"
#include "logger_simulator.h"

namespace tavik::sim {

inline const TSignal DemoSignal1{TSignal::TShape::Sine, 1.0, 6.5, 96};
inline const TSignal DemoSignal2{TSignal::TShape::Ramp, 0.5, 4.0, 160};
constexpr int32_t DemoCount = 100000;

struct TDemoModules {
    std::shared_ptr<TLoggerSimulator> Logger;
    std::shared_ptr<TGeneratorSimulator> Generator;
    std::shared_ptr<TFrequencyMeterSimulator> FrequencyMeter;
    uint32_t LoggerInstance = 0;
};

// Makes the three and plugs them in, the logger first; the wire is not
// logged (a demonstration may run for hours).
TDemoModules PlugDemoModules(TMemoryHidPlatform& platform);

}  // namespace tavik::sim
