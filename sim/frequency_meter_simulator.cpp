#include "frequency_meter_simulator.h"

namespace tavik::sim {

TFrequencyMeterSimulator::TFrequencyMeterSimulator(std::u16string manufacturer, std::u16string product)
    : TModuleSimulator(std::move(manufacturer), std::move(product)) {}

void TFrequencyMeterSimulator::OnCommand(const TFrame& frame) {
    if (Memory.HandleCommand(frame)) return;
    if (frame[0] == CmdRequestMeasurement) Memory.Answering = false;
}

TFrame TFrequencyMeterSimulator::NextReport() {
    if (Memory.Answering) return Memory.Answer;
    const auto count = static_cast<uint32_t>(RawCount);
    const auto status = static_cast<uint8_t>((ExtraStatusBits & 0xFE) | (InputIn ? 1 : 0));
    return Sealed({MeasurementReportKind, Counter_++, status, static_cast<uint8_t>(count & 0xFF),
                   static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count >> 16),
                   static_cast<uint8_t>(count >> 24), 0});
}

}  // namespace tavik::sim
