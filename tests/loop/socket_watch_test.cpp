// Socket watches under every loop that has them: a reading call when bytes
// come or the peer goes and only while reading is on, a writing call only
// while asked for and again once a full socket has room, and no call from a
// watch its own call ended.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/loop_kinds.h"
#include "tests/support/test_sockets.h"

namespace tavik {
namespace {

using test::TLoopKind;
using test::TTestSocket;

// Runs the loop until done() holds; gives up after a while so that a fault
// fails the test instead of hanging it.
bool RunUntil(TEventLoop& loop, const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < giveUp) loop.ProcessEvents(20);
    return done();
}

// A few rounds of whatever is due, for what must not happen.
void RunAWhile(TEventLoop& loop) {
    for (int round = 0; round < 5; ++round) loop.ProcessEvents(10);
}

class SocketWatch : public testing::TestWithParam<TLoopKind> {
protected:
    void SetUp() override {
        Loop = GetParam().Make();
        std::tie(Near, Far) = TTestSocket::Pair();
        ASSERT_TRUE(Near.IsOpen() && Far.IsOpen());
    }
    std::unique_ptr<TEventLoop> Loop;
    TTestSocket Near;  // watched
    TTestSocket Far;   // the peer
};

TEST_P(SocketWatch, ReadsWhatComesAndTheEnd) {
    std::string read;
    int writes = 0;
    const auto watch = Loop->WatchSocket(Near.Handle(), [&] { read += Near.Take(); }, [&] { ++writes; });
    ASSERT_NE(watch, nullptr);
    RunAWhile(*Loop);
    EXPECT_EQ(read, "");
    ASSERT_EQ(Far.Send("one\n"), 4);
    EXPECT_TRUE(RunUntil(*Loop, [&] { return read == "one\n"; })) << read;
    ASSERT_EQ(Far.Send("two\n"), 4);
    EXPECT_TRUE(RunUntil(*Loop, [&] { return read == "one\ntwo\n"; })) << read;
    watch->WantReadable(false);
    ASSERT_EQ(Far.Send("off\n"), 4);
    RunAWhile(*Loop);
    EXPECT_EQ(read, "one\ntwo\n") << "reading is off";
    watch->WantReadable(true);
    EXPECT_TRUE(RunUntil(*Loop, [&] { return read == "one\ntwo\noff\n"; })) << "what came meanwhile: " << read;
    Far.Close();
    EXPECT_TRUE(RunUntil(*Loop, [&] { return Near.Ended; })) << "the peer's end is a reading call";
    EXPECT_EQ(writes, 0) << "writing was never asked for";
}

TEST_P(SocketWatch, WritesOnlyWhileAskedAndAgainOnceAFullSocketHasRoom) {
    int calls = 0;
    int written = 0;
    std::unique_ptr<TSocketWatch> watch;
    watch = Loop->WatchSocket(Near.Handle(), [] {}, [&] {
        ++calls;
        if (Near.Send("x") == 1) {
            ++written;
            watch->WantWritable(false);
        }
    });
    ASSERT_NE(watch, nullptr);
    RunAWhile(*Loop);
    EXPECT_EQ(calls, 0) << "not asked for";
    watch->WantWritable(true);
    EXPECT_TRUE(RunUntil(*Loop, [&] { return written == 1; })) << "an empty socket has room at once";
    const int callsBefore = calls;
    RunAWhile(*Loop);
    EXPECT_EQ(calls, callsBefore) << "no calls once writing is off";

    // Full: the next call comes once the peer has read enough.
    const std::string block(64 * 1024, 'f');
    long long filled = 0;
    for (long long sent = 1; sent > 0;) filled += sent = Near.Send(block);
    ASSERT_GT(filled, 0);
    watch->WantWritable(true);
    RunAWhile(*Loop);
    EXPECT_EQ(written, 1) << "nothing goes into a full socket";
    std::size_t drained = 0;
    EXPECT_TRUE(RunUntil(*Loop, [&] {
        drained += Far.Take().size();
        return written == 2;
    }));
    EXPECT_GT(drained, 0u);
}

TEST_P(SocketWatch, AWatchItsOwnCallEndsCallsNoMore) {
    auto [otherNear, otherFar] = TTestSocket::Pair();
    int calls = 0;
    std::string otherRead;
    std::unique_ptr<TSocketWatch> watch = Loop->WatchSocket(Near.Handle(), [&] {
        ++calls;
        watch.reset();
    }, nullptr);
    const auto other = Loop->WatchSocket(otherNear.Handle(), [&] { otherRead += otherNear.Take(); }, nullptr);
    ASSERT_EQ(Far.Send("a"), 1);
    EXPECT_TRUE(RunUntil(*Loop, [&] { return calls == 1; }));
    ASSERT_EQ(Far.Send("b"), 1);
    ASSERT_EQ(otherFar.Send("c"), 1);
    EXPECT_TRUE(RunUntil(*Loop, [&] { return otherRead == "c"; })) << "the other watch goes on";
    EXPECT_EQ(calls, 1) << "unread bytes, but the watch is gone";
}

INSTANTIATE_TEST_SUITE_P(Loops, SocketWatch, testing::ValuesIn(test::LoopKinds()), test::LoopKindName);

}  // namespace
}  // namespace tavik
