#pragma once
// tavik-cli's commands over the instrument core: the same binding, rules and
// files as the window, driven from the terminal with Qt Core's event loop.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cli_options.h"
#include "common/event_loop.h"
#include "device/hid_device_controller.h"
#include "instruments/instruments.h"

namespace tavik::cli {

class TCliSession {
public:
    // separator: the decimal separator of the number texts, as the window's.
    TCliSession(THidPlatform& platform, TEventLoop& loop, char separator);
    ~TCliSession();

    // Runs one command to its end; returns the exit code.
    int Run(const TCommand& command);

    // Set from a signal handler: SIGINT or SIGTERM ends the command.
    static volatile bool StopRequested;

private:
    int List(bool json);
    int Watch(const TCommand& command);
    int Record(const TCommand& command);
    int LoggerControl(const TCommand& command);
    int GeneratorControl(const TCommand& command);
    int Calibrate(const TCommand& command);
    int Raw(const TCommand& command);

    // Runs the event loop until the kind is bound or `seconds` are over.
    bool WaitFor(TInstrumentKind kind, double seconds);
    // Runs the event loop for `seconds` (for ever without), until a signal, or
    // until `done` says so.
    void RunFor(std::optional<double> seconds, const std::function<bool()>& done = nullptr);
    bool LastTransferOk(TInstrumentKind kind) const;
    int NotPresent(TInstrumentKind kind) const;

    THidPlatform& Platform_;
    TEventLoop& Loop_;
    char Separator_;
    TInstruments Instruments_;
    std::unique_ptr<THidDeviceController> Controller_;
    // The polling timers the binding switches; a command sets what a tick does.
    std::function<void()> OnLoggerTick_;
    std::function<void()> OnMeterTick_;
    std::unique_ptr<TLoopTimer> LoggerTimer_;
    std::unique_ptr<TLoopTimer> MeterTimer_;
    std::function<void(TInstrumentKind, bool)> OnBinding_;
};

}  // namespace tavik::cli
