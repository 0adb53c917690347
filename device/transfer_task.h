#pragma once
// A sequence of transfers written in statement order: a coroutine that runs
// at once, up to the first transfer the module does not answer at once, and
// goes on from where it stopped when the answer comes, on the loop's thread.
// A module that answers at once (the in-memory modules, a worker that was
// quick) runs the whole sequence before the call returns, exactly as a plain
// function would.
//
// TTask<T> is awaited by the sequence that started it (co_await) or finished
// by its port (TInstrumentPort::Finish); TDetachedTask runs on its own and
// frees itself at its end. Frames come from a pool that keeps what it gave
// back, so a tick in steady state allocates nothing. Everything here lives on
// the loop's one thread.
#include <coroutine>
#include <cstddef>
#include <exception>
#include <optional>
#include <utility>

namespace tavik {

namespace task_detail {
// Frames by size class, kept when freed: a handful of classes serve every
// sequence the program has.
void* AllocateFrame(std::size_t size);
void FreeFrame(void* frame, std::size_t size) noexcept;

struct TPooledFrame {
    static void* operator new(std::size_t size) { return AllocateFrame(size); }
    static void operator delete(void* frame, std::size_t size) noexcept { FreeFrame(frame, size); }
};

// Resumes whoever awaits the finished task, if anyone does.
struct TFinalAwaiter {
    std::coroutine_handle<> Continuation;
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<>) const noexcept {
        return Continuation ? Continuation : std::noop_coroutine();
    }
    void await_resume() const noexcept {}
};
}  // namespace task_detail

template <typename T>
class [[nodiscard]] TTask {
public:
    struct promise_type : task_detail::TPooledFrame {
        std::optional<T> Value;
        std::coroutine_handle<> Continuation;
        TTask get_return_object() { return TTask(std::coroutine_handle<promise_type>::from_promise(*this)); }
        std::suspend_never initial_suspend() noexcept { return {}; }
        task_detail::TFinalAwaiter final_suspend() noexcept { return {Continuation}; }
        template <typename U>
        void return_value(U&& value) {
            Value.emplace(std::forward<U>(value));
        }
        // The sequences report failures as results; an exception is a defect.
        void unhandled_exception() noexcept { std::terminate(); }
    };
    using THandle = std::coroutine_handle<promise_type>;

    TTask(TTask&& other) noexcept : Handle_(std::exchange(other.Handle_, {})) {}
    TTask& operator=(TTask&&) = delete;
    ~TTask() {
        if (Handle_) Handle_.destroy();
    }

    bool Done() const { return Handle_.done(); }
    T& Result() { return *Handle_.promise().Value; }

    bool await_ready() const noexcept { return Handle_.done(); }
    void await_suspend(std::coroutine_handle<> awaiting) noexcept { Handle_.promise().Continuation = awaiting; }
    T await_resume() { return std::move(*Handle_.promise().Value); }

private:
    explicit TTask(THandle handle) : Handle_(handle) {}
    THandle Handle_;
};

// Started and forgotten: a tick, a bind action. It frees its frame at its end.
struct TDetachedTask {
    struct promise_type : task_detail::TPooledFrame {
        TDetachedTask get_return_object() noexcept { return {}; }
        std::suspend_never initial_suspend() noexcept { return {}; }
        std::suspend_never final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { std::terminate(); }
    };
};

}  // namespace tavik
