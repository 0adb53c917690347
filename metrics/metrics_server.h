#pragma once
// The metrics endpoint over TCP, on the one thread of the program's event
// loop: a listening socket and, for each scraper that connects, its request
// read as it comes and its answer sent as the socket takes it, every socket
// non-blocking. Bounded as a service on a network must be: a request head of
// at most 8 KiB and 64 fields, a number of connections, one answer at a time
// (the next request is not read while one waits to go), and a deadline for
// each request to come whole and each answer to be taken: a client that
// sends a byte now and then, or never reads, is dropped when it passes.
// Connections stay open between requests (HTTP/1.1) as scrapers keep them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/event_loop.h"
#include "http_response.h"
#include "net/listen_address.h"
#include "net/tcp_listener.h"
#include "net/tcp_socket.h"

namespace tavik::metrics {

// The port OpenTelemetry's Prometheus exporters listen on: free of the
// other exporters' ports.
constexpr uint16_t DefaultMetricsPort = 9464;

struct TMetricsServerLimits {
    std::size_t MaxClients = 16;
    // From a connection's start, or its last answer, until a whole request
    // head has come; and from an answer's start until the client took it.
    int RequestDeadlineMs = 10000;
    int AnswerDeadlineMs = 10000;
    // How often the deadlines are looked at.
    int DeadlineCheckMs = 250;
    // After a failed accept (no descriptors left), the listener rests this long.
    int AcceptRetryMs = 1000;
};

class TMetricsServer {
public:
    // The loop must outlive the server and watch sockets.
    TMetricsServer(TEventLoop& loop, TRender render, TMetricsServerLimits limits = {});
    ~TMetricsServer();
    TMetricsServer(const TMetricsServer&) = delete;
    TMetricsServer& operator=(const TMetricsServer&) = delete;

    // Listens on the address, closing what was open before; false with
    // Error() saying why ("bind 127.0.0.1:9464: Address already in use").
    bool Listen(const net::TListenAddress& address);
    const std::string& Error() const { return Error_; }
    // The port listened on (the system's pick for port 0); 0 when not listening.
    uint16_t Port() const;
    std::size_t Clients() const { return Clients_.size(); }
    // Answers made to GET /metrics so far.
    uint64_t Scrapes() const { return Scrapes_; }
    void Close();

    // What happens to connections, one line each, for a log: only what goes
    // wrong ("127.0.0.1:50312 dropped: no whole request within 10000 ms").
    std::function<void(const std::string&)> OnNotice;

private:
    struct TClient;
    void Accepted(net::TTcpSocket socket, std::string peer);
    void Receive(TClient& client);
    void Answer(TClient& client);
    // Sends what the socket takes; false when that dropped the client.
    bool Flush(TClient& client);
    void CheckDeadlines();
    void Drop(TClient& client, const std::string& why);
    void Notice(const std::string& text);

    net::TNetworking Networking_;  // first made, last gone: every socket lives inside it
    TEventLoop& Loop_;
    const TRender Render_;
    const TMetricsServerLimits Limits_;
    net::TTcpListener Listener_;
    std::unique_ptr<TLoopTimer> Deadlines_;
    std::vector<std::unique_ptr<TClient>> Clients_;
    std::string Error_;
    uint64_t Scrapes_ = 0;
};

}  // namespace tavik::metrics
