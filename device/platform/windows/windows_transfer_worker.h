#pragma once
// The thread that carries one open HID handle's feature reports, so that a
// module that does not answer holds up its own thread and not the loop's:
// HidD_GetFeature and HidD_SetFeature wait for the module with no time limit
// of their own. The loop hands it one transfer at a time and hears the end
// through a message posted to the platform's hidden window, or waits for it
// on the thread's event. Closing hands the handle to the thread, which closes
// it once no transfer holds it and then ends.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "device/platform/hid_platform.h"
#include "windows_hid_api.h"

namespace tavik {

class TWindowsTransferWorker {
public:
    // Where the end of each transfer is told: message, with tag as its
    // wParam, posted to window.
    struct TNotice {
        HWND Window = nullptr;
        UINT Message = 0;
        WPARAM Tag = 0;
    };
    // Takes the handle, to be carried and closed through api's entry points;
    // null when no thread or event could be had.
    static std::unique_ptr<TWindowsTransferWorker> Start(HANDLE device, const THidEntryPoints& api, TNotice notice);
    ~TWindowsTransferWorker();  // hands the handle to the thread
    TWindowsTransferWorker(const TWindowsTransferWorker&) = delete;
    TWindowsTransferWorker& operator=(const TWindowsTransferWorker&) = delete;

    bool Busy() const { return Busy_; }
    // Copies the request; false when it does not fit or one is under way.
    bool Begin(TFeatureOp op, const uint8_t* buffer, std::size_t length);
    // Waits at most maxMs (-1: for ever) for the end; true once it has come.
    bool Wait(int maxMs) const;
    // Takes the ended transfer's result (false: none has ended): whether it
    // went through, for a read the bytes into buffer, on failure the code
    // GetLastError gave on the thread.
    bool TakeResult(uint8_t* buffer, std::size_t length, bool& ok, DWORD& error);

    struct TShared;

private:
    explicit TWindowsTransferWorker(std::shared_ptr<TShared> shared) : Shared_(std::move(shared)) {}
    std::shared_ptr<TShared> Shared_;
    bool Busy_ = false;  // the loop's own view: a transfer begun and not taken
};

}  // namespace tavik
