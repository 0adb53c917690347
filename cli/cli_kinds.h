#pragma once
// The groups of module kinds tavik-cli's commands wait for.
#include <vector>

#include "device/instrument_identity.h"

namespace tavik::cli {

inline const std::vector<TInstrumentKind> AllKinds = {TInstrumentKind::Logger, TInstrumentKind::Generator,
                                                      TInstrumentKind::FrequencyMeter};
inline const std::vector<TInstrumentKind> MeasuringKinds = {TInstrumentKind::Logger, TInstrumentKind::FrequencyMeter};

// What a fresh reading waits for at most before the module counts as silent.
constexpr double ReadingSeconds = 3.0;

}  // namespace tavik::cli
