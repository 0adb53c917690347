// The manual loop's descriptor watches: a call when there is something to
// read, a real-time wait that a readable descriptor ends before the next
// timer, and no call once the watch is gone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "loop/manual/manual_event_loop.h"

namespace tavik {
namespace {

struct TPipe {
    int Read = -1;
    int Write = -1;
    TPipe() {
        int ends[2];
        if (pipe(ends) == 0) Read = ends[0], Write = ends[1];
    }
    ~TPipe() {
        close(Read);
        close(Write);
    }
    void Put() { ASSERT_EQ(write(Write, "x", 1), 1); }
    void Take() {
        char byte;
        ASSERT_EQ(read(Read, &byte, 1), 1);
    }
};

TEST(ManualLoopWatch, CallsWhileReadableEndsTheWaitAndStopsWithTheWatch) {
    TManualEventLoop loop;
    TPipe pipe;
    ASSERT_GE(pipe.Read, 0);
    int calls = 0;
    auto watch = loop.WatchReadable(pipe.Read, [&] {
        ++calls;
        pipe.Take();
    });
    ASSERT_NE(watch, nullptr);

    loop.ProcessEvents(0);
    EXPECT_EQ(calls, 0) << "nothing to read";
    pipe.Put();
    loop.ProcessEvents(0);
    EXPECT_EQ(calls, 1);

    // In real time a readable descriptor ends the wait long before the timer.
    loop.RealTime = true;
    int ticks = 0;
    const auto timer = loop.MakeTimer(5000, [&] { ++ticks; });
    timer->Start();
    pipe.Put();
    const auto start = std::chrono::steady_clock::now();
    loop.ProcessEvents(10000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ticks, 0);

    // A call that ends its own watch, and nothing after it.
    pipe.Put();
    pipe.Put();
    watch = loop.WatchReadable(pipe.Read, [&] {
        ++calls;
        watch.reset();
    });
    loop.ProcessEvents(0);
    EXPECT_EQ(calls, 3);
    loop.RealTime = false;
    loop.ProcessEvents(0);
    EXPECT_EQ(calls, 3) << "the bytes are still there, the watch is not";
}

}  // namespace
}  // namespace tavik
