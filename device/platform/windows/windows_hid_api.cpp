#include "windows_hid_api.h"

namespace tavik {

namespace {
template <typename TEntry>
bool Look(TLibraryLoader& loader, TLibraryLoader::TLibrary library, TEntry& entry, const char* name) {
    entry = reinterpret_cast<TEntry>(loader.Find(library, name));
    return entry != nullptr;
}
}  // namespace

bool TWindowsHidApi::Bind(TLibraryLoader& loader) {
    Unbind();
    const wchar_t* names[] = {SetupApiName, HidName, KernelName};
    bool complete = true;
    for (int i = 0; i < 3 && complete; ++i) {
        Libraries_[i] = loader.Load(names[i]);
        complete = Libraries_[i] != nullptr;
    }
    if (complete) {
        const auto setupApi = Libraries_[0];
        const auto hid = Libraries_[1];
        const auto kernel = Libraries_[2];
        complete = Look(loader, setupApi, SetupDiGetClassDevsW, "SetupDiGetClassDevsW") &&
                   Look(loader, setupApi, SetupDiEnumDeviceInterfaces, "SetupDiEnumDeviceInterfaces") &&
                   Look(loader, setupApi, SetupDiGetDeviceInterfaceDetailW, "SetupDiGetDeviceInterfaceDetailW") &&
                   Look(loader, setupApi, SetupDiGetDeviceRegistryPropertyW, "SetupDiGetDeviceRegistryPropertyW") &&
                   Look(loader, setupApi, SetupDiDestroyDeviceInfoList, "SetupDiDestroyDeviceInfoList") &&
                   Look(loader, hid, HidD_GetHidGuid, "HidD_GetHidGuid") &&
                   Look(loader, hid, HidD_GetAttributes, "HidD_GetAttributes") &&
                   Look(loader, hid, HidD_GetManufacturerString, "HidD_GetManufacturerString") &&
                   Look(loader, hid, HidD_GetProductString, "HidD_GetProductString") &&
                   Look(loader, hid, HidD_GetSerialNumberString, "HidD_GetSerialNumberString") &&
                   Look(loader, hid, HidD_GetFeature, "HidD_GetFeature") &&
                   Look(loader, hid, HidD_SetFeature, "HidD_SetFeature") &&
                   Look(loader, kernel, CreateFileW, "CreateFileW") &&
                   Look(loader, kernel, CloseHandle, "CloseHandle") &&
                   Look(loader, kernel, CancelIoEx, "CancelIoEx");
    }
    Loader_ = &loader;
    if (!complete) Unbind();
    return complete;
}

void TWindowsHidApi::Unbind() {
    for (auto& library : Libraries_) {
        if (library && Loader_) Loader_->Free(library);
        library = nullptr;
    }
    Loader_ = nullptr;
    static_cast<THidEntryPoints&>(*this) = {};
}

}  // namespace tavik
