#include "demo_modules.h"

namespace tavik::sim {

TDemoModules PlugDemoModules(TMemoryHidPlatform& platform) {
    TDemoModules modules{std::make_shared<TLoggerSimulator>(), std::make_shared<TGeneratorSimulator>(),
                         std::make_shared<TFrequencyMeterSimulator>()};
    platform.LogWire = false;
    modules.Logger->Csr = 0x00;  // 10 bit, as a module starts
    modules.Logger->Channel1 = DemoSignal1;
    modules.Logger->Channel2 = DemoSignal2;
    modules.FrequencyMeter->RawCount = DemoCount;
    modules.FrequencyMeter->InputIn = true;
    modules.LoggerInstance = platform.Plug(std::make_shared<TSimulatedDevice>(modules.Logger));
    platform.Plug(std::make_shared<TSimulatedDevice>(modules.Generator));
    platform.Plug(std::make_shared<TSimulatedDevice>(modules.FrequencyMeter));
    return modules;
}

}  // namespace tavik::sim
