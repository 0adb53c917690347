// A client of the SCPI instrument over the demonstration's modules, its input
// split into lines at each newline as a connection frames them: every line
// is answered with at most one response ending in its one line end, the
// error queue never holds more than its capacity and always answers in the
// form SYSTem:ERRor? has, and the same line read alone parses the same.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "scpi/scpi_error.h"
#include "scpi/scpi_instrument.h"
#include "scpi/scpi_message.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "loop/manual/manual_event_loop.h"
#include "sim/demo_modules.h"

namespace {

using namespace tavik;

void Check(bool condition) {
    if (!condition) std::abort();
}

// The modules and the instrument live across inputs, as a server's do;
// each input is a new client.
struct TDemo {
    TMemoryHidPlatform Platform;
    TManualEventLoop Loop;
    sim::TDemoModules Modules = sim::PlugDemoModules(Platform);
    scpi::TScpiInstrument Instrument{Platform, Loop};
};

TDemo& Demo() {
    static TDemo demo;
    return demo;
}

bool Digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// -113,"Undefined header" or 0,"No error": a number, a comma, one quoted
// string whose inner quotes are doubled.
void CheckErrorAnswer(std::string_view answer) {
    const std::size_t comma = answer.find(',');
    Check(comma != std::string_view::npos);
    std::string_view code = answer.substr(0, comma);
    if (!code.empty() && code[0] == '-') code.remove_prefix(1);
    Check(Digits(code));
    const std::string_view quoted = answer.substr(comma + 1);
    Check(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"');
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i)
        if (quoted[i] == '"') Check(quoted[++i] == '"');
}

// The modules polled once more, as the loop would.
void Poll() {
    for (TManualEventLoop::TTimer* timer : Demo().Loop.Timers()) timer->Fire();
    Demo().Loop.ProcessEvents(0);
}

std::string Ask(TLineService& client, std::string_view line) {
    std::string out;
    client.Line(line, out);
    // A line that waits for a fresh reading has it within a few polls; the
    // server gives the client nothing else meanwhile.
    for (int i = 0; i < 24 && client.Waiting(); ++i) Poll();
    Check(!client.Waiting());
    client.TakeLater(out);
    // One response or none, ending in its one line end.
    Check(out.empty() || (out.back() == '\n' && out.find('\n') == out.size() - 1));
    return out;
}

void CheckLine(TLineService& client, std::string_view line) {
    Ask(client, line);
    const std::string count = Ask(client, "SYST:ERR:COUN?");
    Check(Digits(std::string_view(count).substr(0, count.size() - 1)));
    Check(std::stoul(count) <= scpi::TErrorQueue::Capacity);
    const std::string next = Ask(client, "SYST:ERR?");
    CheckErrorAnswer(std::string_view(next).substr(0, next.size() - 1));

    // Reading a line does not depend on what was read before.
    const scpi::TProgramMessage first = scpi::ParseProgramMessage(line);
    const scpi::TProgramMessage again = scpi::ParseProgramMessage(line);
    Check(first.Commands.size() == again.Commands.size() && first.Syntax.has_value() == again.Syntax.has_value());
    Check(first.Commands.size() <= static_cast<std::size_t>(std::count(line.begin(), line.end(), ';')) + 1);
}

// Longer lines only copy longer strings.
constexpr std::size_t MaxLength = 256;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TDemo& demo = Demo();
    // The modules go on being polled between clients.
    Poll();
    const std::unique_ptr<TLineService> client = demo.Instrument.NewClient();
    size = std::min(size, MaxLength);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start < size;) {
        const std::size_t end = std::min(input.find('\n', start), size);
        CheckLine(*client, input.substr(start, end - start));
        start = end + 1;
    }
    client->Overrun();
    return 0;
}
