#include "cli_options.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "common/integer_text.h"
#include "common/number_text.h"
#include "common/strict_number.h"
#include "instruments/freqmeter/frequency_meter.h"
#include "instruments/generator/frequency_tables.h"
#include "instruments/logger/logger.h"

namespace tavik::cli {

namespace {

// Command bits, for the options each command takes.
constexpr unsigned Bit(TVerb verb) { return 1u << static_cast<unsigned>(verb); }
constexpr unsigned Raw = Bit(TVerb::RawRead) | Bit(TVerb::RawWrite);
constexpr unsigned NeedsModule = Bit(TVerb::Watch) | Bit(TVerb::Measure) | Bit(TVerb::Record) | Bit(TVerb::Logger) |
                                 Bit(TVerb::Generator) | Bit(TVerb::Calibrate) | Raw;

struct TVerbName {
    const char* Name;
    TVerb Verb;
};
constexpr TVerbName Verbs[] = {
    {"list", TVerb::List},     {"watch", TVerb::Watch},         {"measure", TVerb::Measure},
    {"record", TVerb::Record}, {"logger", TVerb::Logger},       {"generator", TVerb::Generator},
    {"calibrate", TVerb::Calibrate}, {"raw", TVerb::RawRead},   {"help", TVerb::Help},
};

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

struct TOption {
    const char* Name;
    bool TakesValue;
    unsigned Verbs;  // the commands that take it; ~0u: every one
};
constexpr TOption Options[] = {
    {"--demo", false, ~0u},
    {"--wait", true, NeedsModule},
    {"--json", false, Bit(TVerb::List) | Bit(TVerb::Watch) | Bit(TVerb::Measure)},
    {"--seconds", true, Bit(TVerb::Watch) | Bit(TVerb::Record)},
    {"--count", true, Bit(TVerb::Watch)},
    {"--module", true, Bit(TVerb::Watch)},
    {"--dir", true, Bit(TVerb::Record)},
    {"--mode", true, Bit(TVerb::Logger)},
    {"--peak", true, Bit(TVerb::Logger)},
    {"--channel", true, Bit(TVerb::Logger)},
    {"--out1", true, Bit(TVerb::Generator)},
    {"--out1-level", true, Bit(TVerb::Generator)},
    {"--out1-freq", true, Bit(TVerb::Generator)},
    {"--out2", true, Bit(TVerb::Generator)},
    {"--out2-level", true, Bit(TVerb::Generator)},
    {"--out2-freq", true, Bit(TVerb::Generator)},
    {"--out3-level", true, Bit(TVerb::Generator)},
};

const TOption* OptionOf(const std::string& name) {
    for (const TOption& o : Options)
        if (name == o.Name) return &o;
    return nullptr;
}

// "--x", "-x": an option, not a value; "-5" and "-" are values.
bool LooksLikeOption(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    return arg[1] == '-' || !(std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.' || arg[1] == ',');
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }
bool IsVersion(const std::string& arg) { return arg == "--version" || arg == "-V"; }

// A point or a comma, whatever the locale: these values have no thousands.
std::optional<double> DecimalOf(std::string text) {
    if (std::count(text.begin(), text.end(), ',') + std::count(text.begin(), text.end(), '.') > 1) return std::nullopt;
    std::replace(text.begin(), text.end(), ',', '.');
    return ParseDecimal(text);
}

bool Choice(const std::string& value, const char* yes, const char* no, std::optional<bool>& target) {
    if (value == yes) target = true;
    else if (value == no) target = false;
    else return false;
    return true;
}

// Both outputs' lists, built once: the module's clock is fixed, so a
// frequency is checked before any module is looked for.
struct TTables {
    std::unique_ptr<generator::TFreqTable> Out1 = std::make_unique<generator::TFreqTable>();
    std::unique_ptr<generator::TFreqTable> Out2 = std::make_unique<generator::TFreqTable>();
    std::size_t Count1 = generator::BuildFrequencyTable(generator::OUT1Groups(), *Out1, '.');
    std::size_t Count2 = generator::BuildFrequencyTable(generator::OUT2Groups(), *Out2, '.');
};
const TTables& Tables() {
    static const TTables tables;
    return tables;
}

// A typed label matches whichever decimal separator it was typed with.
bool SameLabel(const std::string& typed, const std::string& label) {
    if (typed.size() != label.size()) return false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const bool separators = (typed[i] == '.' || typed[i] == ',') && (label[i] == '.' || label[i] == ',');
        if (typed[i] != label[i] && !separators) return false;
    }
    return true;
}

// An item's label, or hertz for the nearest item.
bool ResolveFrequency(TOutputOptions& out, bool first) {
    const TTables& t = Tables();
    const generator::TFreqTable& table = first ? *t.Out1 : *t.Out2;
    const std::size_t count = first ? t.Count1 : t.Count2;
    const std::string& text = *out.Frequency;
    for (std::size_t i = 0; i < count; ++i)
        if (SameLabel(text, table[i].Text)) {
            out.FreqIndex = static_cast<int>(i);
            return true;
        }
    if (text.size() <= 2 || text.compare(text.size() - 2, 2, "Hz") != 0) return false;
    const auto hertz = DecimalOf(text.substr(0, text.size() - 2));
    if (!hertz || *hertz <= 0) return false;
    std::size_t best = 0;
    for (std::size_t i = 1; i < count; ++i)
        if (std::fabs(table[i].Frequency - *hertz) < std::fabs(table[best].Frequency - *hertz)) best = i;
    out.FreqIndex = static_cast<int>(best);
    out.Nearest = true;
    return true;
}

// The integer test of the window's service fields, then the range the frame
// has room for: nothing is cut to fit.
std::string Byte(const std::string& what, const std::string& text, int32_t maximum, const char* hex) {
    const auto value = ParseInteger(text);
    if (!value) return "raw: " + what + " is not an integer: " + text;
    if (*value < 0 || *value > maximum)
        return "raw: " + what + " must be from 0 to " + std::to_string(maximum) + " (" + hex + "), not " + text;
    return {};
}

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
        if (!verb && option->Verbs != ~0u && name != "--wait") return fail(name + " goes after the command");
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

    for (const auto& [option, value] : given) {
        const std::string name = option->Name;
        const std::string bad = "bad value for " + name + ": '" + value + "'";
        if (name == "--demo") {
            c.Demo = true;
        } else if (name == "--json") {
            c.Json = true;
        } else if (name == "--wait") {
            const auto seconds = DecimalOf(value);
            if (!seconds || *seconds < 0) return fail(bad + " (seconds, such as 30 or 2,5)");
            c.Wait = *seconds;
        } else if (name == "--seconds") {
            const auto seconds = DecimalOf(value);
            if (!seconds || *seconds <= 0) return fail(bad + " (seconds above 0, such as 10 or 2,5)");
            c.Seconds = *seconds;
        } else if (name == "--count") {
            const auto count = ParseWhole(value);
            if (!count || *count < 1) return fail(bad + " (a whole number of readings, 1 or more)");
            c.Count = *count;
        } else if (name == "--module") {
            const auto kind = KindOfName(value);
            if (!kind || *kind == TInstrumentKind::Generator) return fail(bad + " (logger or freqmeter)");
            c.Module = kind;
        } else if (name == "--dir") {
            if (value.empty()) return fail(bad + " (a folder)");
            c.Directory = value;
        } else if (name == "--mode") {
            if (!Choice(value, "8bit", "10bit", c.EightBit)) return fail(bad + " (10bit or 8bit)");
        } else if (name == "--peak") {
            if (!Choice(value, "on", "off", c.Peak)) return fail(bad + " (on or off)");
        } else if (name == "--channel") {
            if (value != "1" && value != "2") return fail(bad + " (1 or 2)");
            c.Channel = value == "1" ? 1 : 2;
        } else if (name == "--out3-level") {
            if (!Choice(value, "1", "0", c.Out3High)) return fail(bad + " (0 or 1)");
        } else {
            const bool first = name[5] == '1';
            TOutputOptions& out = first ? c.Out1 : c.Out2;
            const std::string field = name.substr(6);
            if (field.empty()) {
                if (!Choice(value, "gen", "pc", out.FromGenerator)) return fail(bad + " (gen or pc)");
            } else if (field == "-level") {
                if (!Choice(value, "1", "0", out.High)) return fail(bad + " (0 or 1)");
            } else {
                out.Frequency = value;
                out.FreqIndex = -1;
                out.Nearest = false;
                if (!ResolveFrequency(out, first))
                    return fail(bad + " (a label of the output's list, such as 8,25E+6, or hertz, such as 1000Hz)");
            }
        }
    }
    if (c.Wait > 0 && !(Bit(c.Verb) & NeedsModule)) return fail(std::string(NameOf(c.Verb)) + " takes no --wait option");

    auto expect = [&](std::size_t count, const char* usage) {
        return positional.size() == count ? std::string() : std::string(usage);
    };
    std::string wrong;
    switch (c.Verb) {
    case TVerb::Help:
        if (positional.size() > 1) return fail("help takes one command");
        if (!positional.empty()) {
            c.HelpTopic = VerbOf(positional[0]);
            if (!c.HelpTopic) return fail("unknown command " + positional[0] + " (tavik-cli --help lists the commands)");
        }
        return parsed;
    case TVerb::Measure:
        if (positional.size() > 1) return fail("measure takes one module: logger or freqmeter");
        if (!positional.empty()) {
            c.Module = KindOfName(positional[0]);
            if (!c.Module || *c.Module == TInstrumentKind::Generator)
                return fail("measure takes logger or freqmeter, not " + positional[0]);
        }
        return parsed;
    case TVerb::Calibrate: {
        if ((wrong = expect(2, "calibrate needs logger VOLTS or freqmeter HZ")).size()) return fail(wrong);
        const auto kind = KindOfName(positional[0]);
        if (!kind || *kind == TInstrumentKind::Generator)
            return fail("calibrate takes logger or freqmeter, not " + positional[0]);
        c.CalibrateLogger = *kind == TInstrumentKind::Logger;
        c.Reference = positional[1];
        if (c.CalibrateLogger) {
            const char separator = c.Reference.find(',') != std::string::npos ? ',' : '.';
            const auto volts = ParseLocaleFloat(c.Reference, separator);
            if (!volts || c.Reference.find(separator == ',' ? '.' : ',') != std::string::npos)
                return fail("calibrate logger: not a voltage: " + c.Reference + " (such as 5,0 or 5.0)");
            if (*volts < logger::CalibrationMinimumVolts)
                return fail(std::string("calibrate logger: the reference is below 1") + separator + "5 V");
            c.Volts = *volts;
        } else {
            const auto hertz = ParseInteger(c.Reference);
            if (!hertz) return fail("calibrate freqmeter: not a whole number of hertz: " + c.Reference);
            if (*hertz < freqmeter::MinimumCalibrationHz)
                return fail("calibrate freqmeter: the reference is below " +
                            std::to_string(freqmeter::MinimumCalibrationHz) + " Hz");
            c.Hertz = *hertz;
        }
        return parsed;
    }
    case TVerb::RawRead:
    case TVerb::RawWrite: {
        const char* usage = "raw needs read ADDR or write ADDR DATA";
        if (positional.empty() || (positional[0] != "read" && positional[0] != "write")) return fail(usage);
        const bool write = positional[0] == "write";
        if ((wrong = expect(write ? 3 : 2, write ? "raw write needs ADDR and DATA" : "raw read needs ADDR")).size())
            return fail(wrong);
        c.Verb = write ? TVerb::RawWrite : TVerb::RawRead;
        c.Address = positional[1];
        if ((wrong = Byte("ADDR", c.Address, 0xFFFF, "$FFFF")).size()) return fail(wrong);
        if (write) {
            c.Data = positional[2];
            if ((wrong = Byte("DATA", c.Data, 0xFF, "$FF")).size()) return fail(wrong);
        }
        return parsed;
    }
    default: break;
    }
    if (!positional.empty()) return fail("unexpected argument " + positional[0] + " for " + NameOf(c.Verb));
    if (c.Verb == TVerb::Logger && !c.EightBit && !c.Peak && !c.Channel)
        return fail("logger needs --mode, --peak or --channel: each call sets all three (tavik-cli help logger)");
    if (c.Verb == TVerb::Generator) {
        const bool none = !c.Out1.FromGenerator && !c.Out1.High && !c.Out1.Frequency && !c.Out2.FromGenerator &&
                          !c.Out2.High && !c.Out2.Frequency && !c.Out3High;
        if (none) return fail("generator needs an output's setting: each call sets every output (tavik-cli help generator)");
        const bool channel1 = c.Out1.FromGenerator || c.Out1.Frequency;
        const bool channel2 = c.Out2.FromGenerator || c.Out2.Frequency;
        if (channel1 && channel2)
            return fail("one report carries one output's source and frequency: give --out1 or --out2 settings, not both");
    }
    return parsed;
}

std::string CheckFolders(const TCommand& command) {
    if (command.Verb != TVerb::Record || command.Directory.empty()) return {};
    std::error_code error;
    // From UTF-8: on Windows a narrow path is taken in the ANSI code page.
    const std::u8string folder(command.Directory.begin(), command.Directory.end());
    if (!std::filesystem::is_directory(std::filesystem::path(folder), error))
        return "record --dir: no folder " + command.Directory;
    return {};
}

}  // namespace tavik::cli
