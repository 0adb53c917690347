#include "generator.h"

namespace tavik::generator {

void TGenerator::BuildTables() {
    BuildFrequencyTable(OUT1Groups(), *OUT1FreqTable);
    BuildFrequencyTable(OUT2Groups(), *OUT2FreqTable);
}

TCommandResult TGenerator::SetOutputs(const TGeneratorOutputs& outputs) {
    if (!Port_.Present()) return {};
    const TFreqTableEntry* entry = nullptr;
    if ((outputs.Output == 1 || outputs.Output == 2) && outputs.Source == TSource::Generator) {
        // A frequency the list does not offer cannot be sent.
        if (outputs.FreqIndex >= EntryCount(outputs.Output)) return {TCommandStatus::NotSent, {}};
        entry = &Table(outputs.Output)[outputs.FreqIndex];
    }
    Port_.BeginCommand(ControlBuffer, CmdSetControl);
    PutOutputs(ControlBuffer, outputs, entry);
    SealCommand(ControlBuffer);
    Port_.SendReport(ControlBuffer);
    return Port_.LastResult();
}

TCommandResult TGenerator::ClickOutputs(const TGeneratorOutputs& outputs) {
    const TCommandResult result = SetOutputs(outputs);
    if (result.Status == TCommandStatus::Failed && Port_.Present() && !Port_.Answering() && outputs.Output >= 0 &&
        outputs.Output < static_cast<int>(Owed_.size())) {
        Owed_[static_cast<std::size_t>(outputs.Output)] = outputs;
        OwedHigh_ = outputs.High;
    }
    return result;
}

void TGenerator::SendOwed() {
    for (std::optional<TGeneratorOutputs>& owed : Owed_) {
        if (!owed) continue;
        TGeneratorOutputs outputs = *owed;
        outputs.High = OwedHigh_;
        owed.reset();
        ClickOutputs(outputs);
    }
}

bool TGenerator::Owes() const {
    for (const std::optional<TGeneratorOutputs>& owed : Owed_)
        if (owed) return true;
    return false;
}

TCommandResult TGenerator::SendSettings(int output) {
    TGeneratorOutputs outputs;
    outputs.Output = output;
    outputs.High = Settings.High;
    if (output != 0) {
        const TOutputSetting& setting = Settings.Outputs[static_cast<std::size_t>(output - 1)];
        outputs.Source = setting.Source;
        outputs.FreqIndex = setting.FreqIndex;
    }
    return SetOutputs(outputs);
}

TRawByte TGenerator::RawRead(uint16_t address) {
    if (!Port_.Present()) return {};
    Port_.BeginCommand(RawBuffer, CmdRawReadByte);
    PutRawAddress(RawBuffer, address);
    RawBuffer[RawDataByte] = 0;
    SealCommand(RawBuffer);
    const bool sent = Port_.SendReport(RawBuffer);
    Port_.ReadReport(RawBuffer);
    TRawByte read{RawBuffer[RawDataByte], Port_.LastResult()};
    // An answer to a request that was not taken is no answer.
    if (!sent) read.Result.Status = TCommandStatus::Failed;
    return read;
}

TCommandResult TGenerator::RawWrite(uint16_t address, uint8_t data) {
    if (!Port_.Present()) return {};
    Port_.BeginCommand(RawBuffer, CmdRawWriteByte);
    PutRawAddress(RawBuffer, address);
    RawBuffer[RawDataByte] = data;
    SealCommand(RawBuffer);
    Port_.SendReport(RawBuffer);
    return Port_.LastResult();
}

void TGenerator::RawCommandAborted(TCommandCode code) {
    if (Port_.Present()) Port_.BeginCommand(RawBuffer, code);
}

}  // namespace tavik::generator
