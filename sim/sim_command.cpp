#include "sim_command.h"

#include <array>
#include <sstream>

#include "common/strict_number.h"
#include "device/instrument_identity.h"

namespace tavik::sim {

namespace {
using TVerb = TSimCommand::TVerb;

constexpr std::array Verbs{
    TSimVerb{"unplug", TVerb::Unplug, "KIND[N]"}, TSimVerb{"plug", TVerb::Plug, "KIND[N]"},
    TSimVerb{"count", TVerb::Count, "HZ"},        TSimVerb{"in", TVerb::In, "0|1"},
    TSimVerb{"late", TVerb::Late, "KIND[N] MS"},  TSimVerb{"hang", TVerb::Hang, "KIND[N]"},
    TSimVerb{"answer", TVerb::Answer, "KIND[N]"}, TSimVerb{"quit", TVerb::Quit, ""},
};

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
    command.Verb = TVerb::Error;
    command.Error = std::move(message);
    return command;
}

std::string VerbList() {
    std::string list;
    for (const TSimVerb& verb : Verbs) list += (list.empty() ? "" : ", ") + std::string(verb.Name);
    return list;
}
}  // namespace

std::span<const TSimVerb> SimVerbs() { return Verbs; }

TSimCommand ParseSimCommand(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::string word, argument, value, extra;
    in >> word >> argument >> value >> extra;
    TSimCommand command;
    if (word.empty()) return command;
    const TSimVerb* verb = nullptr;
    for (const TSimVerb& known : Verbs)
        if (word == known.Name) verb = &known;
    if (!verb) return Refused("unknown command '" + word + "' (" + VerbList() + ")");
    if (!extra.empty() || (!value.empty() && verb->Verb != TVerb::Late)) return Refused("too many words: " + std::string(line));
    switch (verb->Verb) {
    case TVerb::Quit:
        if (!argument.empty()) return Refused("too many words: " + std::string(line));
        break;
    case TVerb::Plug:
    case TVerb::Unplug:
    case TVerb::Hang:
    case TVerb::Answer:
    case TVerb::Late: {
        const char* kinds = "logger, generator or freqmeter (meter), with a number for the second";
        if (argument.empty()) return Refused(word + " needs a module: " + kinds);
        command.Module = ModuleName(argument);
        if (command.Module.empty()) return Refused("no module '" + argument + "': " + kinds);
        if (verb->Verb == TVerb::Late) {
            // Up to MaxLateMs is late, not lost.
            const auto ms = ParseWhole(value);
            if (!ms || *ms < 0 || *ms > MaxLateMs)
                return Refused("late needs a module and 0 to " + std::to_string(MaxLateMs) + " ms, not '" + value + "'");
            command.LateMs = static_cast<int>(*ms);
        }
        break;
    }
    case TVerb::Count: {
        const auto count = ParseWhole(argument);
        if (!count || *count < INT32_MIN || *count > INT32_MAX)
            return Refused("count needs a whole number of hertz, not '" + argument + "'");
        command.Count = static_cast<int32_t>(*count);
        break;
    }
    case TVerb::In:
        if (argument != "0" && argument != "1") return Refused("in needs 0 or 1, not '" + argument + "'");
        command.InputIn = argument == "1";
        break;
    case TVerb::None:
    case TVerb::Error:
        return Refused("unknown command '" + word + "' (" + VerbList() + ")");
    }
    command.Verb = verb->Verb;
    return command;
}

}  // namespace tavik::sim
