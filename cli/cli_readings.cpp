// tavik-cli watch, measure and record: readings as the window's timers take
// them.
#include "cli_kinds.h"
#include "cli_output.h"
#include "cli_session.h"
#include "common/local_time.h"
#include "instruments/logger/recording_file.h"
#include "instruments/logger/voltmeter_text.h"

namespace tavik::cli {

namespace {
// The voltmeter's volts and its texts as the window words them.
TVoltmeter VoltmeterOf(const logger::TAcquisition& a, char separator) {
    return {a.VCH1Volts, a.VCH2Volts, logger::VoltmeterText(a, 1, separator), logger::VoltmeterText(a, 2, separator)};
}
}  // namespace

int TCliSession::Watch(const TCommand& command) {
    const std::vector<TInstrumentKind> kinds = command.Module ? std::vector{*command.Module} : AllKinds;
    if (const int code = Await(kinds, command.Wait)) return code;
    const bool json = command.Json;
    auto shown = [&](TInstrumentKind kind) { return !command.Module || *command.Module == kind; };
    Events_.Binding = [&](TInstrumentKind kind, bool bound) {
        if (shown(kind)) Say(EventLine(Time(), InfoOf(kind).Name, bound, json));
    };
    for (const TInstrumentKind kind : kinds)
        if (Session_.Present(kind)) Say(EventLine(Time(), InfoOf(kind).Name, true, json));
    int64_t readings = 0;
    logger::TLogger& logger = Session_.Instruments.Logger;
    // The voltmeter is shown only when the logger has sent samples since it
    // was last shown: a silent logger prints nothing, not its last volts again.
    bool newSamples = false;
    Events_.LoggerCycle = [&](const logger::TLoggerCycle& cycle) {
        if (cycle.HasSamples) newSamples = true;
    };
    const std::unique_ptr<TLoopTimer> voltmeter = Loop_.MakeTimer(VoltmeterShowMs, [&] {
        if (!shown(TInstrumentKind::Logger) || !logger.Present() || !newSamples) return;
        newSamples = false;
        Say(LoggerLine(Time(), VoltmeterOf(logger.Acquisition, Separator_), json));
        ++readings;
    });
    Events_.MeterReading = [&](const freqmeter::TReading& reading) {
        if (!shown(TInstrumentKind::FrequencyMeter)) return;
        Say(FrequencyLine(Time(), {reading.Hertz, freqmeter::ResultText(reading.Result, Separator_), reading.InputIn}, json));
        ++readings;
    };
    voltmeter->Start();
    RunFor(command.Seconds, [&] { return command.Count && readings >= *command.Count; });
    return ExitOk;
}

int TCliSession::Measure(const TCommand& command) {
    const std::vector<TInstrumentKind> kinds = command.Module ? std::vector{*command.Module} : MeasuringKinds;
    if (const int code = Await(kinds, command.Wait)) return code;
    const bool json = command.Json;
    bool wantLogger = Session_.Usable(TInstrumentKind::Logger) && (!command.Module || *command.Module == TInstrumentKind::Logger);
    bool wantMeter = Session_.Usable(TInstrumentKind::FrequencyMeter) &&
                     (!command.Module || *command.Module == TInstrumentKind::FrequencyMeter);
    logger::TLogger& logger = Session_.Instruments.Logger;
    // Fresh: the voltmeter averages the last five reports, all read from now.
    int reports = 0;
    Events_.LoggerCycle = [&](const logger::TLoggerCycle& cycle) {
        if (!wantLogger || !cycle.HasSamples || ++reports < logger::HistoryLength) return;
        Say(LoggerLine(Time(), VoltmeterOf(logger.Acquisition, Separator_), json));
        wantLogger = false;
    };
    Events_.MeterReading = [&](const freqmeter::TReading& reading) {
        if (!wantMeter) return;
        Say(FrequencyLine(Time(), {reading.Hertz, freqmeter::ResultText(reading.Result, Separator_), reading.InputIn}, json));
        wantMeter = false;
    };
    RunFor(ReadingSeconds, [&] { return !wantLogger && !wantMeter; });
    if (StopRequested() && (wantLogger || wantMeter)) return Interrupted();
    int code = ExitOk;
    for (const auto& [kind, wanted] : {std::pair{TInstrumentKind::Logger, wantLogger},
                                       std::pair{TInstrumentKind::FrequencyMeter, wantMeter}}) {
        if (!wanted) continue;
        const bool present = Session_.Present(kind);
        Complain(std::string("the ") + InfoOf(kind).Name + (present ? " sent no measurement" : " is gone"));
        code = present ? ExitTransfer : ExitNoModule;
    }
    return code;
}

int TCliSession::Record(const TCommand& command) {
    logger::TLogger& logger = Session_.Instruments.Logger;
    if (const int code = Await({TInstrumentKind::Logger}, command.Wait)) return code;
    const std::string name = logger.StartRecording(command.Directory, LocalTimeNow());
    if (name.empty()) {
        Complain("no recording file could be made in " + (command.Directory.empty() ? "." : command.Directory));
        return ExitTransfer;
    }
    Say(logger::PathIn(command.Directory, name));
    Events_.Binding = [this](TInstrumentKind kind, bool bound) {
        if (kind != TInstrumentKind::Logger) return;
        Complain(bound ? "the logger is back: recording goes on" : "the logger is gone: recording pauses");
    };
    bool healthy = true;
    bool stopped = false;
    Events_.LoggerCycle = [&](const logger::TLoggerCycle& cycle) {
        if (!cycle.Recorded) return;
        if (cycle.RecordHealthy != healthy)
            Complain(cycle.RecordHealthy ? "lines are written again" : "a line could not be written (is the disk full?)");
        healthy = cycle.RecordHealthy;
        stopped = cycle.RecordStopped;
    };
    RunFor(command.Seconds, [&] { return stopped; });
    logger.StopRecording();
    if (stopped) {
        Complain("a broken line could not be taken back: the recording ends there");
        return ExitTransfer;
    }
    return ExitOk;
}

}  // namespace tavik::cli
