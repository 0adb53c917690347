#ifdef _WIN32
#include <winsock2.h>  // WSAPoll
#endif

#include "manual_event_loop.h"

#include <algorithm>
#include <thread>

namespace tavik {

// A descriptor's watch, and a socket's: a socket's may ask for writing too.
class TManualEventLoop::TWatch : public TSocketWatch {
public:
    TWatch(TManualEventLoop& loop, TSocketHandle handle, std::function<void()> onReadable,
           std::function<void()> onWritable)
        : Loop_(loop), Handle(handle), OnReadable(std::move(onReadable)), OnWritable(std::move(onWritable)) {
        Loop_.Watches_.push_back(this);
    }
    ~TWatch() override { std::erase(Loop_.Watches_, this); }
    void WantWritable(bool on) override { Writing = on && OnWritable; }
    void WantReadable(bool on) override { Reading = on; }

    TManualEventLoop& Loop_;
    const TSocketHandle Handle;
    const std::function<void()> OnReadable;
    const std::function<void()> OnWritable;
    bool Writing = false;
    bool Reading = true;
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
    return std::make_unique<TWatch>(*this, descriptor, std::move(onReadable), nullptr);
#endif
}

std::unique_ptr<TSocketWatch> TManualEventLoop::WatchSocket(TSocketHandle socket, std::function<void()> onReadable,
                                                            std::function<void()> onWritable) {
    return std::make_unique<TWatch>(*this, socket, std::move(onReadable), std::move(onWritable));
}

// What was posted before this pass: a call posted by one of them runs in the
// next pass, after the sockets and timers have had theirs (as on Windows and
// in Qt), so that a call that posts itself again does not hold up the loop.
void TManualEventLoop::RunPosted() {
    for (std::size_t count = Posted_.size(); count > 0 && !Posted_.empty(); --count) {
        std::function<void()> call = std::move(Posted_.front());
        Posted_.pop_front();
        call();
    }
}

void TManualEventLoop::WaitForWatches(TClock::time_point wake) {
#ifdef _WIN32
    std::vector<WSAPOLLFD> polled;  // the header stays free of Winsock
    using TPolledHandle = SOCKET;
#else
    std::vector<pollfd>& polled = Polled_;
    polled.clear();
    using TPolledHandle = int;
#endif
    // A watch that wants nothing is not polled: poll tells of a hang-up
    // whatever it is asked.
    std::vector<TWatch*> watches;
    for (TWatch* watch : Watches_) {
        const short events = static_cast<short>((watch->Reading ? POLLIN : 0) | (watch->Writing ? POLLOUT : 0));
        if (events == 0) continue;
        polled.push_back({static_cast<TPolledHandle>(watch->Handle), events, 0});
        watches.push_back(watch);
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(wake - TClock::now());
    const int waitMs = static_cast<int>(std::max<long long>(left.count(), 0));
#ifdef _WIN32
    // WSAPoll fails on an empty set rather than wait.
    if (polled.empty()) {
        std::this_thread::sleep_until(wake);
        return;
    }
    if (WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), waitMs) <= 0) return;
#else
    // A signal cuts the wait short (poll is never restarted): the caller
    // looks at what the signal set before it waits again.
    if (poll(polled.data(), polled.size(), waitMs) <= 0) return;
#endif
    // A call may end watches, its own among them, or change what others
    // want: each is looked for again before each call.
    const auto alive = [&](const TWatch* watch) {
        return std::find(Watches_.begin(), Watches_.end(), watch) != Watches_.end();
    };
    for (std::size_t i = 0; i < polled.size(); ++i) {
        const short revents = polled[i].revents;
        const short failed = POLLHUP | POLLERR;
        if ((revents & (POLLIN | failed)) && alive(watches[i]) && watches[i]->Reading) {
            const std::function<void()> call = watches[i]->OnReadable;  // outlives a watch its call ends
            call();
        }
        // A failed socket goes to its reading call, or to the writing one
        // when reading is off: a send learns why.
        if (!alive(watches[i]) || !watches[i]->Writing) continue;
        if (revents & (watches[i]->Reading ? POLLOUT : POLLOUT | failed)) {
            const std::function<void()> call = watches[i]->OnWritable;
            call();
        }
    }
}

void TManualEventLoop::FireDueTimers() {
    // A tick may stop, start or destroy timers: walk a copy, check each again.
    const std::vector<TTimer*> timers = Timers_;
    for (TTimer* timer : timers) {
        if (std::find(Timers_.begin(), Timers_.end(), timer) == Timers_.end()) continue;
        const TClock::time_point now = TClock::now();
        if (!timer->Active_ || timer->Due_ > now) continue;
        // The period is kept: a tick that came late does not push the next
        // one later. Ticks overdue by a whole interval collapse into one.
        const auto interval = std::chrono::milliseconds(timer->IntervalMs_);
        timer->Due_ += interval;
        if (timer->Due_ <= now) timer->Due_ = now + interval;
        timer->Fire();
    }
}

void TManualEventLoop::ProcessEvents(int maxWaitMs) {
    RunPosted();
    // Calls left for the next pass: the watches are looked at without a wait.
    TClock::time_point wake = TClock::now() + std::chrono::milliseconds(Posted_.empty() ? maxWaitMs : 0);
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
