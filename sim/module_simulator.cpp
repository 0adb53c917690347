#include "module_simulator.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "device/instrument_identity.h"
#include "instruments/freqmeter/freqmeter_protocol.h"
#include "instruments/logger/logger_protocol.h"

namespace tavik::sim {

bool TModuleSimulator::SetReport(const uint8_t* report, std::size_t length) {
    if (FailSends > 0) {
        --FailSends;
        return false;
    }
    if (length != ReportSize || report[0] != 0) return false;
    TFrame frame;
    std::copy(report + 1, report + ReportSize, frame.begin());
    Received.push_back(frame);
    OnCommand(frame);
    return true;
}

bool TModuleSimulator::GetReport(uint8_t* report, std::size_t length) {
    if (FailReads > 0) {
        --FailReads;
        return false;
    }
    if (length < ReportSize || report[0] != 0) return false;
    TFrame frame{};
    if (ZeroReads > 0) {
        --ZeroReads;
    } else if (ForcedKindReads > 0 && ForcedKind) {
        --ForcedKindReads;
        frame = NextReport();
        frame[0] = *ForcedKind;
        frame = Sealed(frame);
    } else {
        frame = NextReport();
    }
    Answered.push_back(frame);
    report[0] = 0;
    std::copy(frame.begin(), frame.end(), report + 1);
    return true;
}

std::vector<TFrame> TModuleSimulator::ReceivedWithCode(uint8_t code) const {
    std::vector<TFrame> frames;
    for (const TFrame& frame : Received)
        if (frame[0] == code) frames.push_back(frame);
    return frames;
}

TFrame TModuleSimulator::Sealed(TFrame frame) {
    SealCommand(frame);
    return frame;
}

TParameterMemory::TParameterMemory() {
    std::memset(Bytes, 0xFF, sizeof Bytes);
    // Factors of 1 where the logger and the frequency meter keep theirs.
    for (const uint16_t address : {logger::CalFactor1Address, logger::CalFactor2Address, freqmeter::CalFactorAddress})
        StoreFloat(address, 1.0f);
}

bool TParameterMemory::HandleCommand(const TFrame& frame) {
    const uint8_t address = frame[2];  // the memory is 256 bytes: the low address byte
    if (frame[0] == CmdReadMemoryByte) {
        Answer = {CmdReadMemoryByte, frame[1], frame[2], frame[3], Bytes[address], 0, 0, 0};
        SealCommand(Answer);
        Answering = true;
        return true;
    }
    if (frame[0] == CmdWriteMemoryByte) {
        Bytes[address] = frame[4];
        return true;
    }
    return false;
}

// The module keeps floats little-endian, whatever the host's byte order.
void TParameterMemory::StoreFloat(uint16_t address, float value) {
    const uint32_t pattern = std::bit_cast<uint32_t>(value);
    for (unsigned i = 0; i < 4; ++i) Bytes[(address + i) & 0xFF] = static_cast<uint8_t>(pattern >> (8 * i));
}

float TParameterMemory::LoadFloat(uint16_t address) const {
    uint32_t pattern = 0;
    for (unsigned i = 0; i < 4; ++i) pattern |= static_cast<uint32_t>(Bytes[(address + i) & 0xFF]) << (8 * i);
    return std::bit_cast<float>(pattern);
}

void TParameterMemory::StoreBytes(uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t byte : bytes) Bytes[address++ & 0xFF] = byte;
}

TSimulatedDevice::TSimulatedDevice(std::shared_ptr<TModuleSimulator> module)
    : TMemoryHidDevice({InstrumentVendorID, InstrumentProductID, 0x0100}, module->Manufacturer, module->Product),
      Module_(std::move(module)) {}

bool TSimulatedDevice::OnSetFeature(const uint8_t* buffer, std::size_t length) {
    const bool ok = Module_->SetReport(buffer, length);
    CountTransfer();
    return ok;
}

bool TSimulatedDevice::OnGetFeature(uint8_t* buffer, std::size_t length) {
    const bool ok = Module_->GetReport(buffer, length);
    CountTransfer();
    return ok;
}

void TSimulatedDevice::CountTransfer() {
    if (VanishAfterTransfers < 0 || --VanishAfterTransfers > 0) return;
    VanishAfterTransfers = -1;
    if (OnVanish) OnVanish();
}

}  // namespace tavik::sim
