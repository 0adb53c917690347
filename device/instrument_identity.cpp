#include "instrument_identity.h"

#include "hid_device.h"

namespace tavik {

TProductStrings ProductStringsOf(TInstrumentKind kind) {
    switch (kind) {
    case TInstrumentKind::Logger: return {u"VXLogger", u"QM410"};
    case TInstrumentKind::Generator: return {u"VXGenerator", u"QM411"};
    case TInstrumentKind::FrequencyMeter: return {u"VXFrequencyMeter", u"QM412"};
    }
    return {};
}

std::optional<TInstrumentKind> KindOfProduct(std::u16string_view product) {
    for (TInstrumentKind kind : {TInstrumentKind::Logger, TInstrumentKind::Generator, TInstrumentKind::FrequencyMeter}) {
        const TProductStrings names = ProductStringsOf(kind);
        if (product == names.First || product == names.Second) return kind;
    }
    return std::nullopt;
}

bool IsInstrumentModule(THidDevice& device) {
    if (device.VendorID() != InstrumentVendorID || device.ProductID() != InstrumentProductID) return false;
    const std::u16string& manufacturer = device.ManufacturerString();
    return manufacturer == FirstManufacturerString || manufacturer == SecondManufacturerString;
}

}  // namespace tavik
