#pragma once
// Reading the kernel's names for HID devices: the parts of the Linux platform
// that need no kernel device, kept apart so they can be tested on their own.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::linux_hid {

constexpr uint16_t BusUsb = 0x0003;

// "0003:20A0:5E21.000A" -> 0x000A: the kernel's sequence number of the HID
// device, new each time a device is plugged in.
std::optional<uint32_t> SequenceFromHidName(std::string_view sysname);

struct THidId {
    uint16_t Bus = 0;
    uint16_t Vendor = 0;
    uint16_t Product = 0;
};
// The HID_ID property: "0003:000020A0:00005E21".
std::optional<THidId> ParseHidId(std::string_view hidId);

// The USB device's bcdDevice attribute: one to four hex digits, nothing else.
std::optional<uint16_t> ParseBcdDevice(std::string_view text);

struct TDeviceStrings {
    std::string Manufacturer;
    std::string Product;
};
// A device with a USB parent reports that parent's strings. A device on the
// USB bus without one (a virtual device) has them only in HID_NAME, which the
// kernel composes as "<manufacturer> <product>": split it at its first blank.
TDeviceStrings ChooseStrings(bool hasUsbParent, std::string_view usbManufacturer, std::string_view usbProduct,
                             uint16_t bus, std::string_view hidName);

// Whether a udev event tells that the set of hidraw devices changed.
bool IsDeviceTreeChange(std::string_view subsystem, std::string_view action);

}  // namespace tavik::linux_hid
