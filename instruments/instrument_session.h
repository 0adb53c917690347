#pragma once
// The one session every front-end holds: the instruments over one binding,
// the device controller that binds modules as they come and go, and the
// polling timers that run while a module is bound (the logger every 50 ms,
// the frequency meter every 250 ms). Each cycle, binding change and failure
// is published to the subscribers in the order it happened, on the loop's
// thread; the session keeps what front-ends ask of the instruments between
// events (the latest frequency reading, the current sweep of both channels).
// A subscriber never reaches into the binding.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/event_loop.h"
#include "device/hid_device_controller.h"
#include "instruments.h"

namespace tavik {

// The intervals the modules are polled at, and the voltmeter's: its texts are
// shown (the window's labels, tavik-cli watch) twice a second.
constexpr int LoggerPollMs = 50;
constexpr int FrequencyMeterPollMs = 250;
constexpr int VoltmeterShowMs = 500;
// How long a front-end that describes the modules before it goes on waits on
// a binding's read: a little longer than the system waits on one (usbhid's
// and uhid's five seconds).
constexpr int BindingReadPatienceMs = 6000;

// What a subscriber hears; any member may be empty. A kind is polled while a
// subscriber listens to its readings: with none, its ticks send nothing.
struct TSessionSubscriber {
    std::function<void(const logger::TLoggerCycle&)> LoggerCycle;
    std::function<void(const freqmeter::TReading&)> MeterReading;
    // Bound or gone, as the window's title shows it: bound comes before the
    // binding's reads (the factors), so the module cannot be described yet.
    std::function<void(TInstrumentKind, bool bound)> Binding;
    // A module bound whose binding's reads are done: its strings and factors
    // are the new module's.
    std::function<void(TInstrumentKind)> Ready;
    // A poll whose transfer failed, with the platform's reason.
    std::function<void(TInstrumentKind, std::string_view reason)> TransferFailed;
    // A module whose arrival failed (a device object that could not be read).
    std::function<void(const std::string& reason)> ArrivalFailed;
    // A bound module stopped answering (false) or answers again (true).
    std::function<void(TInstrumentKind, bool answering)> Answering;
};

// What the session runs of its own accord, from the loop.
enum class TSessionWork { Arrival, Removal, LoggerPoll, MeterPoll };

// RunNow: the modules already plugged in are bound before the constructor
// returns, and their binding's reads done (see AwaitDescriptions). LeftQueued: the controller's start-up pass waits on the loop, as
// the window has it, so that they are bound once the window is on screen.
enum class TStartUpPass { RunNow, LeftQueued };

class TInstrumentSession {
public:
    // separator: the decimal separator of the recording file's numbers;
    // first, when given, is subscribed before the start-up pass.
    TInstrumentSession(THidPlatform& platform, TEventLoop& loop, char separator, TSessionSubscriber* first = nullptr,
                       TStartUpPass pass = TStartUpPass::RunNow);
    ~TInstrumentSession();
    TInstrumentSession(const TInstrumentSession&) = delete;
    TInstrumentSession& operator=(const TInstrumentSession&) = delete;

    TInstruments Instruments;
    std::unique_ptr<THidDeviceController> Controller;

    // Where a front-end runs each piece of work: the window runs it as one of
    // its handlers, so that an error it lets escape is shown as any handler's.
    // Empty: run as it is, a failed arrival told to the subscribers.
    std::function<void(TSessionWork, const std::function<void()>& work)> RunWork;

    // One poll of the logger or the frequency meter, as its timer's tick:
    // nothing unless a subscriber listens to the kind's readings. A poll goes
    // on while its module answers, and its readings are published when it
    // has; a tick that comes while the module is still busy is dropped, as
    // overdue ticks are.
    void PollLogger();
    void PollMeter();
    // Whether a kind's module answers: false from a transfer it has not
    // answered within NotAnsweringMs until it answers again.
    bool Answering(TInstrumentKind kind) const { return Instruments.Binding.Port(kind).Answering(); }
    // Bound, and the binding's reads (the factors) still out with a module
    // that answers: it cannot be described yet.
    bool Describing(TInstrumentKind kind) const;
    // Runs the loop until no module is Describing; a read out longer than
    // patienceMs makes its module one that does not answer.
    void AwaitDescriptions(int patienceMs = BindingReadPatienceMs);

    // A subscriber hears every event from now until it is taken back; it must
    // outlive its subscription.
    void Subscribe(TSessionSubscriber& subscriber);
    void Unsubscribe(TSessionSubscriber& subscriber);

    // A module of the kind is bound, and which device it is (null while none).
    bool Present(TInstrumentKind kind) const { return Instruments.Binding.Present(kind); }
    const THidDevice* BoundDevice(TInstrumentKind kind) const { return Instruments.Binding.Device(kind); }
    // The bound module's strings, as it named itself (empty while none is).
    TModuleStrings ModuleStrings(TInstrumentKind kind) const;
    // Bound and open for reading and writing.
    bool Usable(TInstrumentKind kind) const;
    // The timer that polls a kind while it is bound; null for the generator.
    TLoopTimer* PollingTimer(TInstrumentKind kind) const;
    // The latest reading since the frequency meter was bound.
    const std::optional<freqmeter::TReading>& LatestReading() const { return Reading_; }
    // The intermediate frequency taken off each reading (0 at start).
    int32_t MeterOffsetHz = 0;
    // The current sweep of each channel's trace (0: channel 1), in
    // calibrated volts: what a chart shows, emptied when a sweep starts again.
    const std::array<std::vector<double>, 2>& Sweep() const { return Sweep_; }

private:
    // Runs each subscriber's handler of the event, if it has one.
    template <typename Member, typename... Args>
    void Publish(Member member, const Args&... args);
    template <typename Member>
    bool Listened(Member member) const;
    void Run(TSessionWork kind, const std::function<void()>& work);
    void Arrived(THidDevice& device);
    void Failed(TInstrumentKind kind);
    void Bound(TInstrumentKind kind, bool bound);
    void Described(TInstrumentKind kind);
    TDetachedTask LoggerPoll();
    TDetachedTask MeterPoll();
    // A poll that has waited this long on its module tells it.
    void WatchPoll(TInstrumentKind kind);

    std::vector<TSessionSubscriber*> Subscribers_;
    std::unique_ptr<TLoopTimer> LoggerTimer_;
    std::unique_ptr<TLoopTimer> MeterTimer_;
    std::optional<freqmeter::TReading> Reading_;
    std::array<std::vector<double>, 2> Sweep_;
    std::array<bool, InstrumentKindCount> Describing_{};
    TEventLoop& Loop_;
    bool Closing_ = false;
    // Gone with the session: a call it posted runs only while it lives.
    std::shared_ptr<int> Alive_ = std::make_shared<int>(0);
};

}  // namespace tavik
