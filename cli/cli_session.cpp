#include "cli_session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli_output.h"
#include "common/errors.h"
#include "common/local_time.h"
#include "common/number_text.h"
#include "common/utf8_text.h"
#include "instruments/logger/recording_file.h"
#include "device/hid_device.h"

namespace tavik::cli {

volatile std::sig_atomic_t TCliSession::StopSignal = 0;

namespace {

// What a fresh reading waits for at most before the module counts as silent.
constexpr double ReadingSeconds = 3.0;

std::string Reason(const TCalibrationCheck& check, const std::string& what, const std::string& minimum,
                   const std::string& measured, char separator) {
    switch (check.Verdict) {
    case TCalibrationVerdict::Write: break;
    case TCalibrationVerdict::MeasurementTooLow: return what + ": the measurement, " + measured + ", is below " + minimum;
    case TCalibrationVerdict::ReferenceTooLow: return what + ": the reference is below " + minimum;
    case TCalibrationVerdict::OutOfRange:
        return what + ": the factor would be " + FixedText(check.Factor, 5, 4, separator) + ", outside 0" + separator +
               "75 to 1" + separator + "25";
    }
    return {};
}

bool OurIds(const THidDevice& device) {
    return device.VendorID() == InstrumentVendorID && device.ProductID() == InstrumentProductID;
}

std::string Names(const std::vector<TInstrumentKind>& kinds) {
    if (kinds.size() == InstrumentKindCount) return "module";
    std::string names;
    for (const TInstrumentKind kind : kinds) names += (names.empty() ? "" : " or ") + std::string(InfoOf(kind).Name);
    return names;
}

const std::vector<TInstrumentKind> AllKinds = {TInstrumentKind::Logger, TInstrumentKind::Generator,
                                               TInstrumentKind::FrequencyMeter};
const std::vector<TInstrumentKind> MeasuringKinds = {TInstrumentKind::Logger, TInstrumentKind::FrequencyMeter};

}  // namespace

TCliSession::TCliSession(THidPlatform& platform, TEventLoop& loop, char separator, TCliConsole& console)
    : Platform_(platform), Loop_(loop), Separator_(separator), Console_(console), Instruments_(separator) {
    LoggerTimer_ = Loop_.MakeTimer(50, [this] { if (OnLoggerTick_) OnLoggerTick_(); });
    MeterTimer_ = Loop_.MakeTimer(250, [this] { if (OnMeterTick_) OnMeterTick_(); });
    for (const TInstrumentKindInfo& info : InstrumentKinds) {
        TLoopTimer* timer = info.Kind == TInstrumentKind::Logger           ? LoggerTimer_.get()
                            : info.Kind == TInstrumentKind::FrequencyMeter ? MeterTimer_.get()
                                                                           : nullptr;
        const TInstrumentKind kind = info.Kind;
        Instruments_.SetFrontEnd(
            kind, [this, kind](bool bound) { if (OnBinding_) OnBinding_(kind, bound); },
            [timer](bool on) {
                if (timer) on ? timer->Start() : timer->Stop();
            });
    }
    Instruments_.Generator.BuildTables();
    Controller_ = std::make_unique<THidDeviceController>(Platform_, Loop_);
    Controller_->OnArrival = [this](THidDevice& device) {
        try {
            Instruments_.Binding.OnUSBConnect(device);
            // Read while the device may be opened: `list` shows them.
            if (OurIds(device)) {
                device.ManufacturerString();
                device.ProductString();
            }
        } catch (const std::exception& error) {
            Complain(error.what());
        }
    };
    Controller_->OnRemoval = [this](THidDevice& device) { Instruments_.Binding.OnUSBDisconnect(device); };
    // The start-up pass: every module present is bound before a command runs.
    Loop_.ProcessEvents(0);
}

TCliSession::~TCliSession() {
    Instruments_.Logger.StopRecording();
    LoggerTimer_->Stop();
    MeterTimer_->Stop();
    Controller_.reset();
}

int TCliSession::Run(const TCommand& command) {
    int code = ExitUsage;
    try {
        switch (command.Verb) {
        case TVerb::Help:
        case TVerb::Version: code = ExitUsage; break;  // answered before a session is made
        case TVerb::List: code = List(command.Json); break;
        case TVerb::Watch: code = Watch(command); break;
        case TVerb::Measure: code = Measure(command); break;
        case TVerb::Record: code = Record(command); break;
        case TVerb::Logger: code = LoggerControl(command); break;
        case TVerb::Generator: code = GeneratorControl(command); break;
        case TVerb::Calibrate: code = Calibrate(command); break;
        case TVerb::RawRead:
        case TVerb::RawWrite: code = Raw(command); break;
        }
    } catch (const EConvertError& error) {
        Complain(error.what());
        return ExitUsage;
    } catch (const std::exception& error) {
        Complain(error.what());
        return ExitTransfer;
    }
    return OutputFailed_ ? ExitTransfer : code;
}

void TCliSession::Say(const std::string& line) {
    if (!OutputFailed_ && !Console_.Say(line)) OutputFailed_ = true;
}

std::string TCliSession::Time() const { return IsoTimeText(LocalTimeNow()); }

bool TCliSession::Usable(TInstrumentKind kind) const {
    const THidDevice* device = Instruments_.Binding.Device(kind);
    return device && device->HasReadWriteAccess();
}

int TCliSession::Await(const std::vector<TInstrumentKind>& kinds, double wait) {
    auto any = [&] {
        for (const TInstrumentKind kind : kinds)
            if (Usable(kind)) return true;
        return false;
    };
    RunFor(wait, any);
    if (any()) return ExitOk;
    if (StopSignal) return Interrupted();
    if (!TellMissingAccess(kinds)) Complain("no " + Names(kinds) + " is present");
    return ExitNoModule;
}

namespace {
// What helps where a module cannot be opened: on Linux the udev rule; Windows
// needs no rule, so there another program holds the module, or the device
// only looks like one.
#ifdef _WIN32
constexpr const char* NoAccessAdvice =
    " cannot be opened for reading and writing; another program has it open (close that program, or plug the"
    " module in again), or it is not one of these modules";
#else
constexpr const char* NoAccessAdvice =
    " cannot be opened for reading and writing; the udev rule 60-tavik.rules gives the logged-in user access"
    " (install it, then plug the module in again)";
#endif
}  // namespace

bool TCliSession::TellMissingAccess(const std::vector<TInstrumentKind>& kinds) {
    bool told = false;
    for (std::size_t i = 0; i < Controller_->Count(); ++i) {
        THidDevice& device = Controller_->Device(i);
        if (!OurIds(device) || device.HasReadWriteAccess()) continue;
        const auto kind = KindOfProduct(device.ProductString());
        if (!kind || std::find(kinds.begin(), kinds.end(), *kind) == kinds.end()) continue;
        Complain(device.PnPInfo().DevicePath + ": the " + InfoOf(*kind).Name + NoAccessAdvice);
        told = true;
    }
    return told;
}

void TCliSession::RunFor(std::optional<double> seconds, const std::function<bool()>& done) {
    const auto start = std::chrono::steady_clock::now();
    while (!StopSignal && !OutputFailed_ && !(done && done())) {
        if (seconds && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(*seconds)) break;
        Loop_.ProcessEvents(20);
    }
}

bool TCliSession::LastTransferOk(TInstrumentKind kind) const { return Instruments_.Binding.Port(kind).Transfer.Ok; }

int TCliSession::List(bool json) {
    int modules = 0;
    for (std::size_t i = 0; i < Controller_->Count(); ++i) {
        THidDevice& device = Controller_->Device(i);
        if (!OurIds(device)) continue;
        ++modules;
        TListEntry entry;
        entry.Manufacturer = Utf8Of(device.ManufacturerString());
        entry.Product = Utf8Of(device.ProductString());
        entry.Path = device.PnPInfo().DevicePath;
        entry.ReadWrite = device.HasReadWriteAccess();
        const auto kind = KindOfProduct(device.ProductString());
        if (!IsInstrumentModule(device)) {
            entry.Kind = "unknown";
            entry.Reason = "wrong manufacturer";
        } else if (!kind) {
            entry.Kind = "unknown";
            entry.Reason = "unknown product";
        } else {
            entry.Kind = InfoOf(*kind).Name;
            entry.Bound = Instruments_.Binding.Device(*kind) == &device;
            if (entry.Bound && *kind == TInstrumentKind::Logger)
                entry.Factors = {{"k1", Instruments_.Logger.CalFactor1}, {"k2", Instruments_.Logger.CalFactor2}};
            if (entry.Bound && *kind == TInstrumentKind::FrequencyMeter)
                entry.Factors = {{"factor", Instruments_.FrequencyMeter.FreqCalFactor}};
        }
        Say(ListLine(entry, json, Separator_));
    }
    if (modules == 0) Complain("no module is present");
    TellMissingAccess(AllKinds);
    return ExitOk;
}

int TCliSession::Watch(const TCommand& command) {
    const std::vector<TInstrumentKind> kinds = command.Module ? std::vector{*command.Module} : AllKinds;
    if (const int code = Await(kinds, command.Wait)) return code;
    const bool json = command.Json;
    auto shown = [&](TInstrumentKind kind) { return !command.Module || *command.Module == kind; };
    OnBinding_ = [&](TInstrumentKind kind, bool bound) {
        if (shown(kind)) Say(EventLine(Time(), InfoOf(kind).Name, bound, json));
    };
    for (const TInstrumentKind kind : kinds)
        if (Instruments_.Binding.Present(kind)) Say(EventLine(Time(), InfoOf(kind).Name, true, json));
    int64_t readings = 0;
    logger::TLogger& logger = Instruments_.Logger;
    // The voltmeter is shown only when the logger has sent samples since it
    // was last shown: a silent logger prints nothing, not its last volts again.
    bool newSamples = false;
    OnLoggerTick_ = [&] {
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
    OnMeterTick_ = [&] {
        const auto reading = Instruments_.FrequencyMeter.Cycle("0");
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
    bool wantLogger = Usable(TInstrumentKind::Logger) && (!command.Module || *command.Module == TInstrumentKind::Logger);
    bool wantMeter = Usable(TInstrumentKind::FrequencyMeter) &&
                     (!command.Module || *command.Module == TInstrumentKind::FrequencyMeter);
    logger::TLogger& logger = Instruments_.Logger;
    // Fresh: the voltmeter averages the last five reports, all read from now.
    int reports = 0;
    OnLoggerTick_ = [&] {
        const auto cycle = logger.Cycle();
        if (!wantLogger || !cycle || !cycle->HasSamples || ++reports < logger::HistoryLength) return;
        const logger::TAcquisition& a = logger.Acquisition;
        Say(LoggerLine(Time(), {a.VCH1Volts, a.VCH2Volts, a.VCH1Text, a.VCH2Text}, json));
        wantLogger = false;
    };
    OnMeterTick_ = [&] {
        const auto reading = Instruments_.FrequencyMeter.Cycle("0");
        if (!wantMeter || !reading) return;
        Say(FrequencyLine(Time(), {reading->Hertz, reading->ResultText, reading->InputIn}, json));
        wantMeter = false;
    };
    RunFor(ReadingSeconds, [&] { return !wantLogger && !wantMeter; });
    if (StopSignal && (wantLogger || wantMeter)) return Interrupted();
    int code = ExitOk;
    for (const auto& [kind, wanted] : {std::pair{TInstrumentKind::Logger, wantLogger},
                                       std::pair{TInstrumentKind::FrequencyMeter, wantMeter}}) {
        if (!wanted) continue;
        const bool present = Instruments_.Binding.Present(kind);
        Complain(std::string("the ") + InfoOf(kind).Name + (present ? " sent no measurement" : " is gone"));
        code = present ? ExitTransfer : ExitNoModule;
    }
    return code;
}

int TCliSession::Record(const TCommand& command) {
    logger::TLogger& logger = Instruments_.Logger;
    if (const int code = Await({TInstrumentKind::Logger}, command.Wait)) return code;
    const std::string name = logger.StartRecording(command.Directory, LocalTimeNow());
    if (name.empty()) {
        Complain("no recording file could be made in " + (command.Directory.empty() ? "." : command.Directory));
        return ExitTransfer;
    }
    Say(logger::PathIn(command.Directory, name));
    OnBinding_ = [this](TInstrumentKind kind, bool bound) {
        if (kind != TInstrumentKind::Logger) return;
        Complain(bound ? "the logger is back: recording goes on" : "the logger is gone: recording pauses");
    };
    bool healthy = true;
    bool stopped = false;
    OnLoggerTick_ = [&] {
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

int TCliSession::LoggerControl(const TCommand& command) {
    if (const int code = Await({TInstrumentKind::Logger}, command.Wait)) return code;
    // Settings not given are the window's start-up ones: the module tells
    // nothing of its own until it reports.
    uint8_t csr = 0;
    if (command.EightBit.value_or(false)) csr |= logger::Csr8Bit;
    if (command.Peak.value_or(false)) csr |= logger::CsrPeak;
    if (command.Channel.value_or(1) == 2) csr |= logger::CsrChannel2;
    Instruments_.Logger.SetCsr(csr);
    Instruments_.Logger.SendControl();
    if (!LastTransferOk(TInstrumentKind::Logger)) {
        Complain("the logger did not take the control report");
        return ExitTransfer;
    }
    Say("logger: CSR = " + std::to_string(Instruments_.Logger.Csr()));
    return ExitOk;
}

int TCliSession::GeneratorControl(const TCommand& command) {
    if (const int code = Await({TInstrumentKind::Generator}, command.Wait)) return code;
    generator::TGenerator& g = Instruments_.Generator;
    generator::TControlState state;
    auto frequency = [&](const char* name, const TOutputOptions& out, const generator::TFreqTable& table) {
        const generator::TFreqTableEntry& entry = table[static_cast<std::size_t>(out.FreqIndex)];
        if (out.Nearest)
            Say(std::string(name) + ": " + *out.Frequency + " -> " + entry.Text + " (" +
                FixedText(entry.Frequency, 9, 3, Separator_) + " Hz)");
        return out.FreqIndex;
    };
    using generator::TControl;
    TControl control = TControl::Level;
    if (command.Out1.FromGenerator) state.OUT1FromGenerator = *command.Out1.FromGenerator;
    if (command.Out2.FromGenerator) state.OUT2FromGenerator = *command.Out2.FromGenerator;
    if (command.Out1.Frequency) state.OUT1FreqIndex = frequency("out1", command.Out1, *g.OUT1FreqTable);
    if (command.Out2.Frequency) state.OUT2FreqIndex = frequency("out2", command.Out2, *g.OUT2FreqTable);
    state.OUT1High = command.Out1.High.value_or(false);
    state.OUT2High = command.Out2.High.value_or(false);
    state.OUT3High = command.Out3High.value_or(false);
    if (command.Out1.Frequency) control = TControl::OUT1Freq;
    else if (command.Out1.FromGenerator) control = TControl::OUT1Type;
    else if (command.Out2.Frequency) control = TControl::OUT2Freq;
    else if (command.Out2.FromGenerator) control = TControl::OUT2Type;
    if (!g.ControlChanged(control, state) || !LastTransferOk(TInstrumentKind::Generator)) {
        Complain("the generator did not take the control report");
        return ExitTransfer;
    }
    char frame[32];
    const TFrame& b = g.ControlBuffer;
    std::snprintf(frame, sizeof frame, "%02X %02X %02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    Say(std::string("generator: ") + frame);
    return ExitOk;
}

int TCliSession::Calibrate(const TCommand& command) {
    const TInstrumentKind kind = command.CalibrateLogger ? TInstrumentKind::Logger : TInstrumentKind::FrequencyMeter;
    if (const int code = Await({kind}, command.Wait)) return code;
    std::vector<std::string> refusals;
    int written = 0;
    if (command.CalibrateLogger) {
        logger::TLogger& logger = Instruments_.Logger;
        // The averages are those of the reports read first.
        int reports = 0;
        OnLoggerTick_ = [&] {
            const auto cycle = logger.Cycle();
            if (cycle && cycle->HasSamples) ++reports;
        };
        RunFor(ReadingSeconds, [&] { return reports >= logger::HistoryLength || !logger.Present(); });
        if (reports < logger::HistoryLength) {
            if (StopSignal) return Interrupted();
            Complain("the logger sent no measurements to average");
            return logger.Present() ? ExitTransfer : ExitNoModule;
        }
        auto factors = [&] {
            return "k1 = " + FixedText(logger.CalFactor1, 7, 6, Separator_) + "  k2 = " + FixedText(logger.CalFactor2, 7, 6, Separator_);
        };
        Say("before: " + factors());
        const std::string minimum = std::string("1") + Separator_ + "5 V";
        for (int channel : {1, 2}) {
            const TCalibrationCheck check = logger.CheckCalibration(channel, command.Volts);
            const float average = channel == 1 ? logger.Acquisition.V1Avg : logger.Acquisition.V2Avg;
            if (check.Verdict == TCalibrationVerdict::Write) ++written;
            else refusals.push_back(Reason(check, "channel " + std::to_string(channel), minimum,
                                           FixedText(average, 5, 3, Separator_) + " V", Separator_));
        }
        logger.Calibrate(command.Volts);
        Say("after:  " + factors());
    } else {
        freqmeter::TFrequencyMeter& meter = Instruments_.FrequencyMeter;
        bool measured = false;
        OnMeterTick_ = [&] { measured |= meter.Cycle("0").has_value(); };
        RunFor(ReadingSeconds, [&] { return measured || !meter.Present(); });
        if (!measured) {
            if (StopSignal) return Interrupted();
            Complain("the frequency meter sent no measurement");
            return meter.Present() ? ExitTransfer : ExitNoModule;
        }
        Say("before: factor = " + FixedText(meter.FreqCalFactor, 7, 6, Separator_));
        const TCalibrationCheck check = meter.CheckCalibration(command.Hertz);
        if (check.Verdict == TCalibrationVerdict::Write) ++written;
        else refusals.push_back(Reason(check, "frequency", "900 Hz", std::to_string(meter.LastRawCount) + " Hz", Separator_));
        meter.Calibrate(command.Hertz);
        Say("after:  factor = " + FixedText(meter.FreqCalFactor, 7, 6, Separator_));
    }
    for (const std::string& refusal : refusals) Complain("refused: " + refusal);
    return written > 0 ? ExitOk : ExitUsage;
}

int TCliSession::Raw(const TCommand& command) {
    if (const int code = Await({TInstrumentKind::Generator}, command.Wait)) return code;
    generator::TGenerator& g = Instruments_.Generator;
    if (command.Verb == TVerb::RawWrite) {
        g.RawWrite(command.Address, command.Data);
        if (!LastTransferOk(TInstrumentKind::Generator)) {
            Complain("the generator did not take the write");
            return ExitTransfer;
        }
        return ExitOk;
    }
    const std::optional<uint8_t> value = g.RawRead(command.Address);
    if (!value || !LastTransferOk(TInstrumentKind::Generator)) {
        Complain("the generator did not answer the read");
        return ExitTransfer;
    }
    Say(std::to_string(*value));
    return ExitOk;
}

}  // namespace tavik::cli
