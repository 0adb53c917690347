// tavik-cli calibrate: the window's calibration, and a word for each factor:
// written and read back as meant, refused by a rule, or lost on the way.
#include "cli_kinds.h"
#include "cli_session.h"
#include "common/calibration_factor.h"
#include "common/number_text.h"

namespace tavik::cli {

namespace {

// The factor's range as the rule has it, in the locale's notation.
std::string FactorRange(char separator) {
    return FixedText(MinimumCalibrationFactor, 3, 2, separator) + " to " + FixedText(MaximumCalibrationFactor, 3, 2, separator);
}

std::string Refusal(const TCalibrationCheck& check, const std::string& what, const std::string& minimum,
                    const std::string& measured, char separator) {
    switch (check.Verdict) {
    case TCalibrationVerdict::Write: break;
    case TCalibrationVerdict::MeasurementTooLow: return what + ": the measurement, " + measured + ", is below " + minimum;
    case TCalibrationVerdict::ReferenceTooLow: return what + ": the reference is below " + minimum;
    case TCalibrationVerdict::OutOfRange:
        return what + ": the factor would be " + FixedText(check.Factor, 5, 4, separator) + ", outside " +
               FactorRange(separator);
    }
    return {};
}

std::string FactorText(float factor, char separator) { return FixedText(factor, 7, 6, separator); }

// A factor that was meant to be written and is not in the module's memory:
// the write's reason, or what the memory holds instead.
std::string Lost(const TCalibrationResult& result, char separator) {
    const std::string meant = "the factor " + FactorText(result.Check.Factor, separator);
    if (result.Outcome() == TCalibrationOutcome::ReadBackOtherwise)
        return meant + " reads back as " + FactorText(result.ReadBack, separator);
    const std::string_view reason = result.WriteFailure.Text();
    return meant + " was not written" + (reason.empty() ? "" : ": " + std::string(reason));
}

}  // namespace

int TCliSession::Calibrate(const TCommand& command) {
    const TInstrumentKind kind = command.CalibrateLogger ? TInstrumentKind::Logger : TInstrumentKind::FrequencyMeter;
    if (const int code = Await({kind}, command.Wait)) return code;
    return command.CalibrateLogger ? CalibrateLogger(command.Volts) : CalibrateFrequencyMeter(command.Hertz);
}

int TCliSession::CalibrateLogger(float volts) {
    logger::TLogger& logger = Session_.Instruments.Logger;
    // The averages are those of the reports read first.
    int reports = 0;
    Events_.LoggerCycle = [&](const logger::TLoggerCycle& cycle) {
        if (cycle.HasSamples) ++reports;
    };
    RunFor(ReadingSeconds, [&] { return reports >= logger::HistoryLength || !logger.Present(); });
    if (reports < logger::HistoryLength) {
        if (StopRequested()) return Interrupted();
        Complain("the logger sent no measurements to average");
        return logger.Present() ? ExitTransfer : ExitNoModule;
    }
    auto factors = [&] {
        return "k1 = " + FactorText(logger.CalFactor1, Separator_) + "  k2 = " + FactorText(logger.CalFactor2, Separator_);
    };
    Say("before: " + factors());
    const std::array<float, 2> averages = {logger.Acquisition.V1Avg, logger.Acquisition.V2Avg};
    const std::array<TCalibrationResult, 2> results = logger.Calibrate(volts);
    Say("after:  " + factors());
    const std::string minimum = FixedText(logger::CalibrationMinimumVolts, 2, 1, Separator_) + " V";
    bool refused = false;
    bool lost = false;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const TCalibrationResult& result = results[i];
        const std::string channel = "channel " + std::to_string(i + 1);
        switch (result.Outcome()) {
        case TCalibrationOutcome::Written: Say("written: " + channel); break;
        case TCalibrationOutcome::Refused:
            Complain("refused: " + Refusal(result.Check, channel, minimum, FixedText(averages[i], 5, 3, Separator_) + " V",
                                           Separator_));
            refused = true;
            break;
        case TCalibrationOutcome::WriteFailed:
        case TCalibrationOutcome::ReadBackOtherwise:
            Complain(channel + ": " + Lost(result, Separator_));
            lost = true;
            break;
        }
    }
    return lost ? ExitTransfer : refused ? ExitUsage : ExitOk;
}

int TCliSession::CalibrateFrequencyMeter(int32_t hertz) {
    freqmeter::TFrequencyMeter& meter = Session_.Instruments.FrequencyMeter;
    bool measured = false;
    Events_.MeterReading = [&](const freqmeter::TReading&) { measured = true; };
    RunFor(ReadingSeconds, [&] { return measured || !meter.Present(); });
    if (!measured) {
        if (StopRequested()) return Interrupted();
        Complain("the frequency meter sent no measurement");
        return meter.Present() ? ExitTransfer : ExitNoModule;
    }
    Say("before: factor = " + FactorText(meter.FreqCalFactor, Separator_));
    const TCalibrationResult result = meter.Calibrate(hertz);
    Say("after:  factor = " + FactorText(meter.FreqCalFactor, Separator_));
    switch (result.Outcome()) {
    case TCalibrationOutcome::Written: return ExitOk;
    case TCalibrationOutcome::Refused: {
        const std::string minimum = std::to_string(freqmeter::MinimumCalibrationHz) + " Hz";
        Complain("refused: " + Refusal(result.Check, "frequency", minimum, std::to_string(meter.LastRawCount) + " Hz",
                                       Separator_));
        return ExitUsage;
    }
    case TCalibrationOutcome::WriteFailed:
    case TCalibrationOutcome::ReadBackOtherwise: break;
    }
    Complain(Lost(result, Separator_));
    return ExitTransfer;
}

}  // namespace tavik::cli
