#include "cli_metrics.h"

#include "stop_request.h"

#ifndef TAVIK_VERSION
#define TAVIK_VERSION "unknown"
#endif

namespace tavik::cli {

TMetricsEndpoint::TMetricsEndpoint(TInstrumentSession& session, TEventLoop& loop)
    : Collector(session, TAVIK_VERSION),
      Server(loop, [this](metrics::TExpositionFormat format) { return Exposition(Collector.Families(), format); }) {}

std::unique_ptr<TMetricsEndpoint> StartMetrics(TInstrumentSession& session, TEventLoop& loop,
                                               const net::TListenAddress& address, TCliConsole& console) {
    if (!net::IsLoopback(address))
        console.Complain("listening on " + net::ListenAddressText(address) +
                         ": anyone who can reach the port can read the modules' readings");
    auto endpoint = std::make_unique<TMetricsEndpoint>(session, loop);
    endpoint->Server.OnNotice = [&console](const std::string& notice) { console.Complain(notice); };
    if (!endpoint->Server.Listen(address)) {
        console.Complain(endpoint->Server.Error());
        return nullptr;
    }
    net::TListenAddress listening = address;
    listening.Port = endpoint->Server.Port();
    if (!console.Say("serving metrics on http://" + net::ListenAddressText(listening) + std::string(metrics::MetricsPath)))
        return nullptr;
    return endpoint;
}

int ServeMetrics(THidPlatform& platform, TEventLoop& loop, const TCommand& command, TCliConsole& console) {
    TInstrumentSession session(platform, loop, '.');
    const std::unique_ptr<TMetricsEndpoint> endpoint = StartMetrics(session, loop, *command.Metrics, console);
    if (!endpoint) return ExitTransfer;
    while (!StopRequested()) loop.ProcessEvents(100);
    return ExitOk;
}

}  // namespace tavik::cli
