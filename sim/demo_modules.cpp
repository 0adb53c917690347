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
    // Each with a serial number of its own, as modules that have one show it.
    auto device = [](std::shared_ptr<TModuleSimulator> module, const char16_t* serial) {
        auto made = std::make_shared<TSimulatedDevice>(std::move(module));
        made->Serial = serial;
        return made;
    };
    modules.LoggerInstance = platform.Plug(device(modules.Logger, u"DEMO-L1"));
    platform.Plug(device(modules.Generator, u"DEMO-G1"));
    platform.Plug(device(modules.FrequencyMeter, u"DEMO-F1"));
    return modules;
}

}  // namespace tavik::sim
