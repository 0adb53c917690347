#include "instruments.h"

namespace tavik {

TInstruments::TInstruments(char separator)
    : Logger(Binding.Port(TInstrumentKind::Logger), separator),
      Generator(Binding.Port(TInstrumentKind::Generator)),
      FrequencyMeter(Binding.Port(TInstrumentKind::FrequencyMeter)) {
    auto ready = [this](TInstrumentKind kind) {
        return [this, kind] {
            if (const std::function<void()>& told = Binding.Hooks(kind).Ready) told();
        };
    };
    Binding.Hooks(TInstrumentKind::Logger).BindAction = [this, ready] { Logger.OnBound(ready(TInstrumentKind::Logger)); };
    Binding.Hooks(TInstrumentKind::Generator).BindAction = [this, ready] {
        Generator.OnBound();
        ready(TInstrumentKind::Generator)();
    };
    Binding.Hooks(TInstrumentKind::FrequencyMeter).BindAction = [this, ready] {
        FrequencyMeter.OnBound(ready(TInstrumentKind::FrequencyMeter));
    };
}

void TInstruments::SetFrontEnd(TInstrumentKind kind, std::function<void(bool)> showBound,
                               std::function<void(bool)> switchTimer, std::function<void()> ready) {
    TInstrumentHooks& hooks = Binding.Hooks(kind);
    hooks.ShowBound = std::move(showBound);
    hooks.SwitchTimer = std::move(switchTimer);
    hooks.Ready = std::move(ready);
}

}  // namespace tavik
