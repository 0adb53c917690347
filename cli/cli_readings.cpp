// tavik-cli watch, measure and record: readings as the window's timers take
// them.
#include "cli_kinds.h"
#include "cli_output.h"
#include "cli_session.h"
#include "common/local_time.h"
#include "instruments/logger/recording_file.h"

namespace tavik::cli {

int TCliSession::Watch(const TCommand& command) {
    const std::vector<TInstrumentKind> kinds = command.Module ? std::vector{*command.Module} : AllKinds;
    if (const int code = Await(kinds, command.Wait)) return code;
    const bool json = command.Json;
    auto shown = [&](TInstrumentKind kind) { return !command.Module || *command.Module == kind; };
    Modules_.OnBinding = [&](TInstrumentKind kind, bool bound) {
        if (shown(kind)) Say(EventLine(Time(), InfoOf(kind).Name, bound, json));
    };
    for (const TInstrumentKind kind : kinds)
        if (Modules_.Instruments.Binding.Present(kind)) Say(EventLine(Time(), InfoOf(kind).Name, true, json));
    int64_t readings = 0;
    logger::TLogger& logger = Modules_.Instruments.Logger;
    // The voltmeter is shown only when the logger has sent samples since it
    // was last shown: a silent logger prints nothing, not its last volts again.
    bool newSamples = false;
    Modules_.OnLoggerTick = [&] {
        const auto cycle = logger.Cycle();
        if (cycle && cycle->HasSamples) newSamples = true;
    };
    const std::unique_ptr<TLoopTimer> voltmeter = Loop_.MakeTimer(500, [&] {
        if (!shown(TInstrumentKind::Logger) || !logger.Present() || !newSamples) return;
        newSamples = false;
        const logger::TAcquisition& a = logger.Acquisition;
        Say(LoggerLine(Time(), {a.VCH1Volts, a.VCH2Volts, a.VCH1Text, a.VCH2Text}, json));
        ++readings;
    });
    Modules_.OnMeterTick = [&] {
        const auto reading = Modules_.Instruments.FrequencyMeter.Cycle(0);
        if (!reading || !shown(TInstrumentKind::FrequencyMeter)) return;
        Say(FrequencyLine(Time(), {reading->Hertz, reading->ResultText, reading->InputIn}, json));
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
    bool wantLogger = Modules_.Usable(TInstrumentKind::Logger) && (!command.Module || *command.Module == TInstrumentKind::Logger);
    bool wantMeter = Modules_.Usable(TInstrumentKind::FrequencyMeter) &&
                     (!command.Module || *command.Module == TInstrumentKind::FrequencyMeter);
    logger::TLogger& logger = Modules_.Instruments.Logger;
    // Fresh: the voltmeter averages the last five reports, all read from now.
    int reports = 0;
    Modules_.OnLoggerTick = [&] {
        const auto cycle = logger.Cycle();
        if (!wantLogger || !cycle || !cycle->HasSamples || ++reports < logger::HistoryLength) return;
        const logger::TAcquisition& a = logger.Acquisition;
        Say(LoggerLine(Time(), {a.VCH1Volts, a.VCH2Volts, a.VCH1Text, a.VCH2Text}, json));
        wantLogger = false;
    };
    Modules_.OnMeterTick = [&] {
        const auto reading = Modules_.Instruments.FrequencyMeter.Cycle(0);
        if (!wantMeter || !reading) return;
        Say(FrequencyLine(Time(), {reading->Hertz, reading->ResultText, reading->InputIn}, json));
        wantMeter = false;
    };
    RunFor(ReadingSeconds, [&] { return !wantLogger && !wantMeter; });
    if (StopRequested() && (wantLogger || wantMeter)) return Interrupted();
    int code = ExitOk;
    for (const auto& [kind, wanted] : {std::pair{TInstrumentKind::Logger, wantLogger},
                                       std::pair{TInstrumentKind::FrequencyMeter, wantMeter}}) {
        if (!wanted) continue;
        const bool present = Modules_.Instruments.Binding.Present(kind);
        Complain(std::string("the ") + InfoOf(kind).Name + (present ? " sent no measurement" : " is gone"));
        code = present ? ExitTransfer : ExitNoModule;
    }
    return code;
}

int TCliSession::Record(const TCommand& command) {
    logger::TLogger& logger = Modules_.Instruments.Logger;
    if (const int code = Await({TInstrumentKind::Logger}, command.Wait)) return code;
    const std::string name = logger.StartRecording(command.Directory, LocalTimeNow());
    if (name.empty()) {
        Complain("no recording file could be made in " + (command.Directory.empty() ? "." : command.Directory));
        return ExitTransfer;
    }
    Say(logger::PathIn(command.Directory, name));
    Modules_.OnBinding = [this](TInstrumentKind kind, bool bound) {
        if (kind != TInstrumentKind::Logger) return;
        Complain(bound ? "the logger is back: recording goes on" : "the logger is gone: recording pauses");
    };
    bool healthy = true;
    bool stopped = false;
    Modules_.OnLoggerTick = [&] {
        const auto cycle = logger.Cycle();
        if (!cycle || !cycle->Recorded) return;
        if (cycle->RecordHealthy != healthy)
            Complain(cycle->RecordHealthy ? "lines are written again" : "a line could not be written (is the disk full?)");
        healthy = cycle->RecordHealthy;
        stopped = cycle->RecordStopped;
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
