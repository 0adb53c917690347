#pragma once
// MQTT publishing in tavik-cli: beside SCPI in serve --mqtt, or on its own in
// tavik-cli publish, over the session either holds.
#include <memory>

#include "cli_console.h"
#include "cli_options.h"
#include "common/event_loop.h"
#include "device/platform/hid_platform.h"
#include "instruments/instrument_session.h"

namespace tavik::cli {

// The session's readings published for as long as it lives.
class TMqttEndpoint {
public:
    virtual ~TMqttEndpoint() = default;
};

// Connecting to the command's broker (in the background: a broker that is
// away is tried again and again), with where it publishes said; null with
// the reason told when the settings cannot be used.
std::unique_ptr<TMqttEndpoint> StartMqtt(TInstrumentSession& session, TEventLoop& loop, const TCommand& command,
                                         TCliConsole& console);

// tavik-cli publish: the modules bound as they come and go, polled as the
// window polls them, their readings published until a signal ends it.
int PublishReadings(THidPlatform& platform, TEventLoop& loop, const TCommand& command, TCliConsole& console);

}  // namespace tavik::cli
