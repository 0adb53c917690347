#pragma once
// Lines over TCP, all on the one thread of the program's event loop: a
// listening socket, and for each client that connects its own service (from
// the factory), its own input framed into lines and its own output buffer,
// every socket non-blocking. A client that is slow, silent, busy or gone
// holds up no other: each client's lines run a few at a time, in turns with
// the others' and with the rest of the loop; one that does not read its
// answers is not read from once they pass a bound (TCP holds it back), until
// it reads; one that vanishes is found by TCP keepalive or the idle bound;
// one that ends its side gets its answers before the connection closes.
// Clients past the bound are accepted and closed at once.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/event_loop.h"
#include "common/posted_once.h"
#include "common/line_service.h"
#include "listen_address.h"
#include "tcp_listener.h"
#include "tcp_socket.h"

namespace tavik::net {

struct TLineServerLimits {
    std::size_t MaxClients = 8;
    std::size_t MaxLineBytes = 4096;  // a longer line is an overrun, the connection stays
    // Unread answers past it: the client's input is not read, nor its lines
    // run, until it has read them below it.
    std::size_t MaxPendingOutput = std::size_t{1} << 20;
    // Input read and not yet run, at most (past it the socket waits).
    std::size_t MaxPendingInput = 64 * 1024;
    // Lines a client runs in its turn before the others (and the loop's
    // timers) have theirs.
    std::size_t LinesPerTurn = 4;
    // A connection with nothing read from it and nothing of its answers
    // taken for this long is closed; 0: never.
    int IdleSeconds = 3600;
    // After a failed accept (no descriptors left), the listener rests this
    // long: the connection still waiting would make it fail at once again.
    int AcceptRetryMs = 1000;
};

class TLineServer {
public:
    using TServiceFactory = std::function<std::unique_ptr<TLineService>()>;

    // The loop must outlive the server; it must watch sockets (every loop of
    // the program does; a loop that does not makes Listen fail).
    TLineServer(TEventLoop& loop, TServiceFactory makeService, TLineServerLimits limits = {});
    ~TLineServer();
    TLineServer(const TLineServer&) = delete;
    TLineServer& operator=(const TLineServer&) = delete;

    // Listens on the address, closing what was open before; false with
    // Error() saying why ("bind 127.0.0.1:5025: Address already in use").
    bool Listen(const TListenAddress& address);
    const std::string& Error() const { return Error_; }
    // The port listened on (the system's pick when asked for port 0); 0 when
    // not listening.
    uint16_t Port() const;
    bool Listening() const { return Listener_.Listening(); }
    std::size_t Clients() const { return Clients_.size(); }

    // Stops listening and closes every connection, their services going with
    // them.
    void Close();

    // What happens to connections, one line each ("127.0.0.1:50312
    // connected", "... dropped: recv: Connection reset by peer"), for a log.
    std::function<void(const std::string&)> OnNotice;

private:
    struct TClient;
    void Accepted(TTcpSocket socket, std::string peer);
    void Receive(TClient& client);
    // A client whose service waited has its line done: its answers go out.
    void Resume(TClient* client);
    // Up to LinesPerTurn of the client's lines; false when that dropped it.
    bool Turn(TClient& client);
    // Every client with lines waiting has its turn; then again next time
    // round the loop while any has.
    void Turns();
    void CloseIdle();
    // Reading on while the client is not held back and its input has room.
    void WantInput(TClient& client);
    // Sends what the socket takes; false when that dropped the client.
    bool Flush(TClient& client);
    void Drop(TClient& client, const std::string& why);
    std::vector<std::unique_ptr<TClient>>::iterator Find(const TClient* client);
    void Notice(const std::string& text);

    TNetworking Networking_;  // first made, last gone: every socket lives inside it
    TEventLoop& Loop_;
    const TServiceFactory MakeService_;
    const TLineServerLimits Limits_;
    TTcpListener Listener_;
    std::unique_ptr<TLoopTimer> IdleCheck_;
    // Every client with work waiting has its turn, once for all that asked.
    TPostedOnce TurnsPass_{Loop_, [this] { Turns(); }};
    // Gone with the server: a pass of turns posted before then does nothing.
    std::shared_ptr<char> Alive_ = std::make_shared<char>();
    std::vector<std::unique_ptr<TClient>> Clients_;
    std::string Error_;
};

}  // namespace tavik::net
