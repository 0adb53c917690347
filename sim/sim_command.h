#pragma once
// The lines tavik-sim reads on its standard input while it runs:
// "unplug KIND[N]", "plug KIND[N]", "count HZ", "in 0|1", "late KIND[N] MS",
// "quit". A line that
// is none of these is answered with what is wrong, and the simulator goes on.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavik::sim {

struct TSimCommand {
    enum class TVerb { None, Quit, Plug, Unplug, Count, In, Late, Hang, Answer, Error } Verb = TVerb::None;
    std::string Module;   // Plug, Unplug, Late, Hang, Answer: "logger", "freqmeter2" ("meter2" read as that), ...
    int32_t Count = 0;    // Count
    bool InputIn = false; // In
    int LateMs = 0;       // Late: the module's next request is answered this late
    std::string Error;    // Error: one line for the user
};

// The verbs the reader knows, each with the words that follow it: the reader
// takes a verb only from this list.
struct TSimVerb {
    const char* Name;
    TSimCommand::TVerb Verb;
    const char* Arguments;
};
std::span<const TSimVerb> SimVerbs();

// The longest wait "late" takes: the host gives up on a request after 5 s.
constexpr int MaxLateMs = 4000;

// An empty line is None.
TSimCommand ParseSimCommand(std::string_view line);

}  // namespace tavik::sim
