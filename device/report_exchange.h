#pragma once
// Carrying 8-byte command frames to and from a bound module as 9-byte feature
// reports with report ID 0.
#include <array>
#include <chrono>
#include <cstddef>
#include <exception>
#include <functional>
#include <string_view>
#include <coroutine>
#include <cstdint>

#include "command_result.h"
#include "device/platform/hid_platform.h"
#include "transfer_task.h"

namespace tavik {

class THidDevice;

constexpr std::size_t FrameSize = 8;
constexpr std::size_t ReportSize = FrameSize + 1;
using TFrame = std::array<uint8_t, FrameSize>;

// Command codes shared by the modules.
enum TCommandCode : uint8_t {
    CmdRequestMeasurement = 1,
    CmdSetControl = 2,  // the logger's SetControl and the generator's SetGeneratorOutputs
    CmdRawReadByte = 3,
    CmdRawWriteByte = 4,
    CmdReadMemoryByte = 5,
    CmdWriteMemoryByte = 6,
};

// A measurement report carries this kind in byte 0.
constexpr uint8_t MeasurementReportKind = 1;

// Byte 7 := ((byte 2 + ... + byte 6) mod 256) XOR 0xFF.
uint8_t CheckByte(const TFrame& frame);
void SealCommand(TFrame& frame);

struct TTransferRecord {
    bool Ok = false;
    std::array<uint8_t, ReportSize> Report{};
    // Empty after a transfer that went through; after one that failed, the
    // operation and the reason ("GetFeature: device removed").
    TFailureReason Reason;
};

// How long a transfer may take before its module counts as not answering: a
// module answers a feature report within a few milliseconds.
constexpr int NotAnsweringMs = 100;

// One instrument slot: the device bound to it (not owned), the slot's transfer
// record and its command sequence counter. The slot carries one transfer at a
// time, in the order its sequences make them: a transfer the module does not
// answer at once goes on while the loop runs, and the sequence that made it
// (a TTask awaiting Send or Read) goes on when it ends.
class TInstrumentPort {
public:
    TInstrumentPort() = default;
    TInstrumentPort(const TInstrumentPort&) = delete;
    TInstrumentPort& operator=(const TInstrumentPort&) = delete;

    THidDevice* Device = nullptr;
    TTransferRecord Transfer;
    uint8_t Sequence = 0;

    bool Present() const { return Device != nullptr; }
    // A transfer is out with the module: a tick now would wait behind it.
    bool Busy() const { return Pending_ || Stuck_; }
    // A transfer was given up on and the module has not ended it yet: every
    // transfer fails at once ("not answering") until it does.
    bool Answering() const { return Answering_; }
    // A transfer out longer than afterMs (NotAnsweringMs unless told) makes
    // the module one that does not answer, until it does; the transfer goes on.
    void CheckOverdue(int afterMs = NotAnsweringMs) noexcept;
    // Told when the module stops answering and when it answers again.
    std::function<void(bool answering)> OnAnswering;
    // Told when the transfer given up on has ended: the slot carries
    // transfers again, whether or not the module answered it.
    std::function<void()> OnFree;
    // Advances the counter (255 wraps to 0) and returns the new value.
    uint8_t NextSequence() { return ++Sequence; }
    // Bytes 0 and 1 of every command: its code and the slot's next sequence
    // number. The rest of the frame is the command's own.
    void BeginCommand(TFrame& frame, uint8_t code) {
        frame[0] = code;
        frame[1] = NextSequence();
    }

    // Never raise; an empty slot touches nothing.
    bool SendReport(const TFrame& frame) noexcept;
    // After a failed read the caller's frame holds eight zero bytes; with an
    // empty slot it is left as it was.
    bool ReadReport(TFrame& frame) noexcept;
    // A command whose last transfer was the slot's last: done, failed with
    // its reason, or not bound.
    TCommandResult LastResult() const;

    // The transfers of a sequence: co_await Send(frame) / Read(frame) give
    // what SendReport / ReadReport give.
    class TTransferAwaiter {
    public:
        TTransferAwaiter(TInstrumentPort& port, TFeatureOp op, TFrame& frame) : Port_(port), Op_(op), Frame_(frame) {}
        bool await_ready() noexcept { return Port_.Begin(Op_, Frame_); }
        void await_suspend(std::coroutine_handle<> waiting) noexcept { Port_.Waiting_ = waiting; }
        bool await_resume() noexcept { return Port_.Transfer.Ok; }

    private:
        TInstrumentPort& Port_;
        TFeatureOp Op_;
        TFrame& Frame_;
    };
    TTransferAwaiter Send(const TFrame& frame) { return {*this, TFeatureOp::Set, const_cast<TFrame&>(frame)}; }
    TTransferAwaiter Read(TFrame& frame) { return {*this, TFeatureOp::Get, frame}; }

    // Runs a sequence to its end from a caller that needs its result now:
    // first the sequence under way ends (so that this one's commands are
    // built, and numbered, after its), then this one is made and run; each
    // transfer is waited for at most NotAnsweringMs, and one that takes
    // longer is given up on.
    template <typename Make>
    auto Finish(Make&& make) noexcept {
        Idle();
        auto task = make();
        while (!task.Done())
            if (!Settle()) std::terminate();  // a sequence waits only on its own port
        return task.Result();
    }
    // Waits for the transfers under way, as Finish does.
    void Idle() noexcept {
        while (Pending_ && !Stuck_) Settle();
    }

    // The slot was emptied: a sequence waiting on a transfer goes on as if it
    // had failed, and the device's transfer ends unheard (its handle is
    // closed next).
    void Abandon() noexcept;

private:
    // Starts a transfer; true when it has ended (or could not start).
    bool Begin(TFeatureOp op, TFrame& frame) noexcept;
    // The end of a transfer, from the device.
    static void Done(void* context, bool ok) noexcept;
    void Complete(bool ok) noexcept;
    // Waits for the transfer out with the module, or gives up on it.
    bool Settle() noexcept;
    void GiveUp() noexcept;
    void Fail(TFeatureOp op, TFrame* answer, std::string_view reason) noexcept;
    void Resume() noexcept;
    void SetAnswering(bool answering) noexcept;

    TFrame* Answer_ = nullptr;  // the caller's frame of a pending read
    TFeatureOp PendingOp_ = TFeatureOp::Get;
    bool Pending_ = false;
    bool Stuck_ = false;
    bool Answering_ = true;
    std::chrono::steady_clock::time_point PendingSince_{};
    std::coroutine_handle<> Waiting_;
};

}  // namespace tavik
