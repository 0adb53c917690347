#include "device_registry_properties.h"

#include <algorithm>

namespace tavik {

namespace {
using enum TRegistryPropertyKind;
constexpr DWORD TextBufferBytes = 2048;
constexpr std::size_t MaxTextLength = 1024;
constexpr DWORD ListBufferBytes = 32768;

// The UTF-16 text at the start of bytes, up to its first NUL.
std::u16string TextIn(const BYTE* bytes, std::size_t count, std::size_t maxLength) {
    const auto* text = reinterpret_cast<const char16_t*>(bytes);
    const std::size_t units = std::min(count / sizeof(char16_t), maxLength);
    return std::u16string(text, std::find(text, text + units, u'\0'));
}
}  // namespace

const TRegistryProperty DeviceRegistryProperties[26] = {
    {SPDRP_DEVICEDESC, Text},          {SPDRP_HARDWAREID, List},
    {SPDRP_COMPATIBLEIDS, List},       {SPDRP_SERVICE, Text},
    {SPDRP_CLASS, Text},               {SPDRP_CLASSGUID, Text},
    {SPDRP_DRIVER, Text},              {SPDRP_CONFIGFLAGS, Number},
    {SPDRP_MFG, Text},                 {SPDRP_FRIENDLYNAME, Text},
    {SPDRP_LOCATION_INFORMATION, Text}, {SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, Text},
    {SPDRP_CAPABILITIES, Number},      {SPDRP_UI_NUMBER, Number},
    {SPDRP_UPPERFILTERS, List},        {SPDRP_LOWERFILTERS, List},
    {SPDRP_BUSTYPEGUID, Text},         {SPDRP_LEGACYBUSTYPE, Number},
    {SPDRP_BUSNUMBER, Number},         {SPDRP_ENUMERATOR_NAME, Text},
    {SPDRP_SECURITY_SDS, Text},        {SPDRP_DEVTYPE, Number},
    {SPDRP_EXCLUSIVE, Number},         {SPDRP_CHARACTERISTICS, Text},
    {SPDRP_ADDRESS, Text},             {SPDRP_DEVICE_POWER_DATA, Text},
};

TDeviceRegistryProperties ReadDeviceRegistryProperties(const THidEntryPoints& api, HDEVINFO set,
                                                       SP_DEVINFO_DATA& device) {
    TDeviceRegistryProperties properties;
    std::vector<BYTE> buffer(ListBufferBytes);
    for (const TRegistryProperty& property : DeviceRegistryProperties) {
        const DWORD size = property.Kind == List ? ListBufferBytes : property.Kind == Text ? TextBufferBytes : 4;
        std::fill(buffer.begin(), buffer.begin() + size, BYTE{0});
        DWORD type = 0;
        DWORD written = 0;
        const bool read =
            api.SetupDiGetDeviceRegistryPropertyW(set, &device, property.Code, &type, buffer.data(), size, &written);
        const std::size_t count = read ? std::min(written, size) : 0;
        switch (property.Kind) {
        case Text: properties.Texts[property.Code] = TextIn(buffer.data(), count, MaxTextLength); break;
        case List: {
            // NUL-separated texts, ended by an empty one.
            std::vector<std::u16string>& list = properties.Lists[property.Code];
            for (std::size_t at = 0; at + sizeof(char16_t) <= count;) {
                std::u16string item = TextIn(buffer.data() + at, count - at, count);
                if (item.empty()) break;
                at += (item.size() + 1) * sizeof(char16_t);
                list.push_back(std::move(item));
            }
            break;
        }
        case Number: {
            uint32_t value = 0;
            if (count == 4) std::copy(buffer.begin(), buffer.begin() + 4, reinterpret_cast<BYTE*>(&value));
            properties.Numbers[property.Code] = value;
            break;
        }
        }
    }
    return properties;
}

}  // namespace tavik
