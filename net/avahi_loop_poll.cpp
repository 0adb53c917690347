#include "avahi_loop_poll.h"

#include <sys/time.h>

#include <algorithm>
#include <memory>

using tavik::TEventLoop;
using tavik::TLoopTimer;
using tavik::TSocketWatch;
using tavik::net::TAvahiLoopPoll;

// Avahi declares these and leaves them to the poll's maker.
struct AvahiWatch {
    std::unique_ptr<TSocketWatch> Watch;
    int Descriptor = -1;
    AvahiWatchCallback Callback = nullptr;
    void* Userdata = nullptr;
    AvahiWatchEvent Happened = static_cast<AvahiWatchEvent>(0);
};

struct AvahiTimeout {
    TEventLoop* Loop = nullptr;
    std::unique_ptr<TLoopTimer> Timer;
    AvahiTimeoutCallback Callback = nullptr;
    void* Userdata = nullptr;
    unsigned Armed = 0;  // counts the deadlines set: a tick of an earlier one does nothing
    std::shared_ptr<int> Alive = std::make_shared<int>(0);
};

namespace {

TEventLoop& LoopOf(const AvahiPoll* api) { return static_cast<TAvahiLoopPoll*>(api->userdata)->Loop(); }

// The call may free the watch: nothing of it is touched afterwards.
void Happen(AvahiWatch* watch, AvahiWatchEvent event) {
    watch->Happened = event;
    watch->Callback(watch, watch->Descriptor, event, watch->Userdata);
}

void WatchUpdate(AvahiWatch* watch, AvahiWatchEvent events) {
    watch->Watch->WantReadable((events & (AVAHI_WATCH_IN | AVAHI_WATCH_ERR | AVAHI_WATCH_HUP)) != 0);
    watch->Watch->WantWritable((events & AVAHI_WATCH_OUT) != 0);
}

AvahiWatch* WatchNew(const AvahiPoll* api, int descriptor, AvahiWatchEvent events, AvahiWatchCallback callback,
                     void* userdata) {
    auto* watch = new AvahiWatch{nullptr, descriptor, callback, userdata};
    // A hang-up or an error comes to the reading call; Avahi's D-Bus side
    // reads, and learns of it from the read.
    watch->Watch = LoopOf(api).WatchSocket(
        descriptor, [watch] { Happen(watch, AVAHI_WATCH_IN); }, [watch] { Happen(watch, AVAHI_WATCH_OUT); });
    if (!watch->Watch) {
        delete watch;
        return nullptr;
    }
    WatchUpdate(watch, events);
    return watch;
}

AvahiWatchEvent WatchGetEvents(AvahiWatch* watch) { return watch->Happened; }

void WatchFree(AvahiWatch* watch) { delete watch; }

// tv: when, by the system's clock (gettimeofday); null: never. The timer
// only stops and posts: Avahi's call runs from the loop afterwards, where it
// may set the next deadline or free the timeout, and so the timer, freely.
void TimeoutUpdate(AvahiTimeout* timeout, const struct timeval* tv) {
    timeout->Timer.reset();
    const unsigned armed = ++timeout->Armed;
    if (!tv) return;
    timeval now{};
    gettimeofday(&now, nullptr);
    const long long leftUs = (static_cast<long long>(tv->tv_sec) - now.tv_sec) * 1000000LL + (tv->tv_usec - now.tv_usec);
    const int leftMs = static_cast<int>(std::clamp((leftUs + 999) / 1000, 0LL, 24LL * 3600 * 1000));
    timeout->Timer = timeout->Loop->MakeTimer(leftMs, [timeout, armed] {
        timeout->Timer->Stop();
        timeout->Loop->Post([timeout, armed, alive = std::weak_ptr<int>(timeout->Alive)] {
            if (alive.expired() || timeout->Armed != armed) return;
            timeout->Callback(timeout, timeout->Userdata);
        });
    });
    timeout->Timer->Start();
}

AvahiTimeout* TimeoutNew(const AvahiPoll* api, const struct timeval* tv, AvahiTimeoutCallback callback,
                         void* userdata) {
    auto* timeout = new AvahiTimeout{&LoopOf(api), nullptr, callback, userdata};
    TimeoutUpdate(timeout, tv);
    return timeout;
}

void TimeoutFree(AvahiTimeout* timeout) { delete timeout; }

}  // namespace

namespace tavik::net {

TAvahiLoopPoll::TAvahiLoopPoll(TEventLoop& loop) : Loop_(loop) {
    Api_.userdata = this;
    Api_.watch_new = WatchNew;
    Api_.watch_update = WatchUpdate;
    Api_.watch_get_events = WatchGetEvents;
    Api_.watch_free = WatchFree;
    Api_.timeout_new = TimeoutNew;
    Api_.timeout_update = TimeoutUpdate;
    Api_.timeout_free = TimeoutFree;
}

}  // namespace tavik::net
