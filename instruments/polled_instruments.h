#pragma once
// The instruments bound as modules come and go, and polled while bound: the
// logger every 50 ms, the frequency meter every 250 ms, as the window's timers
// do. What every front-end without a window holds (tavik-cli's commands, the
// SCPI instrument); each sets what a tick does and hears of bindings.
#include <functional>
#include <memory>
#include <string>

#include "common/event_loop.h"
#include "device/hid_device_controller.h"
#include "instruments.h"

namespace tavik {

constexpr int LoggerPollMs = 50;
constexpr int FrequencyMeterPollMs = 250;

// The modules' vendor and product IDs, whatever their strings.
bool HasInstrumentIds(const THidDevice& device);

class TPolledInstruments {
public:
    // separator: the decimal separator of the instruments' number texts;
    // onArrivalError hears of a module whose arrival failed (a device object
    // that could not be read). Modules already plugged in are bound before the
    // constructor returns.
    TPolledInstruments(THidPlatform& platform, TEventLoop& loop, char separator,
                       std::function<void(const std::string& reason)> onArrivalError = nullptr);
    ~TPolledInstruments();
    TPolledInstruments(const TPolledInstruments&) = delete;
    TPolledInstruments& operator=(const TPolledInstruments&) = delete;

    TInstruments Instruments;
    std::unique_ptr<THidDeviceController> Controller;

    // Run by the polling timers, which the binding switches.
    std::function<void()> OnLoggerTick;
    std::function<void()> OnMeterTick;
    std::function<void(TInstrumentKind, bool bound)> OnBinding;

    // Bound and open for reading and writing.
    bool Usable(TInstrumentKind kind) const;

private:
    std::function<void(const std::string&)> OnArrivalError_;
    std::unique_ptr<TLoopTimer> LoggerTimer_;
    std::unique_ptr<TLoopTimer> MeterTimer_;
};

}  // namespace tavik
