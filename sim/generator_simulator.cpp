#include "generator_simulator.h"

namespace tavik::sim {

TGeneratorSimulator::TGeneratorSimulator(std::u16string manufacturer, std::u16string product)
    : TModuleSimulator(std::move(manufacturer), std::move(product)) {}

void TGeneratorSimulator::OnCommand(const TFrame& frame) {
    const uint16_t address = static_cast<uint16_t>(frame[2] | frame[3] << 8);
    switch (frame[0]) {
    case CmdSetControl: LastControl = frame; break;
    case CmdRawReadByte: Answer_ = Sealed({CmdRawReadByte, frame[1], frame[2], frame[3], Memory[address], 0, 0, 0}); break;
    case CmdRawWriteByte: Memory[address] = frame[4]; break;
    default: break;
    }
}

}  // namespace tavik::sim
