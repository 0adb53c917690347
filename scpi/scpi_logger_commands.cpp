// The logger: its voltmeter and traces, the three settings of its control
// register, and calibration against a reference voltage.
#include <cfloat>
#include <cmath>

#include "instruments/logger/logger_protocol.h"
#include "scpi_calibration.h"
#include "scpi_command.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

namespace {

constexpr TInstrumentKind Kind = TInstrumentKind::Logger;
constexpr uint32_t ChannelCount = 2;

logger::TLogger& Logger(TCall& call) { return call.Instrument.Instruments.Logger; }

// The optional channel list at the given place, (@1) when left out.
TRead<std::vector<uint32_t>> Channels(const TCall& call, std::size_t at) {
    if (call.Parameters.size() <= at) return std::vector<uint32_t>{1};
    return ReadChannels(call.Parameters[at], ChannelCount);
}

// [range[,resolution]] as a voltmeter takes them, in volts: checked against
// what the module measures (up to its full scale, at best its 10-bit step),
// and nothing to change, since it has one range.
std::optional<TError> RangeAndResolution(const TCall& call, std::size_t count) {
    const double best = logger::FullScaleVolts * logger::Scale10Bit;
    if (count >= 1) {
        const TParameter& range = call.Parameters[0];
        // AUTO chooses the one range there is; a negative range is its magnitude.
        if (range.Kind != TParameter::TKind::Character || range.Text != "AUTO") {
            TParameter magnitude = range;
            magnitude.Number = std::fabs(range.Number);
            const auto volts = ReadNumber(magnitude, 0, logger::FullScaleVolts, TUnit::Volt, logger::FullScaleVolts);
            if (const TError* error = std::get_if<TError>(&volts)) return *error;
        }
    }
    if (count >= 2) {
        const auto volts = ReadNumber(call.Parameters[1], best, logger::FullScaleVolts, TUnit::Volt, best);
        if (const TError* error = std::get_if<TError>(&volts)) {
            if (error->Code != DataOutOfRange) return *error;
            return TError{DataOutOfRange, "the module resolves " + Fixed(best * 1000, 3, 2) + " mV at best"};
        }
    }
    return std::nullopt;
}

// The voltmeter as it reads: rounded as the window shows it, NaN where it
// shows NA. MEASure:VOLTage[:DC]? [range[,resolution]][,(@channels)].
TOutcome Voltage(TCall& call, bool fresh) {
    if (auto error = call.Expect(0, 3)) return error;
    const bool listed = !call.Parameters.empty() && call.Parameters.back().Kind == TParameter::TKind::ChannelList;
    const std::size_t settings = call.Parameters.size() - (listed ? 1 : 0);
    if (settings > 2) return TError{ParameterNotAllowed, {}};
    if (auto error = RangeAndResolution(call, settings)) return error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    // MEASure? and READ? answer the voltmeter over reports that came after
    // them (its average is of five), FETCh? the latest, or one after
    // INITiate when that came.
    const std::optional<uint64_t> initiated = call.Client.Initiated[SlotOf(Kind)];
    if (fresh || initiated) {
        if (auto error = call.Instrument.Fresh(call, Kind, static_cast<uint64_t>(logger::HistoryLength), fresh ? std::nullopt : initiated))
            return error;
        if (call.Deferred) return std::nullopt;
    }
    if (!call.Instrument.LoggerReported()) return TError{DataStale, "no measurement yet"};
    const auto channels = Channels(call, settings);
    if (const TError* error = std::get_if<TError>(&channels)) return *error;
    const logger::TAcquisition& a = Logger(call).Acquisition;
    for (const uint32_t channel : std::get<std::vector<uint32_t>>(channels)) {
        const std::optional<double>& volts = channel == 1 ? a.VCH1Volts : a.VCH2Volts;
        if (!call.Answer.empty()) call.Answer += ',';
        call.Answer += volts ? Fixed(*volts, a.VoltsPrecision, a.VoltsDecimals) : Nr3(NotANumber);
    }
    return std::nullopt;
}

// One settings box checked or cleared as the window's click does it.
TOutcome Click(TCall& call, logger::TSettingBox box, bool checked) {
    if (auto error = call.Instrument.Require(Kind)) return error;
    const TCommandResult sent = Logger(call).ControlClick(box, checked);
    if (sent.Done()) return std::nullopt;
    return TScpiInstrument::TransferFailure(sent, "the logger did not take the control report");
}

TOutcome SetResolution(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    const auto choice = ReadChoice(call.Parameters[0], {"BIT10", "BIT8"});
    if (const TError* error = std::get_if<TError>(&choice)) return *error;
    const bool eightBit = std::get<std::size_t>(choice) == 1;
    return Click(call, eightBit ? logger::TSettingBox::EightBit : logger::TSettingBox::TenBit, true);
}

TOutcome SetPeak(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    const auto on = ReadBoolean(call.Parameters[0]);
    if (const TError* error = std::get_if<TError>(&on)) return *error;
    return Click(call, logger::TSettingBox::Peak, std::get<bool>(on));
}

// 1 or 2, or a channel list of one of them.
TOutcome SetChannel(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    const TParameter& p = call.Parameters[0];
    uint32_t channel = 0;
    if (p.Kind == TParameter::TKind::ChannelList) {
        const auto channels = ReadChannels(p, ChannelCount);
        if (const TError* error = std::get_if<TError>(&channels)) return *error;
        if (std::get<std::vector<uint32_t>>(channels).size() != 1)
            return TError{IllegalParameterValue, "one channel"};
        channel = std::get<std::vector<uint32_t>>(channels)[0];
    } else {
        const auto whole = ReadWhole(p, 1, ChannelCount);
        if (const TError* error = std::get_if<TError>(&whole)) return *error;
        channel = static_cast<uint32_t>(std::get<int64_t>(whole));
    }
    return Click(call, channel == 1 ? logger::TSettingBox::CH1 : logger::TSettingBox::CH2, true);
}

// The program's copy of the control register: what the module was last told.
TOutcome CsrQuery(TCall& call, uint8_t bit, const char* set, const char* clear) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = (Logger(call).Csr() & bit) ? set : clear;
    return std::nullopt;
}

// Both channels against one reference, as the window's button: each channel
// the rules refuse or the module does not keep is an error of its own.
TOutcome Calibrate(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    if (call.Parameters[0].Kind != TParameter::TKind::Number) return TError{DataTypeError, {}};
    const auto reference = ReadNumber(call.Parameters[0], -FLT_MAX, FLT_MAX, TUnit::Volt);
    if (const TError* error = std::get_if<TError>(&reference)) return *error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const logger::TAcquisition& a = Logger(call).Acquisition;
    const float averages[2] = {a.V1Avg, a.V2Avg};
    const auto results = Logger(call).Calibrate(static_cast<float>(std::get<double>(reference)));
    std::vector<TError> errors;
    for (int channel = 1; channel <= 2; ++channel) {
        const TCalibrationTerms terms{"channel " + std::to_string(channel) + ": ",
                                      Fixed(averages[channel - 1], 5, 3) + " V",
                                      Fixed(logger::CalibrationMinimumVolts, 2, 1) + " V"};
        auto error = CalibrationError(results[channel - 1], terms);
        // A reference too low refuses both channels for one reason.
        if (error && (errors.empty() || errors.back().Info != error->Info)) errors.push_back(std::move(*error));
    }
    if (errors.empty()) return std::nullopt;
    call.Further.assign(errors.begin() + 1, errors.end());
    return errors.front();
}

TOutcome Factors(TCall& call) {
    if (auto error = call.Expect(0, 1)) return error;
    if (auto error = call.Instrument.Require(Kind)) return error;
    const auto channels = Channels(call, 0);
    if (const TError* error = std::get_if<TError>(&channels)) return *error;
    for (const uint32_t channel : std::get<std::vector<uint32_t>>(channels))
        call.Answer += (call.Answer.empty() ? "" : ",") +
                       Nr3(channel == 1 ? Logger(call).CalFactor1 : Logger(call).CalFactor2);
    return std::nullopt;
}

// The points of the current sweep of one channel's trace, oldest first: a
// list, or with FORMat REAL a block of 32-bit floats. None of a logger gone.
TOutcome Trace(TCall& call, bool countOnly) {
    if (auto error = call.Expect(0, 1)) return error;
    const auto channels = Channels(call, 0);
    if (const TError* error = std::get_if<TError>(&channels)) return *error;
    const std::vector<uint32_t>& list = std::get<std::vector<uint32_t>>(channels);
    if (list.size() != 1) return TError{IllegalParameterValue, "one channel"};
    if (auto error = call.Instrument.Require(Kind)) return error;
    const std::vector<double>& trace = call.Instrument.Session.Sweep()[list[0] - 1];
    if (countOnly) {
        call.Answer = Nr1(static_cast<int64_t>(trace.size()));
        return std::nullopt;
    }
    if (call.Client.Format == TDataFormat::Real32) {
        const std::vector<float> points(trace.begin(), trace.end());
        call.Answer = DefiniteBlock(FloatBytes(points, call.Client.Swapped));
        return std::nullopt;
    }
    // The points are floats: their shortest text, not a double's digits.
    for (const double point : trace) call.Answer += (call.Answer.empty() ? "" : ",") + Nr3(static_cast<float>(point));
    return std::nullopt;
}

}  // namespace

const std::vector<TCommandEntry>& LoggerCommands() {
    static const std::vector<TCommandEntry> commands = {
        {"MEASure:VOLTage[:DC]", nullptr, [](TCall& call) { return Voltage(call, true); }},
        {"READ:VOLTage[:DC]", nullptr, [](TCall& call) { return Voltage(call, true); }},
        {"FETCh:VOLTage[:DC]", nullptr, [](TCall& call) { return Voltage(call, false); }},
        {"[SENSe]:VOLTage[:DC]:RESolution", SetResolution,
         [](TCall& call) { return CsrQuery(call, logger::Csr8Bit, "BIT8", "BIT10"); }},
        {"[SENSe]:VOLTage[:DC]:PEAK[:STATe]", SetPeak,
         [](TCall& call) { return CsrQuery(call, logger::CsrPeak, "1", "0"); }},
        {"ROUTe:CHANnel", SetChannel, [](TCall& call) { return CsrQuery(call, logger::CsrChannel2, "2", "1"); }},
        {"CALibration:VOLTage", Calibrate, nullptr},
        {"CALibration:VOLTage:FACTor", nullptr, Factors},
        {"TRACe:DATA", nullptr, [](TCall& call) { return Trace(call, false); }},
        {"TRACe:POINts", nullptr, [](TCall& call) { return Trace(call, true); }},
    };
    return commands;
}

}  // namespace tavik::scpi
