#include "logger.h"

#include "device/parameter_memory.h"

namespace tavik::logger {

std::array<TBoxState, 5> BoxesShowing(uint8_t moduleCsr) {
    const bool eightBit = moduleCsr & Csr8Bit;
    const bool channel2 = moduleCsr & CsrChannel2;
    return {{{TSettingBox::TenBit, !eightBit},
             {TSettingBox::EightBit, eightBit},
             {TSettingBox::Peak, (moduleCsr & CsrPeak) != 0},
             {TSettingBox::CH1, !channel2},
             {TSettingBox::CH2, channel2}}};
}

TTask<std::optional<TLoggerCycle>> TLogger::Cycle() {
    if (!Port_.Present()) co_return std::nullopt;
    if (ControlOwed_) {
        ControlOwed_ = false;
        if (!(co_await SendControlTask()).Done()) {
            ControlOwed_ = !Port_.Answering();
            co_return std::nullopt;
        }
    }
    if (!co_await Port_.Read(MeasurementBuffer)) co_return std::nullopt;
    if (MeasurementBuffer[0] != MeasurementReportKind) {
        co_await RequestMeasurementTask();
        co_return std::nullopt;
    }
    TLoggerCycle cycle;
    cycle.Csr = Csr();
    cycle.ModuleCsr = MeasurementBuffer[2];
    // The time of the record line is read after the boxes have followed the
    // module, with whatever SetControl that sent.
    cycle.BoxesChanged = co_await FollowModule(cycle.ModuleCsr);
    Decode(cycle);
    co_return cycle;
}

TTask<uint8_t> TLogger::FollowModule(uint8_t moduleCsr) {
    uint8_t changed = 0;
    for (const TBoxState& state : BoxesShowing(moduleCsr)) {
        if (BoxChecked(state.Box) == state.Checked) continue;
        co_await ControlClickTask(state.Box, state.Checked);
        changed |= BoxBit(state.Box);
    }
    co_return changed;
}

void TLogger::Decode(TLoggerCycle& cycle) {
    const TFrame& report = MeasurementBuffer;
    cycle.Recorded = RecordFile.IsOpen();
    if (cycle.Recorded) RecordFile.WriteTimestamp(Clock());
    TRecordFields fields;
    cycle.HasSamples = CarriesSamples(report[2]);
    if (cycle.HasSamples) {
        cycle.NewSweep = SweepPosition_ == SweepPoints;
        if (cycle.NewSweep) SweepPosition_ = 0;
        SweepPosition_ += 2;
        const TSamples samples = DecodeSamples(report);
        cycle.Points = Acquisition.Process(samples, CalFactor1, CalFactor2);
        if (cycle.Recorded) FormatRecordFields(report, samples, CalFactor1, CalFactor2, Separator_, fields);
    }
    if (cycle.Recorded) {
        cycle.RecordHealthy = RecordFile.WriteFieldsAndEnd(fields.Text, fields.Length);
        cycle.RecordStopped = !RecordFile.IsOpen();
    }
}

TCommandResult TLogger::ControlClick(TSettingBox box, bool checked) {
    const TCommandResult result = Port_.Finish([&] { return ControlClickTask(box, checked); });
    if (!result.Done() && Port_.Present() && !Port_.Answering()) ControlOwed_ = true;
    return result;
}

TTask<TCommandResult> TLogger::ControlClickTask(TSettingBox box, bool checked) {
    Boxes_[static_cast<std::size_t>(box)] = checked;
    if (!Port_.Present()) co_return TCommandResult{};
    uint8_t csr = Csr();
    auto setBit = [&csr](uint8_t bit, bool on) { csr = on ? static_cast<uint8_t>(csr | bit) : static_cast<uint8_t>(csr & ~bit); };
    switch (box) {
    case TSettingBox::TenBit: setBit(Csr8Bit, !checked); break;
    case TSettingBox::EightBit: setBit(Csr8Bit, checked); break;
    case TSettingBox::Peak: setBit(CsrPeak, checked); break;
    case TSettingBox::CH1: setBit(CsrChannel2, !checked); break;
    case TSettingBox::CH2: setBit(CsrChannel2, checked); break;
    }
    SetCsr(csr);
    co_return co_await SendControlTask();
}

TTask<bool> TLogger::RequestMeasurementTask() {
    if (!Port_.Present()) co_return false;
    Port_.BeginCommand(MeasurementBuffer, CmdRequestMeasurement);
    SealCommand(MeasurementBuffer);
    co_return co_await Port_.Send(MeasurementBuffer);
}

TTask<TCommandResult> TLogger::SendControlTask() {
    if (!Port_.Present()) co_return TCommandResult{};
    Port_.BeginCommand(ControlBuffer, CmdSetControl);
    for (int i = 3; i <= 6; ++i) ControlBuffer[i] = 0;
    SealCommand(ControlBuffer);
    co_await Port_.Send(ControlBuffer);
    co_return Port_.LastResult();
}

TTask<std::array<float, 2>> TLogger::ReadCalibrationFactorsTask() {
    if (!Port_.Present()) co_return std::array<float, 2>{CalFactor1, CalFactor2};
    std::array<float, 2> read{};
    read[0] = co_await ReadMemoryFloat(Port_, MemoryReadBuffer, CalFactor1Address);
    read[1] = co_await ReadMemoryFloat(Port_, MemoryReadBuffer, CalFactor2Address);
    CalFactor1 = AcceptedFactor(read[0]);
    CalFactor2 = AcceptedFactor(read[1]);
    co_return read;
}

TDetachedTask TLogger::ReadOnBind(std::function<void()> ready) {
    const unsigned bind = ++Binds_;
    co_await ReadCalibrationFactorsTask();
    if (bind == Binds_ && Port_.Present() && ready) ready();
}

TCommandResult TLogger::WriteCalibrationFactor(int channel, float value) {
    if (!Port_.Present()) return {};
    Port_.Finish([&] {
        return WriteMemoryFloat(Port_, MemoryWriteBuffer, channel == 1 ? CalFactor1Address : CalFactor2Address, value);
    });
    return Port_.LastResult();
}

std::string TLogger::StartRecording(const std::string& directory, const TLocalTime& now) {
    return RecordFile.Create(directory, RecordFileName(now));
}

TCalibrationCheck TLogger::CheckCalibration(int channel, float reference) const {
    const float average = channel == 1 ? Acquisition.V1Avg : Acquisition.V2Avg;
    if (average < CalibrationMinimumVolts) return {TCalibrationVerdict::MeasurementTooLow};
    if (reference < CalibrationMinimumVolts) return {TCalibrationVerdict::ReferenceTooLow};
    // Both are floats: the quotient formed in double is rounded once to float.
    const auto factor = static_cast<float>(static_cast<double>(reference) / average);
    return {InFactorRange(factor) ? TCalibrationVerdict::Write : TCalibrationVerdict::OutOfRange, factor};
}

std::array<TCalibrationResult, 2> TLogger::Calibrate(float reference) {
    std::array<TCalibrationResult, 2> results;
    for (int channel : {1, 2}) {
        TCalibrationResult& result = results[static_cast<std::size_t>(channel - 1)];
        result.Check = CheckCalibration(channel, reference);
        if (result.Check.Verdict != TCalibrationVerdict::Write || !Port_.Present()) continue;
        const TCommandResult written = WriteCalibrationFactor(channel, result.Check.Factor);
        result.WriteFailed = !written.Done();
        result.WriteFailure = written.Reason;
    }
    const std::array<float, 2> read = ReadCalibrationFactors();
    results[0].ReadBack = read[0];
    results[1].ReadBack = read[1];
    return results;
}

}  // namespace tavik::logger
