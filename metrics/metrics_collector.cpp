#include "metrics_collector.h"

#include <cstdio>

#include "device/hid_device.h"

namespace tavik::metrics {

namespace {

// The kinds whose polls are counted: the generator is never polled.
constexpr TInstrumentKind PolledKinds[] = {TInstrumentKind::Logger, TInstrumentKind::FrequencyMeter};
constexpr const char* Operations[] = {"GetFeature", "SetFeature"};

TMetricFamily Family(std::string name, TMetricType type, std::string help) {
    return {std::move(name), type, std::move(help), {}};
}

void Add(TMetricFamily& family, double value, std::vector<std::pair<std::string, std::string>> labels = {}) {
    family.Samples.push_back({std::move(labels), value});
}

bool Present(const TInstruments& instruments, TInstrumentKind kind) {
    switch (kind) {
    case TInstrumentKind::Logger: return instruments.Logger.Present();
    case TInstrumentKind::Generator: return instruments.Generator.Present();
    case TInstrumentKind::FrequencyMeter: break;
    }
    return instruments.FrequencyMeter.Present();
}

const char* StateName(TModuleState state) {
    switch (state) {
    case TModuleState::Bound: return "bound";
    case TModuleState::Absent: return "absent";
    case TModuleState::NotAnswering: break;
    }
    return "not_answering";
}

}  // namespace

TMetricsCollector::TMetricsCollector(TInstrumentSession& session, std::string version)
    : Session_(session), Version_(std::move(version)) {
    for (const TInstrumentKind kind : PolledKinds)
        for (const char* operation : Operations) Failures_[{kind, operation}] = 0;
    Subscriber_.LoggerCycle = [this](const logger::TLoggerCycle& cycle) {
        ++Reports_[SlotOf(TInstrumentKind::Logger)];
        LoggerReading_ = LoggerReading_ || cycle.HasSamples;
    };
    Subscriber_.MeterReading = [this](const freqmeter::TReading&) {
        ++Reports_[SlotOf(TInstrumentKind::FrequencyMeter)];
    };
    Subscriber_.Binding = [this](TInstrumentKind kind, bool bound) {
        if (bound) ++Bindings_[SlotOf(kind)];
        if (kind == TInstrumentKind::Logger) LoggerReading_ = false;
    };
    Subscriber_.TransferFailed = [this](TInstrumentKind kind, std::string_view reason) {
        ++Failures_[{kind, std::string(reason.substr(0, reason.find(':')))}];
    };
    // Modules bound before this subscription count as bound once.
    for (const TInstrumentKindInfo& info : InstrumentKinds)
        if (Present(Session_.Instruments, info.Kind)) ++Bindings_[SlotOf(info.Kind)];
    Session_.Subscribe(Subscriber_);
}

TMetricsCollector::~TMetricsCollector() { Session_.Unsubscribe(Subscriber_); }

TModuleState TMetricsCollector::StateOf(TInstrumentKind kind) const {
    if (!Present(Session_.Instruments, kind)) return TModuleState::Absent;
    return Session_.Answering(kind) ? TModuleState::Bound : TModuleState::NotAnswering;
}

std::vector<TMetricFamily> TMetricsCollector::Families() const {
    std::vector<TMetricFamily> families;
    families.reserve(20);
    TMetricFamily build = Family("tavik_build", TMetricType::Info, "The program's version.");
    Add(build, 1, {{"version", Version_}});
    families.push_back(std::move(build));
    AddModuleFamilies(families);
    AddLoggerFamilies(families);
    AddMeterFamilies(families);
    AddGeneratorFamilies(families);
    return families;
}

void TMetricsCollector::AddModuleFamilies(std::vector<TMetricFamily>& families) const {
    TMetricFamily up = Family("tavik_module_up", TMetricType::Gauge, "1 while a module of the kind is bound and answering, else 0.");
    TMetricFamily state = Family("tavik_module_state", TMetricType::Gauge,
                                 "1 for the state the module of the kind is in (bound, absent, not_answering), 0 for the others.");
    TMetricFamily bindings = Family("tavik_module_bindings", TMetricType::Counter, "Modules of the kind bound.");
    TMetricFamily reports = Family("tavik_reports", TMetricType::Counter, "Measurement reports accepted from the module of the kind.");
    TMetricFamily failures = Family("tavik_transfer_failures", TMetricType::Counter,
                                    "Polls of the module of the kind whose transfer failed, by operation.");
    // Which module it is, to join with its readings: a replug of another
    // module of the kind shows another serial.
    TMetricFamily module = Family("tavik_module", TMetricType::Info,
                                  "The bound module of the kind: its strings, serial number and version.");
    for (const TInstrumentKindInfo& info : InstrumentKinds) {
        const TModuleState now = StateOf(info.Kind);
        Add(up, now == TModuleState::Bound ? 1 : 0, {{"kind", info.Name}});
        for (const TModuleState each : {TModuleState::Bound, TModuleState::Absent, TModuleState::NotAnswering})
            Add(state, each == now ? 1 : 0, {{"kind", info.Name}, {"state", StateName(each)}});
        Add(bindings, static_cast<double>(Bindings_[SlotOf(info.Kind)]), {{"kind", info.Name}});
        if (const THidDevice* device = Session_.BoundDevice(info.Kind)) {
            const TModuleStrings strings = Session_.ModuleStrings(info.Kind);
            char version[8];
            std::snprintf(version, sizeof version, "%X.%02X", device->VersionNumber() >> 8, device->VersionNumber() & 0xFFu);
            Add(module, 1, {{"kind", info.Name}, {"manufacturer", strings.Manufacturer}, {"product", strings.Product},
                            {"serial", strings.Serial}, {"version", version}});
        }
    }
    for (const TInstrumentKind kind : PolledKinds)
        Add(reports, static_cast<double>(Reports_[SlotOf(kind)]), {{"kind", InfoOf(kind).Name}});
    for (const auto& [key, count] : Failures_)
        Add(failures, static_cast<double>(count), {{"kind", InfoOf(key.first).Name}, {"operation", key.second}});
    for (TMetricFamily* family : {&up, &state, &bindings, &reports, &failures, &module}) families.push_back(std::move(*family));
}

void TMetricsCollector::AddLoggerFamilies(std::vector<TMetricFamily>& families) const {
    if (StateOf(TInstrumentKind::Logger) != TModuleState::Bound) return;
    const logger::TLogger& logger = Session_.Instruments.Logger;
    TMetricFamily volts = Family("tavik_logger_voltage_volts", TMetricType::Gauge,
                                 "The voltmeter of a channel: the calibrated average of the last five reports.");
    if (LoggerReading_) {
        if (logger.Acquisition.VCH1Volts) Add(volts, *logger.Acquisition.VCH1Volts, {{"channel", "1"}});
        if (logger.Acquisition.VCH2Volts) Add(volts, *logger.Acquisition.VCH2Volts, {{"channel", "2"}});
    }
    TMetricFamily factors = Family("tavik_logger_calibration_factor", TMetricType::Gauge,
                                   "The calibration factor of a channel, as read from the module.");
    Add(factors, logger.CalFactor1, {{"channel", "1"}});
    Add(factors, logger.CalFactor2, {{"channel", "2"}});
    families.push_back(std::move(volts));
    families.push_back(std::move(factors));
}

void TMetricsCollector::AddMeterFamilies(std::vector<TMetricFamily>& families) const {
    if (StateOf(TInstrumentKind::FrequencyMeter) != TModuleState::Bound) return;
    TMetricFamily hertz = Family("tavik_frequency_hertz", TMetricType::Gauge,
                                 "The frequency meter's latest reading, calibrated, in whole hertz.");
    TMetricFamily input = Family("tavik_freqmeter_input_in", TMetricType::Gauge,
                                 "The state of the frequency meter's IN input in its latest reading.");
    if (const auto& reading = Session_.LatestReading()) {
        Add(hertz, static_cast<double>(reading->Hertz));
        Add(input, reading->InputIn ? 1 : 0);
    }
    TMetricFamily factor = Family("tavik_freqmeter_calibration_factor", TMetricType::Gauge,
                                  "The frequency meter's calibration factor, as read from the module.");
    Add(factor, Session_.Instruments.FrequencyMeter.FreqCalFactor);
    families.push_back(std::move(hertz));
    families.push_back(std::move(input));
    families.push_back(std::move(factor));
}

void TMetricsCollector::AddGeneratorFamilies(std::vector<TMetricFamily>& families) const {
    if (StateOf(TInstrumentKind::Generator) != TModuleState::Bound) return;
    const generator::TGenerator& generator = Session_.Instruments.Generator;
    // The module cannot be asked: these are the settings the program last
    // sent, or a new window's until one is sent.
    TMetricFamily high = Family("tavik_generator_output_high", TMetricType::Gauge,
                                "1 while the output's level is set high, as the program last set it.");
    TMetricFamily fromPc = Family("tavik_generator_output_from_pc", TMetricType::Gauge,
                                  "1 while the output is driven by the PC's level, 0 while by the generator.");
    TMetricFamily hertz = Family("tavik_generator_output_frequency_hertz", TMetricType::Gauge,
                                 "The frequency set on an output the generator drives.");
    for (int output = 1; output <= 3; ++output)
        Add(high, generator.Settings.High[output - 1] ? 1 : 0, {{"output", std::to_string(output)}});
    for (int output = 1; output <= 2; ++output) {
        const generator::TOutputSetting& setting = generator.Settings.Outputs[output - 1];
        const bool pc = setting.Source == generator::TSource::PC;
        Add(fromPc, pc ? 1 : 0, {{"output", std::to_string(output)}});
        if (!pc && setting.FreqIndex < generator.EntryCount(output))
            Add(hertz, generator.Table(output)[setting.FreqIndex].Frequency, {{"output", std::to_string(output)}});
    }
    families.push_back(std::move(high));
    families.push_back(std::move(fromPc));
    families.push_back(std::move(hertz));
}

}  // namespace tavik::metrics
