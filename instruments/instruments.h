#pragma once
// The three instruments over one binding: what every front-end holds. Binding
// a module runs its instrument's own bind action (reading calibration
// factors); the front-end adds what it shows and which timer it runs.
#include <functional>

#include "device/instrument_binding.h"
#include "instruments/freqmeter/frequency_meter.h"
#include "instruments/generator/generator.h"
#include "instruments/logger/logger.h"

namespace tavik {

class TInstruments {
public:
    // separator: the decimal separator of the logger's recording file, the
    // one text an instrument writes (the others yield numbers alone).
    explicit TInstruments(char separator);
    TInstruments(const TInstruments&) = delete;
    TInstruments& operator=(const TInstruments&) = delete;

    TInstrumentBinding Binding;
    logger::TLogger Logger;
    generator::TGenerator Generator;
    freqmeter::TFrequencyMeter FrequencyMeter;

    // The front-end's part of binding a kind: showing it bound or not,
    // switching its polling timer, and hearing that the binding's reads are
    // done (any may be empty).
    void SetFrontEnd(TInstrumentKind kind, std::function<void(bool bound)> showBound,
                     std::function<void(bool on)> switchTimer, std::function<void()> ready = nullptr);
};

}  // namespace tavik
