#pragma once
// Decides which announced HID devices are our modules, keeps one slot per kind
// and tells the front-end what to show and which timer to run.
#include <array>
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
    // The bind action's reads are done (at once where it has none): the
    // module can be described, its factors are its own.
    std::function<void()> Ready;
};

class TInstrumentBinding {
public:
    TInstrumentPort& Port(TInstrumentKind kind) { return Ports_[SlotOf(kind)]; }
    const TInstrumentPort& Port(TInstrumentKind kind) const { return Ports_[SlotOf(kind)]; }
    TInstrumentHooks& Hooks(TInstrumentKind kind) { return Hooks_[SlotOf(kind)]; }

    bool Present(TInstrumentKind kind) const { return Port(kind).Present(); }
    THidDevice* Device(TInstrumentKind kind) const { return Port(kind).Device; }

    // The controller's arrival and removal handlers.
    void OnUSBConnect(THidDevice& device);
    void OnUSBDisconnect(THidDevice& device) noexcept;

private:
    std::array<TInstrumentPort, InstrumentKindCount> Ports_;
    std::array<TInstrumentHooks, InstrumentKindCount> Hooks_;
};

}  // namespace tavik
