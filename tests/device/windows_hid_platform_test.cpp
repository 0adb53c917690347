// The Windows HID platform over stand-ins for SetupApi.dll, HID.dll and the
// kernel's device handles, handed to it through its library loader: what it
// binds, how it walks SetupAPI's snapshot, how it opens devices and what it
// reads and carries. Then the real platform, as far as this Windows shows it
// with no module plugged in (Wine lists two virtual HID devices of its own).
#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/hid_device_controller.h"
#include "device/platform/system_hid_platform.h"
#include "device/platform/windows/windows_hid_platform.h"
#include "loop/win32/win32_event_loop.h"

namespace tavik {
namespace {

// ---- The stand-ins' world -------------------------------------------------

struct TStandInDevice {
    std::wstring Path;
    std::wstring Manufacturer = L"tavik.example";
    std::wstring Product = L"VXLogger";
    std::wstring Serial = L"A1B2";
    uint16_t VendorID = 0x20A0;
    uint16_t ProductID = 0x5E21;
    uint16_t Version = 0x0107;
    bool RefuseReadWrite = false;  // a keyboard: zero access only
    bool RefuseOpen = false;
    bool FailAttributes = false;
    bool FailDetail = false;       // the size probe fails with another error
    std::map<DWORD, std::vector<BYTE>> Registry;
    std::array<uint8_t, 9> Answer{};
    bool FailFeature = false;
    bool Hold = false;  // a read waits for the test's Release
    std::vector<std::vector<uint8_t>> Received;
};

struct TOpenCall {
    std::wstring Path;
    DWORD Access, Share, Disposition, Flags;
    bool Security, Template;
    bool operator==(const TOpenCall&) const = default;
};

struct TWorld {
    GUID Guid = {0x01234567, 0x89AB, 0xCDEF, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::vector<TStandInDevice> Devices;
    bool NoSnapshot = false;
    std::vector<std::string> Calls;  // SetupAPI calls, in order
    std::vector<TOpenCall> Opens;
    std::vector<std::pair<DWORD, DWORD>> PropertyReads;  // code, buffer size
    std::vector<DWORD> AttributeSizes;                   // Size as each call found it
    std::vector<ULONG> StringBufferSizes;
    std::map<HANDLE, std::pair<std::size_t, bool>> Handles;  // device, read/write
    uintptr_t NextHandle = 0x1000;
    int OpenSets = 0;
    DWORD DevInstSeed = 7;
    // A held read: Entered set once it waits, Release (auto-reset) lets one
    // go; Closed set whenever a handle is closed.
    HANDLE Entered = nullptr, Release = nullptr, Closed = nullptr;
    std::atomic<bool> Holding = false;
    std::vector<HANDLE> Cancels;
};
TWorld* World = nullptr;

const HDEVINFO StandInSet = reinterpret_cast<HDEVINFO>(0x5E7);

TStandInDevice* DeviceOf(HANDLE handle, bool* readWrite = nullptr) {
    const auto found = World->Handles.find(handle);
    if (found == World->Handles.end()) return nullptr;
    if (readWrite) *readWrite = found->second.second;
    return &World->Devices[found->second.first];
}

HDEVINFO WINAPI GetClassDevs(const GUID* guid, PCWSTR enumerator, HWND parent, DWORD flags) {
    World->Calls.push_back(std::string("classdevs") + (IsEqualGUID(*guid, World->Guid) ? " hid" : " other") +
                           (enumerator ? " enumerator" : "") + (parent ? " parent" : "") + " flags " +
                           std::to_string(flags));
    if (World->NoSnapshot) return static_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
    ++World->OpenSets;
    return StandInSet;
}

BOOL WINAPI EnumInterfaces(HDEVINFO set, PSP_DEVINFO_DATA device, const GUID* guid, DWORD index,
                           PSP_DEVICE_INTERFACE_DATA data) {
    if (set != StandInSet || device || !IsEqualGUID(*guid, World->Guid) || data->cbSize != sizeof *data) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    World->Calls.push_back("enum " + std::to_string(index));
    if (index >= World->Devices.size()) {
        ::SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->Reserved = index + 1;
    return TRUE;
}

BOOL WINAPI InterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data, PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                            DWORD size, PDWORD required, PSP_DEVINFO_DATA device) {
    TStandInDevice& d = World->Devices.at(data->Reserved - 1);
    const DWORD needed = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                         static_cast<DWORD>((d.Path.size() + 1) * sizeof(wchar_t));
    if (set != StandInSet || !device || device->cbSize != sizeof *device || d.FailDetail) {
        World->Calls.push_back("detail refused");
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!detail) {
        World->Calls.push_back("detail probe");
        if (required) *required = needed;
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    World->Calls.push_back("detail " + std::to_string(size) + " cbSize " + std::to_string(detail->cbSize));
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || size < needed) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    std::copy(d.Path.c_str(), d.Path.c_str() + d.Path.size() + 1, detail->DevicePath);
    // Windows renumbers device nodes as it likes; the platform must not care.
    device->DevInst = World->DevInstSeed++;
    device->Reserved = data->Reserved;
    return TRUE;
}

BOOL WINAPI RegistryProperty(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD code, PDWORD type, PBYTE buffer,
                             DWORD size, PDWORD required) {
    World->PropertyReads.emplace_back(code, size);
    const TStandInDevice& d = World->Devices.at(device->Reserved - 1);
    const auto found = d.Registry.find(code);
    if (set != StandInSet || found == d.Registry.end()) {
        ::SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (required) *required = static_cast<DWORD>(found->second.size());
    if (found->second.size() > size) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (type) *type = REG_SZ;
    std::copy(found->second.begin(), found->second.end(), buffer);
    return TRUE;
}

BOOL WINAPI DestroyList(HDEVINFO set) {
    World->Calls.push_back(set == StandInSet ? "destroy" : "destroy other");
    --World->OpenSets;
    return TRUE;
}

void NTAPI GetHidGuid(LPGUID guid) { *guid = World->Guid; }

BOOLEAN NTAPI GetAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes) {
    World->AttributeSizes.push_back(attributes->Size);
    const TStandInDevice* d = DeviceOf(handle);
    if (!d || d->FailAttributes) return FALSE;
    attributes->VendorID = d->VendorID;
    attributes->ProductID = d->ProductID;
    attributes->VersionNumber = d->Version;
    return TRUE;
}

// As HID.dll does: as much of the string as the buffer holds, NUL-ended
// only when there is room.
BOOLEAN CopyString(HANDLE handle, std::wstring TStandInDevice::*field, PVOID buffer, ULONG length) {
    World->StringBufferSizes.push_back(length);
    const TStandInDevice* d = DeviceOf(handle);
    if (!d) return FALSE;
    const std::wstring& text = d->*field;
    const std::size_t room = length / sizeof(wchar_t);
    auto* out = static_cast<wchar_t*>(buffer);
    const std::size_t copied = std::min(text.size(), room);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(copied), out);
    if (copied < room) out[copied] = L'\0';
    return TRUE;
}
BOOLEAN NTAPI GetManufacturer(HANDLE handle, PVOID buffer, ULONG length) {
    return CopyString(handle, &TStandInDevice::Manufacturer, buffer, length);
}
BOOLEAN NTAPI GetProduct(HANDLE handle, PVOID buffer, ULONG length) {
    return CopyString(handle, &TStandInDevice::Product, buffer, length);
}
BOOLEAN NTAPI GetSerial(HANDLE handle, PVOID buffer, ULONG length) {
    return CopyString(handle, &TStandInDevice::Serial, buffer, length);
}

// Feature reports need a read/write handle and a buffer of the report's
// length, report ID 0 in front.
BOOLEAN NTAPI GetFeature(HANDLE handle, PVOID buffer, ULONG length) {
    bool readWrite = false;
    TStandInDevice* d = DeviceOf(handle, &readWrite);
    if (d && d->Hold) {
        World->Holding = true;
        ::SetEvent(World->Entered);
        // A platform that waits for the call on the test's thread fails
        // here rather than hangs.
        const bool released = ::WaitForSingleObject(World->Release, 5000) == WAIT_OBJECT_0;
        World->Holding = false;
        if (!released) return FALSE;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    ::SetLastError(d && d->FailFeature ? ERROR_DEVICE_NOT_CONNECTED : ERROR_INVALID_PARAMETER);
    if (!d || !readWrite || d->FailFeature || length != 9 || bytes[0] != 0) return FALSE;
    std::copy(d->Answer.begin(), d->Answer.end(), bytes);
    return TRUE;
}
BOOLEAN NTAPI SetFeature(HANDLE handle, PVOID buffer, ULONG length) {
    bool readWrite = false;
    TStandInDevice* d = DeviceOf(handle, &readWrite);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (!d || !readWrite || d->FailFeature || length != 9 || bytes[0] != 0) return FALSE;
    d->Received.emplace_back(bytes, bytes + length);
    return TRUE;
}

HANDLE WINAPI CreateFileStandIn(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE templateFile) {
    World->Opens.push_back({path, access, share, disposition, flags, security != nullptr, templateFile != nullptr});
    for (std::size_t i = 0; i < World->Devices.size(); ++i) {
        const TStandInDevice& d = World->Devices[i];
        if (d.Path != path) continue;
        if (d.RefuseOpen || (access != 0 && d.RefuseReadWrite)) break;
        const auto handle = reinterpret_cast<HANDLE>(World->NextHandle++);
        World->Handles[handle] = {i, access == (GENERIC_READ | GENERIC_WRITE)};
        return handle;
    }
    ::SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI CloseHandleStandIn(HANDLE handle) {
    const bool known = World->Handles.erase(handle) == 1;
    if (World->Closed) ::SetEvent(World->Closed);
    return known;
}

// As a driver that has nothing it can cancel.
BOOL WINAPI CancelStandIn(HANDLE handle, LPOVERLAPPED) {
    World->Cancels.push_back(handle);
    ::SetLastError(ERROR_NOT_FOUND);
    return FALSE;
}

// ---- The loader that hands them out --------------------------------------

template <typename TReal>
TLibraryLoader::TProc ToProc(TReal standIn) {
    return reinterpret_cast<TLibraryLoader::TProc>(standIn);
}

// Each stand-in is checked against the real entry point's type.
#define TAVIK_STAND_IN(library, name, standIn) \
    {{library, #name}, ToProc<decltype(&::name)>(&standIn)}

const std::map<std::pair<std::wstring, std::string>, TLibraryLoader::TProc>& StandIns() {
    static const std::map<std::pair<std::wstring, std::string>, TLibraryLoader::TProc> table = {
        TAVIK_STAND_IN(L"SetupApi.dll", SetupDiGetClassDevsW, GetClassDevs),
        TAVIK_STAND_IN(L"SetupApi.dll", SetupDiEnumDeviceInterfaces, EnumInterfaces),
        TAVIK_STAND_IN(L"SetupApi.dll", SetupDiGetDeviceInterfaceDetailW, InterfaceDetail),
        TAVIK_STAND_IN(L"SetupApi.dll", SetupDiGetDeviceRegistryPropertyW, RegistryProperty),
        TAVIK_STAND_IN(L"SetupApi.dll", SetupDiDestroyDeviceInfoList, DestroyList),
        TAVIK_STAND_IN(L"HID.dll", HidD_GetHidGuid, GetHidGuid),
        TAVIK_STAND_IN(L"HID.dll", HidD_GetAttributes, GetAttributes),
        TAVIK_STAND_IN(L"HID.dll", HidD_GetManufacturerString, GetManufacturer),
        TAVIK_STAND_IN(L"HID.dll", HidD_GetProductString, GetProduct),
        TAVIK_STAND_IN(L"HID.dll", HidD_GetSerialNumberString, GetSerial),
        TAVIK_STAND_IN(L"HID.dll", HidD_GetFeature, GetFeature),
        TAVIK_STAND_IN(L"HID.dll", HidD_SetFeature, SetFeature),
        TAVIK_STAND_IN(L"Kernel32.dll", CreateFileW, CreateFileStandIn),
        TAVIK_STAND_IN(L"Kernel32.dll", CloseHandle, CloseHandleStandIn),
        TAVIK_STAND_IN(L"Kernel32.dll", CancelIoEx, CancelStandIn),
    };
    return table;
}

class TStandInLoader : public TLibraryLoader {
public:
    std::set<std::wstring> MissingLibraries;
    std::set<std::string> MissingNames;
    std::vector<std::string> Asked;
    int Loaded = 0;
    int Freed = 0;

    TLibrary Load(const wchar_t* name) override {
        if (MissingLibraries.count(name)) return nullptr;
        ++Loaded;
        Names_.push_back(name);
        return reinterpret_cast<TLibrary>(Names_.size());
    }
    TProc Find(TLibrary library, const char* name) override {
        Asked.push_back(name);
        if (MissingNames.count(name)) return nullptr;
        const auto found = StandIns().find({Names_.at(reinterpret_cast<std::size_t>(library) - 1), name});
        return found == StandIns().end() ? nullptr : found->second;
    }
    void Free(TLibrary) override { ++Freed; }

private:
    std::vector<std::wstring> Names_;
};

class WindowsHid : public ::testing::Test {
protected:
    WindowsHid() { World = &Stage; }
    ~WindowsHid() override { World = nullptr; }

    TStandInDevice& Add(std::wstring path) {
        Stage.Devices.push_back({});
        Stage.Devices.back().Path = std::move(path);
        return Stage.Devices.back();
    }
    static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

    TWorld Stage;
    TStandInLoader Loader;
    TWin32EventLoop Loop;
};

const std::vector<std::string> NeededNames = {
    "SetupDiGetClassDevsW",       "SetupDiEnumDeviceInterfaces", "SetupDiGetDeviceInterfaceDetailW",
    "SetupDiGetDeviceRegistryPropertyW", "SetupDiDestroyDeviceInfoList", "HidD_GetHidGuid",
    "HidD_GetAttributes",         "HidD_GetManufacturerString",  "HidD_GetProductString", "HidD_GetSerialNumberString",
    "HidD_GetFeature",            "HidD_SetFeature",             "CreateFileW",
    "CloseHandle",                "CancelIoEx",
};

// ---- Binding ---------------------------------------------------------------

TEST_F(WindowsHid, OnlyTheNamesItCallsAreAskedForAndAnyMissingOneLeavesItInert) {
    Add(L"\\\\?\\hid#vid_20a0&pid_5e21#1");
    {
        TWindowsHidPlatform platform(Loader);
        EXPECT_TRUE(platform.Available());
        EXPECT_EQ(Loader.Asked, NeededNames) << "no rarer name is required";
        EXPECT_TRUE(IsEqualGUID(platform.HidGuid(), Stage.Guid)) << "the class comes from HidD_GetHidGuid";
    }
    EXPECT_EQ(Loader.Freed, Loader.Loaded);

    struct TCase {
        std::wstring Library;
        std::string Name;
    };
    std::vector<TCase> cases = {{L"SetupApi.dll", ""}, {L"HID.dll", ""}, {L"Kernel32.dll", ""}};
    for (const std::string& name : NeededNames) cases.push_back({L"", name});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Library.empty() ? c.Name : Narrow(c.Library));
        TStandInLoader loader;
        if (!c.Library.empty()) loader.MissingLibraries.insert(c.Library);
        if (!c.Name.empty()) loader.MissingNames.insert(c.Name);
        Stage.Calls.clear();
        {
            TWindowsHidPlatform platform(loader);
            EXPECT_FALSE(platform.Available());
            EXPECT_FALSE(platform.PostStartupNotice());
            EXPECT_EQ(platform.NotificationWindow(), nullptr);
            EXPECT_FALSE(platform.Snapshot().has_value()) << "no libraries, no snapshot";
            EXPECT_EQ(platform.Open(Narrow(Stage.Devices[0].Path), false), InvalidHidHandle);

            THidDeviceController controller(platform, Loop);
            int changes = 0;
            controller.OnDeviceChange = [&](THidDeviceController&) { ++changes; };
            Loop.ProcessEvents(50);
            EXPECT_TRUE(controller.Inert());
            EXPECT_EQ(changes, 0) << "nothing is ever announced";
        }
        EXPECT_TRUE(Stage.Calls.empty()) << "no stand-in was called";
        EXPECT_TRUE(Stage.Opens.empty());
        EXPECT_EQ(loader.Freed, loader.Loaded) << "what was loaded is freed again";
    }
}

// ---- Enumeration -----------------------------------------------------------

TEST_F(WindowsHid, TheSnapshotIsWalkedWithTheTwoCallDetailProbe) {
    const std::wstring longPath = L"\\\\?\\hid#" + std::wstring(400, L'x');
    Add(L"\\\\?\\hid#a");
    Add(L"\\\\?\\hid#broken").FailDetail = true;
    Add(longPath);
    TWindowsHidPlatform platform(Loader);
    Stage.Calls.clear();

    const std::vector<THidInterface> found = platform.Snapshot().value();
    ASSERT_EQ(found.size(), 2u) << "the interface whose detail fails is skipped, the walk goes on";
    EXPECT_EQ(found[0].DevicePath, "\\\\?\\hid#a");
    EXPECT_EQ(found[1].DevicePath, Narrow(longPath));
    EXPECT_NE(found[0].DeviceInstance, found[1].DeviceInstance);
    const std::size_t fixed = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    const auto detail = [&](std::size_t units) {
        return "detail " + std::to_string(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + units * 2) +
               " cbSize " + std::to_string(fixed);
    };
    EXPECT_EQ(Stage.Calls, (std::vector<std::string>{
                               "classdevs hid flags 18",  // DIGCF_PRESENT | DIGCF_DEVICEINTERFACE
                               "enum 0", "detail probe", detail(10),
                               "enum 1", "detail refused",
                               "enum 2", "detail probe", detail(longPath.size() + 1),
                               "enum 3", "destroy"}));
    EXPECT_EQ(Stage.OpenSets, 0);

    Stage.NoSnapshot = true;
    EXPECT_FALSE(platform.Snapshot().has_value()) << "no snapshot is not an empty one";
}

TEST_F(WindowsHid, AnInterfaceKeepsItsInstanceWhileItStaysWhereverItSits) {
    Add(L"a");
    Add(L"b");
    Add(L"c");
    TWindowsHidPlatform platform(Loader);
    const auto first = platform.Snapshot().value();
    ASSERT_EQ(first.size(), 3u);
    const std::set<uint32_t> distinct = {first[0].DeviceInstance, first[1].DeviceInstance, first[2].DeviceInstance};
    EXPECT_EQ(distinct.size(), 3u);

    Stage.Devices.erase(Stage.Devices.begin());  // a leaves: b and c move up
    const auto second = platform.Snapshot().value();
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0].DeviceInstance, first[1].DeviceInstance);
    EXPECT_EQ(second[1].DeviceInstance, first[2].DeviceInstance);

    Add(L"a");  // back again: a new device
    const auto third = platform.Snapshot().value();
    ASSERT_EQ(third.size(), 3u);
    EXPECT_EQ(third[2].DevicePath, "a");
    EXPECT_FALSE(distinct.count(third[2].DeviceInstance)) << "a replugged device is new, its number never reused";
    EXPECT_EQ(third[0].DeviceInstance, first[1].DeviceInstance);
}

std::vector<BYTE> Bytes(const std::wstring& text) {
    const auto* begin = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(begin, begin + text.size() * sizeof(wchar_t));
}

TEST_F(WindowsHid, RegistryPropertiesAsTextsListsAndNumbers) {
    TStandInDevice& d = Add(L"a");
    d.Registry[SPDRP_DEVICEDESC] = Bytes(std::wstring(L"HID-compliant device") + L'\0');
    d.Registry[SPDRP_HARDWAREID] = Bytes(std::wstring(L"HID\\VID_20A0&PID_5E21\0HID_DEVICE\0\0", 34));
    d.Registry[SPDRP_CONFIGFLAGS] = {0x20, 0x01, 0x00, 0x00};
    d.Registry[SPDRP_FRIENDLYNAME] = Bytes(std::wstring(1023, L'ж') + L'\0');   // 2048 bytes: fits
    d.Registry[SPDRP_LOCATION_INFORMATION] = Bytes(std::wstring(1500, L'y') + L'\0');  // does not
    TWindowsHidPlatform platform(Loader);
    platform.Snapshot();

    std::vector<std::pair<DWORD, DWORD>> expectedReads;
    for (DWORD code : {0, 1, 2, 4, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 24, 25, 26, 27, 28, 30}) {
        const bool list = code == 1 || code == 2 || code == 17 || code == 18;
        const bool number = code == 10 || code == 15 || code == 16 || code == 20 || code == 21 || code == 25 || code == 26;
        expectedReads.emplace_back(code, list ? 32768 : number ? 4 : 2048);
    }
    EXPECT_EQ(Stage.PropertyReads, expectedReads);

    const TDeviceRegistryProperties* p = platform.RegistryProperties("a");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Texts.at(SPDRP_DEVICEDESC), u"HID-compliant device");
    EXPECT_EQ(p->Lists.at(SPDRP_HARDWAREID), (std::vector<std::u16string>{u"HID\\VID_20A0&PID_5E21", u"HID_DEVICE"}));
    EXPECT_EQ(p->Numbers.at(SPDRP_CONFIGFLAGS), 0x120u);
    EXPECT_EQ(p->Texts.at(SPDRP_FRIENDLYNAME), std::u16string(1023, u'ж'));
    EXPECT_EQ(p->Texts.at(SPDRP_LOCATION_INFORMATION), u"") << "a read that fails leaves an empty text";
    EXPECT_TRUE(p->Lists.at(SPDRP_COMPATIBLEIDS).empty());
    EXPECT_EQ(p->Numbers.at(SPDRP_UI_NUMBER), 0u);
    EXPECT_EQ(platform.RegistryProperties("gone"), nullptr);
}

// ---- Devices ---------------------------------------------------------------

TEST_F(WindowsHid, TheControllerListsWhatOpensAndIdentifiesAndReadsItsStrings) {
    Add(L"module").Manufacturer = L"Тавик";
    Add(L"keyboard").RefuseReadWrite = true;
    Add(L"locked").RefuseOpen = true;
    Add(L"anonymous").FailAttributes = true;
    TWindowsHidPlatform platform(Loader);
    THidDeviceController controller(platform, Loop);
    std::vector<std::string> arrivals;
    controller.OnArrival = [&](THidDevice& device) {
        const std::u16string& maker = device.ManufacturerString();
        arrivals.push_back(device.PnPInfo().DevicePath + (device.HasReadWriteAccess() ? " rw" : " no access") +
                           (maker == u"Тавик" ? " Тавик" : "") + " " + std::to_string(device.VendorID()) + ":" +
                           std::to_string(device.ProductID()) + ":" + std::to_string(device.VersionNumber()));
    };
    Loop.ProcessEvents(100);

    EXPECT_EQ(arrivals, (std::vector<std::string>{"module rw Тавик 8352:24097:263", "keyboard no access 8352:24097:263"}));
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const auto open = [&](const wchar_t* path, DWORD access) {
        return TOpenCall{path, access, share, OPEN_EXISTING, 0, false, false};
    };
    const std::vector<TOpenCall> expected = {
        open(L"module", rw),                                // to read the attributes
        open(L"keyboard", rw), open(L"keyboard", 0),        // read/write refused: zero access
        open(L"locked", rw), open(L"locked", 0),            // not even that: skipped
        open(L"anonymous", rw),                             // opens, cannot be identified: skipped
        open(L"module", rw),                                // the manufacturer string, in OnArrival
        open(L"keyboard", rw), open(L"keyboard", 0),
    };
    EXPECT_EQ(Stage.Opens, expected);
    EXPECT_TRUE(Stage.Handles.empty()) << "every handle is closed again";
    for (DWORD size : Stage.AttributeSizes) EXPECT_EQ(size, sizeof(HIDD_ATTRIBUTES));
    EXPECT_EQ(sizeof(HIDD_ATTRIBUTES), 12u);
}

TEST_F(WindowsHid, DescriptorStringsOfAnyLengthAreKeptToTheirFirst254Units) {
    TStandInDevice& d = Add(L"a");
    TWindowsHidPlatform platform(Loader);
    for (std::size_t length : {0, 1, 253, 254, 255, 300}) {
        SCOPED_TRACE(length);
        std::wstring text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<wchar_t>(L'А' + i % 32);
        d.Product = text;
        d.Manufacturer = L"x" + text;
        d.Serial = L"s" + text;
        const THidHandle handle = platform.Open("a", false);
        ASSERT_NE(handle, InvalidHidHandle);
        std::u16string product = u"stale";
        std::u16string maker;
        std::u16string serial;
        ASSERT_TRUE(platform.GetProductString(handle, product));
        ASSERT_TRUE(platform.GetManufacturerString(handle, maker));
        ASSERT_TRUE(platform.GetSerialNumberString(handle, serial));
        const std::size_t kept = std::min<std::size_t>(length, MaxHidStringLength);
        EXPECT_EQ(product, std::u16string(reinterpret_cast<const char16_t*>(text.data()), kept));
        EXPECT_EQ(maker.size(), std::min<std::size_t>(length + 1, MaxHidStringLength));
        EXPECT_EQ(serial.size(), std::min<std::size_t>(length + 1, MaxHidStringLength));
        platform.Close(handle);
    }
    for (ULONG size : Stage.StringBufferSizes) EXPECT_EQ(size, 508u);
    std::u16string text;
    EXPECT_FALSE(platform.GetProductString(0x4321, text)) << "a handle HID.dll does not know";
}

TEST_F(WindowsHid, FeatureReportsCarryNineBytesEachWay) {
    TStandInDevice& d = Add(L"a");
    d.Answer = {0, 1, 7, 0x18, 0x00, 0x02, 0x00, 0x01, 0xE4};
    TWindowsHidPlatform platform(Loader);
    const THidHandle handle = platform.Open("a", true);
    ASSERT_NE(handle, InvalidHidHandle);

    const uint8_t command[9] = {0, 2, 3, 0x10, 0, 0, 0, 0, 0xEF};
    EXPECT_TRUE(platform.SetFeature(handle, command, sizeof command));
    ASSERT_EQ(d.Received.size(), 1u);
    EXPECT_EQ(d.Received[0], std::vector<uint8_t>(command, command + 9));
    uint8_t report[9] = {};
    EXPECT_TRUE(platform.GetFeature(handle, report, sizeof report));
    EXPECT_EQ(std::vector<uint8_t>(report, report + 9), std::vector<uint8_t>(d.Answer.begin(), d.Answer.end()));

    uint8_t shortBuffer[8] = {};
    EXPECT_FALSE(platform.GetFeature(handle, shortBuffer, sizeof shortBuffer)) << "a buffer short of the report";
    d.FailFeature = true;
    EXPECT_FALSE(platform.GetFeature(handle, report, sizeof report));
    const std::string reason = platform.LastError();
    EXPECT_EQ(reason.rfind("HidD_GetFeature: ", 0), 0u) << reason;
    EXPECT_NE(reason.find("(error 1167)"), std::string::npos) << reason << ": FormatMessage's words and the code";
    EXPECT_FALSE(platform.SetFeature(handle, command, sizeof command));
    d.FailFeature = false;
    const THidHandle noAccess = platform.Open("a", false);
    EXPECT_FALSE(platform.GetFeature(noAccess, report, sizeof report)) << "a zero-access handle carries none";
    platform.Close(noAccess);
    platform.Close(handle);
    EXPECT_TRUE(Stage.Handles.empty());
}

// ---- Transfers on the handle's own thread ---------------------------------

struct TDoneLog {
    std::vector<bool> Results;
    std::vector<DWORD> Threads;
    static void Call(void* context, bool ok) {
        auto* log = static_cast<TDoneLog*>(context);
        log->Results.push_back(ok);
        log->Threads.push_back(::GetCurrentThreadId());
    }
};

TEST_F(WindowsHid, AReadTheModuleHoldsLeavesTheLoopFreeAndEndsThroughIt) {
    TStandInDevice& d = Add(L"a");
    d.Answer = {0, 1, 7, 0x18, 0x00, 0x02, 0x00, 0x01, 0xE4};
    d.Hold = true;
    Stage.Entered = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Stage.Release = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Stage.Closed = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    TWindowsHidPlatform platform(Loader);
    const THidHandle handle = platform.Open("a", true);
    std::array<uint8_t, 9> report{};
    TDoneLog log;
    const auto start = [&] {
        bool ok = false;
        const TTransferStart started =
            platform.StartFeature(handle, TFeatureOp::Get, report.data(), report.size(), {&TDoneLog::Call, &log}, ok);
        return started == TTransferStart::Pending && ::WaitForSingleObject(Stage.Entered, 5000) == WAIT_OBJECT_0;
    };

    ASSERT_TRUE(start()) << "pending at once, the call made on another thread";
    EXPECT_FALSE(platform.WaitTransfer(handle, 50));
    Loop.ProcessEvents(50);
    uint8_t other[9] = {};
    EXPECT_FALSE(platform.GetFeature(handle, other, sizeof other)) << "one transfer at a time";
    EXPECT_TRUE(Stage.Holding);
    EXPECT_TRUE(log.Results.empty());
    ::SetEvent(Stage.Release);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (log.Results.empty() && std::chrono::steady_clock::now() < deadline) Loop.ProcessEvents(20);
    EXPECT_EQ(log.Results, std::vector<bool>{true});
    EXPECT_EQ(log.Threads, std::vector<DWORD>{::GetCurrentThreadId()}) << "done is called on the loop's thread";
    EXPECT_EQ(report, d.Answer);

    // Taken by WaitTransfer: once, with the words of the code the call left
    // on its own thread.
    d.FailFeature = true;
    ASSERT_TRUE(start());
    ::SetEvent(Stage.Release);
    EXPECT_TRUE(platform.WaitTransfer(handle, 5000));
    Loop.ProcessEvents(50);
    EXPECT_EQ(log.Results, (std::vector<bool>{true, false})) << "the end's message finds nothing left to take";
    EXPECT_EQ(platform.LastError().rfind("HidD_GetFeature: ", 0), 0u) << platform.LastError();
    EXPECT_NE(platform.LastError().find("(error 1167)"), std::string::npos) << platform.LastError();

    // Closed while held: the close does not wait, done is never called, the
    // buffer is not touched; the thread closes the handle once the call ends.
    d.FailFeature = false;
    report.fill(0xAA);
    ASSERT_TRUE(start());
    platform.Close(handle);
    EXPECT_TRUE(Stage.Holding);
    EXPECT_EQ(Stage.Cancels, std::vector<HANDLE>{reinterpret_cast<HANDLE>(handle)}) << "the call is asked to end";
    EXPECT_EQ(Stage.Handles.size(), 1u);
    ::SetEvent(Stage.Release);
    ASSERT_EQ(::WaitForSingleObject(Stage.Closed, 5000), WAIT_OBJECT_0);
    Loop.ProcessEvents(50);
    EXPECT_EQ(log.Results.size(), 2u);
    EXPECT_EQ(report, (std::array<uint8_t, 9>{0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}));
    EXPECT_TRUE(Stage.Handles.empty());
    for (HANDLE event : {Stage.Entered, Stage.Release, Stage.Closed}) ::CloseHandle(event);
}

// ---- Notifications ---------------------------------------------------------

TEST_F(WindowsHid, TheHiddenWindowHearsTheBroadcastAndTheStartUpNotice) {
    TWindowsHidPlatform platform(Loader);
    const HWND window = platform.NotificationWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(::GetAncestor(window, GA_PARENT), ::GetDesktopWindow()) << "top-level: not a message-only window";

    THidDeviceController controller(platform, Loop);
    MSG notice{};
    ASSERT_TRUE(::PeekMessageW(&notice, window, WM_DEVICECHANGE, WM_DEVICECHANGE, PM_NOREMOVE))
        << "the start-up notice waits in the window's queue";
    EXPECT_EQ(notice.wParam, static_cast<WPARAM>(DBT_DEVNODES_CHANGED));
    EXPECT_EQ(notice.lParam, -1);
    std::vector<THidChangeNotice> passes;
    controller.OnDeviceChange = [&](THidDeviceController& c) { passes.push_back(c.LastChangeParam()); };
    Add(L"a");
    Loop.ProcessEvents(100);
    EXPECT_EQ(passes, std::vector<THidChangeNotice>{THidChangeNotice::StartUp});
    EXPECT_EQ(controller.Count(), 1u);

    // The broadcast every top-level window gets when the device tree changes.
    Add(L"b");
    ::SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    Loop.ProcessEvents(0);
    EXPECT_EQ(passes, (std::vector<THidChangeNotice>{THidChangeNotice::StartUp, THidChangeNotice::DeviceTreeChanged}));
    EXPECT_EQ(controller.Count(), 2u);

    // Other device messages start no pass.
    Stage.Devices.clear();
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    ::PostMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
    Loop.ProcessEvents(0);
    EXPECT_EQ(passes, (std::vector<THidChangeNotice>{THidChangeNotice::StartUp, THidChangeNotice::DeviceTreeChanged}));
    EXPECT_EQ(controller.Count(), 2u);
}

// ---- The real one ----------------------------------------------------------

TEST(WindowsHidSystem, BindsThisWindowsLibrariesAndAnnouncesTheStartUpPass) {
    TWin32EventLoop loop;
    std::unique_ptr<THidPlatform> system = CreateSystemHidPlatform(loop);
    auto* platform = dynamic_cast<TWindowsHidPlatform*>(system.get());
    ASSERT_NE(platform, nullptr);
    ASSERT_TRUE(platform->Available()) << "SetupApi.dll and HID.dll hold every name the platform calls";

    const auto taken = platform->Snapshot();
    ASSERT_TRUE(taken.has_value());
    const std::vector<THidInterface>& first = *taken;
    std::set<uint32_t> instances;
    for (const THidInterface& found : first) {
        EXPECT_FALSE(found.DevicePath.empty());
        instances.insert(found.DeviceInstance);
    }
    EXPECT_EQ(instances.size(), first.size());
    const std::vector<THidInterface> second = platform->Snapshot().value();
    ASSERT_EQ(second.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(second[i].DeviceInstance, first[i].DeviceInstance);

    THidDeviceController controller(*platform, loop);
    std::vector<THidChangeNotice> passes;
    controller.OnDeviceChange = [&](THidDeviceController& c) { passes.push_back(c.LastChangeParam()); };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (passes.empty() && std::chrono::steady_clock::now() < deadline) loop.ProcessEvents(100);
    EXPECT_EQ(passes, std::vector<THidChangeNotice>{THidChangeNotice::StartUp}) << "the start-up notice, through the hidden window";
    EXPECT_EQ(controller.Count(), first.size());
}

}  // namespace
}  // namespace tavik
