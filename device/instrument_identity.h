#pragma once
// What a module must report to be taken for one of ours, and the three kinds
// of module: one table, one slot each.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik {

class THidDevice;

constexpr uint16_t InstrumentVendorID = 0x20A0;
constexpr uint16_t InstrumentProductID = 0x5E21;

// The modules' vendor and product IDs, whatever their strings.
bool HasInstrumentIds(const THidDevice& device);

// The maker's two web domains; a module reports one of them as its
// manufacturer string.
constexpr std::u16string_view FirstManufacturerString = u"tavik.example";
constexpr std::u16string_view SecondManufacturerString = u"www.tavik.example";

enum class TInstrumentKind { Logger, Generator, FrequencyMeter };

struct TProductStrings {
    std::u16string_view First;
    std::u16string_view Second;
};

// A bound module's strings as it named itself, in UTF-8.
struct TModuleStrings {
    std::string Manufacturer;
    std::string Product;
    std::string Serial;  // empty: none
};

struct TInstrumentKindInfo {
    TInstrumentKind Kind;
    const char* Name;           // as the command line and its output spell it
    TProductStrings Products;   // the product strings a module of the kind reports
};

// In slot order: a kind's slot is its position here.
constexpr std::array<TInstrumentKindInfo, 3> InstrumentKinds = {{
    {TInstrumentKind::Logger, "logger", {u"VXLogger", u"QM410"}},
    {TInstrumentKind::Generator, "generator", {u"VXGenerator", u"QM411"}},
    {TInstrumentKind::FrequencyMeter, "freqmeter", {u"VXFrequencyMeter", u"QM412"}},
}};
constexpr std::size_t InstrumentKindCount = InstrumentKinds.size();

constexpr std::size_t SlotOf(TInstrumentKind kind) { return static_cast<std::size_t>(kind); }
constexpr const TInstrumentKindInfo& InfoOf(TInstrumentKind kind) { return InstrumentKinds[SlotOf(kind)]; }

// A kind by the name the command lines take: its own, or "meter" for the
// frequency meter (tavik-sim's first name for it).
std::optional<TInstrumentKind> KindOfName(std::string_view name);

// Exact comparison, code unit by code unit: case, blanks and anything
// trailing count.
std::optional<TInstrumentKind> KindOfProduct(std::u16string_view product);

// Vendor and product IDs and one of the two manufacturer strings. Reads the
// manufacturer string (which caches it) only when the IDs match.
bool IsInstrumentModule(THidDevice& device);

}  // namespace tavik
