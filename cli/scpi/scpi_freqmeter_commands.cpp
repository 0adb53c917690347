// The frequency meter: its latest reading, the intermediate frequency and
// calibration against a reference frequency.
#include <cstdint>

#include "scpi_command.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

namespace {

constexpr TInstrumentKind Kind = TInstrumentKind::FrequencyMeter;

freqmeter::TFrequencyMeter& Meter(TCall& call) { return call.Instrument.Instruments.FrequencyMeter; }

// The latest measurement, calibrated, in whole hertz: the module is polled
// four times a second all the time, so there is one unless it is silent.
TOutcome Frequency(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const std::optional<freqmeter::TReading>& reading = call.Instrument.Reading;
    if (!reading) return TError{DataStale, "no measurement yet"};
    call.Answer = Nr1(reading->Hertz);
    return std::nullopt;
}

TOutcome SetOffset(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    const auto hertz = ReadWhole(call.Parameters[0], INT32_MIN, INT32_MAX);
    if (const TError* error = std::get_if<TError>(&hertz)) return *error;
    call.Instrument.OffsetHz = static_cast<int32_t>(std::get<int64_t>(hertz));
    return std::nullopt;
}

TOutcome Offset(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = Nr1(call.Instrument.OffsetHz);
    return std::nullopt;
}

std::string MinimumHertz() { return Nr1(freqmeter::MinimumCalibrationHz) + " Hz"; }

// The factor that makes the last count the reference, written and read back;
// a refusal of the rules or a factor the module does not keep is an error.
TOutcome Calibrate(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    if (call.Parameters[0].Kind != TParameter::TKind::Number) return TError{DataTypeError, {}};
    const auto reference = ReadWhole(call.Parameters[0], INT32_MIN, INT32_MAX);
    if (const TError* error = std::get_if<TError>(&reference)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const int32_t count = Meter(call).LastRawCount;
    const TCalibrationResult result = Meter(call).Calibrate(static_cast<int32_t>(std::get<int64_t>(reference)));
    const TCalibrationCheck& check = result.Check;
    switch (check.Verdict) {
    case TCalibrationVerdict::Write: break;
    case TCalibrationVerdict::ReferenceTooLow: return TError{DataOutOfRange, "the reference is below " + MinimumHertz()};
    case TCalibrationVerdict::MeasurementTooLow:
        return TError{CalibrationFailed, "the measurement, " + Nr1(count) + " Hz, is below " + MinimumHertz()};
    case TCalibrationVerdict::OutOfRange:
        return TError{CalibrationFailed, "the factor would be " + Fixed(check.Factor, 5, 4) + ", outside " +
                                             Fixed(MinimumCalibrationFactor, 3, 2) + " to " +
                                             Fixed(MaximumCalibrationFactor, 3, 2)};
    }
    if (result.Written()) return std::nullopt;
    if (result.WriteFailed) return call.Instrument.TransferFailure(Kind, "the factor was not written");
    return TError{HardwareError, "the factor " + Nr3(check.Factor) + " reads back as " + Nr3(result.ReadBack)};
}

TOutcome Factor(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    call.Answer = Nr3(Meter(call).FreqCalFactor);
    return std::nullopt;
}

}  // namespace

const std::vector<TCommandEntry>& FrequencyMeterCommands() {
    static const std::vector<TCommandEntry> commands = {
        {"MEASure:FREQuency", nullptr, Frequency},
        {"FETCh:FREQuency", nullptr, Frequency},
        {"[SENSe]:FREQuency:OFFSet", SetOffset, Offset},
        {"CALibration:FREQuency", Calibrate, nullptr},
        {"CALibration:FREQuency:FACTor", nullptr, Factor},
    };
    return commands;
}

}  // namespace tavik::scpi
