// tavik-cli's command line, its arguments split from the input at NUL bytes
// (what an argument cannot hold): a line is refused with a reason or read
// into a command whose every value is one the command takes and within its
// range; the same line reads the same every time, and --name=VALUE reads as
// --name VALUE. Every option of the reader's table is known here, with
// whether it takes a value: an option added there and not here stops the
// target before its first input.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_option_table.h"
#include "cli/cli_options.h"
#include "instruments/freqmeter/frequency_meter.h"
#include "instruments/generator/frequency_tables.h"
#include "instruments/logger/logger.h"

namespace {

using tavik::TInstrumentKind;
using namespace tavik::cli;

void Check(bool condition) {
    if (!condition) std::abort();
}

bool Is(TVerb verb, unsigned verbs) { return (Bit(verb) & verbs) != 0; }

struct TLists {
    tavik::generator::TFreqTable Out1;
    tavik::generator::TFreqTable Out2;
    TLists() {
        tavik::generator::BuildFrequencyTable(tavik::generator::OUT1Groups(), Out1);
        tavik::generator::BuildFrequencyTable(tavik::generator::OUT2Groups(), Out2);
    }
};

// An output's list entry's label, with a point.
std::string Label(bool first, int index) {
    static const TLists lists;
    return tavik::generator::FrequencyLabel((first ? lists.Out1 : lists.Out2)[static_cast<std::size_t>(index)].Frequency, '.');
}

void CheckOutput(const TOutputOptions& out, bool first) {
    if (!out.Frequency) {
        Check(out.FreqIndex == -1 && !out.Nearest);
        return;
    }
    const std::size_t count = first ? tavik::generator::OUT1EntryCount : tavik::generator::OUT2EntryCount;
    Check(out.FreqIndex >= 0 && static_cast<std::size_t>(out.FreqIndex) < count);
    const std::string& text = *out.Frequency;
    if (out.Nearest) {
        Check(text.size() > 2 && text.compare(text.size() - 2, 2, "Hz") == 0);
    } else {
        std::string typed = text;
        for (char& c : typed)
            if (c == ',') c = '.';
        Check(typed == Label(first, out.FreqIndex));
    }
}

// MQTT's settings: a broker for publish, one or none for serve, with the
// rest only beside it and readings once a second unless asked otherwise.
void CheckMqtt(const TCommand& c) {
    const bool publishes = c.Verb == TVerb::Publish || (c.Verb == TVerb::Serve && c.Mqtt);
    Check(bool(c.Mqtt) == publishes);
    if (!c.Mqtt) {
        Check(c.MqttUser.empty() && c.MqttPasswordFile.empty() && c.MqttCa.empty() && c.MqttTopic.empty());
        return;
    }
    Check(c.Every >= 0.05 && c.Every <= 86400);
    Check(!c.Mqtt->Host.empty() && c.Mqtt->Port != 0);
    Check(c.MqttPasswordFile.empty() || !c.MqttUser.empty());
    Check(c.MqttCa.empty() || c.Mqtt->Tls);
    const std::string& topic = c.MqttTopic;
    if (!topic.empty())
        Check(topic.find_first_of("+#") == std::string::npos && topic.front() != '$' && topic.front() != '/' &&
              topic.back() != '/' && topic.find("//") == std::string::npos);
}

// log's settings: the defaults unless log, and within their ranges.
void CheckLog(const TCommand& c) {
    if (c.Verb != TVerb::Log) {
        Check((c.Every == 0) != bool(c.Mqtt));
        Check(c.Rotate == "daily" && c.RotateBytes == 0 && !c.Until && c.SyncSeconds == 5);
        return;
    }
    Check(c.Every == 0 || (c.Every >= 0.05 && c.Every <= 86400));
    Check(c.SyncSeconds >= 0.25 && c.SyncSeconds <= 3600);
    if (c.Rotate == "daily" || c.Rotate == "hourly")
        Check(c.RotateBytes == 0);
    else
        Check(c.RotateBytes >= 65536 && c.RotateBytes <= (1LL << 50));
    Check(!(c.Seconds && c.Until));
    if (c.Until) {
        const auto& t = *c.Until;
        Check(t.Hour >= 0 && t.Hour <= 23 && t.Minute >= 0 && t.Minute <= 59 && t.Second >= 0 && t.Second <= 59);
        if (t.HasDate) Check(t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31);
    }
}

// A command read without an error: each value set only where its command
// takes it, and within what that command accepts.
void CheckCommand(const TCommand& c) {
    constexpr unsigned Raw = Bit(TVerb::RawRead) | Bit(TVerb::RawWrite);
    constexpr unsigned NeedsModule = Bit(TVerb::Watch) | Bit(TVerb::Measure) | Bit(TVerb::Record) |
                                     Bit(TVerb::Logger) | Bit(TVerb::Generator) | Bit(TVerb::Calibrate) | Raw;
    const TVerb v = c.Verb;
    Check(std::isfinite(c.Wait) && c.Wait >= 0 && (c.Wait == 0 || Is(v, NeedsModule)));
    if (c.HelpTopic) Check(v == TVerb::Help && *c.HelpTopic != TVerb::Version && *c.HelpTopic != TVerb::RawWrite);
    if (c.Json) Check(Is(v, Bit(TVerb::List) | Bit(TVerb::Watch) | Bit(TVerb::Measure) | Bit(TVerb::Stats)));
    if (c.Seconds)
        Check(Is(v, Bit(TVerb::Watch) | Bit(TVerb::Record) | Bit(TVerb::Log)) && std::isfinite(*c.Seconds) && *c.Seconds > 0);
    if (c.Count) Check(v == TVerb::Watch && *c.Count >= 1);
    if (c.Module) Check(Is(v, Bit(TVerb::Watch) | Bit(TVerb::Measure)) && *c.Module != TInstrumentKind::Generator);
    Check(c.Directory.empty() || v == TVerb::Record || v == TVerb::Log);
    CheckLog(c);
    CheckMqtt(c);
    const bool readsFiles = v == TVerb::Stats || v == TVerb::Plot;
    Check(c.Files.empty() != readsFiles);
    Check(c.Output.empty() != (v == TVerb::Plot));
    const bool loggerSet = c.EightBit || c.Peak || c.Channel;
    Check(loggerSet == (v == TVerb::Logger));
    if (c.Channel) Check(*c.Channel == 1 || *c.Channel == 2);
    const bool out1Set = c.Out1.FromGenerator || c.Out1.High || c.Out1.Frequency;
    const bool out2Set = c.Out2.FromGenerator || c.Out2.High || c.Out2.Frequency;
    Check((out1Set || out2Set || c.Out3High) == (v == TVerb::Generator));
    Check(!((c.Out1.FromGenerator || c.Out1.Frequency) && (c.Out2.FromGenerator || c.Out2.Frequency)));
    Check(!(c.Out1.FromGenerator == false && c.Out1.Frequency) && !(c.Out2.FromGenerator == false && c.Out2.Frequency));
    CheckOutput(c.Out1, true);
    CheckOutput(c.Out2, false);
    if (v == TVerb::Calibrate) {
        Check(!c.Reference.empty());
        if (c.CalibrateLogger)
            Check(std::isfinite(c.Volts) && c.Volts >= tavik::logger::CalibrationMinimumVolts && c.Hertz == 0);
        else
            Check(c.Hertz >= tavik::freqmeter::MinimumCalibrationHz && c.Volts == 0);
    } else {
        Check(c.Reference.empty() && c.Volts == 0 && c.Hertz == 0);
    }
    if (!Is(v, Raw)) Check(c.Address == 0);
    if (v != TVerb::RawWrite) Check(c.Data == 0);
    if (v != TVerb::Serve) Check(c.Listen == tavik::net::TListenAddress{});  // metrics --listen is its Metrics
    Check(c.IdleSeconds >= 0 && c.IdleSeconds <= 604800 && (c.IdleSeconds == 3600 || v == TVerb::Serve));
    // serve --metrics when given; metrics always, 127.0.0.1:9464 by default.
    Check(v == TVerb::Metrics ? bool(c.Metrics) : (!c.Metrics || v == TVerb::Serve));
}

// As the parser tells an option from a value: "-5" and "-" are values.
bool LooksLikeOption(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    const char second = arg[1];
    return second == '-' || !((second >= '0' && second <= '9') || second == '.' || second == ',');
}

// The options whose values CheckCommand knows, and whether each takes one.
constexpr std::pair<const char*, bool> KnownOptions[] = {
    {"--demo", false},       {"--wait", true},        {"--json", false},       {"--seconds", true},
    {"--count", true},       {"--module", true},      {"--dir", true},         {"--mode", true},
    {"--peak", true},        {"--channel", true},     {"--out1", true},        {"--out1-level", true},
    {"--out1-freq", true},   {"--out2", true},        {"--out2-level", true},  {"--out2-freq", true},
    {"--out3-level", true},  {"--listen", true},      {"--metrics", true},     {"-o", true},
    {"--output", true},      {"--every", true},       {"--rotate", true},      {"--until", true},
    {"--sync", true},        {"--mqtt", true},        {"--mqtt-user", true},   {"--mqtt-password-file", true},
    {"--mqtt-ca", true},     {"--mqtt-topic", true},  {"--idle", true},
};

bool TakesValue(const std::string& name) {
    for (const auto& [option, takesValue] : KnownOptions)
        if (name == option) return takesValue;
    return false;
}

// Each --name=VALUE before "--" as --name VALUE, for an option that takes a
// value and a value the parser would not take for an option.
std::vector<std::string> SplitValues(const std::vector<std::string>& arguments) {
    std::vector<std::string> split;
    bool optionsEnd = false;
    for (const std::string& arg : arguments) {
        optionsEnd = optionsEnd || arg == "--";
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (optionsEnd || equals == std::string::npos || !TakesValue(name) || LooksLikeOption(arg.substr(equals + 1))) {
            split.push_back(arg);
            continue;
        }
        split.push_back(name);
        split.push_back(arg.substr(equals + 1));
    }
    return split;
}

// Longer lines only copy longer strings; the rest of the input is not read.
constexpr std::size_t MaxLength = 128;

}  // namespace

// The reader's options and the ones known here, one for one.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const TOption& option : AllOptions()) {
        bool known = false;
        for (const auto& [name, takesValue] : KnownOptions)
            known = known || (std::string(name) == option.Name && takesValue == option.TakesValue);
        if (!known) {
            std::fprintf(stderr, "fuzz_cli_options: the option %s is not known here\n", option.Name);
            std::abort();
        }
    }
    if (std::size(KnownOptions) != AllOptions().size()) {
        std::fprintf(stderr, "fuzz_cli_options: an option known here is not the reader's\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size = std::min(size, MaxLength);
    std::vector<std::string> arguments;
    const char* text = reinterpret_cast<const char*>(data);
    for (std::size_t start = 0; start <= size;) {
        std::size_t end = start;
        while (end < size && text[end] != '\0') ++end;
        if (end < size || end > start) arguments.emplace_back(text + start, end - start);
        start = end + 1;
    }
    const TParsed parsed = ParseCommandLine(arguments);
    if (parsed.Error.empty()) CheckCommand(parsed.Command);
    Check(ParseCommandLine(arguments) == parsed);

    // --help and --version end the reading before the options are read: the
    // help's topic is the first word naming a command, an option's value too.
    const TParsed split = ParseCommandLine(SplitValues(arguments));
    Check(split.Error.empty() == parsed.Error.empty());
    if (!parsed.Error.empty()) return 0;
    const bool help = parsed.Command.Verb == TVerb::Help || parsed.Command.Verb == TVerb::Version;
    Check(help ? split.Command.Verb == parsed.Command.Verb : split.Command == parsed.Command);
    return 0;
}
