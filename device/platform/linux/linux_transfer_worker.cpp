#include "linux_transfer_worker.h"

#include <hidapi/hidapi.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <thread>

#include "common/utf8_text.h"

namespace tavik {

struct TLinuxTransferWorker::TShared {
    std::mutex Mutex;
    std::condition_variable Wake;
    hid_device* Device = nullptr;
    int Event = -1;
    bool Closing = false;
    bool Requested = false;
    TFeatureOp Op = TFeatureOp::Get;
    std::array<uint8_t, 64> Buffer{};
    std::size_t Length = 0;
    bool Ok = false;
    std::string Error;

    ~TShared() {
        if (Device) hid_close(Device);
        if (Event >= 0) close(Event);
    }
};

namespace {
std::string ErrorOf(hid_device* device) {
    const wchar_t* text = hid_error(device);
    return text ? Utf8Of(std::wstring_view(text)) : std::string("unknown error");
}

void Run(std::shared_ptr<TLinuxTransferWorker::TShared> shared) {
    std::unique_lock lock(shared->Mutex);
    for (;;) {
        shared->Wake.wait(lock, [&] { return shared->Requested || shared->Closing; });
        if (!shared->Requested) return;  // closing, and nothing holds the node
        shared->Requested = false;
        const TFeatureOp op = shared->Op;
        std::array<uint8_t, 64> buffer = shared->Buffer;
        const std::size_t length = shared->Length;
        hid_device* device = shared->Device;
        lock.unlock();
        const int result = op == TFeatureOp::Get ? hid_get_feature_report(device, buffer.data(), length)
                                                 : hid_send_feature_report(device, buffer.data(), length);
        std::string error;
        if (result < 0) error = ErrorOf(device);
        else if (op == TFeatureOp::Get && result == 0) error = "short read: 0 of " + std::to_string(length) + " bytes";
        lock.lock();
        shared->Buffer = buffer;
        shared->Ok = error.empty();
        shared->Error = std::move(error);
        const uint64_t one = 1;
        if (write(shared->Event, &one, sizeof one) < 0) {
            // The eventfd's counter cannot overflow at one write a transfer.
        }
        if (shared->Closing) return;
    }
}
}  // namespace

std::unique_ptr<TLinuxTransferWorker> TLinuxTransferWorker::Start(hid_device_* device) {
    auto shared = std::make_shared<TShared>();
    shared->Event = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (shared->Event < 0) return nullptr;
    try {
        std::thread(Run, shared).detach();
    } catch (...) {
        return nullptr;
    }
    shared->Device = device;  // the thread reads it under the lock, with a request
    return std::unique_ptr<TLinuxTransferWorker>(new TLinuxTransferWorker(std::move(shared)));
}

TLinuxTransferWorker::~TLinuxTransferWorker() {
    std::lock_guard lock(Shared_->Mutex);
    Shared_->Closing = true;
    Shared_->Wake.notify_one();
}

void TLinuxTransferWorker::Disown() {
    std::lock_guard lock(Shared_->Mutex);
    Shared_->Device = nullptr;
}

int TLinuxTransferWorker::Descriptor() const { return Shared_->Event; }

bool TLinuxTransferWorker::Begin(TFeatureOp op, const uint8_t* buffer, std::size_t length) {
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

bool TLinuxTransferWorker::Wait(int maxMs) const {
    pollfd polled{Shared_->Event, POLLIN, 0};
    return poll(&polled, 1, maxMs) > 0 && (polled.revents & POLLIN);
}

bool TLinuxTransferWorker::TakeResult(uint8_t* buffer, std::size_t length, bool& ok, std::string& error) {
    uint64_t count = 0;
    if (read(Shared_->Event, &count, sizeof count) != sizeof count) return false;
    std::lock_guard lock(Shared_->Mutex);
    Busy_ = false;
    if (Shared_->Op == TFeatureOp::Get) std::copy_n(Shared_->Buffer.begin(), std::min(length, Shared_->Length), buffer);
    error = Shared_->Error;
    ok = Shared_->Ok;
    return true;
}

}  // namespace tavik
