#pragma once
// The logger module: its commands, the 50 ms acquisition cycle, the settings
// register, calibration against a reference voltage and the recording file.
// Each command is built in its own buffer that lives as long as the logger: a
// command rewrites only its own bytes.
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "acquisition.h"
#include "common/calibration_factor.h"
#include "common/local_time.h"
#include "device/report_exchange.h"
#include "logger_protocol.h"
#include "recording_file.h"

namespace tavik::logger {

// Positions across the chart: each report with samples takes two of them, and
// a full sweep starts again at the left.
constexpr int SweepPoints = 512;
// Neither a channel's average nor the reference may be below this to calibrate.
constexpr double CalibrationMinimumVolts = 1.5;

// The five settings boxes, in the order they follow the module.
enum class TSettingBox { TenBit, EightBit, Peak, CH1, CH2 };
constexpr uint8_t BoxBit(TSettingBox box) { return static_cast<uint8_t>(1u << static_cast<unsigned>(box)); }

struct TBoxState {
    TSettingBox Box;
    bool Checked;
};
// The states the boxes take to show a module's CSR, in the order they are set.
std::array<TBoxState, 5> BoxesShowing(uint8_t moduleCsr);

// What one accepted measurement report gives the front-end.
struct TLoggerCycle {
    uint8_t Csr = 0;         // the program's CSR copy when the report came
    uint8_t ModuleCsr = 0;   // the status byte the module reported
    uint8_t BoxesChanged = 0;  // BoxBit of each box that followed the module
    bool HasSamples = false;
    bool NewSweep = false;   // the traces start again at the left before these points
    TTracePoints Points{};   // calibrated volts, with HasSamples
    bool Recorded = false;   // a line went to the recording file
    bool RecordHealthy = true;
    bool RecordStopped = false;  // a broken line could not be taken back: the file is closed
};

class TLogger {
public:
    // separator: the decimal separator of the recording file's numbers.
    TLogger(TInstrumentPort& port, char separator) : Port_(port), Separator_(separator) {}

    TFrame MeasurementBuffer{};  // command 1; every report the cycle reads lands here
    TFrame ControlBuffer{};      // command 2; byte 2 is the program's copy of CSR
    TFrame MemoryReadBuffer{};   // command 5 and its answers
    TFrame MemoryWriteBuffer{};  // command 6

    float CalFactor1 = 0.0f;
    float CalFactor2 = 0.0f;

    TAcquisition Acquisition;
    TRecordFile RecordFile;
    TClock Clock = LocalTimeNow;  // read once per report while recording

    bool Present() const { return Port_.Present(); }
    // What binding a logger does: its factors are read before polling starts
    // (a tick that comes while they are read waits for them); ready is told
    // when they are, unless the logger is gone or replaced by then.
    void OnBound(std::function<void()> ready = nullptr) {
        ControlOwed_ = false;
        ReadOnBind(std::move(ready));
    }

    // One 50 ms cycle: reads a report; a report of another kind is answered
    // with a measurement request. Nothing while unbound or when the read fails.
    // A measurement first makes the settings boxes follow the module's CSR:
    // each box that does not show it changes as a click on it would, with its
    // SetControl; then come the local time, the samples and the record line.
    TTask<std::optional<TLoggerCycle>> Cycle();

    uint8_t Csr() const { return ControlBuffer[2]; }
    void SetCsr(uint8_t csr) { ControlBuffer[2] = csr; }
    // The settings boxes as the user sees them: all clear at start.
    bool BoxChecked(TSettingBox box) const { return Boxes_[static_cast<std::size_t>(box)]; }
    // A settings box changed: while bound, its bit in the CSR copy and a
    // SetControl (its result); unbound, only the box. A click on a logger
    // that does not answer is owed: the SetControl goes out first thing once
    // it answers, before the boxes follow the module's CSR.
    TCommandResult ControlClick(TSettingBox box, bool checked);
    bool ControlOwed() const { return ControlOwed_; }
    TTask<TCommandResult> ControlClickTask(TSettingBox box, bool checked);

    // Command 1, carrying bytes 2-6 of the last report read.
    void RequestMeasurement() { Port_.Finish([this] { return RequestMeasurementTask(); }); }
    TTask<bool> RequestMeasurementTask();
    // Command 2 with the CSR copy.
    TCommandResult SendControl() { return Port_.Finish([this] { return SendControlTask(); }); }
    TTask<TCommandResult> SendControlTask();
    // Both factors from parameter memory; out-of-range values become 1.0.
    // Returns them as read, before that rule.
    std::array<float, 2> ReadCalibrationFactors() { return Port_.Finish([this] { return ReadCalibrationFactorsTask(); }); }
    TTask<std::array<float, 2>> ReadCalibrationFactorsTask();
    // The four bytes of a factor to the channel's addresses; channel 1 or 2.
    TCommandResult WriteCalibrationFactor(int channel, float value);
    // Starts recording into a new file in directory (empty: the working
    // directory) named after `now`; returns the name used, or empty when no
    // file could be made. A recording already open is closed first.
    std::string StartRecording(const std::string& directory, const TLocalTime& now);
    void StopRecording() { RecordFile.Close(); }

    // What calibrating a channel (1 or 2) against the reference would do.
    TCalibrationCheck CheckCalibration(int channel, float reference) const;
    // Each channel whose five-report average and the reference are at least
    // 1.5 V gets reference / average, when that is in range; both factors are
    // read back in any case. What it did for channels 1 and 2.
    std::array<TCalibrationResult, 2> Calibrate(float reference);

private:
    TTask<uint8_t> FollowModule(uint8_t moduleCsr);
    TDetachedTask ReadOnBind(std::function<void()> ready);
    void Decode(TLoggerCycle& cycle);

    TInstrumentPort& Port_;
    unsigned Binds_ = 0;  // which binding a binding's reads are for
    char Separator_;
    int SweepPosition_ = 0;
    std::array<bool, 5> Boxes_{};
    bool ControlOwed_ = false;
};

}  // namespace tavik::logger
