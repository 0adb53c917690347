#pragma once
// The thread that carries one open hidraw node's feature reports, so that a
// module that does not answer holds up its own thread and not the loop's: a
// hidraw ioctl waits for the module up to usbhid's five seconds and cannot
// be interrupted. The loop hands it one transfer at a time and hears the end
// through an eventfd it watches. Closing hands the node to the thread, which
// closes it once no transfer holds it and then ends.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "device/platform/hid_platform.h"

struct hid_device_;

namespace tavik {

class TLinuxTransferWorker {
public:
    // Takes the node; null when no thread or eventfd could be had.
    static std::unique_ptr<TLinuxTransferWorker> Start(hid_device_* device);
    ~TLinuxTransferWorker();  // hands the node to the thread
    TLinuxTransferWorker(const TLinuxTransferWorker&) = delete;
    TLinuxTransferWorker& operator=(const TLinuxTransferWorker&) = delete;

    // Gives the node back and ends the thread; only before any transfer.
    void Disown();
    // Readable once a transfer has ended.
    int Descriptor() const;
    bool Busy() const { return Busy_; }
    // Copies the request; false when it does not fit or one is under way.
    bool Begin(TFeatureOp op, const uint8_t* buffer, std::size_t length);
    // Waits at most maxMs (-1: for ever) for the end; true once it has come.
    bool Wait(int maxMs) const;
    // Takes the ended transfer's result (false: none has ended): whether it
    // went through, for a read the bytes into buffer, on failure the reason.
    bool TakeResult(uint8_t* buffer, std::size_t length, bool& ok, std::string& error);

    struct TShared;

private:
    explicit TLinuxTransferWorker(std::shared_ptr<TShared> shared) : Shared_(std::move(shared)) {}
    std::shared_ptr<TShared> Shared_;
    bool Busy_ = false;  // the loop's own view: a transfer begun and not taken
};

}  // namespace tavik
