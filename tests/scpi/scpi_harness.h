#pragma once
// The SCPI instrument over simulated modules on the in-memory platform, one
// client talking to it, and the client's error queue read back through
// SYSTem:ERRor? and parsed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scpi/scpi_instrument.h"
#include "tests/support/frames.h"
#include "tests/support/simulated_modules.h"

namespace tavik::scpi::test {

// One entry of the error queue as SYSTem:ERRor? gives it: -113,"Undefined header".
struct TQueuedError {
    int Code = 0;
    std::string Text;
    bool operator==(const TQueuedError&) const = default;
};
// Parses an answer to SYSTem:ERRor?; a malformed one fails the test.
TQueuedError ParseErrorAnswer(const std::string& answer);

class TScpiHarness {
public:
    tavik::test::TSimulatedModules M;
    std::unique_ptr<TScpiInstrument> Instrument;
    std::unique_ptr<TLineService> Client;

    // Makes the instrument, binding what is plugged in now, and one client.
    void Start();
    // What the client answers the line, line end included; a query that
    // waits for a fresh reading has its module polled until it has one.
    std::string Ask(std::string_view line);
    // What the client answers at once: nothing while the line waits.
    std::string AskNow(std::string_view line);
    // The answers of a line that waited, once it is done.
    std::string Later();
    bool Waiting() const { return Client->Waiting(); }
    // Reads the client's queue empty, oldest first.
    std::vector<TQueuedError> Errors();
    // The codes alone.
    std::vector<int> ErrorCodes();
    // One tick of the logger's or the frequency meter's polling timer.
    void TickLogger(int count = 1) { Tick(TInstrumentKind::Logger, count); }
    void TickMeter(int count = 1) { Tick(TInstrumentKind::FrequencyMeter, count); }

private:
    void Tick(TInstrumentKind kind, int count);
};

// The frames a module received since the last call, as hex texts.
std::vector<std::string> Drain(sim::TModuleSimulator& module);

}  // namespace tavik::scpi::test
