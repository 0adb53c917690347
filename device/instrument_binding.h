#pragma once
// Decides which announced HID devices are our modules, keeps one slot per kind
// and tells the window what to show and which timer to run.
#include <functional>

#include "instrument_identity.h"
#include "report_exchange.h"

namespace tavik {

class THidDevice;

// What binding or unbinding a kind does outside the device layer.
struct TInstrumentHooks {
    std::function<void(bool bound)> ShowBound;   // the area title's colour
    std::function<void()> BindAction;            // e.g. reading calibration factors
    std::function<void(bool on)> SwitchTimer;    // the kind's polling timer, if any
};

class TInstrumentBinding {
public:
    TInstrumentPort LoggerPort;
    TInstrumentPort GeneratorPort;
    TInstrumentPort FrequencyMeterPort;

    TInstrumentHooks LoggerHooks;
    TInstrumentHooks GeneratorHooks;
    TInstrumentHooks FrequencyMeterHooks;

    THidDevice* LoggerDevice() const { return LoggerPort.Device; }
    THidDevice* GeneratorDevice() const { return GeneratorPort.Device; }
    THidDevice* FrequencyMeterDevice() const { return FrequencyMeterPort.Device; }
    bool LoggerPresent() const { return LoggerPort.Present(); }
    bool GeneratorPresent() const { return GeneratorPort.Present(); }
    bool FrequencyMeterPresent() const { return FrequencyMeterPort.Present(); }

    const TransferRecord& LoggerTransfer() const { return LoggerPort.Transfer; }
    const TransferRecord& GeneratorTransfer() const { return GeneratorPort.Transfer; }
    const TransferRecord& FrequencyMeterTransfer() const { return FrequencyMeterPort.Transfer; }
    uint8_t LoggerSequence() const { return LoggerPort.Sequence; }
    uint8_t GeneratorSequence() const { return GeneratorPort.Sequence; }
    uint8_t FrequencyMeterSequence() const { return FrequencyMeterPort.Sequence; }

    TInstrumentPort& Port(TInstrumentKind kind);

    // The controller's arrival and removal handlers.
    void OnUSBConnect(THidDevice& device);
    void OnUSBDisconnect(THidDevice& device) noexcept;

private:
    TInstrumentHooks& Hooks(TInstrumentKind kind);
};

}  // namespace tavik
