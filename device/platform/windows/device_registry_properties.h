#pragma once
// The registry properties of a device node's plug-and-play record, read with
// SetupDiGetDeviceRegistryPropertyW: texts into a 2048-byte buffer (at most
// 1024 characters kept), lists of texts into a 32768-byte one, numbers as 4
// bytes; a read that fails leaves an empty text, an empty list or 0. The
// program itself reads none of them; the platform keeps them beside each
// interface for whoever asks.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "windows_hid_api.h"

namespace tavik {

struct TDeviceRegistryProperties {
    std::map<DWORD, std::u16string> Texts;
    std::map<DWORD, std::vector<std::u16string>> Lists;
    std::map<DWORD, uint32_t> Numbers;
};

enum class TRegistryPropertyKind { Text, List, Number };

struct TRegistryProperty {
    DWORD Code;  // SPDRP_*
    TRegistryPropertyKind Kind;
};

// The 26 properties read, in the order they are read.
extern const TRegistryProperty DeviceRegistryProperties[26];

TDeviceRegistryProperties ReadDeviceRegistryProperties(const THidEntryPoints& api, HDEVINFO set,
                                                       SP_DEVINFO_DATA& device);

}  // namespace tavik
