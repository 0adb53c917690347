#include "cli_options.h"

#include <filesystem>

#include "cli_option_table.h"
#include "cli_values.h"
#include "common/integer_text.h"
#include "common/number_text.h"
#include "metrics/metrics_server.h"
#include "instruments/freqmeter/frequency_meter.h"
#include "instruments/logger/logger.h"

namespace tavik::cli {

namespace {

using TError = std::optional<std::string>;

// "--x", "-x": an option, not a value; "-5" and "-" are values.
bool LooksLikeOption(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    return arg[1] == '-' || !(std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.' || arg[1] == ',');
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }
bool IsVersion(const std::string& arg) { return arg == "--version" || arg == "-V"; }

// The help topic a line asks for: its command, if it names one.
std::optional<TVerb> TopicOf(const std::vector<std::string>& arguments) {
    for (const std::string& arg : arguments) {
        if (arg == "--") break;
        if (arg[0] == '-') continue;
        const auto verb = VerbOf(arg);
        if (verb && *verb != TVerb::Help) return verb;
    }
    return std::nullopt;
}

TError Calibration(TCommand& c, const std::vector<std::string>& positional) {
    if (positional.size() != 2) return "calibrate needs logger VOLTS or freqmeter HZ";
    const auto kind = KindOfName(positional[0]);
    if (!kind || *kind == TInstrumentKind::Generator) return "calibrate takes logger or freqmeter, not " + positional[0];
    c.CalibrateLogger = *kind == TInstrumentKind::Logger;
    c.Reference = positional[1];
    if (c.CalibrateLogger) {
        const char separator = c.Reference.find(',') != std::string::npos ? ',' : '.';
        const auto volts = ParseLocaleFloat(c.Reference, separator);
        if (!volts || c.Reference.find(separator == ',' ? '.' : ',') != std::string::npos)
            return "calibrate logger: not a voltage: " + c.Reference + " (such as 5,0 or 5.0)";
        if (*volts < logger::CalibrationMinimumVolts)
            return "calibrate logger: the reference is below " + FixedText(logger::CalibrationMinimumVolts, 2, 1, separator) +
                   " V";
        c.Volts = *volts;
        return std::nullopt;
    }
    const auto hertz = ParseInteger(c.Reference);
    if (!hertz) return "calibrate freqmeter: not a whole number of hertz: " + c.Reference;
    if (*hertz < freqmeter::MinimumCalibrationHz)
        return "calibrate freqmeter: the reference is below " + std::to_string(freqmeter::MinimumCalibrationHz) + " Hz";
    c.Hertz = *hertz;
    return std::nullopt;
}

TError RawAccess(TCommand& c, const std::vector<std::string>& positional) {
    if (positional.empty() || (positional[0] != "read" && positional[0] != "write"))
        return "raw needs read ADDR or write ADDR DATA";
    const bool write = positional[0] == "write";
    if (positional.size() != (write ? 3u : 2u)) return write ? "raw write needs ADDR and DATA" : "raw read needs ADDR";
    c.Verb = write ? TVerb::RawWrite : TVerb::RawRead;
    int32_t value = 0;
    if (TError error = RawOperand("ADDR", positional[1], 0xFFFF, "$FFFF", value)) return error;
    c.Address = static_cast<uint16_t>(value);
    if (!write) return std::nullopt;
    if (TError error = RawOperand("DATA", positional[2], 0xFF, "$FF", value)) return error;
    c.Data = static_cast<uint8_t>(value);
    return std::nullopt;
}

// MQTT's options go with a broker, a password with a user, a CA with TLS;
// readings go out once a second unless asked otherwise.
TError Publishing(TCommand& c) {
    if (c.Verb == TVerb::Publish && !c.Mqtt) return "publish needs --mqtt mqtt://HOST[:PORT]";
    if (!c.Mqtt) {
        if (!c.MqttUser.empty() || !c.MqttPasswordFile.empty() || !c.MqttCa.empty() || !c.MqttTopic.empty())
            return "--mqtt-user, --mqtt-password-file, --mqtt-ca and --mqtt-topic go with --mqtt";
        if (c.Verb == TVerb::Serve && c.Every > 0) return "serve takes --every with --mqtt";
        return std::nullopt;
    }
    if (!c.MqttPasswordFile.empty() && c.MqttUser.empty()) return "--mqtt-password-file goes with --mqtt-user";
    if (!c.MqttCa.empty() && !c.Mqtt->Tls) return "--mqtt-ca goes with an mqtts:// broker";
    if (c.Every == 0) c.Every = 1;
    return std::nullopt;
}

// What the command's words after its name say, and what its options must say
// together.
TError Arguments(TCommand& c, const std::vector<std::string>& positional) {
    switch (c.Verb) {
    case TVerb::Help:
        if (positional.size() > 1) return "help takes one command";
        if (!positional.empty()) {
            c.HelpTopic = VerbOf(positional[0]);
            if (!c.HelpTopic) return "unknown command " + positional[0] + " (tavik-cli --help lists the commands)";
        }
        return std::nullopt;
    case TVerb::Measure:
        if (positional.size() > 1) return "measure takes one module: logger or freqmeter";
        if (!positional.empty()) {
            c.Module = KindOfName(positional[0]);
            if (!c.Module || *c.Module == TInstrumentKind::Generator)
                return "measure takes logger or freqmeter, not " + positional[0];
        }
        return std::nullopt;
    case TVerb::Calibrate: return Calibration(c, positional);
    case TVerb::Stats:
    case TVerb::Plot:
        if (positional.empty()) return std::string(NameOf(c.Verb)) + " needs a recording's FILE";
        if (c.Verb == TVerb::Plot && c.Output.empty()) return "plot needs -o FILE.svg";
        c.Files = positional;
        return std::nullopt;
    case TVerb::Metrics:
        if (!c.Metrics) c.Metrics = net::TListenAddress{{127, 0, 0, 1}, metrics::DefaultMetricsPort};
        break;
    case TVerb::RawRead:
    case TVerb::RawWrite: return RawAccess(c, positional);
    default: break;
    }
    if (TError error = Publishing(c)) return error;
    if (!positional.empty()) return "unexpected argument " + positional[0] + " for " + NameOf(c.Verb);
    if (c.Verb == TVerb::Log && c.Seconds && c.Until) return "log takes --seconds or --until, not both";
    if (c.Verb == TVerb::Logger && !c.EightBit && !c.Peak && !c.Channel)
        return "logger needs --mode, --peak or --channel: each call sets all three (tavik-cli help logger)";
    if (c.Verb != TVerb::Generator) return std::nullopt;
    const bool none = !c.Out1.FromGenerator && !c.Out1.High && !c.Out1.Frequency && !c.Out2.FromGenerator &&
                      !c.Out2.High && !c.Out2.Frequency && !c.Out3High;
    if (none) return "generator needs an output's setting: each call sets every output (tavik-cli help generator)";
    if ((c.Out1.FromGenerator || c.Out1.Frequency) && (c.Out2.FromGenerator || c.Out2.Frequency))
        return "one report carries one output's source and frequency: give --out1 or --out2 settings, not both";
    // An output the PC drives keeps the frequency bytes it has: a frequency
    // given with it would never be sent.
    for (const auto& [name, out] : {std::pair{"--out1", &c.Out1}, std::pair{"--out2", &c.Out2}})
        if (out->FromGenerator == false && out->Frequency)
            return std::string(name) + " pc takes no frequency: " + name + "-freq goes with " + name + " gen";
    return std::nullopt;
}

}  // namespace

TParsed ParseCommandLine(const std::vector<std::string>& arguments) {
    TParsed parsed;
    TCommand& c = parsed.Command;
    auto fail = [&](std::string message) {
        parsed.Error = std::move(message);
        return parsed;
    };
    // --help and --version win over everything else on the line.
    for (const std::string& arg : arguments) {
        if (arg == "--") break;
        if (IsVersion(arg)) {
            c.Verb = TVerb::Version;
            return parsed;
        }
        if (IsHelp(arg)) {
            c.Verb = TVerb::Help;
            c.HelpTopic = TopicOf(arguments);
            return parsed;
        }
    }

    std::optional<TVerb> verb;
    std::vector<std::string> positional;
    std::vector<std::pair<const TOption*, std::string>> given;
    bool optionsEnd = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (optionsEnd || !LooksLikeOption(arg)) {
            if (!verb) {
                verb = VerbOf(arg);
                if (!verb) return fail("unknown command " + arg + " (tavik-cli --help lists the commands)");
            } else {
                positional.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const TOption* option = OptionOf(name);
        const std::string where = verb ? std::string(NameOf(*verb)) : "tavik-cli";
        const std::string helpHint = verb ? " (tavik-cli help " + where + " lists its options)" : " (tavik-cli --help)";
        if (!option) return fail("unknown option " + name + helpHint);
        if (!verb && option->Verbs != EveryVerb && name != "--wait") return fail(name + " goes after the command");
        if (verb && !(option->Verbs & Bit(*verb))) return fail(where + " takes no " + name + " option" + helpHint);
        std::string value;
        if (!option->TakesValue) {
            if (equals != std::string::npos) return fail(name + " takes no value");
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < arguments.size() && !LooksLikeOption(arguments[i + 1])) {
            value = arguments[++i];
        } else {
            if (i + 1 < arguments.size())
                return fail(name + " needs a value, not the option " + arguments[i + 1] + " (" + name + "=VALUE takes any)");
            return fail(name + " needs a value");
        }
        given.emplace_back(option, value);
    }
    if (!verb) return fail("a command is needed (tavik-cli --help lists them)");
    c.Verb = *verb;

    for (const auto& [option, value] : given)
        if (const auto good = option->Apply(c, value))
            return fail("bad value for " + std::string(option->Name) + ": '" + value + "' (" + *good + ")");
    if (c.Wait > 0 && !(Bit(c.Verb) & NeedsModule)) return fail(std::string(NameOf(c.Verb)) + " takes no --wait option");
    if (TError error = Arguments(c, positional)) return fail(std::move(*error));
    return parsed;
}

std::string CheckFolders(const TCommand& command) {
    if ((command.Verb != TVerb::Record && command.Verb != TVerb::Log) || command.Directory.empty()) return {};
    std::error_code error;
    // From UTF-8: on Windows a narrow path is taken in the ANSI code page.
    const std::u8string folder(command.Directory.begin(), command.Directory.end());
    if (!std::filesystem::is_directory(std::filesystem::path(folder), error))
        return std::string(NameOf(command.Verb)) + " --dir: no folder " + command.Directory;
    return {};
}

}  // namespace tavik::cli
