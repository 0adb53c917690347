#pragma once
// A call posted to the loop at most once at a time: posting it again before
// it has run changes nothing, and once its owner has gone a call still
// waiting in the loop does nothing. For passes that many events may ask for
// ("every client with lines waiting has its turn"), run once for them all.
#include <functional>
#include <memory>

#include "event_loop.h"

namespace tavik {

class TPostedOnce {
public:
    // The loop must outlive it.
    TPostedOnce(TEventLoop& loop, std::function<void()> call) : Loop_(loop), Call_(std::move(call)) {}
    TPostedOnce(const TPostedOnce&) = delete;
    TPostedOnce& operator=(const TPostedOnce&) = delete;

    void Post() {
        if (*Pending_) return;
        *Pending_ = true;
        Loop_.Post([this, pending = std::weak_ptr<bool>(Pending_)] {
            const std::shared_ptr<bool> held = pending.lock();
            if (!held) return;
            *held = false;
            Call_();
        });
    }

private:
    TEventLoop& Loop_;
    const std::function<void()> Call_;
    std::shared_ptr<bool> Pending_ = std::make_shared<bool>(false);
};

}  // namespace tavik
