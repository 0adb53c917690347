#include "instrument_harness.h"

namespace tavik::test {

TInstrumentHarness::TInstrumentHarness(char separator) : Instruments(separator) {
    Instruments.Logger.Clock = [this] { return Now; };
    for (const TInstrumentKindInfo& info : InstrumentKinds) {
        const std::size_t slot = SlotOf(info.Kind);
        Instruments.SetFrontEnd(
            info.Kind, [this, slot](bool bound) { Shown[slot] = bound; }, [this, slot](bool on) { Polling[slot] = on; });
    }
    Controller = std::make_unique<THidDeviceController>(Platform, Loop);
    Controller->OnArrival = [this](THidDevice& device) { Instruments.Binding.OnUSBConnect(device); };
    Controller->OnRemoval = [this](THidDevice& device) { Instruments.Binding.OnUSBDisconnect(device); };
}

TInstrumentHarness::~TInstrumentHarness() {
    Instruments.Logger.RecordFile.Close();
    Controller.reset();
}

std::optional<logger::TLoggerCycle> TInstrumentHarness::LoggerTicks(int count) {
    std::optional<logger::TLoggerCycle> last;
    for (int i = 0; i < count; ++i) last = Instruments.Binding.Port(TInstrumentKind::Logger).Finish([this] { return Instruments.Logger.Cycle(); });
    return last;
}

std::optional<freqmeter::TReading> TInstrumentHarness::MeterTicks(int count, int32_t offsetHz) {
    std::optional<freqmeter::TReading> last;
    for (int i = 0; i < count; ++i) last = Instruments.Binding.Port(TInstrumentKind::FrequencyMeter).Finish([&] { return Instruments.FrequencyMeter.Cycle(offsetHz); });
    return last;
}

}  // namespace tavik::test
