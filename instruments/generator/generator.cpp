#include "generator.h"

#include "common/errors.h"
#include "common/integer_text.h"

namespace tavik::generator {

namespace {
void SetFlag(uint8_t& flags, uint8_t flag, bool on) {
    flags = on ? static_cast<uint8_t>(flags | flag) : static_cast<uint8_t>(flags & ~flag);
}

bool ValidIndex(int index, std::size_t count) { return index >= 0 && static_cast<std::size_t>(index) < count; }

int32_t IntegerOf(std::string_view text) {
    const std::optional<int32_t> value = ParseInteger(text);
    if (!value) throw EConvertError("''" + std::string(text) + "'' is not a valid integer value");
    return *value;
}
}  // namespace

void TGenerator::BuildTables() {
    OUT1Count_ = BuildFrequencyTable(OUT1Groups(), *OUT1FreqTable, Separator_);
    OUT2Count_ = BuildFrequencyTable(OUT2Groups(), *OUT2FreqTable, Separator_);
}

bool TGenerator::ControlChanged(TControl sender, const TControlState& state) {
    if (!Port_.Present()) return false;
    // A frequency the lists do not offer cannot be sent.
    const bool channel1 = sender == TControl::OUT1Type || sender == TControl::OUT1Freq;
    const bool channel2 = sender == TControl::OUT2Type || sender == TControl::OUT2Freq;
    if (channel1 && state.OUT1FromGenerator && !ValidIndex(state.OUT1FreqIndex, OUT1EntryCount)) return false;
    if (channel2 && state.OUT2FromGenerator && !ValidIndex(state.OUT2FreqIndex, OUT2EntryCount)) return false;

    TFrame& b = ControlBuffer;
    Port_.BeginCommand(b, CmdSetControl);
    if (channel1) {
        SetFlag(b[2], FlagChannel2Frequency, false);
        if (state.OUT1FromGenerator) {
            const TFreqTableEntry& entry = (*OUT1FreqTable)[static_cast<std::size_t>(state.OUT1FreqIndex)];
            SetFlag(b[2], FlagOUT1FromPC, false);
            b[3] = 0x42;
            b[4] = entry.PrescalerCode & 0x07;
            b[5] = entry.Divider;
        } else {
            SetFlag(b[2], FlagOUT1FromPC, true);
        }
    } else if (channel2) {
        SetFlag(b[2], FlagChannel2Frequency, true);
        if (state.OUT2FromGenerator) {
            const TFreqTableEntry& entry = (*OUT2FreqTable)[static_cast<std::size_t>(state.OUT2FreqIndex)];
            SetFlag(b[2], FlagOUT2FromPC, false);
            b[3] = static_cast<uint8_t>(0x80 | (entry.PrescalerCode & 0x0F));
            b[4] = 0x10;
            b[5] = entry.Divider;
            b[6] = 0;
        } else {
            SetFlag(b[2], FlagOUT2FromPC, true);
        }
    }
    SetFlag(b[2], FlagOUT1High, state.OUT1High);
    SetFlag(b[2], FlagOUT2High, state.OUT2High);
    SetFlag(b[2], FlagOUT3High, state.OUT3High);
    SealCommand(b);
    Port_.SendReport(b);
    return true;
}

std::optional<uint8_t> TGenerator::RawRead(std::string_view addressText) {
    if (!Port_.Present()) return std::nullopt;
    Port_.BeginCommand(RawBuffer, CmdRawReadByte);
    const auto address = static_cast<uint32_t>(IntegerOf(addressText));
    RawBuffer[2] = static_cast<uint8_t>(address & 0xFF);
    RawBuffer[3] = static_cast<uint8_t>((address >> 8) & 0xFF);
    RawBuffer[4] = 0;
    SealCommand(RawBuffer);
    Port_.SendReport(RawBuffer);
    Port_.ReadReport(RawBuffer);
    return RawBuffer[4];
}

void TGenerator::RawWrite(std::string_view addressText, std::string_view dataText) {
    if (!Port_.Present()) return;
    Port_.BeginCommand(RawBuffer, CmdRawWriteByte);
    const auto address = static_cast<uint32_t>(IntegerOf(addressText));
    const auto data = static_cast<uint32_t>(IntegerOf(dataText));
    RawBuffer[2] = static_cast<uint8_t>(address & 0xFF);
    RawBuffer[3] = static_cast<uint8_t>((address >> 8) & 0xFF);
    RawBuffer[4] = static_cast<uint8_t>(data & 0xFF);
    SealCommand(RawBuffer);
    Port_.SendReport(RawBuffer);
}

}  // namespace tavik::generator
