#pragma once
// Avahi's client on the program's event loop: the table of calls through
// which Avahi watches its D-Bus connection and keeps its timeouts, made of
// the loop's socket watches and timers, so that every Avahi callback runs on
// the loop's thread like the rest of the program. Linux only.
#include <avahi-common/watch.h>

#include "common/event_loop.h"

namespace tavik::net {

class TAvahiLoopPoll {
public:
    explicit TAvahiLoopPoll(TEventLoop& loop);
    TAvahiLoopPoll(const TAvahiLoopPoll&) = delete;
    TAvahiLoopPoll& operator=(const TAvahiLoopPoll&) = delete;

    // For avahi_client_new; valid while this object lives, which must be
    // longer than every client made with it.
    const AvahiPoll* Api() const { return &Api_; }
    TEventLoop& Loop() const { return Loop_; }

private:
    AvahiPoll Api_{};
    TEventLoop& Loop_;
};

}  // namespace tavik::net
