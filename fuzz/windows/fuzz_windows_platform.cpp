// The Windows platform fed whatever SetupApi.dll and HID.dll might hand back:
// stand-ins for both, bound through the platform's library loader, take every
// answer from the input — how many interfaces, the detail's size and whether
// its path ends, registry properties of any length, refused opens, failed
// attributes, strings of any length with or without their NUL, short or
// failed feature reads. The controller walks it all; every pass must list
// each present path once, keep a path's identity while it stays, and read
// strings within their buffers.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "device/hid_device_controller.h"
#include "device/platform/windows/windows_hid_platform.h"
#include "loop/manual/manual_event_loop.h"

namespace {

// The input, read a byte at a time; zeros once it runs out.
struct TInput {
    const uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t At = 0;
    uint8_t Byte() { return At < Size ? Data[At++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
    bool Empty() const { return At >= Size; }
} In;

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "fuzz_windows_platform: %s\n", what);
    std::abort();
}

// Paths are short: a few distinct names so that interfaces come and go.
std::wstring PathFor(uint8_t code) { return L"\\\\?\\hid#tavik#" + std::to_wstring(code % 6); }

// The current snapshot: its interfaces, fixed when it is taken.
std::vector<std::wstring> Listed;
const HDEVINFO SnapshotHandle = reinterpret_cast<HDEVINFO>(0x5E21);
int OpenSnapshots = 0;
std::set<HANDLE> OpenHandles;
uintptr_t NextHandle = 0x1000;

HDEVINFO WINAPI GetClassDevs(const GUID*, PCWSTR, HWND, DWORD flags) {
    if (flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) Broken("snapshot flags");
    const uint8_t code = In.Byte();
    if (code == 0xFF) return INVALID_HANDLE_VALUE;
    Listed.clear();
    for (int i = 0; i < code % 5; ++i) Listed.push_back(PathFor(In.Byte()));
    ++OpenSnapshots;
    return SnapshotHandle;
}

BOOL WINAPI EnumInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID*, DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
    if (set != SnapshotHandle || data->cbSize != sizeof *data) Broken("interface enumeration");
    if (index >= Listed.size()) {
        ::SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->Reserved = index;
    return TRUE;
}

BOOL WINAPI InterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data, PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                            DWORD size, PDWORD required, PSP_DEVINFO_DATA device) {
    if (set != SnapshotHandle || (device && device->cbSize != sizeof *device)) Broken("detail arguments");
    const std::wstring& path = Listed.at(data->Reserved);
    const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                            (path.size() + 1) * sizeof(wchar_t));
    const uint8_t how = In.Byte();
    if (!detail) {
        // The size probe: usually as Windows answers it, sometimes not at all.
        if (how % 8 == 0) {
            ::SetLastError(ERROR_INVALID_USER_BUFFER);
            return FALSE;
        }
        if (required) *required = how % 8 == 1 ? In.Word() : needed;
        ::SetLastError(how % 8 == 2 ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER);
        return how % 8 == 2;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) Broken("detail cbSize");
    // As Windows: a buffer short of the whole path is refused.
    const bool terminated = how % 16 != 5;
    if (how % 16 == 3 || size < needed - (terminated ? 0 : sizeof(wchar_t))) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    // The whole buffer it says it has is written: a path that fills it and
    // may lack its NUL.
    auto* bytes = reinterpret_cast<uint8_t*>(detail);
    const std::size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    std::memset(bytes + offset, 'x', size - offset);
    const std::size_t units = (size - offset) / sizeof(wchar_t);
    std::size_t copied = std::min(path.size(), terminated && units ? units - 1 : units);
    std::memcpy(detail->DevicePath, path.data(), copied * sizeof(wchar_t));
    if (terminated && copied < units) detail->DevicePath[copied] = L'\0';
    return TRUE;
}

BOOL WINAPI RegistryProperty(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD type, PBYTE buffer, DWORD size, PDWORD written) {
    const uint8_t how = In.Byte();
    if (how % 4 == 0) return FALSE;
    if (type) *type = REG_SZ;
    // Any count, even more than the buffer holds; never more bytes written.
    const DWORD claimed = how % 4 == 1 ? In.Word() : std::min<DWORD>(size, how);
    for (DWORD i = 0; i < std::min(claimed, size); ++i) buffer[i] = In.Byte();
    if (written) *written = claimed;
    return TRUE;
}

BOOL WINAPI DestroyList(HDEVINFO set) {
    if (set != SnapshotHandle || OpenSnapshots-- <= 0) Broken("snapshot released twice");
    return TRUE;
}

void WINAPI GetGuid(LPGUID guid) { *guid = GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0, 0x11, 0x11, 0, 0, 0x30}}; }

HANDLE WINAPI Open(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    if (share != (FILE_SHARE_READ | FILE_SHARE_WRITE)) Broken("share modes");
    // A detail without its NUL hands over whatever follows the path as well.
    bool known = false;
    for (const std::wstring& listed : Listed) known = known || std::wstring_view(path).starts_with(listed);
    if (!known) {
        std::fprintf(stderr, "open %ls; listed:", path);
        for (const std::wstring& listed : Listed) std::fprintf(stderr, " %ls", listed.c_str());
        Broken("an open of a path no snapshot listed");
    }
    const uint8_t how = In.Byte();
    if (how % 8 == 0 || (access != 0 && how % 8 == 1)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(NextHandle += 4);
    OpenHandles.insert(handle);
    return handle;
}

BOOL WINAPI Close(HANDLE handle) {
    if (!OpenHandles.erase(handle)) Broken("a handle closed twice or never opened");
    return TRUE;
}

void MustBeOpen(HANDLE handle) {
    if (!OpenHandles.count(handle)) Broken("a call on a closed handle");
}

// The controller's transfers here are the synchronous ones: nothing is ever
// under way to cancel.
BOOL WINAPI Cancel(HANDLE handle, LPOVERLAPPED) {
    MustBeOpen(handle);
    ::SetLastError(ERROR_NOT_FOUND);
    return FALSE;
}

BOOLEAN WINAPI Attributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
    MustBeOpen(handle);
    if (attributes->Size != sizeof *attributes) Broken("attributes size");
    const uint8_t how = In.Byte();
    if (how % 8 == 0) return FALSE;
    attributes->VendorID = how % 8 == 1 ? In.Word() : 0x20A0;
    attributes->ProductID = how % 8 == 2 ? In.Word() : 0x5E21;
    attributes->VersionNumber = In.Word();
    return TRUE;
}

// A string of any length, filling as much of the buffer as the input says,
// NUL or not.
BOOLEAN WINAPI String(HANDLE handle, PVOID buffer, ULONG bytes) {
    MustBeOpen(handle);
    const uint8_t how = In.Byte();
    if (how % 4 == 0) return FALSE;
    auto* text = static_cast<wchar_t*>(buffer);
    const ULONG units = std::min<ULONG>(bytes / sizeof(wchar_t), how % 4 == 1 ? bytes : In.Byte());
    for (ULONG i = 0; i < units; ++i) text[i] = static_cast<wchar_t>(In.Byte() | 0x40);
    if (how % 4 == 2 && units < bytes / sizeof(wchar_t)) text[units] = L'\0';
    return TRUE;
}

BOOLEAN WINAPI GetFeature(HANDLE handle, PVOID buffer, ULONG bytes) {
    MustBeOpen(handle);
    const uint8_t how = In.Byte();
    if (how % 4 == 0) return FALSE;
    auto* report = static_cast<uint8_t*>(buffer);
    const ULONG filled = std::min<ULONG>(bytes, how % 4 == 1 ? In.Byte() % 12 : bytes);
    for (ULONG i = 0; i < filled; ++i) report[i] = In.Byte();
    return TRUE;
}

BOOLEAN WINAPI SetFeature(HANDLE handle, PVOID, ULONG) {
    MustBeOpen(handle);
    return In.Byte() % 4 != 0;
}

// Hands out the stand-ins; a library or a name can be missing too.
class TStandInLoader : public tavik::TLibraryLoader {
public:
    uint8_t Missing = 0;
    TLibrary Load(const wchar_t* name) override {
        if (Missing == 1 && std::wcscmp(name, L"HID.dll") == 0) return nullptr;
        return const_cast<wchar_t*>(name);
    }
    TProc Find(TLibrary, const char* name) override {
        static const std::map<std::string, TProc> procs = {
            {"SetupDiGetClassDevsW", reinterpret_cast<TProc>(&GetClassDevs)},
            {"SetupDiEnumDeviceInterfaces", reinterpret_cast<TProc>(&EnumInterfaces)},
            {"SetupDiGetDeviceInterfaceDetailW", reinterpret_cast<TProc>(&InterfaceDetail)},
            {"SetupDiGetDeviceRegistryPropertyW", reinterpret_cast<TProc>(&RegistryProperty)},
            {"SetupDiDestroyDeviceInfoList", reinterpret_cast<TProc>(&DestroyList)},
            {"HidD_GetHidGuid", reinterpret_cast<TProc>(&GetGuid)},
            {"HidD_GetAttributes", reinterpret_cast<TProc>(&Attributes)},
            {"HidD_GetManufacturerString", reinterpret_cast<TProc>(&String)},
            {"HidD_GetProductString", reinterpret_cast<TProc>(&String)},
            {"HidD_GetSerialNumberString", reinterpret_cast<TProc>(&String)},
            {"HidD_GetFeature", reinterpret_cast<TProc>(&GetFeature)},
            {"HidD_SetFeature", reinterpret_cast<TProc>(&SetFeature)},
            {"CreateFileW", reinterpret_cast<TProc>(&Open)},
            {"CloseHandle", reinterpret_cast<TProc>(&Close)},
            {"CancelIoEx", reinterpret_cast<TProc>(&Cancel)},
        };
        if (Missing == 2 && std::strcmp(name, "HidD_SetFeature") == 0) return nullptr;
        const auto found = procs.find(name);
        return found == procs.end() ? nullptr : found->second;
    }
    void Free(TLibrary) override {}
};

void CheckString(const std::u16string& text) {
    if (text.size() > tavik::MaxHidStringLength || text.find(u'\0') != std::u16string::npos) Broken("string length");
}

}  // namespace

// The platform, its hidden window and the controller are made once: each
// input starts from an empty snapshot, which leaves the controller with no
// device and the platform with no path it remembers.
struct TKept {
    TStandInLoader Loader;
    tavik::TWindowsHidPlatform Platform{Loader};
    tavik::TManualEventLoop Loop;
    tavik::THidDeviceController Controller{Platform, Loop};
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TKept kept;
    In = {nullptr, 0, 0};
    Listed.clear();
    kept.Controller.Notify(tavik::THidChangeNotice::DeviceTreeChanged);
    if (kept.Controller.Count() != 0 || !OpenHandles.empty()) Broken("the reset left devices behind");

    In = {data, size, 0};
    const uint8_t missing = In.Byte() % 16;
    if (missing == 1 || missing == 2) {
        TStandInLoader loader;
        loader.Missing = missing;
        tavik::TWindowsHidPlatform platform(loader);
        tavik::THidDeviceController controller(platform, kept.Loop);
        controller.Notify(tavik::THidChangeNotice::StartUp);
        if (platform.Available() || !controller.Inert() || controller.Count() != 0) Broken("bound without a library");
        return 0;
    }
    tavik::THidDeviceController& controller = kept.Controller;
    std::map<std::string, uint32_t> identities;
    while (!In.Empty()) {
        controller.Notify(tavik::THidChangeNotice::DeviceTreeChanged);
        std::set<std::string> paths;
        for (std::size_t i = 0; i < controller.Count(); ++i) {
            tavik::THidDevice& device = controller.Device(i);
            const auto& info = device.PnPInfo();
            if (!paths.insert(info.DevicePath).second) Broken("a path listed twice");
            const auto known = identities.find(info.DevicePath);
            if (known != identities.end() && known->second != info.DeviceInstance) Broken("identity changed");
            identities[info.DevicePath] = info.DeviceInstance;
            CheckString(device.ManufacturerString());
            CheckString(device.ProductString());
            uint8_t report[9] = {};
            if (device.OpenDevice()) {
                device.SetFeature(report, sizeof report);
                device.GetFeature(report, sizeof report);
            }
            device.CloseDevice();
        }
        // A path no longer listed is forgotten: it comes back as new.
        for (auto it = identities.begin(); it != identities.end();)
            it = paths.count(it->first) ? std::next(it) : identities.erase(it);
    }
    if (OpenSnapshots != 0) Broken("a snapshot left open");
    return 0;
}
