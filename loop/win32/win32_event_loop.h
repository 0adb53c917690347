#pragma once
// The event loop of a Win32 program. Posted calls reach a hidden message
// window of the loop's own through PostMessage, timers are SetTimer timers on
// it, sockets tell of themselves to it through WSAAsyncSelect, and
// ProcessEvents dispatches the messages of every window of the thread, so the
// program's other windows (the device notifications among them) get theirs
// too. Everything runs on the thread that made the loop.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>

#include "common/event_loop.h"

namespace tavik {

class TWin32EventLoop : public TEventLoop {
public:
    TWin32EventLoop();
    ~TWin32EventLoop() override;
    TWin32EventLoop(const TWin32EventLoop&) = delete;
    TWin32EventLoop& operator=(const TWin32EventLoop&) = delete;

    void Post(std::function<void()> call) override;
    std::unique_ptr<TLoopTimer> MakeTimer(int intervalMs, std::function<void()> tick) override;
    // Always null: Windows tells of devices through window messages, which
    // ProcessEvents dispatches, and a console's or pipe's handle cannot be
    // waited on as a descriptor.
    std::unique_ptr<TLoopWatch> WatchReadable(int, std::function<void()>) override { return nullptr; }
    // WSAAsyncSelect on the loop's window, which makes the socket
    // non-blocking. One watch a socket; sockets accepted from a watched one
    // are not watched until asked.
    std::unique_ptr<TSocketWatch> WatchSocket(TSocketHandle socket, std::function<void()> onReadable,
                                              std::function<void()> onWritable) override;
    // Dispatches the queued messages, up to a timer or socket met a second
    // time; when there was none, waits up to maxWaitMs for one and
    // dispatches what came. Once WM_QUIT has come it dispatches nothing more.
    void ProcessEvents(int maxWaitMs) override;

    // Set once ProcessEvents has met WM_QUIT, with the code it carried.
    bool QuitReceived() const { return QuitReceived_; }
    int ExitCode() const { return ExitCode_; }

private:
    class TTimer;
    class TSocketWatchImpl;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool DispatchQueued();
    void RunPostedUpTo(uint64_t sequence);
    void SocketReady(TSocketHandle socket, long events);

    HWND Window_ = nullptr;
    // Each call carries the number of the message posted for it: a message
    // runs every call up to its own number, so a call whose message could not
    // be posted runs with the next one, in order.
    std::deque<std::pair<uint64_t, std::function<void()>>> Posted_;
    uint64_t NextSequence_ = 1;
    std::map<UINT_PTR, TTimer*> Timers_;
    UINT_PTR NextTimerId_ = 1;
    std::map<TSocketHandle, TSocketWatchImpl*> Sockets_;
    bool QuitReceived_ = false;
    int ExitCode_ = 0;
};

}  // namespace tavik
