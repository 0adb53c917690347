#pragma once
// The Windows HID platform: SetupAPI lists the HID interfaces, HID.dll reads
// their attributes and strings and carries the feature reports (each open
// handle's on a thread of its own once it carries one), and a hidden
// top-level window hears the device-nodes-changed broadcast and the ends of
// those transfers. The libraries are bound at run time; without them the
// platform is unavailable and the controller over it stays inert.
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "device/platform/hid_platform.h"
#include "device_registry_properties.h"
#include "library_loader.h"
#include "windows_hid_api.h"
#include "windows_transfer_worker.h"

namespace tavik {

class TWindowsHidPlatform : public THidPlatform {
public:
    // Binds the system's libraries.
    TWindowsHidPlatform();
    // Binds what loader hands out (tests hand stand-ins); loader must outlive
    // the platform.
    explicit TWindowsHidPlatform(TLibraryLoader& loader);
    ~TWindowsHidPlatform() override;
    TWindowsHidPlatform(const TWindowsHidPlatform&) = delete;
    TWindowsHidPlatform& operator=(const TWindowsHidPlatform&) = delete;

    bool Available() const override { return Api_.Bound(); }
    std::optional<std::vector<THidInterface>> Snapshot() override;
    THidHandle Open(const std::string& path, bool readWrite) override;
    void Close(THidHandle handle) override;
    bool GetAttributes(THidHandle handle, THidAttributes& attributes) override;
    bool GetManufacturerString(THidHandle handle, std::u16string& text) override;
    bool GetProductString(THidHandle handle, std::u16string& text) override;
    bool GetSerialNumberString(THidHandle handle, std::u16string& text) override;
    bool GetFeature(THidHandle handle, uint8_t* buffer, std::size_t length) override;
    bool SetFeature(THidHandle handle, const uint8_t* buffer, std::size_t length) override;
    // On the handle's own thread, its end heard through the hidden window.
    TTransferStart StartFeature(THidHandle handle, TFeatureOp op, uint8_t* buffer, std::size_t length, TTransferDone done,
                                bool& ok) override;
    bool WaitTransfer(THidHandle handle, int maxMs) override;
    // Posts WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, -1 to the hidden window.
    bool PostStartupNotice() override;

    const GUID& HidGuid() const { return HidGuid_; }
    HWND NotificationWindow() const { return Window_; }
    // The registry properties read for a path in the last snapshot, or null.
    const TDeviceRegistryProperties* RegistryProperties(const std::string& path) const;

private:
    struct TPresent {
        uint32_t Instance;
        TDeviceRegistryProperties Properties;
    };
    // A handle that has carried a transfer: the thread that owns it now.
    struct TTransfers {
        std::unique_ptr<TWindowsTransferWorker> Worker;
        TFeatureOp Op = TFeatureOp::Get;
        uint8_t* Answer = nullptr;  // the caller's buffer of the transfer under way
        std::size_t AnswerLength = 0;
        TTransferDone Done;
    };
    void Start(TLibraryLoader& loader);
    // Keeps operation and the message of code (GetLastError's) as the
    // reason; false.
    bool FailCall(const char* operation, DWORD code = ::GetLastError());
    TWindowsTransferWorker* Worker(THidHandle handle) const;
    void EndTransfer(THidHandle handle);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TSystemLibraryLoader SystemLoader_;
    TWindowsHidApi Api_;
    GUID HidGuid_{};
    HWND Window_ = nullptr;
    // Windows renumbers its device nodes as it likes: a device's identity is
    // its interface path, numbered when first seen and for as long as it stays.
    std::map<std::string, TPresent> Present_;
    uint32_t NextInstance_ = 1;
    std::map<THidHandle, TTransfers> Transfers_;
};

}  // namespace tavik
