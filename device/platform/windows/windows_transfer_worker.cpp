#include "windows_transfer_worker.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tavik {

struct TWindowsTransferWorker::TShared {
    std::mutex Mutex;
    std::condition_variable Wake;
    THidEntryPoints Api;
    TNotice Notice;
    HANDLE Device = INVALID_HANDLE_VALUE;
    HANDLE Event = nullptr;  // manual reset: set at the end, reset when taken
    // HID.dll held loaded while the thread may be inside it, should the
    // platform unbind first.
    HMODULE Library = nullptr;
    bool Closing = false;
    bool Requested = false;
    bool Carrying = false;  // the thread is inside HID.dll with the handle
    bool Ended = false;
    TFeatureOp Op = TFeatureOp::Get;
    std::array<uint8_t, 64> Buffer{};
    std::size_t Length = 0;
    bool Ok = false;
    DWORD Error = ERROR_SUCCESS;

    ~TShared() {
        if (Device != INVALID_HANDLE_VALUE) Api.CloseHandle(Device);
        if (Event) ::CloseHandle(Event);
        if (Library) ::FreeLibrary(Library);
    }
};

namespace {
void Run(std::shared_ptr<TWindowsTransferWorker::TShared> shared) {
    std::unique_lock lock(shared->Mutex);
    for (;;) {
        shared->Wake.wait(lock, [&] { return shared->Requested || shared->Closing; });
        if (!shared->Requested) return;  // closing, and nothing holds the handle
        shared->Requested = false;
        shared->Carrying = true;
        const TFeatureOp op = shared->Op;
        std::array<uint8_t, 64> buffer = shared->Buffer;
        const auto length = static_cast<ULONG>(shared->Length);
        lock.unlock();
        const BOOLEAN done = op == TFeatureOp::Get ? shared->Api.HidD_GetFeature(shared->Device, buffer.data(), length)
                                                   : shared->Api.HidD_SetFeature(shared->Device, buffer.data(), length);
        const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
        lock.lock();
        shared->Carrying = false;
        shared->Buffer = buffer;
        shared->Ok = done;
        shared->Error = error;
        shared->Ended = true;
        if (shared->Closing) return;
        ::SetEvent(shared->Event);
        ::PostMessageW(shared->Notice.Window, shared->Notice.Message, shared->Notice.Tag, 0);
    }
}
}  // namespace

std::unique_ptr<TWindowsTransferWorker> TWindowsTransferWorker::Start(HANDLE device, const THidEntryPoints& api,
                                                                      TNotice notice) {
    auto shared = std::make_shared<TShared>();
    shared->Api = api;
    shared->Notice = notice;
    shared->Event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!shared->Event ||
        !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(api.HidD_GetFeature),
                              &shared->Library))
        return nullptr;
    try {
        std::thread(Run, shared).detach();
    } catch (...) {
        return nullptr;
    }
    shared->Device = device;  // the thread reads it under the lock, with a request
    return std::unique_ptr<TWindowsTransferWorker>(new TWindowsTransferWorker(std::move(shared)));
}

// A call the module does not answer is asked to end: where the driver
// honours it the handle is closed sooner, elsewhere when the call ends.
TWindowsTransferWorker::~TWindowsTransferWorker() {
    std::lock_guard lock(Shared_->Mutex);
    Shared_->Closing = true;
    if (Shared_->Carrying) Shared_->Api.CancelIoEx(Shared_->Device, nullptr);
    Shared_->Wake.notify_one();
}

bool TWindowsTransferWorker::Begin(TFeatureOp op, const uint8_t* buffer, std::size_t length) {
    if (Busy_ || length > Shared_->Buffer.size()) return false;
    std::lock_guard lock(Shared_->Mutex);
    Shared_->Op = op;
    std::copy(buffer, buffer + length, Shared_->Buffer.begin());
    Shared_->Length = length;
    Shared_->Requested = true;
    Busy_ = true;
    Shared_->Wake.notify_one();
    return true;
}

bool TWindowsTransferWorker::Wait(int maxMs) const {
    return ::WaitForSingleObject(Shared_->Event, maxMs < 0 ? INFINITE : static_cast<DWORD>(maxMs)) == WAIT_OBJECT_0;
}

bool TWindowsTransferWorker::TakeResult(uint8_t* buffer, std::size_t length, bool& ok, DWORD& error) {
    std::lock_guard lock(Shared_->Mutex);
    if (!Shared_->Ended) return false;
    Shared_->Ended = false;
    ::ResetEvent(Shared_->Event);
    Busy_ = false;
    if (Shared_->Op == TFeatureOp::Get) std::copy_n(Shared_->Buffer.begin(), std::min(length, Shared_->Length), buffer);
    ok = Shared_->Ok;
    error = Shared_->Error;
    return true;
}

}  // namespace tavik
