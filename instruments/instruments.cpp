#include "instruments.h"

namespace tavik {

TInstruments::TInstruments(char separator)
    : Logger(Binding.Port(TInstrumentKind::Logger), separator),
      Generator(Binding.Port(TInstrumentKind::Generator)),
      FrequencyMeter(Binding.Port(TInstrumentKind::FrequencyMeter)) {
    Binding.Hooks(TInstrumentKind::Logger).BindAction = [this] { Logger.OnBound(); };
    Binding.Hooks(TInstrumentKind::Generator).BindAction = [this] { Generator.OnBound(); };
    Binding.Hooks(TInstrumentKind::FrequencyMeter).BindAction = [this] { FrequencyMeter.OnBound(); };
}

void TInstruments::SetFrontEnd(TInstrumentKind kind, std::function<void(bool)> showBound,
                               std::function<void(bool)> switchTimer) {
    TInstrumentHooks& hooks = Binding.Hooks(kind);
    hooks.ShowBound = std::move(showBound);
    hooks.SwitchTimer = std::move(switchTimer);
}

}  // namespace tavik
