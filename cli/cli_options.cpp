#include "cli_options.h"

#include "common/strict_number.h"

namespace tavik::cli {

const char* const UsageText =
    "usage: tavik-cli COMMAND [OPTIONS]\n"
    "  list [--json]                      the modules present: kind, strings, path, access, factors\n"
    "  watch [--seconds N] [--json]       readings as they come: voltmeter every 500 ms,\n"
    "                                     frequency every 250 ms, and bindings\n"
    "  record [--seconds N] [--dir DIR]   the logger's recording, as the window writes it\n"
    "  logger [--mode 10bit|8bit] [--peak on|off] [--channel 1|2]\n"
    "                                     sends the logger's control report\n"
    "  generator [--out1 gen|pc] [--out1-level 0|1] [--out1-freq F]\n"
    "            [--out2 gen|pc] [--out2-level 0|1] [--out2-freq F] [--out3-level 0|1]\n"
    "                                     sends one control report; F is a label of the\n"
    "                                     output's list (\"8,25E+6\") or hertz (\"1000Hz\")\n"
    "  calibrate logger VOLTS | calibrate freqmeter HZ\n"
    "                                     the window's calibration, factors before and after\n"
    "  raw read ADDR | raw write ADDR DATA\n"
    "                                     the generator's memory, byte by byte\n"
    "  --wait SECONDS                     wait that long for the module to be plugged in\n"
    "Exit status: 0 done, 1 usage error or a calibration refused, 2 module not present,\n"
    "3 I/O or transfer failure.\n";

namespace {

class TReader {
public:
    explicit TReader(const std::vector<std::string>& arguments) : Arguments_(arguments) {}
    bool Done() const { return Next_ >= Arguments_.size(); }
    const std::string& Take() { return Arguments_[Next_++]; }
    bool TakeValue(const std::string& option, std::string& value) {
        if (Done()) {
            Error = option + " needs a value";
            return false;
        }
        value = Take();
        return true;
    }
    std::string Error;

private:
    const std::vector<std::string>& Arguments_;
    std::size_t Next_ = 0;
};

bool Choice(const std::string& value, const char* yes, const char* no, std::optional<bool>& target) {
    if (value == yes) target = true;
    else if (value == no) target = false;
    else return false;
    return true;
}

}  // namespace

TParsed ParseCommandLine(const std::vector<std::string>& arguments) {
    TParsed parsed;
    TCommand& c = parsed.Command;
    TReader in(arguments);
    auto fail = [&](std::string message) {
        parsed.Error = std::move(message);
        return parsed;
    };
    if (in.Done()) return fail("a command is needed (tavik-cli --help lists them)");
    const std::string verb = in.Take();
    std::vector<std::string> positional;
    if (verb == "--help" || verb == "-h" || verb == "help") c.Verb = TVerb::Help;
    else if (verb == "list") c.Verb = TVerb::List;
    else if (verb == "watch") c.Verb = TVerb::Watch;
    else if (verb == "record") c.Verb = TVerb::Record;
    else if (verb == "logger") c.Verb = TVerb::Logger;
    else if (verb == "generator") c.Verb = TVerb::Generator;
    else if (verb == "calibrate") c.Verb = TVerb::Calibrate;
    else if (verb == "raw") c.Verb = TVerb::RawRead;
    else return fail("unknown command " + verb);

    while (!in.Done()) {
        const std::string arg = in.Take();
        std::string value;
        const bool option = arg.size() > 2 && arg.compare(0, 2, "--") == 0;
        if (!option) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--help") {
            c.Verb = TVerb::Help;
            return parsed;
        }
        auto bad = [&] { return fail("bad value for " + arg + ": " + value); };
        const bool listOrWatch = c.Verb == TVerb::List || c.Verb == TVerb::Watch;
        if (arg == "--json" && listOrWatch) {
            c.Json = true;
            continue;
        }
        if (!in.TakeValue(arg, value)) return fail(in.Error);
        if (arg == "--wait" && c.Verb != TVerb::List) {
            const auto seconds = ParseDecimal(value);
            if (!seconds || *seconds < 0) return bad();
            c.Wait = *seconds;
        } else if (arg == "--seconds" && (c.Verb == TVerb::Watch || c.Verb == TVerb::Record)) {
            const auto seconds = ParseDecimal(value);
            if (!seconds || *seconds <= 0) return bad();
            c.Seconds = *seconds;
        } else if (arg == "--dir" && c.Verb == TVerb::Record) {
            c.Directory = value;
        } else if (arg == "--mode" && c.Verb == TVerb::Logger) {
            if (!Choice(value, "8bit", "10bit", c.EightBit)) return bad();
        } else if (arg == "--peak" && c.Verb == TVerb::Logger) {
            if (!Choice(value, "on", "off", c.Peak)) return bad();
        } else if (arg == "--channel" && c.Verb == TVerb::Logger) {
            if (value != "1" && value != "2") return bad();
            c.Channel = value == "1" ? 1 : 2;
        } else if (c.Verb == TVerb::Generator && (arg.rfind("--out1", 0) == 0 || arg.rfind("--out2", 0) == 0)) {
            TOutputOptions& out = arg[5] == '1' ? c.Out1 : c.Out2;
            const std::string field = arg.substr(6);
            if (field.empty()) {
                if (!Choice(value, "gen", "pc", out.FromGenerator)) return bad();
            } else if (field == "-level") {
                if (!Choice(value, "1", "0", out.High)) return bad();
            } else if (field == "-freq") {
                out.Frequency = value;
            } else {
                return fail("unknown option " + arg + " for generator");
            }
        } else if (arg == "--out3-level" && c.Verb == TVerb::Generator) {
            if (!Choice(value, "1", "0", c.Out3High)) return bad();
        } else {
            return fail("unknown option " + arg + " for " + verb);
        }
    }

    const std::size_t wanted = c.Verb == TVerb::Calibrate ? 2 : c.Verb == TVerb::RawRead ? 2 : 0;
    if (c.Verb == TVerb::RawRead && !positional.empty() && positional[0] == "write") {
        c.Verb = TVerb::RawWrite;
        if (positional.size() != 3) return fail("raw write needs ADDR and DATA");
        c.Address = positional[1];
        c.Data = positional[2];
        return parsed;
    }
    if (positional.size() != wanted) {
        if (c.Verb == TVerb::Calibrate) return fail("calibrate needs logger VOLTS or freqmeter HZ");
        if (c.Verb == TVerb::RawRead) return fail("raw needs read ADDR or write ADDR DATA");
        return fail("unexpected argument " + positional[0]);
    }
    if (c.Verb == TVerb::Calibrate) {
        if (positional[0] != "logger" && positional[0] != "freqmeter")
            return fail("calibrate takes logger or freqmeter, not " + positional[0]);
        c.CalibrateLogger = positional[0] == "logger";
        c.Reference = positional[1];
    } else if (c.Verb == TVerb::RawRead) {
        if (positional[0] != "read") return fail("raw needs read ADDR or write ADDR DATA");
        c.Address = positional[1];
    }
    const bool channel1 = c.Out1.FromGenerator || c.Out1.Frequency;
    const bool channel2 = c.Out2.FromGenerator || c.Out2.Frequency;
    if (channel1 && channel2)
        return fail("one report carries one output's source and frequency: give --out1 or --out2 settings, not both");
    return parsed;
}

}  // namespace tavik::cli
