#include "instrument_identity.h"

#include "hid_device.h"

namespace tavik {

std::optional<TInstrumentKind> KindOfProduct(std::u16string_view product) {
    for (const TInstrumentKindInfo& info : InstrumentKinds)
        if (product == info.Products.First || product == info.Products.Second) return info.Kind;
    return std::nullopt;
}

std::optional<TInstrumentKind> KindOfName(std::string_view name) {
    if (name == "meter") return TInstrumentKind::FrequencyMeter;
    for (const TInstrumentKindInfo& info : InstrumentKinds)
        if (name == info.Name) return info.Kind;
    return std::nullopt;
}

bool HasInstrumentIds(const THidDevice& device) {
    return device.VendorID() == InstrumentVendorID && device.ProductID() == InstrumentProductID;
}

bool IsInstrumentModule(THidDevice& device) {
    if (!HasInstrumentIds(device)) return false;
    const std::u16string& manufacturer = device.ManufacturerString();
    return manufacturer == FirstManufacturerString || manufacturer == SecondManufacturerString;
}

}  // namespace tavik
