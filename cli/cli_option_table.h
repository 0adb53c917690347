#pragma once
// tavik-cli's words: its commands and the options each takes, with what an
// option's value must be. One row an option; the command line reader knows
// none of them by name.
#include <optional>
#include <span>
#include <string>

#include "cli_options.h"

namespace tavik::cli {

// Command bits, for the options each command takes.
constexpr unsigned Bit(TVerb verb) { return 1u << static_cast<unsigned>(verb); }
constexpr unsigned RawVerbs = Bit(TVerb::RawRead) | Bit(TVerb::RawWrite);
constexpr unsigned NeedsModule = Bit(TVerb::Watch) | Bit(TVerb::Measure) | Bit(TVerb::Record) | Bit(TVerb::Logger) |
                                 Bit(TVerb::Generator) | Bit(TVerb::Calibrate) | RawVerbs;
constexpr unsigned EveryVerb = ~0u;

struct TOption {
    const char* Name;
    bool TakesValue;
    unsigned Verbs;  // the commands that take it
    // Stores the value in the command; on a bad one, what a good one looks
    // like, and nothing is stored.
    std::optional<std::string> (*Apply)(TCommand& command, const std::string& value);
};

const TOption* OptionOf(const std::string& name);
// Every option, in the table's order.
std::span<const TOption> AllOptions();
std::optional<TVerb> VerbOf(const std::string& name);
// The command's name as typed ("raw" for both raw commands).
const char* NameOf(TVerb verb);

}  // namespace tavik::cli
