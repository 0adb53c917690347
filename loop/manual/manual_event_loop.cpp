#include "manual_event_loop.h"

#include <algorithm>
#include <thread>

namespace tavik {

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

void TManualEventLoop::RunPosted() {
    while (!Posted_.empty()) {
        std::function<void()> call = std::move(Posted_.front());
        Posted_.pop_front();
        call();
    }
}

void TManualEventLoop::ProcessEvents(int maxWaitMs) {
    RunPosted();
    if (!RealTime) return;
    TClock::time_point wake = TClock::now() + std::chrono::milliseconds(maxWaitMs);
    for (const TTimer* timer : Timers_)
        if (timer->Active_) wake = std::min(wake, timer->Due_);
    std::this_thread::sleep_until(wake);
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
    RunPosted();
}

}  // namespace tavik
