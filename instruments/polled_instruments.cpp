#include "polled_instruments.h"

#include <exception>

#include "device/hid_device.h"

namespace tavik {

bool HasInstrumentIds(const THidDevice& device) {
    return device.VendorID() == InstrumentVendorID && device.ProductID() == InstrumentProductID;
}

TPolledInstruments::TPolledInstruments(THidPlatform& platform, TEventLoop& loop, char separator,
                                       std::function<void(const std::string&)> onArrivalError)
    : Instruments(separator), OnArrivalError_(std::move(onArrivalError)) {
    LoggerTimer_ = loop.MakeTimer(LoggerPollMs, [this] { if (OnLoggerTick) OnLoggerTick(); });
    MeterTimer_ = loop.MakeTimer(FrequencyMeterPollMs, [this] { if (OnMeterTick) OnMeterTick(); });
    for (const TInstrumentKindInfo& info : InstrumentKinds) {
        TLoopTimer* timer = info.Kind == TInstrumentKind::Logger           ? LoggerTimer_.get()
                            : info.Kind == TInstrumentKind::FrequencyMeter ? MeterTimer_.get()
                                                                           : nullptr;
        const TInstrumentKind kind = info.Kind;
        Instruments.SetFrontEnd(
            kind, [this, kind](bool bound) { if (OnBinding) OnBinding(kind, bound); },
            [timer](bool on) {
                if (timer) on ? timer->Start() : timer->Stop();
            });
    }
    Instruments.Generator.BuildTables();
    Controller = std::make_unique<THidDeviceController>(platform, loop);
    Controller->OnArrival = [this](THidDevice& device) {
        try {
            Instruments.Binding.OnUSBConnect(device);
            // Read while the device may be opened: a listing shows them.
            if (HasInstrumentIds(device)) {
                device.ManufacturerString();
                device.ProductString();
            }
        } catch (const std::exception& error) {
            if (OnArrivalError_) OnArrivalError_(error.what());
        }
    };
    Controller->OnRemoval = [this](THidDevice& device) { Instruments.Binding.OnUSBDisconnect(device); };
    // The start-up pass: every module present is bound before anything runs.
    loop.ProcessEvents(0);
}

TPolledInstruments::~TPolledInstruments() {
    LoggerTimer_->Stop();
    MeterTimer_->Stop();
    Controller.reset();
}

bool TPolledInstruments::Usable(TInstrumentKind kind) const {
    const THidDevice* device = Instruments.Binding.Device(kind);
    return device && device->HasReadWriteAccess();
}

}  // namespace tavik
