#include "manual_event_loop.h"

#include <algorithm>
#include <thread>

namespace tavik {

class TManualEventLoop::TWatch : public TLoopWatch {
public:
    TWatch(TManualEventLoop& loop, int descriptor, std::function<void()> onReadable)
        : Loop_(loop), Descriptor(descriptor), OnReadable(std::move(onReadable)) {
        Loop_.Watches_.push_back(this);
    }
    ~TWatch() override { std::erase(Loop_.Watches_, this); }

    TManualEventLoop& Loop_;
    const int Descriptor;
    const std::function<void()> OnReadable;
};

TManualEventLoop::TTimer::TTimer(TManualEventLoop& loop, int intervalMs, std::function<void()> tick)
    : Loop_(loop), IntervalMs_(intervalMs), Tick_(std::move(tick)) {
    Loop_.Timers_.push_back(this);
}

TManualEventLoop::TTimer::~TTimer() { std::erase(Loop_.Timers_, this); }

void TManualEventLoop::TTimer::Start() {
    Active_ = true;
    Due_ = TClock::now() + std::chrono::milliseconds(IntervalMs_);
}

void TManualEventLoop::TTimer::Fire() {
    if (Active_ && Tick_) Tick_();
}

std::unique_ptr<TLoopTimer> TManualEventLoop::MakeTimer(int intervalMs, std::function<void()> tick) {
    return std::make_unique<TTimer>(*this, intervalMs, std::move(tick));
}

std::unique_ptr<TLoopWatch> TManualEventLoop::WatchReadable(int descriptor, std::function<void()> onReadable) {
#ifdef _WIN32
    (void)descriptor;
    (void)onReadable;
    return nullptr;
#else
    return std::make_unique<TWatch>(*this, descriptor, std::move(onReadable));
#endif
}

void TManualEventLoop::RunPosted() {
    while (!Posted_.empty()) {
        std::function<void()> call = std::move(Posted_.front());
        Posted_.pop_front();
        call();
    }
}

void TManualEventLoop::WaitForWatches(TClock::time_point wake) {
#ifdef _WIN32
    std::this_thread::sleep_until(wake);
#else
    std::vector<pollfd>& polled = Polled_;
    polled.clear();
    for (const TWatch* watch : Watches_) polled.push_back({watch->Descriptor, POLLIN, 0});
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(wake - TClock::now());
    // A signal cuts the wait short (poll is never restarted): the caller
    // looks at what the signal set before it waits again.
    if (poll(polled.data(), polled.size(), static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) return;
    // A call may end watches, its own among them: each is looked for again.
    const std::vector<TWatch*> watches = Watches_;
    for (std::size_t i = 0; i < polled.size(); ++i) {
        if (!(polled[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        if (std::find(Watches_.begin(), Watches_.end(), watches[i]) == Watches_.end()) continue;
        const std::function<void()> call = watches[i]->OnReadable;  // outlives a watch its call ends
        call();
    }
#endif
}

void TManualEventLoop::FireDueTimers() {
    // A tick may stop, start or destroy timers: walk a copy, check each again.
    const std::vector<TTimer*> timers = Timers_;
    for (TTimer* timer : timers) {
        if (std::find(Timers_.begin(), Timers_.end(), timer) == Timers_.end()) continue;
        const TClock::time_point now = TClock::now();
        if (!timer->Active_ || timer->Due_ > now) continue;
        // Overdue ticks collapse into one.
        timer->Due_ = now + std::chrono::milliseconds(timer->IntervalMs_);
        timer->Fire();
    }
}

void TManualEventLoop::ProcessEvents(int maxWaitMs) {
    RunPosted();
    TClock::time_point wake = TClock::now() + std::chrono::milliseconds(maxWaitMs);
    if (!RealTime) {
        if (Watches_.empty()) return;
        WaitForWatches(wake);
        RunPosted();
        return;
    }
    for (const TTimer* timer : Timers_)
        if (timer->Active_) wake = std::min(wake, timer->Due_);
    WaitForWatches(wake);
    FireDueTimers();
    RunPosted();
}

}  // namespace tavik
