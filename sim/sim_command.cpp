#include "sim_command.h"

#include <sstream>

#include "common/strict_number.h"
#include "device/instrument_identity.h"

namespace tavik::sim {

namespace {
// "meter2" as "freqmeter2": one name printed, both taken.
std::string ModuleName(const std::string& argument) {
    const std::size_t digits = argument.find_first_of("0123456789");
    const auto kind = KindOfName(std::string_view(argument).substr(0, digits));
    if (!kind) return {};
    const std::string number = digits == std::string::npos ? "" : argument.substr(digits);
    if (!number.empty() && (number[0] == '0' || number.find_first_not_of("0123456789") != std::string::npos)) return {};
    return InfoOf(*kind).Name + number;
}

TSimCommand Refused(std::string message) {
    TSimCommand command;
    command.Verb = TSimCommand::TVerb::Error;
    command.Error = std::move(message);
    return command;
}
}  // namespace

TSimCommand ParseSimCommand(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::string verb, argument, value, extra;
    in >> verb >> argument >> value >> extra;
    TSimCommand command;
    if (verb.empty()) return command;
    if (!extra.empty() || (!value.empty() && verb != "late")) return Refused("too many words: " + std::string(line));
    if (verb == "quit" && argument.empty()) {
        command.Verb = TSimCommand::TVerb::Quit;
    } else if (verb == "plug" || verb == "unplug" || verb == "late") {
        const char* kinds = "logger, generator or freqmeter (meter), with a number for the second";
        if (argument.empty()) return Refused(verb + " needs a module: " + kinds);
        command.Module = ModuleName(argument);
        if (command.Module.empty()) return Refused("no module '" + argument + "': " + kinds);
        command.Verb = verb == "plug" ? TSimCommand::TVerb::Plug : TSimCommand::TVerb::Unplug;
        if (verb == "late") {
            // The host gives up on a request after 5 s: up to 4 s is late, not lost.
            const auto ms = ParseWhole(value);
            if (!ms || *ms < 0 || *ms > 4000) return Refused("late needs a module and 0 to 4000 ms, not '" + value + "'");
            command.Verb = TSimCommand::TVerb::Late;
            command.LateMs = static_cast<int>(*ms);
        }
    } else if (verb == "count") {
        const auto count = ParseWhole(argument);
        if (!count || *count < INT32_MIN || *count > INT32_MAX)
            return Refused("count needs a whole number of hertz, not '" + argument + "'");
        command.Verb = TSimCommand::TVerb::Count;
        command.Count = static_cast<int32_t>(*count);
    } else if (verb == "in") {
        if (argument != "0" && argument != "1") return Refused("in needs 0 or 1, not '" + argument + "'");
        command.Verb = TSimCommand::TVerb::In;
        command.InputIn = argument == "1";
    } else {
        return Refused("unknown command '" + verb + "' (unplug, plug, count, in, late, quit)");
    }
    return command;
}

}  // namespace tavik::sim
