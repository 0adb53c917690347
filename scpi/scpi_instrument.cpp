#include "scpi_instrument.h"

#include "scpi_client.h"

namespace tavik::scpi {

TScpiInstrument::TScpiInstrument(THidPlatform& platform, TEventLoop& loop) : Session(platform, loop, '.') {
    // The session keeps the readings and the sweep; queries read them there.
    Polling_.LoggerCycle = [this](const logger::TLoggerCycle& cycle) {
        Status.Answered(TInstrumentKind::Logger);
        if (cycle.HasSamples) LoggerReported_ = true;
    };
    Polling_.MeterReading = [this](const freqmeter::TReading&) { Status.Answered(TInstrumentKind::FrequencyMeter); };
    Polling_.Binding = [this](TInstrumentKind kind, bool bound) {
        if (kind == TInstrumentKind::Logger) LoggerReported_ = false;
        if (!bound) Status.Bound(kind, false);
    };
    Polling_.Ready = [this](TInstrumentKind kind) { Status.Bound(kind, true); };
    Polling_.TransferFailed = [this](TInstrumentKind kind, std::string_view) { Status.Failed(kind); };
    Polling_.Answering = [this](TInstrumentKind kind, bool answering) { Status.SetAnswering(kind, answering); };
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

TError TScpiInstrument::TransferFailure(const TCommandResult& result, const std::string& what) {
    const std::string_view reason = result.Reason.Text();
    return {HardwareError, reason.empty() ? what : what + ": " + std::string(reason)};
}

}  // namespace tavik::scpi
