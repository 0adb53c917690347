#pragma once
// The entry points of SetupApi.dll, HID.dll and Kernel32.dll that the Windows
// platform calls, looked up by name into one table. Only these are asked
// for: a library that lacks a rarer name the program never calls still binds.
#include <windows.h>

#include <hidsdi.h>
#include <setupapi.h>

#include "library_loader.h"

namespace tavik {

struct THidEntryPoints {
    // SetupApi.dll
    decltype(&::SetupDiGetClassDevsW) SetupDiGetClassDevsW = nullptr;
    decltype(&::SetupDiEnumDeviceInterfaces) SetupDiEnumDeviceInterfaces = nullptr;
    decltype(&::SetupDiGetDeviceInterfaceDetailW) SetupDiGetDeviceInterfaceDetailW = nullptr;
    decltype(&::SetupDiGetDeviceRegistryPropertyW) SetupDiGetDeviceRegistryPropertyW = nullptr;
    decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList = nullptr;
    // HID.dll
    decltype(&::HidD_GetHidGuid) HidD_GetHidGuid = nullptr;
    decltype(&::HidD_GetAttributes) HidD_GetAttributes = nullptr;
    decltype(&::HidD_GetManufacturerString) HidD_GetManufacturerString = nullptr;
    decltype(&::HidD_GetProductString) HidD_GetProductString = nullptr;
    decltype(&::HidD_GetSerialNumberString) HidD_GetSerialNumberString = nullptr;
    decltype(&::HidD_GetFeature) HidD_GetFeature = nullptr;
    decltype(&::HidD_SetFeature) HidD_SetFeature = nullptr;
    // Kernel32.dll: device handles (bound like the rest so that a test can
    // stand in for the devices themselves).
    decltype(&::CreateFileW) CreateFileW = nullptr;
    decltype(&::CloseHandle) CloseHandle = nullptr;
    decltype(&::CancelIoEx) CancelIoEx = nullptr;
};

class TWindowsHidApi : public THidEntryPoints {
public:
    static constexpr const wchar_t* SetupApiName = L"SetupApi.dll";
    static constexpr const wchar_t* HidName = L"HID.dll";
    static constexpr const wchar_t* KernelName = L"Kernel32.dll";

    // Loads the three libraries and looks every entry point up. When a
    // library or a name is missing, whatever was loaded is freed again, the
    // table is cleared and the result is false.
    bool Bind(TLibraryLoader& loader);
    void Unbind();
    bool Bound() const { return Loader_ != nullptr; }

    TWindowsHidApi() = default;
    ~TWindowsHidApi() { Unbind(); }
    TWindowsHidApi(const TWindowsHidApi&) = delete;
    TWindowsHidApi& operator=(const TWindowsHidApi&) = delete;

private:
    TLibraryLoader* Loader_ = nullptr;
    TLibraryLoader::TLibrary Libraries_[3] = {};
};

}  // namespace tavik
