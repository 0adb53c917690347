#include "scpi_instrument.h"

#include "scpi_client.h"

namespace tavik::scpi {

TScpiInstrument::TScpiInstrument(THidPlatform& platform, TEventLoop& loop) : Modules(platform, loop, '.') {
    Modules.OnLoggerTick = [this] { LoggerTick(); };
    Modules.OnMeterTick = [this] {
        if (auto reading = Instruments.FrequencyMeter.Cycle(OffsetHz)) Reading = std::move(reading);
    };
    Modules.OnBinding = [this](TInstrumentKind kind, bool bound) {
        // A reading of a module since gone is not this one's.
        if (kind == TInstrumentKind::FrequencyMeter && bound) Reading.reset();
    };
}

std::unique_ptr<TLineService> TScpiInstrument::NewClient() { return std::make_unique<TScpiClient>(*this); }

void TScpiInstrument::LoggerTick() {
    const std::optional<logger::TLoggerCycle> cycle = Instruments.Logger.Cycle();
    if (!cycle || !cycle->HasSamples) return;
    if (cycle->NewSweep)
        for (std::vector<double>& trace : Traces) trace.clear();
    for (const double point : cycle->Points.Series1) Traces[0].push_back(point);
    for (const double point : cycle->Points.Series2) Traces[1].push_back(point);
}

TCommandResult TScpiInstrument::SendOutputs(int output) {
    generator::TGeneratorOutputs outputs;
    outputs.Output = output;
    outputs.High = High;
    if (output != 0) {
        const TOutputSetting& setting = Outputs[static_cast<std::size_t>(output - 1)];
        outputs.Source = setting.Source;
        outputs.FreqIndex = setting.FreqIndex;
    }
    return Instruments.Generator.SetOutputs(outputs);
}

std::optional<TError> TScpiInstrument::Reset() {
    Outputs = {};
    High = {};
    OffsetHz = 0;
    std::optional<TError> failure;
    if (Instruments.Logger.Present()) {
        Instruments.Logger.SetCsr(0);
        const TCommandResult sent = Instruments.Logger.SendControl();
        if (!sent.Done()) failure = TransferFailure(sent, "the logger did not take the reset");
    }
    if (Instruments.Generator.Present()) {
        // One report carries one output's source and frequency.
        for (const int output : {1, 2}) {
            const TCommandResult sent = SendOutputs(output);
            if (!sent.Done() && !failure) failure = TransferFailure(sent, "the generator did not take the reset");
        }
    }
    return failure;
}

std::optional<TError> TScpiInstrument::Require(TInstrumentKind kind) const {
    if (Instruments.Binding.Present(kind)) return std::nullopt;
    return TError{HardwareMissing, std::string("no ") + InfoOf(kind).Name};
}

TError TScpiInstrument::TransferFailure(const TCommandResult& result, const std::string& what) {
    const std::string_view reason = result.Reason.Text();
    return {HardwareError, reason.empty() ? what : what + ": " + std::string(reason)};
}

}  // namespace tavik::scpi
