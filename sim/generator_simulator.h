#pragma once
// The frequency/logic generator module: it keeps every control and raw frame it
// receives and answers RawReadByte from a byte memory that RawWriteByte writes.
#include "module_simulator.h"

namespace tavik::sim {

class TGeneratorSimulator : public TModuleSimulator {
public:
    TGeneratorSimulator(std::u16string manufacturer = std::u16string(FirstManufacturerString), std::u16string product = std::u16string(InfoOf(TInstrumentKind::Generator).Products.First));

    uint8_t Memory[65536] = {};
    TFrame LastControl{};  // the latest SetGeneratorOutputs frame

protected:
    void OnCommand(const TFrame& frame) override;
    TFrame NextReport() override { return Answer_; }

private:
    TFrame Answer_{};
};

}  // namespace tavik::sim
