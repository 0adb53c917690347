#include "cli_option_table.h"

#include <algorithm>
#include <cctype>

#include "cli_values.h"
#include "common/strict_number.h"

namespace tavik::cli {

namespace {

using TResult = std::optional<std::string>;
const TResult Good;

TResult Demo(TCommand& c, const std::string&) { return c.Demo = true, Good; }
TResult Json(TCommand& c, const std::string&) { return c.Json = true, Good; }

TResult Wait(TCommand& c, const std::string& value) {
    const auto seconds = DecimalOf(value);
    if (!seconds || *seconds < 0) return "seconds, such as 30 or 2,5";
    return c.Wait = *seconds, Good;
}

TResult Seconds(TCommand& c, const std::string& value) {
    const auto seconds = DecimalOf(value);
    if (!seconds || *seconds <= 0) return "seconds above 0, such as 10 or 2,5";
    return c.Seconds = *seconds, Good;
}

TResult Count(TCommand& c, const std::string& value) {
    const auto count = ParseWhole(value);
    if (!count || *count < 1) return "a whole number of readings, 1 or more";
    return c.Count = *count, Good;
}

TResult Module(TCommand& c, const std::string& value) {
    const auto kind = KindOfName(value);
    if (!kind || *kind == TInstrumentKind::Generator) return "logger or freqmeter";
    return c.Module = kind, Good;
}

TResult Dir(TCommand& c, const std::string& value) {
    if (value.empty()) return "a folder";
    return c.Directory = value, Good;
}

TResult Every(TCommand& c, const std::string& value) {
    const auto seconds = DecimalOf(value);
    if (!seconds || *seconds < 0.05 || *seconds > 86400) return "seconds from 0,05 to 86400, such as 10";
    return c.Every = *seconds, Good;
}

// daily, hourly, or a size in bytes with an optional K, M or G (1024s).
TResult Rotate(TCommand& c, const std::string& value) {
    constexpr const char* Want = "daily, hourly or a size such as 100M (at least 64K)";
    if (value == "daily" || value == "hourly") return c.Rotate = value, c.RotateBytes = 0, Good;
    if (value.empty()) return Want;
    long long unit = 1;
    std::string digits = value;
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(value.back())));
    if (last == 'K' || last == 'M' || last == 'G') {
        unit = last == 'K' ? 1024LL : last == 'M' ? 1024LL * 1024 : 1024LL * 1024 * 1024;
        digits.pop_back();
    }
    const auto count = ParseWhole(digits);
    if (!count || *count < 1 || *count > (1LL << 50) / unit || *count * unit < 65536) return Want;
    return c.Rotate = value, c.RotateBytes = *count * unit, Good;
}

TResult Until(TCommand& c, const std::string& value) {
    c.Until = ParseUntil(value);
    return c.Until ? Good : TResult("a local time such as 18:30 or 2026-12-24T08:00:00");
}

TResult Sync(TCommand& c, const std::string& value) {
    const auto seconds = DecimalOf(value);
    if (!seconds || *seconds < 0.25 || *seconds > 3600) return "seconds from 0,25 to 3600, such as 5";
    return c.SyncSeconds = *seconds, Good;
}

TResult Idle(TCommand& c, const std::string& value) {
    const auto seconds = ParseWhole(value);
    if (!seconds || *seconds < 0 || *seconds > 604800) return "whole seconds from 0 (never) to 604800, such as 3600";
    return c.IdleSeconds = static_cast<int>(*seconds), Good;
}

TResult Output(TCommand& c, const std::string& value) {
    if (value.empty()) return "a file name";
    return c.Output = value, Good;
}

TResult Mode(TCommand& c, const std::string& value) {
    return Choice(value, "8bit", "10bit", c.EightBit) ? Good : "10bit or 8bit";
}
TResult Peak(TCommand& c, const std::string& value) { return Choice(value, "on", "off", c.Peak) ? Good : "on or off"; }

TResult Channel(TCommand& c, const std::string& value) {
    if (value != "1" && value != "2") return "1 or 2";
    return c.Channel = value == "1" ? 1 : 2, Good;
}

TResult Out3Level(TCommand& c, const std::string& value) {
    return Choice(value, "1", "0", c.Out3High) ? Good : "0 or 1";
}

template <int Output>
TOutputOptions& Out(TCommand& c) { return Output == 1 ? c.Out1 : c.Out2; }

template <int Output>
TResult Source(TCommand& c, const std::string& value) {
    return Choice(value, "gen", "pc", Out<Output>(c).FromGenerator) ? Good : "gen or pc";
}

template <int Output>
TResult Level(TCommand& c, const std::string& value) {
    return Choice(value, "1", "0", Out<Output>(c).High) ? Good : "0 or 1";
}

template <int Output>
TResult Frequency(TCommand& c, const std::string& value) {
    TOutputOptions& out = Out<Output>(c);
    out.Frequency = value;
    out.FreqIndex = -1;
    out.Nearest = false;
    if (!ResolveFrequency(out, Output)) return "a label of the output's list, such as 8,25E+6, or hertz, such as 1000Hz";
    return Good;
}

// The command is known when options are applied: metrics --listen is the
// metrics endpoint's address.
TResult Listen(TCommand& c, const std::string& value) {
    const auto address = net::ParseListenAddress(value);
    if (!address) {
        if (c.Verb == TVerb::Metrics) return "an IPv4 address and a port, such as 127.0.0.1:9464 or 0.0.0.0:9464";
        return "an IPv4 address and a port, such as 127.0.0.1:5025 or 0.0.0.0:5025";
    }
    if (c.Verb == TVerb::Metrics)
        c.Metrics = *address;
    else
        c.Listen = *address;
    return Good;
}

TResult Metrics(TCommand& c, const std::string& value) {
    const auto address = net::ParseListenAddress(value);
    if (!address) return "an IPv4 address and a port, such as 127.0.0.1:9464 or 0.0.0.0:9464";
    return c.Metrics = *address, Good;
}

TResult Mqtt(TCommand& c, const std::string& value) {
    const auto broker = net::ParseBrokerUrl(value);
    if (!broker) return "a broker such as mqtt://localhost, mqtt://10.0.0.5:1883 or mqtts://broker.lab:8883";
    return c.Mqtt = *broker, Good;
}

TResult MqttUser(TCommand& c, const std::string& value) {
    if (value.empty()) return "a user name";
    return c.MqttUser = value, Good;
}

TResult MqttPasswordFile(TCommand& c, const std::string& value) {
    if (value.empty()) return "a file whose first line is the password";
    return c.MqttPasswordFile = value, Good;
}

TResult MqttCa(TCommand& c, const std::string& value) {
    if (value.empty()) return "a file of CA certificates (PEM)";
    return c.MqttCa = value, Good;
}

// Levels of anything but MQTT's wildcards, none empty, not a broker's $ topic.
TResult MqttTopic(TCommand& c, const std::string& value) {
    constexpr const char* Want = "a topic such as tavik/bench3: no +, # or empty level, not starting with $";
    if (value.empty() || value.size() > 200 || value.front() == '$' || value.front() == '/' || value.back() == '/' ||
        value.find("//") != std::string::npos || value.find_first_of(std::string("+#\0", 3)) != std::string::npos)
        return Want;
    return c.MqttTopic = value, Good;
}

constexpr unsigned Generator = Bit(TVerb::Generator);
constexpr unsigned Publishing = Bit(TVerb::Serve) | Bit(TVerb::Publish);
constexpr TOption Options[] = {
    {"--demo", false, EveryVerb, Demo},
    {"--wait", true, NeedsModule, Wait},
    {"--json", false, Bit(TVerb::List) | Bit(TVerb::Watch) | Bit(TVerb::Measure) | Bit(TVerb::Stats), Json},
    {"-o", true, Bit(TVerb::Plot), Output},
    {"--output", true, Bit(TVerb::Plot), Output},
    {"--seconds", true, Bit(TVerb::Watch) | Bit(TVerb::Record) | Bit(TVerb::Log), Seconds},
    {"--count", true, Bit(TVerb::Watch), Count},
    {"--module", true, Bit(TVerb::Watch), Module},
    {"--dir", true, Bit(TVerb::Record) | Bit(TVerb::Log), Dir},
    {"--every", true, Bit(TVerb::Log) | Publishing, Every},
    {"--rotate", true, Bit(TVerb::Log), Rotate},
    {"--until", true, Bit(TVerb::Log), Until},
    {"--sync", true, Bit(TVerb::Log), Sync},
    {"--mode", true, Bit(TVerb::Logger), Mode},
    {"--peak", true, Bit(TVerb::Logger), Peak},
    {"--channel", true, Bit(TVerb::Logger), Channel},
    {"--out1", true, Generator, Source<1>},
    {"--out1-level", true, Generator, Level<1>},
    {"--out1-freq", true, Generator, Frequency<1>},
    {"--out2", true, Generator, Source<2>},
    {"--out2-level", true, Generator, Level<2>},
    {"--out2-freq", true, Generator, Frequency<2>},
    {"--out3-level", true, Generator, Out3Level},
    {"--listen", true, Bit(TVerb::Serve) | Bit(TVerb::Metrics), Listen},
    {"--metrics", true, Bit(TVerb::Serve), Metrics},
    {"--idle", true, Bit(TVerb::Serve), Idle},
    {"--mqtt", true, Publishing, Mqtt},
    {"--mqtt-user", true, Publishing, MqttUser},
    {"--mqtt-password-file", true, Publishing, MqttPasswordFile},
    {"--mqtt-ca", true, Publishing, MqttCa},
    {"--mqtt-topic", true, Publishing, MqttTopic},
};

struct TVerbName {
    const char* Name;
    TVerb Verb;
};
constexpr TVerbName Verbs[] = {
    {"list", TVerb::List},     {"watch", TVerb::Watch},         {"measure", TVerb::Measure},
    {"record", TVerb::Record}, {"logger", TVerb::Logger},       {"generator", TVerb::Generator},
    {"calibrate", TVerb::Calibrate}, {"raw", TVerb::RawRead},   {"serve", TVerb::Serve},
    {"log", TVerb::Log},       {"stats", TVerb::Stats},         {"plot", TVerb::Plot},
    {"metrics", TVerb::Metrics}, {"publish", TVerb::Publish},   {"help", TVerb::Help},
};

}  // namespace

std::span<const TOption> AllOptions() { return Options; }

const TOption* OptionOf(const std::string& name) {
    const auto found = std::find_if(std::begin(Options), std::end(Options), [&](const TOption& o) { return name == o.Name; });
    return found == std::end(Options) ? nullptr : found;
}

std::optional<TVerb> VerbOf(const std::string& name) {
    for (const TVerbName& v : Verbs)
        if (name == v.Name) return v.Verb;
    return std::nullopt;
}

const char* NameOf(TVerb verb) {
    if (verb == TVerb::RawWrite) verb = TVerb::RawRead;
    for (const TVerbName& v : Verbs)
        if (v.Verb == verb) return v.Name;
    return "tavik-cli";
}

}  // namespace tavik::cli
