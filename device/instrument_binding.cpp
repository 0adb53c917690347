#include "instrument_binding.h"

#include "hid_device.h"

namespace tavik {

void TInstrumentBinding::OnUSBConnect(THidDevice& device) {
    if (!IsInstrumentModule(device)) return;
    // The product string is read (and cached) before the device is opened, so
    // that no later string read closes the handle that carries the reports.
    const auto kind = KindOfProduct(device.ProductString());
    if (!kind || !device.OpenDevice()) return;
    TInstrumentHooks& hooks = Hooks(*kind);
    if (hooks.ShowBound) hooks.ShowBound(true);
    TInstrumentPort& port = Port(*kind);
    // A transfer still out with the module this one replaces ends unheard.
    if (port.Device && port.Device != &device) {
        port.Device = nullptr;
        port.Abandon();
    }
    port.Device = &device;
    if (hooks.BindAction) hooks.BindAction();
    if (hooks.SwitchTimer) hooks.SwitchTimer(true);
}

void TInstrumentBinding::OnUSBDisconnect(THidDevice& device) noexcept {
    try {
        // The device is already unplugged: only cached strings can be read.
        if (!IsInstrumentModule(device)) return;
        const auto kind = KindOfProduct(device.ProductString());
        if (!kind) return;
        TInstrumentPort& port = Port(*kind);
        // A second module of the kind that was never bound (or was replaced by
        // a newer one) leaves the bound one working.
        if (port.Device != nullptr && port.Device != &device) return;
        TInstrumentHooks& hooks = Hooks(*kind);
        if (hooks.ShowBound) hooks.ShowBound(false);
        THidDevice* held = port.Device;
        port.Device = nullptr;
        port.Abandon();
        if (hooks.SwitchTimer) hooks.SwitchTimer(false);
        if (held) held->CloseDevice();
    } catch (...) {
        // Removal never lets an error reach the controller.
    }
}

}  // namespace tavik
