#include "cli_session.h"

#include <QDateTime>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "cli_output.h"
#include "common/errors.h"
#include "common/integer_text.h"
#include "common/number_text.h"
#include "common/strict_number.h"
#include "device/hid_device.h"

namespace tavik::cli {

volatile bool TCliSession::StopRequested = false;

namespace {

std::string Now() { return QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toStdString(); }

std::string Utf8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Complain(const std::string& line) { std::fprintf(stderr, "tavik-cli: %s\n", line.c_str()); }

// A typed label matches whichever decimal separator it was typed with.
bool SameLabel(const std::string& typed, const std::string& label) {
    if (typed.size() != label.size()) return false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const bool separators = (typed[i] == '.' || typed[i] == ',') && (label[i] == '.' || label[i] == ',');
        if (typed[i] != label[i] && !separators) return false;
    }
    return true;
}

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

}  // namespace

TCliSession::TCliSession(THidPlatform& platform, TEventLoop& loop, char separator)
    : Platform_(platform), Loop_(loop), Separator_(separator), Instruments_(separator) {
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
    Controller_ = std::make_unique<THidDeviceController>(Platform_, Loop_);
    Controller_->OnArrival = [this](THidDevice& device) {
        try {
            Instruments_.Binding.OnUSBConnect(device);
            // Read while the device may be opened: `list` shows them.
            if (device.VendorID() == InstrumentVendorID && device.ProductID() == InstrumentProductID) {
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
    try {
        switch (command.Verb) {
        case TVerb::Help: std::fputs(UsageText, stdout); return ExitOk;
        case TVerb::List: return List(command.Json);
        case TVerb::Watch: return Watch(command);
        case TVerb::Record: return Record(command);
        case TVerb::Logger: return LoggerControl(command);
        case TVerb::Generator: return GeneratorControl(command);
        case TVerb::Calibrate: return Calibrate(command);
        case TVerb::RawRead:
        case TVerb::RawWrite: return Raw(command);
        }
    } catch (const EConvertError& error) {
        Complain(error.what());
        return ExitUsage;
    } catch (const std::exception& error) {
        Complain(error.what());
        return ExitTransfer;
    }
    return ExitUsage;
}

bool TCliSession::WaitFor(TInstrumentKind kind, double seconds) {
    RunFor(seconds, [&] { return Instruments_.Binding.Present(kind); });
    return Instruments_.Binding.Present(kind);
}

void TCliSession::RunFor(std::optional<double> seconds, const std::function<bool()>& done) {
    const auto start = std::chrono::steady_clock::now();
    while (!StopRequested && !(done && done())) {
        if (seconds && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(*seconds)) break;
        Loop_.ProcessEvents(20);
    }
}

bool TCliSession::LastTransferOk(TInstrumentKind kind) const { return Instruments_.Binding.Port(kind).Transfer.Ok; }

int TCliSession::NotPresent(TInstrumentKind kind) const {
    Complain(std::string("no ") + InfoOf(kind).Name + " is present");
    return ExitNoModule;
}

int TCliSession::List(bool json) {
    for (std::size_t i = 0; i < Controller_->Count(); ++i) {
        THidDevice& device = Controller_->Device(i);
        if (device.VendorID() != InstrumentVendorID || device.ProductID() != InstrumentProductID) continue;
        TListEntry entry;
        entry.Manufacturer = Utf8(device.ManufacturerString());
        entry.Product = Utf8(device.ProductString());
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
    return ExitOk;
}

int TCliSession::Watch(const TCommand& command) {
    const bool json = command.Json;
    OnBinding_ = [json](TInstrumentKind kind, bool bound) { Say(EventLine(Now(), InfoOf(kind).Name, bound, json)); };
    for (const TInstrumentKindInfo& info : InstrumentKinds)
        if (Instruments_.Binding.Present(info.Kind)) Say(EventLine(Now(), info.Name, true, json));
    logger::TLogger& logger = Instruments_.Logger;
    bool measured = false;
    OnLoggerTick_ = [&] {
        const auto cycle = logger.Cycle();
        if (cycle && cycle->HasSamples) measured = true;
    };
    const std::unique_ptr<TLoopTimer> voltmeter = Loop_.MakeTimer(500, [&] {
        if (!logger.Present() || !measured) return;
        const logger::TAcquisition& a = logger.Acquisition;
        Say(LoggerLine(Now(), {a.VCH1Volts, a.VCH2Volts, a.VCH1Text, a.VCH2Text}, json));
    });
    OnMeterTick_ = [&] {
        const auto reading = Instruments_.FrequencyMeter.Cycle("0");
        if (!reading) return;
        Say(FrequencyLine(Now(), {reading->Hertz, reading->ResultText, reading->InputIn}, json));
    };
    voltmeter->Start();
    RunFor(command.Seconds);
    return ExitOk;
}

int TCliSession::Record(const TCommand& command) {
    logger::TLogger& logger = Instruments_.Logger;
    if (!WaitFor(TInstrumentKind::Logger, command.Wait)) return NotPresent(TInstrumentKind::Logger);
    const std::string name = logger.StartRecording(command.Directory, LocalTimeNow());
    if (name.empty()) {
        Complain("no recording file could be made in " + (command.Directory.empty() ? "." : command.Directory));
        return ExitTransfer;
    }
    Say(command.Directory.empty() ? name : command.Directory + "/" + name);
    OnBinding_ = [](TInstrumentKind kind, bool bound) {
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
    if (!WaitFor(TInstrumentKind::Logger, command.Wait)) return NotPresent(TInstrumentKind::Logger);
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
    Say("logger: CSR = " + std::to_string(csr));
    return ExitOk;
}

int TCliSession::GeneratorControl(const TCommand& command) {
    if (!WaitFor(TInstrumentKind::Generator, command.Wait)) return NotPresent(TInstrumentKind::Generator);
    generator::TGenerator& g = Instruments_.Generator;
    g.BuildTables();
    generator::TControlState state;
    // A frequency: an item's label, or hertz for the nearest item.
    auto resolve = [&](const std::string& name, const std::string& text, const generator::TFreqTable& table,
                       std::size_t count) -> int {
        for (std::size_t i = 0; i < count; ++i)
            if (SameLabel(text, table[i].Text)) return static_cast<int>(i);
        if (text.size() > 2 && text.compare(text.size() - 2, 2, "Hz") == 0) {
            const auto hertz = ParseDecimal(std::string_view(text).substr(0, text.size() - 2));
            if (hertz && *hertz > 0) {
                std::size_t best = 0;
                for (std::size_t i = 1; i < count; ++i)
                    if (std::fabs(table[i].Frequency - *hertz) < std::fabs(table[best].Frequency - *hertz)) best = i;
                Say(name + ": " + text + " -> " + table[best].Text + " (" + FixedText(table[best].Frequency, 9, 3, Separator_) +
                    " Hz)");
                return static_cast<int>(best);
            }
        }
        throw EConvertError(name + ": no frequency " + text + " (an item's label such as 8" + Separator_ +
                            "25E+6, or hertz such as 1000Hz)");
    };
    using generator::TControl;
    TControl control = TControl::Level;
    if (command.Out1.FromGenerator) state.OUT1FromGenerator = *command.Out1.FromGenerator;
    if (command.Out2.FromGenerator) state.OUT2FromGenerator = *command.Out2.FromGenerator;
    if (command.Out1.Frequency) state.OUT1FreqIndex = resolve("out1", *command.Out1.Frequency, *g.OUT1FreqTable, g.OUT1Count());
    if (command.Out2.Frequency) state.OUT2FreqIndex = resolve("out2", *command.Out2.Frequency, *g.OUT2FreqTable, g.OUT2Count());
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
    if (!WaitFor(kind, command.Wait)) return NotPresent(kind);
    std::vector<std::string> refusals;
    int written = 0;
    if (command.CalibrateLogger) {
        logger::TLogger& logger = Instruments_.Logger;
        std::optional<float> reference = ParseLocaleFloat(command.Reference, Separator_);
        if (!reference) reference = ParseLocaleFloat(command.Reference, '.');
        if (!reference) throw EConvertError("not a voltage: " + command.Reference);
        // The averages are those of the reports read first.
        int reports = 0;
        OnLoggerTick_ = [&] {
            const auto cycle = logger.Cycle();
            if (cycle && cycle->HasSamples) ++reports;
        };
        RunFor(3.0, [&] { return reports >= logger::HistoryLength || !logger.Present(); });
        if (reports < logger::HistoryLength) {
            Complain("the logger sent no measurements to average");
            return logger.Present() ? ExitTransfer : ExitNoModule;
        }
        auto factors = [&] {
            return "k1 = " + FixedText(logger.CalFactor1, 7, 6, Separator_) + "  k2 = " + FixedText(logger.CalFactor2, 7, 6, Separator_);
        };
        Say("before: " + factors());
        const std::string minimum = std::string("1") + Separator_ + "5 V";
        for (int channel : {1, 2}) {
            const TCalibrationCheck check = logger.CheckCalibration(channel, *reference);
            const float average = channel == 1 ? logger.Acquisition.V1Avg : logger.Acquisition.V2Avg;
            if (check.Verdict == TCalibrationVerdict::Write) ++written;
            else refusals.push_back(Reason(check, "channel " + std::to_string(channel), minimum,
                                           FixedText(average, 5, 3, Separator_) + " V", Separator_));
        }
        logger.Calibrate(*reference);
        Say("after:  " + factors());
    } else {
        freqmeter::TFrequencyMeter& meter = Instruments_.FrequencyMeter;
        const std::optional<int32_t> reference = ParseInteger(command.Reference);
        if (!reference) throw EConvertError("not a whole number of hertz: " + command.Reference);
        bool measured = false;
        OnMeterTick_ = [&] { measured |= meter.Cycle("0").has_value(); };
        RunFor(3.0, [&] { return measured || !meter.Present(); });
        if (!measured) {
            Complain("the frequency meter sent no measurement");
            return meter.Present() ? ExitTransfer : ExitNoModule;
        }
        Say("before: factor = " + FixedText(meter.FreqCalFactor, 7, 6, Separator_));
        const TCalibrationCheck check = meter.CheckCalibration(*reference);
        if (check.Verdict == TCalibrationVerdict::Write) ++written;
        else refusals.push_back(Reason(check, "frequency", "900 Hz", std::to_string(meter.LastRawCount) + " Hz", Separator_));
        meter.Calibrate(*reference);
        Say("after:  factor = " + FixedText(meter.FreqCalFactor, 7, 6, Separator_));
    }
    for (const std::string& refusal : refusals) Complain("refused: " + refusal);
    return written > 0 ? ExitOk : ExitUsage;
}

int TCliSession::Raw(const TCommand& command) {
    if (!WaitFor(TInstrumentKind::Generator, command.Wait)) return NotPresent(TInstrumentKind::Generator);
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
