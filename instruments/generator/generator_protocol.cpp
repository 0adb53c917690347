#include "generator_protocol.h"

namespace tavik::generator {

namespace {
void SetFlag(uint8_t& flags, uint8_t flag, bool on) {
    flags = on ? static_cast<uint8_t>(flags | flag) : static_cast<uint8_t>(flags & ~flag);
}
}  // namespace

void PutOutputs(TFrame& b, const TGeneratorOutputs& outputs, const TFreqTableEntry* entry) {
    const bool fromPC = outputs.Source == TSource::PC;
    if (outputs.Output == 1) {
        SetFlag(b[2], FlagChannel2Frequency, false);
        SetFlag(b[2], FlagOUT1FromPC, fromPC);
        if (!fromPC && entry) {
            b[3] = OUT1FrequencyMarker;
            b[4] = entry->PrescalerCode & OUT1PrescalerMask;
            b[5] = entry->Divider;
        }
    } else if (outputs.Output == 2) {
        SetFlag(b[2], FlagChannel2Frequency, true);
        SetFlag(b[2], FlagOUT2FromPC, fromPC);
        if (!fromPC && entry) {
            b[3] = static_cast<uint8_t>(OUT2FrequencyMarker | (entry->PrescalerCode & OUT2PrescalerMask));
            b[4] = OUT2FrequencyByte4;
            b[5] = entry->Divider;
            b[6] = 0;
        }
    }
    SetFlag(b[2], FlagOUT1High, outputs.High[0]);
    SetFlag(b[2], FlagOUT2High, outputs.High[1]);
    SetFlag(b[2], FlagOUT3High, outputs.High[2]);
}

void PutRawAddress(TFrame& frame, uint16_t address) {
    frame[2] = static_cast<uint8_t>(address & 0xFF);
    frame[3] = static_cast<uint8_t>(address >> 8);
}

}  // namespace tavik::generator
