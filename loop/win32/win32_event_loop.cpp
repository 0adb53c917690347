#include <winsock2.h>  // before windows.h, which the loop's header brings in

#include "win32_event_loop.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace tavik {

namespace {
constexpr wchar_t WindowClass[] = L"TavikEventLoop";
constexpr UINT RunPostedMessage = WM_APP + 1;
// WSAAsyncSelect's: the socket in wParam, what happened in lParam.
constexpr UINT SocketMessage = WM_APP + 2;
constexpr long ReadingEvents = FD_READ | FD_ACCEPT | FD_CLOSE | FD_OOB;
constexpr long WritingEvents = FD_WRITE | FD_CONNECT;

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }
}  // namespace

class TWin32EventLoop::TTimer : public TLoopTimer {
public:
    TTimer(TWin32EventLoop& loop, int intervalMs, std::function<void()> tick)
        : Loop_(loop), Id_(loop.NextTimerId_++), IntervalMs_(intervalMs), Tick_(std::move(tick)) {
        Loop_.Timers_[Id_] = this;
    }
    ~TTimer() override {
        Stop();
        Loop_.Timers_.erase(Id_);
    }
    // SetTimer on an id in use starts that timer over.
    void Start() override { Active_ = ::SetTimer(Loop_.Window_, Id_, static_cast<UINT>(IntervalMs_), nullptr) != 0; }
    void Stop() override {
        if (Active_) ::KillTimer(Loop_.Window_, Id_);
        Active_ = false;
    }
    bool Active() const override { return Active_; }
    int IntervalMs() const override { return IntervalMs_; }

    // A WM_TIMER already queued when the timer stopped is not a tick.
    void Fire() {
        if (Active_ && Tick_) Tick_();
    }

private:
    TWin32EventLoop& Loop_;
    UINT_PTR Id_;
    int IntervalMs_;
    std::function<void()> Tick_;
    bool Active_ = false;
};

// Winsock tells of a socket through the loop's window. FD_READ (FD_ACCEPT)
// comes again after a recv (accept) that left something. FD_WRITE comes once
// a socket is connected and then only after a send that would have blocked,
// so asking for writing posts one of the loop's own for a socket that may
// already be able to take more.
class TWin32EventLoop::TSocketWatchImpl : public TSocketWatch {
public:
    TSocketWatchImpl(TWin32EventLoop& loop, TSocketHandle socket, std::function<void()> onReadable,
                     std::function<void()> onWritable)
        : Loop_(loop), Socket_(socket), OnReadable(std::move(onReadable)), OnWritable(std::move(onWritable)) {
        Loop_.Sockets_[Socket_] = this;
        ::WSAAsyncSelect(static_cast<SOCKET>(Socket_), Loop_.Window_, SocketMessage, ReadingEvents | WritingEvents);
    }
    ~TSocketWatchImpl() override {
        // Messages already queued for the socket find no watch.
        ::WSAAsyncSelect(static_cast<SOCKET>(Socket_), Loop_.Window_, 0, 0);
        const auto found = Loop_.Sockets_.find(Socket_);
        if (found != Loop_.Sockets_.end() && found->second == this) Loop_.Sockets_.erase(found);
    }
    void WantWritable(bool on) override {
        const bool was = Writing;
        Writing = on && OnWritable;
        if (Writing && !was)
            ::PostMessageW(Loop_.Window_, SocketMessage, static_cast<WPARAM>(Socket_), WSAMAKESELECTREPLY(FD_WRITE, 0));
    }
    // What came while reading was off was not read: Winsock tells it again
    // only after the next recv.
    void WantReadable(bool on) override {
        if (on && !Reading)
            ::PostMessageW(Loop_.Window_, SocketMessage, static_cast<WPARAM>(Socket_), WSAMAKESELECTREPLY(FD_READ, 0));
        Reading = on;
    }

private:
    TWin32EventLoop& Loop_;
    const TSocketHandle Socket_;

public:
    const std::function<void()> OnReadable;
    const std::function<void()> OnWritable;
    bool Writing = false;
    bool Reading = true;
};

TWin32EventLoop::TWin32EventLoop() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = Instance();
    windowClass.lpszClassName = WindowClass;
    ::RegisterClassExW(&windowClass);  // fails harmlessly for a second loop
    Window_ = ::CreateWindowExW(0, WindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance(), nullptr);
    if (Window_) ::SetWindowLongPtrW(Window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TWin32EventLoop::~TWin32EventLoop() {
    // Messages still queued for the window go with it.
    if (Window_) ::DestroyWindow(Window_);
}

void TWin32EventLoop::Post(std::function<void()> call) {
    const uint64_t sequence = NextSequence_++;
    Posted_.emplace_back(sequence, std::move(call));
    ::PostMessageW(Window_, RunPostedMessage, static_cast<WPARAM>(sequence), 0);
}

void TWin32EventLoop::RunPostedUpTo(uint64_t sequence) {
    while (!Posted_.empty() && Posted_.front().first <= sequence) {
        std::function<void()> call = std::move(Posted_.front().second);
        Posted_.pop_front();
        call();
    }
}

std::unique_ptr<TLoopTimer> TWin32EventLoop::MakeTimer(int intervalMs, std::function<void()> tick) {
    return std::make_unique<TTimer>(*this, intervalMs, std::move(tick));
}

std::unique_ptr<TSocketWatch> TWin32EventLoop::WatchSocket(TSocketHandle socket, std::function<void()> onReadable,
                                                           std::function<void()> onWritable) {
    if (!Window_) return nullptr;
    return std::make_unique<TSocketWatchImpl>(*this, socket, std::move(onReadable), std::move(onWritable));
}

// A call may end watches, its own among them: the watch is looked for again
// before the writing call.
void TWin32EventLoop::SocketReady(TSocketHandle socket, long events) {
    auto found = Sockets_.find(socket);
    if (found == Sockets_.end()) return;
    if ((events & ReadingEvents) && found->second->Reading) {
        const std::function<void()> call = found->second->OnReadable;  // outlives a watch its call ends
        call();
        found = Sockets_.find(socket);
        if (found == Sockets_.end()) return;
    }
    // With reading off, the peer's going is the writing call's to learn: a
    // send tells it.
    const long writing = found->second->Reading ? WritingEvents : WritingEvents | FD_CLOSE;
    if ((events & writing) && found->second->Writing) {
        const std::function<void()> call = found->second->OnWritable;
        call();
    }
}

LRESULT CALLBACK TWin32EventLoop::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* loop = reinterpret_cast<TWin32EventLoop*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (loop && message == RunPostedMessage) {
        loop->RunPostedUpTo(static_cast<uint64_t>(wParam));
        return 0;
    }
    if (loop && message == SocketMessage) {
        loop->SocketReady(static_cast<TSocketHandle>(wParam), WSAGETSELECTEVENT(lParam));
        return 0;
    }
    if (loop && message == WM_TIMER) {
        const auto found = loop->Timers_.find(static_cast<UINT_PTR>(wParam));
        if (found != loop->Timers_.end()) found->second->Fire();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A timer always due (its handler outlasts its interval) would keep the queue
// full for ever, and so would a socket that always has more to read (Winsock
// tells of the rest after each read): a timer or socket met a second time ends
// the round, its message left queued for the next one.
bool TWin32EventLoop::DispatchQueued() {
    bool dispatched = false;
    std::vector<std::tuple<HWND, UINT, WPARAM>> seen;
    MSG message{};
    while (!QuitReceived_ && ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (message.message == WM_TIMER || (message.message == SocketMessage && message.hwnd == Window_)) {
            const std::tuple<HWND, UINT, WPARAM> source{message.hwnd, message.message, message.wParam};
            if (std::find(seen.begin(), seen.end(), source) != seen.end()) break;
            seen.push_back(source);
        }
        if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) break;
        dispatched = true;
        if (message.message == WM_QUIT) {
            QuitReceived_ = true;
            ExitCode_ = static_cast<int>(message.wParam);
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return dispatched;
}

void TWin32EventLoop::ProcessEvents(int maxWaitMs) {
    if (QuitReceived_ || DispatchQueued() || maxWaitMs <= 0) return;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(maxWaitMs), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    DispatchQueued();
}

}  // namespace tavik
