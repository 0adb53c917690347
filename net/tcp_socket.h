#pragma once
// The few TCP calls the server makes, one implementation a system
// (tcp_socket_posix.cpp, tcp_socket_winsock.cpp) behind this header: every
// socket non-blocking, every failure its operation and the system's words
// ("bind 127.0.0.1:5025: Address already in use").
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/event_loop.h"
#include "listen_address.h"

namespace tavik::net {

// Winsock started for as long as one lives (nothing to start elsewhere).
// Sockets are made and closed only meanwhile.
class TNetworking {
public:
    TNetworking();
    ~TNetworking();
    TNetworking(const TNetworking&) = delete;
    TNetworking& operator=(const TNetworking&) = delete;
    // Empty once started; why not, otherwise.
    const std::string& Error() const { return Error_; }

private:
    std::string Error_;
};

enum class TIoStatus {
    Done,        // some bytes went, or a connection came
    WouldBlock,  // nothing now: the loop tells when
    Ended,       // the peer closed its side (reading only)
    Failed,      // the connection is broken: reset, gone
};

struct TIoResult {
    TIoStatus Status = TIoStatus::Failed;
    std::size_t Bytes = 0;
};

// One socket, closed with its owner.
class TTcpSocket {
public:
    TTcpSocket() = default;
    ~TTcpSocket() { Close(); }
    TTcpSocket(TTcpSocket&& other) noexcept : Handle_(other.Handle_) { other.Handle_ = -1; }
    TTcpSocket& operator=(TTcpSocket&& other) noexcept {
        if (this != &other) {
            Close();
            Handle_ = other.Handle_;
            other.Handle_ = -1;
        }
        return *this;
    }

    bool IsOpen() const { return Handle_ != -1; }
    TSocketHandle Handle() const { return Handle_; }
    void Close();

    // Bound to the address, listening, non-blocking; an address in use by a
    // listener is refused even where the system would share it.
    bool Listen(const TListenAddress& address, std::string& error);
    // The port bound: the one asked for, or the system's pick for port 0.
    uint16_t LocalPort() const;

    // A waiting connection, non-blocking, into accepted; its peer's
    // "address:port" into peer.
    TIoStatus Accept(TTcpSocket& accepted, std::string& peer, std::string& error);
    // Never raises SIGPIPE.
    TIoResult Receive(char* data, std::size_t size, std::string& error);
    TIoResult Send(const char* data, std::size_t size, std::string& error);

private:
    TSocketHandle Handle_ = -1;
};

}  // namespace tavik::net
