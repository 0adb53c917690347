#pragma once
// A listening socket on the program's event loop, shared by every server of
// the program: connections are taken as they come, a few in a turn, each
// handed on with its peer's "address:port"; when the system has no
// descriptor left, the listener rests a while (the connection still waiting
// would make it fail at once again) and says so.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/event_loop.h"
#include "listen_address.h"
#include "tcp_socket.h"

namespace tavik::net {

class TTcpListener {
public:
    // What to do with a connection: keep the socket, or let it go (closed).
    using TAccepted = std::function<void(TTcpSocket socket, std::string peer)>;

    // The loop must outlive the listener, and so must the TNetworking its
    // owner holds.
    TTcpListener(TEventLoop& loop, TAccepted accepted, int acceptRetryMs = 1000);
    ~TTcpListener();
    TTcpListener(const TTcpListener&) = delete;
    TTcpListener& operator=(const TTcpListener&) = delete;

    // Listens on the address, closing what was open before; false with error
    // saying why ("bind 127.0.0.1:5025: Address already in use").
    bool Listen(const TListenAddress& address, std::string& error);
    bool Listening() const { return Socket_.IsOpen(); }
    // The port listened on (the system's pick for port 0); 0 when not listening.
    uint16_t Port() const;
    void Close();

    // A failed accept, for the owner's log.
    std::function<void(const std::string&)> OnNotice;

private:
    void AcceptWaiting();

    TEventLoop& Loop_;
    const TAccepted Accepted_;
    const int AcceptRetryMs_;
    TTcpSocket Socket_;
    std::unique_ptr<TSocketWatch> Watch_;
    std::unique_ptr<TLoopTimer> Retry_;
};

}  // namespace tavik::net
