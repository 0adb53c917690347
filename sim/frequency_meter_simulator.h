#pragma once
// The frequency meter module: a settable raw count and input IN, measurement
// reports, and the parameter memory with its calibration factor.
#include "module_simulator.h"

namespace tavik::sim {

class TFrequencyMeterSimulator : public TModuleSimulator {
public:
    TFrequencyMeterSimulator(std::u16string manufacturer = std::u16string(FirstManufacturerString),
                             std::u16string product = std::u16string(InfoOf(TInstrumentKind::FrequencyMeter).Products.First));

    int32_t RawCount = 0;
    bool InputIn = false;
    uint8_t ExtraStatusBits = 0;  // status bits other than IN, which the program ignores
    TParameterMemory Memory;

protected:
    void OnCommand(const TFrame& frame) override;
    TFrame NextReport() override;

private:
    uint8_t Counter_ = 0;
};

}  // namespace tavik::sim
