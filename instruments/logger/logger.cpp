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

std::optional<TLoggerCycle> TLogger::Cycle() {
    std::optional<TLoggerCycle> cycle = ReadMeasurement();
    if (cycle) DecodeMeasurement(*cycle);
    return cycle;
}

std::optional<TLoggerCycle> TLogger::ReadMeasurement() {
    if (!Port_.Present()) return std::nullopt;
    if (!Port_.ReadReport(MeasurementBuffer)) return std::nullopt;
    if (MeasurementBuffer[0] != MeasurementReportKind) {
        RequestMeasurement();
        return std::nullopt;
    }
    TLoggerCycle cycle;
    cycle.Csr = Csr();
    cycle.ModuleCsr = MeasurementBuffer[2];
    return cycle;
}

void TLogger::DecodeMeasurement(TLoggerCycle& cycle) {
    const TFrame& report = MeasurementBuffer;
    cycle.Recorded = RecordFile.IsOpen();
    if (cycle.Recorded) RecordFile.WriteTimestamp(Clock());
    TRecordFields fields;
    cycle.HasSamples = CarriesSamples(report[2]);
    if (cycle.HasSamples) {
        cycle.NewSweep = SweepPosition_ == SweepPoints;
        if (cycle.NewSweep) SweepPosition_ = 0;
        SweepPosition_ += 2;
        cycle.Points = Acquisition.Process(report, CalFactor1, CalFactor2, Separator_, cycle.Recorded ? &fields : nullptr);
    }
    if (cycle.Recorded) {
        cycle.RecordHealthy = RecordFile.WriteFieldsAndEnd(fields.Text, fields.Length);
        cycle.RecordStopped = !RecordFile.IsOpen();
    }
}

void TLogger::ControlClick(TSettingBox box, bool checked) {
    if (!Port_.Present()) return;
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
    SendControl();
}

void TLogger::RequestMeasurement() {
    if (!Port_.Present()) return;
    Port_.BeginCommand(MeasurementBuffer, CmdRequestMeasurement);
    SealCommand(MeasurementBuffer);
    Port_.SendReport(MeasurementBuffer);
}

void TLogger::SendControl() {
    if (!Port_.Present()) return;
    Port_.BeginCommand(ControlBuffer, CmdSetControl);
    for (int i = 3; i <= 6; ++i) ControlBuffer[i] = 0;
    SealCommand(ControlBuffer);
    Port_.SendReport(ControlBuffer);
}

void TLogger::ReadCalibrationFactors() {
    if (!Port_.Present()) return;
    CalFactor1 = AcceptedFactor(ReadMemoryFloat(Port_, MemoryReadBuffer, CalFactor1Address));
    CalFactor2 = AcceptedFactor(ReadMemoryFloat(Port_, MemoryReadBuffer, CalFactor2Address));
}

void TLogger::WriteCalibrationFactor(int channel, float value) {
    if (!Port_.Present()) return;
    WriteMemoryFloat(Port_, MemoryWriteBuffer, channel == 1 ? CalFactor1Address : CalFactor2Address, value);
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

void TLogger::Calibrate(float reference) {
    for (int channel : {1, 2}) {
        const TCalibrationCheck check = CheckCalibration(channel, reference);
        if (check.Verdict == TCalibrationVerdict::Write && Port_.Present()) WriteCalibrationFactor(channel, check.Factor);
    }
    ReadCalibrationFactors();
}

}  // namespace tavik::logger
