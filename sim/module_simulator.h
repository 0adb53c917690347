#pragma once
// The module's side of the 8-byte frames: a simulator receives every command
// the program sends and makes up every report the program reads. The same
// simulators stand behind the in-memory platform and behind virtual devices.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/platform/memory/memory_hid_platform.h"
#include "device/instrument_identity.h"
#include "device/report_exchange.h"

namespace tavik::sim {

class TModuleSimulator {
public:
    TModuleSimulator(std::u16string manufacturer, std::u16string product)
        : Manufacturer(std::move(manufacturer)), Product(std::move(product)) {}
    virtual ~TModuleSimulator() = default;

    std::u16string Manufacturer;
    std::u16string Product;

    // Every frame the module received, in order.
    std::vector<TFrame> Received;
    // Every frame the module answered, in order.
    std::vector<TFrame> Answered;

    // Faults: the next n sends or reads fail; the next reads answer a report
    // of another kind, or eight zero bytes.
    int FailSends = 0;
    int FailReads = 0;
    std::optional<uint8_t> ForcedKind;
    int ForcedKindReads = 0;
    int ZeroReads = 0;

    // The feature-report wire: 9 bytes with report ID 0 first.
    bool SetReport(const uint8_t* report, std::size_t length);
    bool GetReport(uint8_t* report, std::size_t length);

    // The frames received with the given command code.
    std::vector<TFrame> ReceivedWithCode(uint8_t code) const;

protected:
    virtual void OnCommand(const TFrame& frame) = 0;
    virtual TFrame NextReport() = 0;
    // A report with byte 7 set by the command rule.
    static TFrame Sealed(TFrame frame);
};

// Byte-addressed parameter memory answering ReadMemoryByte and
// WriteMemoryByte; the logger and the frequency meter keep their calibration
// factors in it.
class TParameterMemory {
public:
    TParameterMemory();
    uint8_t Bytes[256];
    // Takes ReadMemoryByte and WriteMemoryByte; false for any other command.
    // A read's answer is given until the module is asked for a measurement.
    bool HandleCommand(const TFrame& frame);
    bool Answering = false;
    TFrame Answer{};
    void StoreFloat(uint16_t address, float value);
    float LoadFloat(uint16_t address) const;
    void StoreBytes(uint16_t address, std::initializer_list<uint8_t> bytes);
};

// Presents a simulator as a device of the in-memory platform.
class TSimulatedDevice : public TMemoryHidDevice {
public:
    explicit TSimulatedDevice(std::shared_ptr<TModuleSimulator> module);
    bool OnSetFeature(const uint8_t* buffer, std::size_t length) override;
    bool OnGetFeature(uint8_t* buffer, std::size_t length) override;
    const std::shared_ptr<TModuleSimulator>& Module() const { return Module_; }

    // Vanishing at a chosen moment: after this many more transfers (sends and
    // reads, the one that reaches zero included) OnVanish runs, which
    // typically unplugs the device from the platform.
    int VanishAfterTransfers = -1;
    std::function<void()> OnVanish;

private:
    void CountTransfer();
    std::shared_ptr<TModuleSimulator> Module_;
};

}  // namespace tavik::sim
