#pragma once
// An event loop with no toolkit: posted calls run in ProcessEvents, and timers
// tick when their owner fires them — or, once RealTime is set, also from
// ProcessEvents as their intervals pass. Watched descriptors are polled in
// ProcessEvents (POSIX only), sockets on every system (poll, WSAPoll). Tests,
// fuzz targets and benchmarks drive the program with it, and tavik-cli runs on
// it in real time.
#include <chrono>
#include <deque>
#include <vector>

#include "common/event_loop.h"

#ifndef _WIN32
#include <poll.h>
#endif

namespace tavik {

class TManualEventLoop : public TEventLoop {
public:
    using TClock = std::chrono::steady_clock;

    class TTimer : public TLoopTimer {
    public:
        TTimer(TManualEventLoop& loop, int intervalMs, std::function<void()> tick);
        ~TTimer() override;
        void Start() override;
        void Stop() override { Active_ = false; }
        bool Active() const override { return Active_; }
        int IntervalMs() const override { return IntervalMs_; }
        // One tick, as the loop delivers it: only while active.
        void Fire();

    private:
        friend class TManualEventLoop;
        TManualEventLoop& Loop_;
        int IntervalMs_;
        std::function<void()> Tick_;
        bool Active_ = false;
        TClock::time_point Due_{};
    };

    // Timers tick from ProcessEvents too, in real time.
    bool RealTime = false;

    void Post(std::function<void()> call) override { Posted_.push_back(std::move(call)); }
    std::unique_ptr<TLoopTimer> MakeTimer(int intervalMs, std::function<void()> tick) override;
    // Null on Windows, where there is no poll.
    std::unique_ptr<TLoopWatch> WatchReadable(int descriptor, std::function<void()> onReadable) override;
    // Polled with the descriptors (WSAPoll on Windows): both calls come
    // again for as long as the socket stays ready.
    std::unique_ptr<TSocketWatch> WatchSocket(TSocketHandle socket, std::function<void()> onReadable,
                                              std::function<void()> onWritable) override;
    // Runs the posted calls, those they post included. In real time it then
    // waits up to maxWaitMs for the next timer or a watched descriptor and
    // runs what came; otherwise it waits for a watched descriptor alone (none
    // watched: no wait at all).
    void ProcessEvents(int maxWaitMs = 0) override;

    std::size_t PendingCalls() const { return Posted_.size(); }
    // The timers made and not yet destroyed, in the order they were made.
    const std::vector<TTimer*>& Timers() const { return Timers_; }

private:
    class TWatch;
    void RunPosted();
    // Waits until wake at the latest for a watched descriptor or socket and
    // runs the calls of those that became ready.
    void WaitForWatches(TClock::time_point wake);
    void FireDueTimers();
    std::deque<std::function<void()>> Posted_;
    std::vector<TTimer*> Timers_;
    std::vector<TWatch*> Watches_;
#ifndef _WIN32
    std::vector<pollfd> Polled_;  // kept: a wait allocates nothing once the watches are set
#endif
};

}  // namespace tavik
