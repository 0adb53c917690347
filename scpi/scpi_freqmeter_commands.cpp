// The frequency meter: its latest reading, the intermediate frequency and
// calibration against a reference frequency.
#include <cstdint>

#include "scpi_calibration.h"
#include "scpi_command.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

namespace {

constexpr TInstrumentKind Kind = TInstrumentKind::FrequencyMeter;

freqmeter::TFrequencyMeter& Meter(TCall& call) { return call.Instrument.Instruments.FrequencyMeter; }

// A measurement, calibrated, in whole hertz: the module is polled four times
// a second all the time. FETCh? answers the latest (one taken after
// INITiate, when that came), MEASure? and READ? one taken after they came.
TOutcome Frequency(TCall& call, bool fresh) {
    if (auto error = call.Expect(0, 0)) return error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const std::optional<uint64_t> initiated = call.Client.Initiated[SlotOf(Kind)];
    if (fresh || initiated) {
        if (auto error = call.Instrument.Fresh(call, Kind, 1, fresh ? std::nullopt : initiated)) return error;
        if (call.Deferred) return std::nullopt;
    }
    const std::optional<freqmeter::TReading>& reading = call.Instrument.Session.LatestReading();
    if (!reading) return TError{DataStale, "no measurement yet"};
    call.Answer = Nr1(reading->Hertz);
    return std::nullopt;
}

TOutcome SetOffset(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    const auto hertz = ReadWhole(call.Parameters[0], INT32_MIN, INT32_MAX, TUnit::Hertz, int64_t{0});
    if (const TError* error = std::get_if<TError>(&hertz)) return *error;
    call.Instrument.Session.MeterOffsetHz = static_cast<int32_t>(std::get<int64_t>(hertz));
    return std::nullopt;
}

TOutcome Offset(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = Nr1(call.Instrument.Session.MeterOffsetHz);
    return std::nullopt;
}

// The factor that makes the last count the reference, written and read back;
// a refusal of the rules or a factor the module does not keep is an error.
TOutcome Calibrate(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    if (call.Parameters[0].Kind != TParameter::TKind::Number) return TError{DataTypeError, {}};
    const auto reference = ReadWhole(call.Parameters[0], INT32_MIN, INT32_MAX, TUnit::Hertz);
    if (const TError* error = std::get_if<TError>(&reference)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const int32_t count = Meter(call).LastRawCount;
    const TCalibrationResult result = Meter(call).Calibrate(static_cast<int32_t>(std::get<int64_t>(reference)));
    return CalibrationError(result, {"", Nr1(count) + " Hz", Nr1(freqmeter::MinimumCalibrationHz) + " Hz"});
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
        {"MEASure:FREQuency", nullptr, [](TCall& call) { return Frequency(call, true); }},
        {"READ:FREQuency", nullptr, [](TCall& call) { return Frequency(call, true); }},
        {"FETCh:FREQuency", nullptr, [](TCall& call) { return Frequency(call, false); }},
        {"[SENSe]:FREQuency:OFFSet", SetOffset, Offset},
        {"CALibration:FREQuency", Calibrate, nullptr},
        {"CALibration:FREQuency:FACTor", nullptr, Factor},
    };
    return commands;
}

}  // namespace tavik::scpi
