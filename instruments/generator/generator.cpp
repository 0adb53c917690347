#include "generator.h"

namespace tavik::generator {

void TGenerator::BuildTables() {
    OUT1Count_ = BuildFrequencyTable(OUT1Groups(), *OUT1FreqTable, Separator_);
    OUT2Count_ = BuildFrequencyTable(OUT2Groups(), *OUT2FreqTable, Separator_);
}

bool TGenerator::SetOutputs(const TGeneratorOutputs& outputs) {
    if (!Port_.Present()) return false;
    const TFreqTableEntry* entry = nullptr;
    if ((outputs.Output == 1 || outputs.Output == 2) && outputs.Source == TSource::Generator) {
        // A frequency the list does not offer cannot be sent.
        if (outputs.FreqIndex >= EntryCount(outputs.Output)) return false;
        entry = &Table(outputs.Output)[outputs.FreqIndex];
    }
    Port_.BeginCommand(ControlBuffer, CmdSetControl);
    PutOutputs(ControlBuffer, outputs, entry);
    SealCommand(ControlBuffer);
    Port_.SendReport(ControlBuffer);
    return true;
}

std::optional<TRawByte> TGenerator::RawRead(uint16_t address) {
    if (!Port_.Present()) return std::nullopt;
    Port_.BeginCommand(RawBuffer, CmdRawReadByte);
    PutRawAddress(RawBuffer, address);
    RawBuffer[RawDataByte] = 0;
    SealCommand(RawBuffer);
    const bool sent = Port_.SendReport(RawBuffer);
    const bool answered = Port_.ReadReport(RawBuffer);
    return TRawByte{RawBuffer[RawDataByte], sent && answered};
}

bool TGenerator::RawWrite(uint16_t address, uint8_t data) {
    if (!Port_.Present()) return false;
    Port_.BeginCommand(RawBuffer, CmdRawWriteByte);
    PutRawAddress(RawBuffer, address);
    RawBuffer[RawDataByte] = data;
    SealCommand(RawBuffer);
    return Port_.SendReport(RawBuffer);
}

void TGenerator::RawCommandAborted(TCommandCode code) {
    if (Port_.Present()) Port_.BeginCommand(RawBuffer, code);
}

}  // namespace tavik::generator
