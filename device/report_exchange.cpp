#include "report_exchange.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "hid_device.h"

namespace tavik {

uint8_t CheckByte(const TFrame& frame) {
    unsigned sum = 0;
    for (std::size_t i = 2; i <= 6; ++i) sum += frame[i];
    return static_cast<uint8_t>((sum & 0xFF) ^ 0xFF);
}

void SealCommand(TFrame& frame) { frame[7] = CheckByte(frame); }

namespace {
void Note(TTransferRecord& record, std::string_view operation, std::string_view reason) noexcept {
    if (record.Ok)
        record.Reason.Clear();
    else
        record.Reason.Set(operation, reason);
}
}  // namespace

bool TInstrumentPort::SendReport(const TFrame& frame) noexcept {
    Transfer.Ok = false;
    if (!Device) return false;
    Transfer.Report[0] = 0;
    std::copy(frame.begin(), frame.end(), Transfer.Report.begin() + 1);
    try {
        Transfer.Ok = Device->SetFeature(Transfer.Report.data(), ReportSize);
        Note(Transfer, "SetFeature", Device->LastError());
    } catch (const std::exception& error) {
        Transfer.Ok = false;
        Note(Transfer, "SetFeature", error.what());
    } catch (...) {
        Transfer.Ok = false;
        Note(Transfer, "SetFeature", "unknown error");
    }
    return Transfer.Ok;
}

bool TInstrumentPort::ReadReport(TFrame& frame) noexcept {
    Transfer.Ok = false;
    if (!Device) return false;
    Transfer.Report.fill(0);
    try {
        Transfer.Ok = Device->GetFeature(Transfer.Report.data(), ReportSize);
        Note(Transfer, "GetFeature", Device->LastError());
    } catch (const std::exception& error) {
        Transfer.Ok = false;
        Note(Transfer, "GetFeature", error.what());
    } catch (...) {
        Transfer.Ok = false;
        Note(Transfer, "GetFeature", "unknown error");
    }
    if (!Transfer.Ok) Transfer.Report.fill(0);
    std::copy(Transfer.Report.begin() + 1, Transfer.Report.end(), frame.begin());
    return Transfer.Ok;
}

TCommandResult TInstrumentPort::LastResult() const {
    TCommandResult result;
    if (!Device) return result;
    result.Status = Transfer.Ok ? TCommandStatus::Done : TCommandStatus::Failed;
    if (!Transfer.Ok) result.Reason = Transfer.Reason;
    return result;
}

}  // namespace tavik
