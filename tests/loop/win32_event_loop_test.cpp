// The Win32 loop under the rules every loop keeps: posted calls in order,
// among the messages of the thread's other windows; timers that tick while
// active and never after they stop or go; a wait that a message ends.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "loop/win32/win32_event_loop.h"

namespace tavik {
namespace {

// A top-level window of the thread, apart from the loop, that notes the
// WM_APP messages it gets.
class TOtherWindow {
public:
    explicit TOtherWindow(std::vector<std::string>& log) : Log_(log) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TavikLoopTestWindow";
        ::RegisterClassExW(&windowClass);
        Window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   windowClass.hInstance, nullptr);
        ::SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TOtherWindow() { ::DestroyWindow(Window); }
    HWND Window = nullptr;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TOtherWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message >= WM_APP) {
            self->Log_.push_back("window " + std::to_string(wParam));
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    std::vector<std::string>& Log_;
};

// Runs the loop until done() or five seconds pass.
template <typename Done>
bool RunUntil(TWin32EventLoop& loop, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < deadline) loop.ProcessEvents(100);
    return done();
}

TEST(Win32Loop, PostedCallsRunInOrderAmongTheThreadsOtherMessages) {
    TWin32EventLoop loop;
    std::vector<std::string> log;
    TOtherWindow other(log);
    ASSERT_NE(other.Window, nullptr);
    loop.Post([&] {
        log.push_back("a");
        loop.Post([&] { log.push_back("c, posted by a"); });
    });
    ::PostMessageW(other.Window, WM_APP, 1, 0);
    loop.Post([&] { log.push_back("b"); });
    ::PostMessageW(other.Window, WM_APP, 2, 0);
    EXPECT_TRUE(log.empty()) << "nothing runs inside Post";
    loop.ProcessEvents(0);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "window 1", "b", "window 2", "c, posted by a"}));

    // WM_QUIT ends the dispatching: once it is met nothing more runs.
    log.clear();
    ::PostQuitMessage(3);
    loop.ProcessEvents(0);
    EXPECT_TRUE(loop.QuitReceived());
    EXPECT_EQ(loop.ExitCode(), 3);
    loop.Post([&] { log.push_back("after the quit"); });
    loop.ProcessEvents(0);
    EXPECT_TRUE(log.empty());
}

TEST(Win32Loop, TimersTickWhileActiveAndNeverAfterTheyStopOrGo) {
    TWin32EventLoop loop;
    int fast = 0;
    int stopped = 0;
    int gone = 0;
    auto fastTimer = loop.MakeTimer(10, [&] { ++fast; });
    auto stoppedTimer = loop.MakeTimer(10, [&] { ++stopped; });
    auto goneTimer = loop.MakeTimer(10, [&] { ++gone; });
    EXPECT_FALSE(fastTimer->Active()) << "made stopped";
    EXPECT_EQ(fastTimer->IntervalMs(), 10);
    fastTimer->Start();
    stoppedTimer->Start();
    goneTimer->Start();
    EXPECT_TRUE(fastTimer->Active());
    // Let both others fall due, then stop one and destroy the other before the
    // loop sees their WM_TIMER.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stoppedTimer->Stop();
    goneTimer.reset();
    EXPECT_TRUE(RunUntil(loop, [&] { return fast >= 3; }));
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(gone, 0);

    // Started again, the stopped one ticks again.
    stoppedTimer->Start();
    EXPECT_TRUE(RunUntil(loop, [&] { return stopped >= 1; }));
    fastTimer->Stop();
    stoppedTimer->Stop();

    // A handler ten intervals long: the ticks that fall due meanwhile come
    // as one, and the loop still returns to its caller.
    int slow = 0;
    auto slowTimer = loop.MakeTimer(10, [&] {
        ++slow;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    slowTimer->Start();
    const auto start = std::chrono::steady_clock::now();
    int rounds = 0;
    for (; rounds < 5; ++rounds) loop.ProcessEvents(100);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    slowTimer->Stop();
    EXPECT_GE(slow, 2);
    EXPECT_LE(slow, elapsed / std::chrono::milliseconds(100) + 1) << "one tick per handler run, not one per interval";
}

TEST(Win32Loop, AWaitEndsWhenAMessageComes) {
    TWin32EventLoop loop;
    std::vector<std::string> log;
    TOtherWindow other(log);
    loop.ProcessEvents(20);  // nothing comes: returns all the same
    EXPECT_TRUE(log.empty());
    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::PostMessageW(other.Window, WM_APP, 7, 0);
    });
    const auto start = std::chrono::steady_clock::now();
    loop.ProcessEvents(60000);
    const auto waited = std::chrono::steady_clock::now() - start;
    sender.join();
    EXPECT_EQ(log, std::vector<std::string>{"window 7"});
    EXPECT_LT(waited, std::chrono::seconds(30)) << "the message, not the time limit, ended the wait";
}

}  // namespace
}  // namespace tavik
