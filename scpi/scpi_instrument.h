#pragma once
// The three modules as one SCPI instrument: bound as they are plugged in and
// out, polled all the time it lives, and the settings every client shares.
// Each client (a network connection) gets its own error queue and status
// registers and answers its lines through the command tree.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/line_service.h"
#include "instruments/polled_instruments.h"
#include "scpi_error.h"

namespace tavik::scpi {

// The settings of one switchable generator output, which the module cannot
// be asked for: what the last report told it.
struct TOutputSetting {
    generator::TSource Source = generator::TSource::Generator;
    std::size_t FreqIndex = 0;
};

class TScpiInstrument {
public:
    // Modules already plugged in are bound before the constructor returns.
    TScpiInstrument(THidPlatform& platform, TEventLoop& loop);
    TScpiInstrument(const TScpiInstrument&) = delete;
    TScpiInstrument& operator=(const TScpiInstrument&) = delete;

    // A client of its own; it must not outlive the instrument.
    std::unique_ptr<TLineService> NewClient();

    TPolledInstruments Modules;
    TInstruments& Instruments = Modules.Instruments;

    // The generator as a new window has it: both outputs from the generator at
    // their lists' first entries, all levels low.
    std::array<TOutputSetting, 2> Outputs{};
    std::array<bool, 3> High{};
    // The frequency meter's intermediate frequency, taken off each reading.
    int32_t OffsetHz = 0;
    // The latest accepted measurement since the frequency meter was bound.
    std::optional<freqmeter::TReading> Reading;
    // The current sweep of each channel's trace, in calibrated volts, as the
    // window's chart holds it.
    std::array<std::vector<double>, 2> Traces;

    // A report to the generator with the settings above, concerning output
    // (1 or 2) or, with 0, the levels alone.
    TCommandResult SendOutputs(int output);
    // The modules as *RST leaves them: the logger at 10 bit, peak off,
    // channel 1; the generator as above; no intermediate frequency. Frames go
    // to the modules present; the first that was not taken is the error.
    std::optional<TError> Reset();

    // -241 "Hardware missing" while no module of the kind is bound.
    std::optional<TError> Require(TInstrumentKind kind) const;
    // -240 "Hardware error" for a command that failed: what was not done and
    // the command's reason.
    static TError TransferFailure(const TCommandResult& result, const std::string& what);

private:
    void LoggerTick();
};

}  // namespace tavik::scpi
