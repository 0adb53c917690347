#include "logger_simulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "instruments/logger/logger_protocol.h"

namespace tavik::sim {

double TSignal::At(double step) const {
    const double phase = std::fmod(step, Period) / Period;
    switch (Shape) {
    case TShape::Constant: return Volts;
    case TShape::Ramp: return Volts + (HighVolts - Volts) * phase;
    case TShape::Sine: return Volts + (HighVolts - Volts) * 0.5 * (1.0 + std::sin(2.0 * std::numbers::pi * phase));
    case TShape::Steps: return phase < 0.5 ? Volts : HighVolts;
    }
    return Volts;
}

namespace {
uint8_t Raw8(double volts) {
    const double raw = std::round(volts / logger::FullScaleVolts * 256.0);
    return static_cast<uint8_t>(std::clamp(raw, 0.0, 255.0));
}

void PutRaw10(TFrame& frame, int at, double volts) {
    const double raw = std::clamp(std::round(volts / logger::FullScaleVolts * 1024.0), -32768.0, 32767.0);
    const auto value = static_cast<uint16_t>(static_cast<int16_t>(raw));
    frame[at] = static_cast<uint8_t>(value & 0xFF);
    frame[at + 1] = static_cast<uint8_t>(value >> 8);
}
}  // namespace

TLoggerSimulator::TLoggerSimulator(std::u16string manufacturer, std::u16string product)
    : TModuleSimulator(std::move(manufacturer), std::move(product)) {}

void TLoggerSimulator::OnCommand(const TFrame& frame) {
    if (Memory.HandleCommand(frame)) return;
    if (frame[0] == CmdRequestMeasurement) Memory.Answering = false;
    if (frame[0] == CmdSetControl) Csr = frame[2] & logger::CsrSettingBits;
}

TFrame TLoggerSimulator::NextReport() {
    if (Memory.Answering) return Memory.Answer;
    TFrame report{MeasurementReportKind, static_cast<uint8_t>(Step), Csr, 0, 0, 0, 0, 0};
    if (SamplesReady) report[2] |= logger::CsrSampleFlags;
    const double t = static_cast<double>(Step);
    const double v1a = Channel1.At(t), v1b = Channel1.At(t + 0.5);
    const double v2a = Channel2.At(t), v2b = Channel2.At(t + 0.5);
    if (FixedSamples) {
        std::copy(FixedSamples->begin(), FixedSamples->end(), report.begin() + 3);
    } else if (Csr & logger::Csr8Bit) {
        report[3] = Raw8(v1a);
        report[4] = Raw8(v1b);
        report[5] = Raw8(v2a);
        report[6] = Raw8(v2b);
    } else if (!(Csr & logger::CsrPeak)) {
        PutRaw10(report, 3, v1a);
        PutRaw10(report, 5, v2a);
    } else if (Csr & logger::CsrChannel2) {
        PutRaw10(report, 3, v2a);
        PutRaw10(report, 5, v2b);
    } else {
        PutRaw10(report, 3, v1a);
        PutRaw10(report, 5, v1b);
    }
    ++Step;
    return Sealed(report);
}

}  // namespace tavik::sim
