// tavik-cli list: every interface with the modules' IDs, and why one is not
// bound.
#include "cli_kinds.h"
#include "cli_output.h"
#include "cli_session.h"
#include "common/utf8_text.h"
#include "device/hid_device.h"

namespace tavik::cli {

int TCliSession::List(bool json) {
    int modules = 0;
    for (std::size_t i = 0; i < Session_.Controller->Count(); ++i) {
        THidDevice& device = Session_.Controller->Device(i);
        if (!HasInstrumentIds(device)) continue;
        ++modules;
        TListEntry entry;
        entry.Manufacturer = Utf8Of(device.ManufacturerString());
        entry.Product = Utf8Of(device.ProductString());
        entry.Path = device.PnPInfo().DevicePath;
        entry.Serial = Utf8Of(device.SerialNumberString());
        entry.ReadWrite = device.HasReadWriteAccess();
        const auto kind = KindOfProduct(device.ProductString());
        if (!IsInstrumentModule(device)) {
            entry.Kind = "unknown";
            entry.Reason = "wrong manufacturer";
        } else if (!kind) {
            entry.Kind = "unknown";
            entry.Reason = "unknown product";
        } else {
            entry.Kind = InfoOf(*kind).Name;
            entry.Bound = Session_.BoundDevice(*kind) == &device;
            if (entry.Bound && *kind == TInstrumentKind::Logger)
                entry.Factors = {{"k1", Session_.Instruments.Logger.CalFactor1}, {"k2", Session_.Instruments.Logger.CalFactor2}};
            if (entry.Bound && *kind == TInstrumentKind::FrequencyMeter)
                entry.Factors = {{"factor", Session_.Instruments.FrequencyMeter.FreqCalFactor}};
        }
        Say(ListLine(entry, json, Separator_));
    }
    if (modules == 0) Complain("no module is present");
    TellMissingAccess(AllKinds);
    return ExitOk;
}

}  // namespace tavik::cli
