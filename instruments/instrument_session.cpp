#include "instrument_session.h"

#include <algorithm>
#include <exception>

#include "common/utf8_text.h"
#include "device/hid_device.h"

namespace tavik {

TInstrumentSession::TInstrumentSession(THidPlatform& platform, TEventLoop& loop, char separator,
                                       TSessionSubscriber* first, TStartUpPass pass)
    : Instruments(separator), Loop_(loop) {
    if (first) Subscribe(*first);
    for (std::vector<double>& trace : Sweep_) trace.reserve(logger::SweepPoints);
    LoggerTimer_ = loop.MakeTimer(LoggerPollMs, [this] { Run(TSessionWork::LoggerPoll, [this] { PollLogger(); }); });
    MeterTimer_ = loop.MakeTimer(FrequencyMeterPollMs, [this] { Run(TSessionWork::MeterPoll, [this] { PollMeter(); }); });
    for (const TInstrumentKindInfo& info : InstrumentKinds) {
        TLoopTimer* timer = PollingTimer(info.Kind);
        const TInstrumentKind kind = info.Kind;
        Instruments.SetFrontEnd(
            kind, [this, kind](bool bound) { Bound(kind, bound); },
            [timer](bool on) {
                if (timer) on ? timer->Start() : timer->Stop();
            },
            [this, kind] { Described(kind); });
    }
    for (const TInstrumentKindInfo& info : InstrumentKinds) {
        const TInstrumentKind kind = info.Kind;
        Instruments.Binding.Port(kind).OnAnswering = [this, kind](bool answering) {
            if (!Closing_) Publish(&TSessionSubscriber::Answering, kind, answering);
        };
    }
    // Clicks owed a generator that did not answer go out once it takes
    // transfers again, from the loop rather than from the transfer's end.
    Instruments.Binding.Port(TInstrumentKind::Generator).OnFree = [this] {
        Loop_.Post([this, alive = std::weak_ptr<int>(Alive_)] {
            if (!alive.expired() && !Closing_) Instruments.Generator.SendOwed();
        });
    };
    Instruments.Generator.BuildTables();
    Controller = std::make_unique<THidDeviceController>(platform, loop);
    Controller->OnArrival = [this](THidDevice& device) { Run(TSessionWork::Arrival, [&] { Arrived(device); }); };
    Controller->OnRemoval = [this](THidDevice& device) {
        Run(TSessionWork::Removal, [&] { Instruments.Binding.OnUSBDisconnect(device); });
    };
    if (pass == TStartUpPass::RunNow) {
        loop.ProcessEvents(0);
        AwaitDescriptions();
    }
}

void TInstrumentSession::Run(TSessionWork kind, const std::function<void()>& work) {
    if (RunWork) return RunWork(kind, work);
    if (kind != TSessionWork::Arrival) return work();
    try {
        work();
    } catch (const std::exception& error) {
        Publish(&TSessionSubscriber::ArrivalFailed, std::string(error.what()));
    }
}

void TInstrumentSession::Arrived(THidDevice& device) {
    // Before the binding opens the device for its transfers.
    if (HasInstrumentIds(device)) device.ReadSerialNumber();
    Instruments.Binding.OnUSBConnect(device);
    // Read while the device may be opened: a listing shows them.
    if (HasInstrumentIds(device)) {
        device.ManufacturerString();
        device.ProductString();
    }
}

bool TInstrumentSession::Describing(TInstrumentKind kind) const {
    return Describing_[SlotOf(kind)] && Present(kind) && Answering(kind);
}

void TInstrumentSession::AwaitDescriptions(int patienceMs) {
    for (;;) {
        bool waiting = false;
        for (const TInstrumentKindInfo& info : InstrumentKinds) {
            if (!Describing(info.Kind)) continue;
            Instruments.Binding.Port(info.Kind).CheckOverdue(patienceMs);
            waiting = waiting || Describing(info.Kind);
        }
        if (!waiting) return;
        Loop_.ProcessEvents(20);
    }
}

void TInstrumentSession::Described(TInstrumentKind kind) {
    Describing_[SlotOf(kind)] = false;
    if (!Closing_) Publish(&TSessionSubscriber::Ready, kind);
}

TInstrumentSession::~TInstrumentSession() {
    Closing_ = true;
    LoggerTimer_->Stop();
    MeterTimer_->Stop();
    // A poll still waiting on its module ends now, sending nothing more and
    // telling no one, while everything it touches is still there.
    for (const TInstrumentKindInfo& info : InstrumentKinds) {
        TInstrumentPort& port = Instruments.Binding.Port(info.Kind);
        port.Device = nullptr;
        port.Abandon();
        port.OnAnswering = nullptr;
        port.OnFree = nullptr;
    }
    Controller.reset();
}

void TInstrumentSession::Subscribe(TSessionSubscriber& subscriber) { Subscribers_.push_back(&subscriber); }

void TInstrumentSession::Unsubscribe(TSessionSubscriber& subscriber) {
    Subscribers_.erase(std::remove(Subscribers_.begin(), Subscribers_.end(), &subscriber), Subscribers_.end());
}

TModuleStrings TInstrumentSession::ModuleStrings(TInstrumentKind kind) const {
    THidDevice* device = Instruments.Binding.Device(kind);
    if (!device) return {};
    return {Utf8Of(device->ManufacturerString()), Utf8Of(device->ProductString()), Utf8Of(device->SerialNumberString())};
}

bool TInstrumentSession::Usable(TInstrumentKind kind) const {
    const THidDevice* device = Instruments.Binding.Device(kind);
    return device && device->HasReadWriteAccess();
}

TLoopTimer* TInstrumentSession::PollingTimer(TInstrumentKind kind) const {
    switch (kind) {
    case TInstrumentKind::Logger: return LoggerTimer_.get();
    case TInstrumentKind::FrequencyMeter: return MeterTimer_.get();
    case TInstrumentKind::Generator: break;
    }
    return nullptr;
}

template <typename Member, typename... Args>
void TInstrumentSession::Publish(Member member, const Args&... args) {
    // By index: a handler may subscribe or unsubscribe.
    for (std::size_t i = 0; i < Subscribers_.size(); ++i)
        if (const auto& handler = Subscribers_[i]->*member) handler(args...);
}

template <typename Member>
bool TInstrumentSession::Listened(Member member) const {
    return std::any_of(Subscribers_.begin(), Subscribers_.end(),
                       [member](const TSessionSubscriber* subscriber) { return bool(subscriber->*member); });
}

void TInstrumentSession::Failed(TInstrumentKind kind) {
    const TCommandResult result = Instruments.Binding.Port(kind).LastResult();
    if (result.Status == TCommandStatus::Failed) Publish(&TSessionSubscriber::TransferFailed, kind, result.Reason.Text());
}

void TInstrumentSession::WatchPoll(TInstrumentKind kind) { Instruments.Binding.Port(kind).CheckOverdue(); }

void TInstrumentSession::PollLogger() {
    if (Closing_ || !Listened(&TSessionSubscriber::LoggerCycle)) return;
    if (Instruments.Binding.Port(TInstrumentKind::Logger).Busy()) return WatchPoll(TInstrumentKind::Logger);
    LoggerPoll();
}

TDetachedTask TInstrumentSession::LoggerPoll() {
    const std::optional<logger::TLoggerCycle> cycle = co_await Instruments.Logger.Cycle();
    if (Closing_) co_return;
    if (!cycle) co_return Failed(TInstrumentKind::Logger);
    if (cycle->HasSamples) {
        if (cycle->NewSweep)
            for (std::vector<double>& trace : Sweep_) trace.clear();
        Sweep_[0].insert(Sweep_[0].end(), std::begin(cycle->Points.Channel1), std::end(cycle->Points.Channel1));
        Sweep_[1].insert(Sweep_[1].end(), std::begin(cycle->Points.Channel2), std::end(cycle->Points.Channel2));
    }
    Publish(&TSessionSubscriber::LoggerCycle, *cycle);
}

void TInstrumentSession::PollMeter() {
    if (Closing_ || !Listened(&TSessionSubscriber::MeterReading)) return;
    if (Instruments.Binding.Port(TInstrumentKind::FrequencyMeter).Busy())
        return WatchPoll(TInstrumentKind::FrequencyMeter);
    MeterPoll();
}

TDetachedTask TInstrumentSession::MeterPoll() {
    std::optional<freqmeter::TReading> reading = co_await Instruments.FrequencyMeter.Cycle(MeterOffsetHz);
    if (Closing_) co_return;
    if (!reading) co_return Failed(TInstrumentKind::FrequencyMeter);
    Reading_ = std::move(reading);
    Publish(&TSessionSubscriber::MeterReading, *Reading_);
}

void TInstrumentSession::Bound(TInstrumentKind kind, bool bound) {
    Describing_[SlotOf(kind)] = bound;
    // A reading of a module since gone is not this one's.
    if (kind == TInstrumentKind::FrequencyMeter && bound) Reading_.reset();
    Publish(&TSessionSubscriber::Binding, kind, bound);
}

}  // namespace tavik
