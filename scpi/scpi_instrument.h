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
#include "common/posted_once.h"
#include "instruments/instrument_session.h"
#include "scpi_command.h"
#include "scpi_error.h"
#include "scpi_status.h"

namespace tavik::scpi {

class TScpiInstrument {
public:
    // Modules already plugged in are bound before the constructor returns.
    TScpiInstrument(THidPlatform& platform, TEventLoop& loop);
    TScpiInstrument(const TScpiInstrument&) = delete;
    TScpiInstrument& operator=(const TScpiInstrument&) = delete;

    // A client of its own; it must not outlive the instrument.
    std::unique_ptr<TLineService> NewClient();

    // Polled all the time: every reading, sweep and setting comes from it.
    TInstrumentSession Session;
    TInstruments& Instruments = Session.Instruments;

    // The modules as *RST leaves them: the logger at 10 bit, peak off,
    // channel 1; the generator as above; no intermediate frequency. Frames go
    // to the modules present; the first that was not taken is the error.
    std::optional<TError> Reset();

    // -241 "Hardware missing" while no module of the kind is bound; -240
    // "Hardware error" while it does not answer.
    std::optional<TError> Require(TInstrumentKind kind) const;
    // -240 "Hardware error" for a command that failed: what was not done and
    // the command's reason.
    static TError TransferFailure(const TCommandResult& result, const std::string& what);

    // The OPERation and QUEStionable conditions, as the modules come, go,
    // fail and answer.
    TStatusConditions Status;
    // The logger bound now has sent samples: its volts are a reading.
    bool LoggerReported() const { return LoggerReported_; }

    // Readings since the start: the logger's reports with samples, the
    // frequency meter's readings.
    uint64_t Readings(TInstrumentKind kind) const { return Readings_[SlotOf(kind)]; }
    // For a query that answers a reading taken after it came (MEASure?,
    // READ?, FETCh? after INITiate): nullopt with the call deferred while it
    // waits for `reports` more readings of the kind (counted from `from`, or
    // from now), nullopt once they are in, -230 when none came within
    // FreshReadingWaitMs.
    TOutcome Fresh(TCall& call, TInstrumentKind kind, uint64_t reports, std::optional<uint64_t> from = std::nullopt);

    // A client waiting on a fresh reading is run again at each reading, each
    // binding change and each tick of the wait's bound, until it is done.
    class TWaiter {
    public:
        virtual ~TWaiter() = default;
        virtual void Retry() = 0;
    };
    void Await(TWaiter& waiter);
    void StopAwaiting(TWaiter& waiter);

private:
    void RetryWaiters();
    void Retry();

    TSessionSubscriber Polling_;
    bool LoggerReported_ = false;
    std::array<uint64_t, InstrumentKindCount> Readings_{};
    std::vector<TWaiter*> Waiters_;
    std::unique_ptr<TLoopTimer> WaitBound_;
    TEventLoop& Loop_;
    TPostedOnce RetryPass_{Loop_, [this] { Retry(); }};
};

// How long a fresh reading is waited for: the logger's five reports take
// 250 ms and the frequency meter's next reading up to 250 ms more than one.
constexpr int FreshReadingWaitMs = 2000;

}  // namespace tavik::scpi
