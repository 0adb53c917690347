#include "sim_command.h"

#include <sstream>

#include "common/strict_number.h"

namespace tavik::sim {

namespace {
TSimCommand Refused(std::string message) {
    TSimCommand command;
    command.Verb = TSimCommand::TVerb::Error;
    command.Error = std::move(message);
    return command;
}
}  // namespace

TSimCommand ParseSimCommand(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::string verb, argument, extra;
    in >> verb >> argument >> extra;
    TSimCommand command;
    if (verb.empty()) return command;
    if (!extra.empty()) return Refused("too many words: " + std::string(line));
    if (verb == "quit" && argument.empty()) {
        command.Verb = TSimCommand::TVerb::Quit;
    } else if (verb == "plug" || verb == "unplug") {
        if (argument.empty()) return Refused(verb + " needs a module: logger, generator or meter, with a number for the second");
        command.Verb = verb == "plug" ? TSimCommand::TVerb::Plug : TSimCommand::TVerb::Unplug;
        command.Module = argument;
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
        return Refused("unknown command '" + verb + "' (unplug, plug, count, in, quit)");
    }
    return command;
}

}  // namespace tavik::sim
