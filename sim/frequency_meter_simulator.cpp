#include "frequency_meter_simulator.h"

namespace tavik::sim {

TFrequencyMeterSimulator::TFrequencyMeterSimulator(std::u16string manufacturer, std::u16string product)
    : TModuleSimulator(std::move(manufacturer), std::move(product)) {}

void TFrequencyMeterSimulator::OnCommand(const TFrame& frame) {
    const uint16_t address = static_cast<uint16_t>(frame[2] | frame[3] << 8);
    switch (frame[0]) {
    case CmdRequestMeasurement: AnswerMemory_ = false; break;
    case CmdReadMemoryByte:
        MemoryAnswer_ = Sealed({CmdReadMemoryByte, frame[1], frame[2], frame[3], Memory.Bytes[address & 0xFF], 0, 0, 0});
        AnswerMemory_ = true;
        break;
    case CmdWriteMemoryByte: Memory.Bytes[address & 0xFF] = frame[4]; break;
    default: break;
    }
}

TFrame TFrequencyMeterSimulator::NextReport() {
    if (AnswerMemory_) return MemoryAnswer_;
    const auto count = static_cast<uint32_t>(RawCount);
    const auto status = static_cast<uint8_t>((ExtraStatusBits & 0xFE) | (InputIn ? 1 : 0));
    return Sealed({MeasurementReportKind, Counter_++, status, static_cast<uint8_t>(count & 0xFF),
                   static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count >> 16),
                   static_cast<uint8_t>(count >> 24), 0});
}

}  // namespace tavik::sim
