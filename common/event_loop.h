#pragma once
// What the program asks of an event loop, and nothing more: a call run later
// from the loop, repeating timers, a watch on a descriptor that has something
// to read (the Linux platform's hot-plug monitor), a watch on a network socket
// both ways (the server of tavik-cli serve), and (for a front-end with no loop
// of its own) a way to let the loop dispatch for a while. Qt, Win32 and a loop
// that runs only when told (tests) implement it. Everything runs on the loop's
// one thread.
#include <cstdint>
#include <functional>
#include <memory>

namespace tavik {

class TLoopTimer {
public:
    virtual ~TLoopTimer() = default;
    // The first tick comes one interval after Start; a running timer that is
    // started again starts over. Ticks that fall due while a handler runs
    // collapse into one.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
    virtual int IntervalMs() const = 0;
};

// Watching lasts as long as the watch: destroying it stops the calls.
class TLoopWatch {
public:
    virtual ~TLoopWatch() = default;
};

// A socket as the system names it: a POSIX descriptor, or a Windows SOCKET (a
// pointer-sized handle, not a descriptor). Either fits; -1 is neither.
using TSocketHandle = std::intptr_t;

// A watched socket. Readiness is told the way every loop can tell it: a
// reading call reads or accepts at least once, and what it leaves brings
// another call, after the loop's other work; a writing call writes until the
// socket would block or nothing is left.
class TSocketWatch : public TLoopWatch {
public:
    // Off at first. While on, onWritable runs once the socket can take more,
    // and again each time it could not and then can; turning it on when the
    // socket already can take more brings a call soon.
    virtual void WantWritable(bool on) = 0;
    // On at first. Off, onReadable is not called: a socket whose peer has
    // ended its side reads as ready for ever, while answers may still be
    // going out to it.
    virtual void WantReadable(bool on) = 0;
};

class TEventLoop {
public:
    virtual ~TEventLoop() = default;

    // Runs call from the loop, after what is queued already. A caller that
    // may be gone by then guards the call itself.
    virtual void Post(std::function<void()> call) = 0;

    // A repeating timer, stopped until started; ticks run from the loop.
    virtual std::unique_ptr<TLoopTimer> MakeTimer(int intervalMs, std::function<void()> tick) = 0;

    // onReadable runs from the loop whenever the POSIX file descriptor has
    // something to read; it must read it, or it is called again. Null where
    // the loop watches no descriptors: the Win32 loop, whose device notices
    // come as window messages.
    virtual std::unique_ptr<TLoopWatch> WatchReadable(int descriptor, std::function<void()> onReadable) = 0;

    // A non-blocking socket: onReadable runs when it has something to read,
    // a connection to accept, or its peer has gone or failed; onWritable as
    // TSocketWatch says. Null where the loop cannot watch sockets.
    virtual std::unique_ptr<TSocketWatch> WatchSocket(TSocketHandle socket, std::function<void()> onReadable,
                                                      std::function<void()> onWritable) = 0;

    // Dispatches what is due, waiting at most maxWaitMs for something to come.
    virtual void ProcessEvents(int maxWaitMs) = 0;
};

}  // namespace tavik
