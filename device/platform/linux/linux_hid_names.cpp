#include "linux_hid_names.h"

#include <charconv>

namespace tavik::linux_hid {

namespace {
template <typename T>
std::optional<T> ParseHex(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return static_cast<T>(value);
}
}  // namespace

std::optional<uint32_t> SequenceFromHidName(std::string_view sysname) {
    // bus:vendor:product.sequence, each part hexadecimal.
    const auto dot = sysname.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string_view head = sysname.substr(0, dot);
    if (head.size() != 14 || head[4] != ':' || head[9] != ':') return std::nullopt;
    if (!ParseHex<uint16_t>(head.substr(0, 4), 4) || !ParseHex<uint16_t>(head.substr(5, 4), 4) ||
        !ParseHex<uint16_t>(head.substr(10, 4), 4))
        return std::nullopt;
    return ParseHex<uint32_t>(sysname.substr(dot + 1), 8);
}

std::optional<THidId> ParseHidId(std::string_view hidId) {
    const auto first = hidId.find(':');
    const auto second = hidId.find(':', first == std::string_view::npos ? first : first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) return std::nullopt;
    const auto bus = ParseHex<uint32_t>(hidId.substr(0, first), 8);
    const auto vendor = ParseHex<uint32_t>(hidId.substr(first + 1, second - first - 1), 8);
    const auto product = ParseHex<uint32_t>(hidId.substr(second + 1), 8);
    if (!bus || !vendor || !product || *bus > 0xFFFF || *vendor > 0xFFFF || *product > 0xFFFF) return std::nullopt;
    return THidId{static_cast<uint16_t>(*bus), static_cast<uint16_t>(*vendor), static_cast<uint16_t>(*product)};
}

std::optional<uint16_t> ParseBcdDevice(std::string_view text) { return ParseHex<uint16_t>(text, 4); }

TDeviceStrings ChooseStrings(bool hasUsbParent, std::string_view usbManufacturer, std::string_view usbProduct,
                             uint16_t bus, std::string_view hidName) {
    if (hasUsbParent) return {std::string(usbManufacturer), std::string(usbProduct)};
    if (bus != BusUsb) return {};
    const auto blank = hidName.find(' ');
    if (blank == std::string_view::npos) return {std::string(), std::string(hidName)};
    return {std::string(hidName.substr(0, blank)), std::string(hidName.substr(blank + 1))};
}

bool IsDeviceTreeChange(std::string_view subsystem, std::string_view action) {
    return subsystem == "hidraw" && (action == "add" || action == "remove");
}

}  // namespace tavik::linux_hid
