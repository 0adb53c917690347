// tavik-sim's standard input, split into lines at each newline as the
// simulator reads it: every line is read exactly as the command grammar says
// (words apart by blanks; a module name with an optional number not starting
// with 0; a count in the signed 32-bit range; in 0 or 1; a lateness of 0 to
// the longest in milliseconds), a refused line gives a one-line reason and
// nothing else, and the blanks between words do not matter. Every verb the
// reader knows has its reading here: a verb added there and not here stops
// the target before its first input.
#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_command.h"

namespace {

using tavik::sim::ParseSimCommand;
using tavik::sim::TSimCommand;
using TVerb = TSimCommand::TVerb;

void Check(bool condition) {
    if (!condition) std::abort();
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < line.size();) {
        if (Blank(line[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < line.size() && !Blank(line[i])) ++i;
        words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

bool Digits(std::string_view text) { return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos; }

// The module a plug or unplug names, as it is printed; empty for no module.
std::string ModuleOf(const std::string& word) {
    for (const auto& [typed, printed] : {std::pair{"logger", "logger"}, std::pair{"generator", "generator"},
                                         std::pair{"freqmeter", "freqmeter"}, std::pair{"meter", "freqmeter"}}) {
        const std::string_view name = typed;
        if (word.compare(0, name.size(), name) != 0) continue;
        const std::string number = word.substr(name.size());
        if (number.empty() || (Digits(number) && number[0] != '0')) return printed + number;
    }
    return {};
}

// A whole number in the signed 32-bit range, in decimal digits with an
// optional minus: the value, or false.
bool Whole(const std::string& word, int64_t& value) {
    const bool negative = !word.empty() && word[0] == '-';
    std::string digits = word.substr(negative ? 1 : 0);
    if (!Digits(digits)) return false;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 10) return false;
    value = std::stoll(digits) * (negative ? -1 : 1);
    return value >= INT32_MIN && value <= INT32_MAX;
}

using TReference = bool (*)(const std::vector<std::string>& words, TSimCommand& command);

// Each verb's reading of the words after it; false for a refused line.
struct TVerbReference {
    const char* Name;
    TVerb Verb;
    TReference Read;
};

// A verb whose one word is a module.
bool ReadModule(const std::vector<std::string>& words, TSimCommand& command) {
    command.Module = words.size() == 2 ? ModuleOf(words[1]) : "";
    return !command.Module.empty();
}

const TVerbReference References[] = {
    {"quit", TVerb::Quit, [](const std::vector<std::string>& words, TSimCommand&) { return words.size() == 1; }},
    {"plug", TVerb::Plug, ReadModule},
    {"unplug", TVerb::Unplug, ReadModule},
    {"count", TVerb::Count,
     [](const std::vector<std::string>& words, TSimCommand& command) {
         int64_t count = 0;
         if (words.size() != 2 || !Whole(words[1], count)) return false;
         command.Count = static_cast<int32_t>(count);
         return true;
     }},
    {"in", TVerb::In,
     [](const std::vector<std::string>& words, TSimCommand& command) {
         if (words.size() != 2 || (words[1] != "0" && words[1] != "1")) return false;
         command.InputIn = words[1] == "1";
         return true;
     }},
    {"hang", TVerb::Hang, ReadModule},
    {"answer", TVerb::Answer, ReadModule},
    {"late", TVerb::Late,
     [](const std::vector<std::string>& words, TSimCommand& command) {
         int64_t ms = 0;
         if (words.size() != 3 || !Whole(words[2], ms) || ms < 0 || ms > tavik::sim::MaxLateMs) return false;
         command.Module = ModuleOf(words[1]);
         command.LateMs = static_cast<int>(ms);
         return !command.Module.empty();
     }},
};

TSimCommand Expected(const std::vector<std::string>& words) {
    TSimCommand command;
    if (words.empty()) return command;
    for (const TVerbReference& reference : References) {
        if (words[0] != reference.Name) continue;
        TSimCommand read;
        if (!reference.Read(words, read)) break;
        read.Verb = reference.Verb;
        return read;
    }
    command.Verb = TVerb::Error;
    return command;
}

void CheckLine(std::string_view line) {
    const TSimCommand command = ParseSimCommand(line);
    const std::vector<std::string> words = Words(line);
    const TSimCommand expected = Expected(words);
    Check(command.Verb == expected.Verb && command.Module == expected.Module && command.Count == expected.Count &&
          command.InputIn == expected.InputIn && command.LateMs == expected.LateMs);
    if (command.Verb == TVerb::Error)
        Check(!command.Error.empty() && command.Error.find('\n') == std::string::npos);
    else
        Check(command.Error.empty());

    // The same words one blank apart read the same.
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : " ") + word;
    if (joined == line) return;  // read once already
    const TSimCommand again = ParseSimCommand(joined);
    Check(again.Verb == command.Verb && again.Module == command.Module && again.Count == command.Count &&
          again.InputIn == command.InputIn && again.LateMs == command.LateMs);
}

// Longer lines only copy longer strings; the rest of the input is not read.
constexpr std::size_t MaxLength = 128;

}  // namespace

// The reader's verbs and these readings, one for one.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const tavik::sim::TSimVerb& verb : tavik::sim::SimVerbs()) {
        bool known = false;
        for (const TVerbReference& reference : References)
            known = known || (std::string_view(verb.Name) == reference.Name && verb.Verb == reference.Verb);
        if (!known) {
            std::fprintf(stderr, "fuzz_sim_command: no reading of the verb '%s' here\n", verb.Name);
            std::abort();
        }
    }
    if (std::size(References) != tavik::sim::SimVerbs().size()) {
        std::fprintf(stderr, "fuzz_sim_command: a reading here of a verb the reader does not know\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size = std::min(size, MaxLength);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start < size;) {
        const std::size_t end = std::min(input.find('\n', start), size);
        CheckLine(input.substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
