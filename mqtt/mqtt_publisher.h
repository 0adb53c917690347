#pragma once
// The session's readings published over a connection: one more subscriber
// of the session. Each module's availability and discovery configs are
// retained as it comes and goes; every interval the readings that came since
// the last one go out, the latest of each: a module that has sent nothing
// new publishes nothing, and one that is not bound only "offline".
#include <functional>
#include <memory>
#include <string>

#include "common/event_loop.h"
#include "instruments/instrument_session.h"
#include "mqtt_connection.h"
#include "mqtt_messages.h"

namespace tavik::mqtt {

class TMqttPublisher {
public:
    TMqttPublisher(TInstrumentSession& session, TEventLoop& loop, TMqttConnection& connection, TMqttNames names,
                   int everyMs);
    ~TMqttPublisher();
    TMqttPublisher(const TMqttPublisher&) = delete;
    TMqttPublisher& operator=(const TMqttPublisher&) = delete;

    // The connection's notices, told on the loop's thread.
    std::function<void(const std::string&)> OnNotice;
    // Publishes what came since the last interval; the timer's tick.
    void Tick();

private:
    void Bound(TInstrumentKind kind, bool bound);

    TInstrumentSession& Session_;
    TMqttConnection& Connection_;
    const TMqttNames Names_;
    const int ExpireAfterSeconds_;
    TSessionSubscriber Subscriber_;
    std::unique_ptr<TLoopTimer> Timer_;
    bool LoggerFresh_ = false;
    bool MeterFresh_ = false;
};

}  // namespace tavik::mqtt
