#include "demo_modules.h"

namespace tavik::cli {

TDemoModules::TDemoModules()
    : Logger(std::make_shared<sim::TLoggerSimulator>()),
      Generator(std::make_shared<sim::TGeneratorSimulator>()),
      FrequencyMeter(std::make_shared<sim::TFrequencyMeterSimulator>()) {
    Platform.LogWire = false;  // a demo may run for hours
    Loop.RealTime = true;
    Logger->Csr = 0x00;  // 10 bit, as a module starts
    Logger->Channel1 = {sim::TSignal::TShape::Sine, 1.0, 6.5, 96};
    Logger->Channel2 = {sim::TSignal::TShape::Ramp, 0.5, 4.0, 160};
    FrequencyMeter->RawCount = 100000;
    FrequencyMeter->InputIn = true;
    Platform.Plug(std::make_shared<sim::TSimulatedDevice>(Logger));
    Platform.Plug(std::make_shared<sim::TSimulatedDevice>(Generator));
    Platform.Plug(std::make_shared<sim::TSimulatedDevice>(FrequencyMeter));
}

}  // namespace tavik::cli
