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

bool TScpiInstrument::SendOutputs(int output) {
    generator::TGeneratorOutputs outputs;
    outputs.Output = output;
    outputs.High = High;
    if (output != 0) {
        const TOutputSetting& setting = Outputs[static_cast<std::size_t>(output - 1)];
        outputs.Source = setting.Source;
        outputs.FreqIndex = setting.FreqIndex;
    }
    return Instruments.Generator.SetOutputs(outputs) &&
           Instruments.Binding.Port(TInstrumentKind::Generator).Transfer.Ok;
}

std::optional<TError> TScpiInstrument::Reset() {
    Outputs = {};
    High = {};
    OffsetHz = 0;
    std::optional<TError> failure;
    if (Instruments.Logger.Present()) {
        Instruments.Logger.SetCsr(0);
        Instruments.Logger.SendControl();
        if (!Instruments.Binding.Port(TInstrumentKind::Logger).Transfer.Ok)
            failure = TransferFailure(TInstrumentKind::Logger, "the logger did not take the reset");
    }
    if (Instruments.Generator.Present()) {
        // One report carries one output's source and frequency.
        for (const int output : {1, 2})
            if (!SendOutputs(output) && !failure)
                failure = TransferFailure(TInstrumentKind::Generator, "the generator did not take the reset");
    }
    return failure;
}

std::optional<TError> TScpiInstrument::Require(TInstrumentKind kind) const {
    if (Instruments.Binding.Present(kind)) return std::nullopt;
    return TError{HardwareMissing, std::string("no ") + InfoOf(kind).Name};
}

TError TScpiInstrument::TransferFailure(TInstrumentKind kind, const std::string& what) const {
    const std::string& reason = Instruments.Binding.Port(kind).Transfer.Error;
    return {HardwareError, what + (reason.empty() ? "" : ": " + reason)};
}

}  // namespace tavik::scpi
