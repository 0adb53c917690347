// tavik-cli log: every bound module into one self-describing recording that
// survives a killed process, a power cut and a full disk (log_recorder), as
// one more subscriber of the instrument session.
#include <cstdlib>

#include "cli_kinds.h"
#include "cli_session.h"
#include "common/local_time.h"
#include "device/hid_device.h"
#include "host_name.h"
#include "log_recorder.h"
#include "log_until.h"

#ifndef TAVIK_VERSION
#define TAVIK_VERSION "unknown"
#endif

namespace tavik::cli {

namespace {
constexpr int TickMs = 250;

std::string TimeZone() {
    const TLocalTime now = LocalTimeNow();
    const std::string iso = IsoTimeText(now);
    const char* tz = std::getenv("TZ");
    return "UTC" + iso.substr(iso.size() - 6) + (tz && *tz ? std::string(" (TZ=") + tz + ")" : "");
}

TRotation RotationOf(const TCommand& command) {
    if (command.RotateBytes > 0) return TRotation::Size;
    return command.Rotate == "hourly" ? TRotation::Hourly : TRotation::Daily;
}
}  // namespace

int TCliSession::Log(const TCommand& command) {
    TLogSettings settings;
    settings.Directory = command.Directory;
    settings.EverySeconds = command.Every;
    settings.Rotation = RotationOf(command);
    settings.RotateBytes = command.RotateBytes;
    settings.SyncSeconds = command.SyncSeconds;
    if (const std::string mended = MendTornRecording(command.Directory); !mended.empty())
        Complain(mended + ": its torn last line was cut off");
    TLogRecorder recorder(settings, TLogClocks::System());
    recorder.Tell = [this](const std::string& line) { Complain(line); };

    TInstruments& instruments = Session_.Instruments;
    std::optional<uint8_t> settingsCsr;  // the setting bits of the logger's latest report
    auto identity = [&](TInstrumentKind kind) -> std::string {
        const THidDevice* device = Session_.BoundDevice(kind);
        if (!device || !Session_.Present(kind)) return "absent";
        char version[16];
        std::snprintf(version, sizeof version, "0x%04X", device->VersionNumber());
        const TModuleStrings strings = Session_.ModuleStrings(kind);
        std::string text = strings.Product + "; manufacturer " + strings.Manufacturer + "; version " + version +
                           "; node " + device->PnPInfo().DevicePath;
        if (!strings.Serial.empty()) text += "; serial " + strings.Serial;
        if (kind == TInstrumentKind::Logger)
            text += "; factors " + PointText(instruments.Logger.CalFactor1, 6) + " " +
                    PointText(instruments.Logger.CalFactor2, 6);
        if (kind == TInstrumentKind::FrequencyMeter)
            text += "; factor " + PointText(instruments.FrequencyMeter.FreqCalFactor, 6);
        return text;
    };
    const std::string started = IsoTimeText(LocalTimeNow());
    recorder.Metadata = [&] {
        std::vector<std::string> lines = {
            "program: tavik-cli " TAVIK_VERSION,
            "host: " + HostName(),
            "time_zone: " + TimeZone(),
            "started: " + started,
            command.Every > 0 ? "rows: one per interval of " + PointText(command.Every, 3) +
                                    " s, stamped with its end; count, min, mean and max of each channel"
                              : std::string("rows: one per report"),
        };
        for (const TInstrumentKindInfo& info : InstrumentKinds) lines.push_back(std::string(info.Name) + ": " + identity(info.Kind));
        lines.push_back(std::string("logger_settings: ") +
                        (settingsCsr ? LoggerModeName(*settingsCsr) : "not yet reported"));
        lines.push_back("generator_settings: not readable from the module");
        return lines;
    };
    if (!recorder.Start()) return ExitTransfer;

    std::array<bool, InstrumentKindCount> failing{};
    auto answered = [&](TInstrumentKind kind) {
        bool& f = failing[static_cast<std::size_t>(SlotOf(kind))];
        if (f) recorder.Event(std::string(InfoOf(kind).Name) + ": transfers work again");
        f = false;
    };
    Events_.Binding = [&](TInstrumentKind kind, bool bound) {
        failing[static_cast<std::size_t>(SlotOf(kind))] = false;
        if (kind == TInstrumentKind::Logger) settingsCsr.reset();
        if (!bound) recorder.Event(std::string(InfoOf(kind).Name) + " absent");
    };
    // Told once its factors are read: a replugged module's own.
    Events_.Ready = [&](TInstrumentKind kind) { recorder.Event(std::string(InfoOf(kind).Name) + " bound: " + identity(kind)); };
    // A module that does not answer a transfer in good time, and answers
    // again: the gap in its rows, told as it begins and as it ends.
    Events_.Answering = [&](TInstrumentKind kind, bool answering) {
        failing[static_cast<std::size_t>(SlotOf(kind))] = false;
        TellAnswering(kind, answering);
        recorder.Event(std::string(InfoOf(kind).Name) + (answering ? " answering again" : " not answering"));
    };
    // A failed poll is told once, until the module answers again.
    Events_.TransferFailed = [&](TInstrumentKind kind, std::string_view reason) {
        bool& f = failing[static_cast<std::size_t>(SlotOf(kind))];
        if (!f) recorder.Event(std::string(InfoOf(kind).Name) + ": a transfer failed: " + std::string(reason));
        f = true;
    };
    Events_.ArrivalFailed = [&](const std::string& reason) {
        Complain(reason);
        recorder.Event("a module could not be read: " + reason);
    };
    Events_.LoggerCycle = [&](const logger::TLoggerCycle& cycle) {
        answered(TInstrumentKind::Logger);
        const uint8_t setting = cycle.ModuleCsr & logger::CsrSettingBits;
        if (settingsCsr && *settingsCsr != setting)
            recorder.Event(std::string("logger settings changed: ") + LoggerModeName(setting));
        settingsCsr = setting;
        if (!cycle.HasSamples) return;
        const logger::TAcquisition& a = instruments.Logger.Acquisition;
        const logger::TMode mode = logger::ModeOf(cycle.ModuleCsr);
        TLoggerValues values;
        values.ModuleCsr = cycle.ModuleCsr;
        if (mode != logger::TMode::TenBitPeakChannel2)
            values.V1 = static_cast<double>(instruments.Logger.CalFactor1) * static_cast<double>(a.V1Raw);
        if (mode != logger::TMode::TenBitPeakChannel1)
            values.V2 = static_cast<double>(instruments.Logger.CalFactor2) * static_cast<double>(a.V2Raw);
        recorder.Logger(values);
    };
    Events_.MeterReading = [&](const freqmeter::TReading& reading) {
        answered(TInstrumentKind::FrequencyMeter);
        recorder.Meter({reading.Hertz, reading.InputIn});
    };
    for (const TInstrumentKindInfo& info : InstrumentKinds)
        if (Session_.Present(info.Kind)) recorder.Event(std::string(info.Name) + " bound: " + identity(info.Kind));
    const std::unique_ptr<TLoopTimer> ticks = Loop_.MakeTimer(TickMs, [&] { recorder.Tick(); });
    ticks->Start();
    std::optional<double> seconds = command.Seconds;
    if (command.Until) seconds = SecondsUntil(*command.Until, std::time(nullptr));
    RunFor(seconds);
    recorder.Stop("recording stopped");
    Events_ = ArrivalComplaints();
    return ExitOk;
}

}  // namespace tavik::cli
