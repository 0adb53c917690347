#include "scpi_instrument.h"

#include <algorithm>
#include <chrono>

#include "scpi_client.h"

namespace tavik::scpi {

TScpiInstrument::TScpiInstrument(THidPlatform& platform, TEventLoop& loop) : Session(platform, loop, '.'), Loop_(loop) {
    // The session keeps the readings and the sweep; queries read them there.
    Polling_.LoggerCycle = [this](const logger::TLoggerCycle& cycle) {
        Status.Answered(TInstrumentKind::Logger);
        if (!cycle.HasSamples) return;
        LoggerReported_ = true;
        ++Readings_[SlotOf(TInstrumentKind::Logger)];
        RetryWaiters();
    };
    Polling_.MeterReading = [this](const freqmeter::TReading&) {
        Status.Answered(TInstrumentKind::FrequencyMeter);
        ++Readings_[SlotOf(TInstrumentKind::FrequencyMeter)];
        RetryWaiters();
    };
    Polling_.Binding = [this](TInstrumentKind kind, bool bound) {
        if (kind == TInstrumentKind::Logger) LoggerReported_ = false;
        if (!bound) Status.Bound(kind, false);
        RetryWaiters();
    };
    Polling_.Ready = [this](TInstrumentKind kind) { Status.Bound(kind, true); };
    Polling_.TransferFailed = [this](TInstrumentKind kind, std::string_view) {
        Status.Failed(kind);
        RetryWaiters();
    };
    Polling_.Answering = [this](TInstrumentKind kind, bool answering) {
        Status.SetAnswering(kind, answering);
        RetryWaiters();
    };
    WaitBound_ = loop.MakeTimer(100, [this] { Retry(); });
    for (const TInstrumentKindInfo& info : InstrumentKinds) Status.Bound(info.Kind, Session.Present(info.Kind));
    Session.Subscribe(Polling_);
}

std::unique_ptr<TLineService> TScpiInstrument::NewClient() { return std::make_unique<TScpiClient>(*this); }

std::optional<TError> TScpiInstrument::Reset() {
    Instruments.Generator.Settings = {};
    Session.MeterOffsetHz = 0;
    std::optional<TError> failure;
    if (Instruments.Logger.Present()) {
        Instruments.Logger.SetCsr(0);
        const TCommandResult sent = Instruments.Logger.SendControl();
        if (!sent.Done()) failure = TransferFailure(sent, "the logger did not take the reset");
    }
    if (Instruments.Generator.Present()) {
        // One report carries one output's source and frequency.
        for (const int output : {1, 2}) {
            const TCommandResult sent = Instruments.Generator.SendSettings(output);
            if (!sent.Done() && !failure) failure = TransferFailure(sent, "the generator did not take the reset");
        }
    }
    return failure;
}

std::optional<TError> TScpiInstrument::Require(TInstrumentKind kind) const {
    if (!Session.Present(kind)) return TError{HardwareMissing, std::string("no ") + InfoOf(kind).Name};
    // Its last values are not what it measures now, and a command would wait.
    if (!Session.Answering(kind)) return TError{HardwareError, std::string(InfoOf(kind).Name) + ": not answering"};
    return std::nullopt;
}

TOutcome TScpiInstrument::Fresh(TCall& call, TInstrumentKind kind, uint64_t reports, std::optional<uint64_t> from) {
    using TClock = std::chrono::steady_clock;
    std::optional<TClientState::TFreshWait>& waiting = call.Client.Waiting;
    if (!waiting)
        waiting = TClientState::TFreshWait{kind, from.value_or(Readings(kind)) + reports,
                                           TClock::now() + std::chrono::milliseconds(FreshReadingWaitMs)};
    if (Readings(kind) >= waiting->Needed) return std::nullopt;
    if (TClock::now() >= waiting->Deadline)
        return TError{DataStale, "no fresh measurement within " + std::to_string(FreshReadingWaitMs / 1000) + " s"};
    call.Deferred = true;
    return std::nullopt;
}

void TScpiInstrument::Await(TWaiter& waiter) {
    if (std::find(Waiters_.begin(), Waiters_.end(), &waiter) == Waiters_.end()) Waiters_.push_back(&waiter);
    WaitBound_->Start();
}

void TScpiInstrument::StopAwaiting(TWaiter& waiter) {
    Waiters_.erase(std::remove(Waiters_.begin(), Waiters_.end(), &waiter), Waiters_.end());
    if (Waiters_.empty()) WaitBound_->Stop();
}

// From the loop, after the event: a binding is told before it has changed,
// and a module's answer before its transfer has ended, so a waiting line's
// next commands (which may use that module) run once the event is over.
void TScpiInstrument::RetryWaiters() {
    if (!Waiters_.empty()) RetryPass_.Post();
}

void TScpiInstrument::Retry() {
    // A copy: a retry that is done takes its waiter off the list.
    const std::vector<TWaiter*> waiters = Waiters_;
    for (TWaiter* waiter : waiters)
        if (std::find(Waiters_.begin(), Waiters_.end(), waiter) != Waiters_.end()) waiter->Retry();
}

TError TScpiInstrument::TransferFailure(const TCommandResult& result, const std::string& what) {
    const std::string_view reason = result.Reason.Text();
    return {HardwareError, reason.empty() ? what : what + ": " + std::string(reason)};
}

}  // namespace tavik::scpi
