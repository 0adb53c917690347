#include "windows_hid_platform.h"

#include <dbt.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <vector>

#include "common/utf8_text.h"

namespace tavik {

namespace {
constexpr wchar_t WindowClass[] = L"TavikHidNotification";
// Posted to the hidden window by a handle's thread when its transfer ends;
// wParam is the handle.
constexpr UINT TransferEndedMessage = WM_APP + 1;
// The fallback the HID class is known by, should HidD_GetHidGuid not fill it.
constexpr GUID DefaultHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

HANDLE Handle(THidHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// FormatMessage's words for a system error code, and the code.
std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", text ? length : 0);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    return (message.empty() ? std::string("system error") : Utf8Of(std::wstring_view(message))) + " (error " + std::to_string(code) + ")";
}

constexpr char NotBound[] = "HID.dll is not bound";

using TStringReader = decltype(THidEntryPoints::HidD_GetProductString);

// A descriptor string: a zeroed buffer of MaxHidStringLength UTF-16 units,
// the text up to its first NUL.
bool ReadString(TStringReader reader, THidHandle handle, std::u16string& text) {
    wchar_t buffer[MaxHidStringLength] = {};
    if (!reader(Handle(handle), buffer, sizeof buffer)) return false;
    text.assign(reinterpret_cast<const char16_t*>(buffer), ::wcsnlen(buffer, MaxHidStringLength));
    return true;
}

// Releases a SetupAPI snapshot however the walk ends.
struct TDeviceInfoSet {
    const THidEntryPoints& Api;
    const HDEVINFO Set;
    ~TDeviceInfoSet() { Api.SetupDiDestroyDeviceInfoList(Set); }
};
}  // namespace

TWindowsHidPlatform::TWindowsHidPlatform() { Start(SystemLoader_); }

TWindowsHidPlatform::TWindowsHidPlatform(TLibraryLoader& loader) { Start(loader); }

void TWindowsHidPlatform::Start(TLibraryLoader& loader) {
    HidGuid_ = DefaultHidGuid;
    if (!Api_.Bind(loader)) return;
    Api_.HidD_GetHidGuid(&HidGuid_);

    // A top-level popup, never shown: message-only windows get no broadcasts.
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = WindowClass;
    ::RegisterClassExW(&windowClass);  // fails harmlessly for a second platform
    Window_ = ::CreateWindowExW(0, WindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance,
                                nullptr);
    if (Window_) ::SetWindowLongPtrW(Window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWindowsHidPlatform::~TWindowsHidPlatform() {
    Transfers_.clear();  // no thread posts to the window after this
    if (Window_) {
        ::SetWindowLongPtrW(Window_, GWLP_USERDATA, 0);
        ::DestroyWindow(Window_);
    }
}

LRESULT CALLBACK TWindowsHidPlatform::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* platform = reinterpret_cast<TWindowsHidPlatform*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == TransferEndedMessage) {
        // The handle may have been closed, or its result taken by
        // WaitTransfer, since: then there is nothing to take.
        if (platform) platform->EndTransfer(static_cast<THidHandle>(wParam));
        return 0;
    }
    // Only the device-tree change: arrivals and removals of single interfaces
    // are seen by the pass it starts. The controller drops one that comes
    // while a pass runs.
    if (platform && message == WM_DEVICECHANGE && wParam == DBT_DEVNODES_CHANGED)
        // The start-up notice is the one posted below, marked as Windows
        // never marks a broadcast.
        platform->RaiseDeviceChange(lParam == -1 ? THidChangeNotice::StartUp : THidChangeNotice::DeviceTreeChanged);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool TWindowsHidPlatform::PostStartupNotice() {
    return Window_ && ::PostMessageW(Window_, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, static_cast<LPARAM>(-1));
}

std::optional<std::vector<THidInterface>> TWindowsHidPlatform::Snapshot() {
    if (!Available()) return std::nullopt;
    const HDEVINFO raw = Api_.SetupDiGetClassDevsW(&HidGuid_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    // Without a snapshot nothing can be told gone: the controller skips the pass.
    if (raw == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<THidInterface> interfaces;
    const TDeviceInfoSet set{Api_, raw};

    std::map<std::string, TPresent> present;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!Api_.SetupDiEnumDeviceInterfaces(set.Set, nullptr, &HidGuid_, index, &interfaceData)) break;

        // The detail's size first, then the detail; an interface whose detail
        // cannot be read is skipped and the walk goes on.
        SP_DEVINFO_DATA deviceData{};
        deviceData.cbSize = sizeof deviceData;
        DWORD size = 0;
        ::SetLastError(ERROR_SUCCESS);
        const bool sized =
            !Api_.SetupDiGetDeviceInterfaceDetailW(set.Set, &interfaceData, nullptr, 0, &size, &deviceData) &&
            ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
        constexpr std::size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
        if (!sized || size <= pathOffset) continue;
        // Sized in 8-byte words: the block is read through its struct.
        std::vector<uint64_t> words((size + 7) / 8);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(words.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!Api_.SetupDiGetDeviceInterfaceDetailW(set.Set, &interfaceData, detail, size, nullptr, &deviceData))
            continue;
        const std::size_t units = (size - pathOffset) / sizeof(wchar_t);
        const std::wstring widePath(detail->DevicePath, std::find(detail->DevicePath, detail->DevicePath + units, L'\0'));
        if (widePath.empty()) continue;
        const std::string path = Utf8Of(std::wstring_view(widePath));

        const auto known = Present_.find(path);
        const uint32_t instance = known != Present_.end() ? known->second.Instance : NextInstance_++;
        present[path] = {instance, ReadDeviceRegistryProperties(Api_, set.Set, deviceData)};
        interfaces.push_back({instance, path});
    }
    // A path that left is forgotten: when it comes back it is a new device.
    Present_ = std::move(present);
    return interfaces;
}

const TDeviceRegistryProperties* TWindowsHidPlatform::RegistryProperties(const std::string& path) const {
    const auto found = Present_.find(path);
    return found == Present_.end() ? nullptr : &found->second.Properties;
}

// Zero access is enough for the attributes and strings and is granted even
// for keyboards and mice, which Windows keeps for itself.
THidHandle TWindowsHidPlatform::Open(const std::string& path, bool readWrite) {
    if (!Available()) {
        Fail(NotBound);
        return InvalidHidHandle;
    }
    const HANDLE handle = Api_.CreateFileW(WideOf(path).c_str(), readWrite ? GENERIC_READ | GENERIC_WRITE : 0,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return reinterpret_cast<THidHandle>(handle);
    FailCall("CreateFileW");
    return InvalidHidHandle;
}

bool TWindowsHidPlatform::FailCall(const char* operation, DWORD code) {
    return Fail(std::string(operation) + ": " + SystemMessage(code));
}

// A handle with a thread is closed by it, once no transfer holds it: a close
// here could wait for the module as the transfer does.
void TWindowsHidPlatform::Close(THidHandle handle) {
    if (Transfers_.erase(handle)) return;
    if (Available() && handle != InvalidHidHandle) Api_.CloseHandle(Handle(handle));
}

TTransferStart TWindowsHidPlatform::StartFeature(THidHandle handle, TFeatureOp op, uint8_t* buffer, std::size_t length,
                                                 TTransferDone done, bool& ok) {
    auto found = Transfers_.find(handle);
    // Without the window the loop could not hear the end: the transfer is
    // carried out here then.
    if (found == Transfers_.end() && Window_ && handle != InvalidHidHandle) {
        auto worker = TWindowsTransferWorker::Start(Handle(handle), Api_,
                                                    {Window_, TransferEndedMessage, static_cast<WPARAM>(handle)});
        if (worker) {
            found = Transfers_.try_emplace(handle).first;
            found->second.Worker = std::move(worker);
        }
    }
    if (found == Transfers_.end()) return THidPlatform::StartFeature(handle, op, buffer, length, done, ok);
    TTransfers& transfers = found->second;
    if (!transfers.Worker->Begin(op, buffer, length)) {
        ok = Fail(transfers.Worker->Busy() ? "a transfer is under way" : "report too long");
        return TTransferStart::Finished;
    }
    transfers.Op = op;
    transfers.Answer = buffer;
    transfers.AnswerLength = length;
    transfers.Done = done;
    return TTransferStart::Pending;
}

void TWindowsHidPlatform::EndTransfer(THidHandle handle) {
    const auto found = Transfers_.find(handle);
    if (found == Transfers_.end()) return;
    TTransfers& transfers = found->second;
    bool ok = false;
    DWORD error = ERROR_SUCCESS;
    if (!transfers.Worker->TakeResult(transfers.Answer, transfers.AnswerLength, ok, error)) return;
    if (!ok) FailCall(transfers.Op == TFeatureOp::Get ? "HidD_GetFeature" : "HidD_SetFeature", error);
    const TTransferDone done = transfers.Done;
    transfers.Answer = nullptr;
    transfers.Done = {};
    if (done.Call) done.Call(done.Context, ok);
}

bool TWindowsHidPlatform::WaitTransfer(THidHandle handle, int maxMs) {
    TWindowsTransferWorker* worker = Worker(handle);
    if (!worker || !worker->Busy() || !worker->Wait(maxMs)) return false;
    EndTransfer(handle);
    return true;
}

TWindowsTransferWorker* TWindowsHidPlatform::Worker(THidHandle handle) const {
    const auto found = Transfers_.find(handle);
    return found == Transfers_.end() ? nullptr : found->second.Worker.get();
}

bool TWindowsHidPlatform::GetAttributes(THidHandle handle, THidAttributes& attributes) {
    if (!Available()) return Fail(NotBound);
    HIDD_ATTRIBUTES read{};
    read.Size = sizeof read;
    if (!Api_.HidD_GetAttributes(Handle(handle), &read)) return FailCall("HidD_GetAttributes");
    attributes = {read.VendorID, read.ProductID, read.VersionNumber};
    return true;
}

bool TWindowsHidPlatform::GetManufacturerString(THidHandle handle, std::u16string& text) {
    if (!Available()) return Fail(NotBound);
    return ReadString(Api_.HidD_GetManufacturerString, handle, text) || FailCall("HidD_GetManufacturerString");
}

bool TWindowsHidPlatform::GetProductString(THidHandle handle, std::u16string& text) {
    if (!Available()) return Fail(NotBound);
    return ReadString(Api_.HidD_GetProductString, handle, text) || FailCall("HidD_GetProductString");
}

bool TWindowsHidPlatform::GetSerialNumberString(THidHandle handle, std::u16string& text) {
    if (!Available()) return Fail(NotBound);
    return ReadString(Api_.HidD_GetSerialNumberString, handle, text) || FailCall("HidD_GetSerialNumberString");
}

bool TWindowsHidPlatform::GetFeature(THidHandle handle, uint8_t* buffer, std::size_t length) {
    if (!Available()) return Fail(NotBound);
    if (const TWindowsTransferWorker* worker = Worker(handle); worker && worker->Busy())
        return Fail("a transfer is under way");
    return Api_.HidD_GetFeature(Handle(handle), buffer, static_cast<ULONG>(length)) || FailCall("HidD_GetFeature");
}

// HID.dll only reads the buffer; its declaration just does not say so.
bool TWindowsHidPlatform::SetFeature(THidHandle handle, const uint8_t* buffer, std::size_t length) {
    if (!Available()) return Fail(NotBound);
    if (const TWindowsTransferWorker* worker = Worker(handle); worker && worker->Busy())
        return Fail("a transfer is under way");
    return Api_.HidD_SetFeature(Handle(handle), const_cast<uint8_t*>(buffer), static_cast<ULONG>(length)) ||
           FailCall("HidD_SetFeature");
}

}  // namespace tavik
