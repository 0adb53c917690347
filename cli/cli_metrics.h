#pragma once
// The metrics endpoint in tavik-cli: beside SCPI in serve --metrics, or on
// its own in tavik-cli metrics, over the session either holds.
#include <memory>

#include "cli_console.h"
#include "cli_options.h"
#include "common/event_loop.h"
#include "device/platform/hid_platform.h"
#include "instruments/instrument_session.h"
#include "metrics/metrics_collector.h"
#include "metrics/metrics_server.h"

namespace tavik::cli {

// The session's metrics served over HTTP for as long as it lives.
struct TMetricsEndpoint {
    TMetricsEndpoint(TInstrumentSession& session, TEventLoop& loop);
    metrics::TMetricsCollector Collector;
    metrics::TMetricsServer Server;
};

// Listening at the address, with where it listens said (and a warning for
// an address beyond the loopback); null with the reason told.
std::unique_ptr<TMetricsEndpoint> StartMetrics(TInstrumentSession& session, TEventLoop& loop,
                                               const net::TListenAddress& address, TCliConsole& console);

// tavik-cli metrics: the modules bound as they come and go, polled as the
// window polls them, their metrics served until a signal ends it.
int ServeMetrics(THidPlatform& platform, TEventLoop& loop, const TCommand& command, TCliConsole& console);

}  // namespace tavik::cli
