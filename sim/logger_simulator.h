#pragma once
// The two-channel logger module: a control register set by SetControl,
// measurement reports in all five layouts, a signal source per channel and the
// parameter memory with the calibration factors.
#include "module_simulator.h"

namespace tavik::sim {

// A channel's input voltage over time (one step per measurement report).
struct TSignal {
    enum class TShape { Constant, Ramp, Sine, Steps } Shape = TShape::Constant;
    double Volts = 0.0;      // constant level, or the low level
    double HighVolts = 0.0;  // ramp top, sine peak, step high level
    int Period = 64;         // reports per cycle
    double At(double step) const;
};

class TLoggerSimulator : public TModuleSimulator {
public:
    TLoggerSimulator(std::u16string manufacturer = std::u16string(FirstManufacturerString), std::u16string product = std::u16string(InfoOf(TInstrumentKind::Logger).Products.First));

    uint8_t Csr = 0;             // bits 0-2, set by SetControl
    bool SamplesReady = true;    // sets the two sample flags in reports
    TSignal Channel1;
    TSignal Channel2;
    TParameterMemory Memory;
    long long Step = 0;          // measurement reports made so far

    // Raw sample bytes to send instead of the signal (bytes 3-6), once set.
    std::optional<std::array<uint8_t, 4>> FixedSamples;

protected:
    void OnCommand(const TFrame& frame) override;
    TFrame NextReport() override;
};

}  // namespace tavik::sim
