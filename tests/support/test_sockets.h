#pragma once
// A test's own ends of TCP connections over loopback, apart from the code
// under test: raw sockets, non-blocking, so that a test never hangs on one.
// Winsock is started for as long as any lives.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/event_loop.h"

namespace tavik::test {

class TTestSocket {
public:
    TTestSocket() = default;
    ~TTestSocket();
    TTestSocket(TTestSocket&& other) noexcept;
    TTestSocket& operator=(TTestSocket&& other) noexcept;

    // Connected to 127.0.0.1:port; not open when the connection failed.
    static TTestSocket Connect(uint16_t port, int receiveBuffer = 0);
    // Two ends of one connection, through a listener of its own.
    static std::pair<TTestSocket, TTestSocket> Pair();

    bool IsOpen() const { return Handle_ != -1; }
    TSocketHandle Handle() const { return Handle_; }

    // What the socket takes now, without waiting; -1 when it failed.
    long long Send(std::string_view bytes);
    // What has come, without waiting; sets Ended when the peer closed or
    // reset the connection.
    std::string Take();
    bool Ended = false;
    // Sends no more; reading goes on.
    void EndSending();
    // Closes at once with a reset, as a client that crashes.
    void Abort();
    void Close();

private:
    TSocketHandle Handle_ = -1;
};

}  // namespace tavik::test
