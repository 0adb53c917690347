#pragma once
// Carrying 8-byte command frames to and from a bound module as 9-byte feature
// reports with report ID 0.
#include <array>
#include <cstddef>
#include <cstdint>

#include "command_result.h"

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

// One instrument slot: the device bound to it (not owned), the slot's transfer
// record and its command sequence counter.
class TInstrumentPort {
public:
    THidDevice* Device = nullptr;
    TTransferRecord Transfer;
    uint8_t Sequence = 0;

    bool Present() const { return Device != nullptr; }
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
};

}  // namespace tavik
