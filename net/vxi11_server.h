#pragma once
// VXI-11 over TCP, all on the one thread of the program's event loop: the
// core channel, through which VISA's TCPIP::host::INSTR resources create a
// link, write program messages, read the answers and the status byte, clear,
// lock and destroy the link; and the abort channel, on the same port, which
// ends a call that waits. Each link has its own service from the factory (a
// client of the instrument), its lines run a few at a time in turns with the
// other links' and the loop's, and a device_read that comes while its answer
// is still to be made (a fresh measurement) is answered once it is, or when
// the call's I/O timeout ends first. Bounded as the line server is: a number
// of connections and links, a write's size, the lines held and the answers
// unread (past them, the link's lines wait and then its writes), a reply's
// size, and an idle bound on connections with no call in progress.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/event_loop.h"
#include "common/posted_once.h"
#include "common/line_service.h"
#include "listen_address.h"
#include "rpc_record_framer.h"
#include "tcp_listener.h"
#include "tcp_socket.h"
#include "vxi11_link.h"
#include "xdr.h"

namespace tavik::net {

struct TVxi11ServerLimits {
    std::size_t MaxClients = 8;  // connections, core and abort channels alike
    std::size_t MaxLinks = 16;
    // The data of one device_write at most, told to the client at create_link.
    std::size_t MaxWriteBytes = 16 * 1024;
    std::size_t MaxLineBytes = 4096;  // a longer line is an overrun
    // A link's lines written and not yet run: a write past it waits.
    std::size_t MaxPendingInput = 64 * 1024;
    // A link's answers unread: past it, its lines wait until it reads.
    std::size_t MaxPendingOutput = std::size_t{1} << 20;
    // The data of one device_read's reply at most.
    std::size_t MaxReadBytes = std::size_t{1} << 20;
    std::size_t LinesPerTurn = 4;
    // A connection with no call in progress and nothing from or to it for
    // this long is closed, its links with it; 0: never.
    int IdleSeconds = 3600;
    int AcceptRetryMs = 1000;
};

class TVxi11Server {
public:
    using TServiceFactory = std::function<std::unique_ptr<TLineService>()>;

    // The loop must outlive the server and watch sockets.
    TVxi11Server(TEventLoop& loop, TServiceFactory makeService, TVxi11ServerLimits limits = {});
    ~TVxi11Server();
    TVxi11Server(const TVxi11Server&) = delete;
    TVxi11Server& operator=(const TVxi11Server&) = delete;

    // Listens on the address, closing what was open before; false with
    // Error() saying why.
    bool Listen(const TListenAddress& address);
    const std::string& Error() const { return Error_; }
    // The port listened on (the system's pick for port 0); 0 when not listening.
    uint16_t Port() const { return Listener_.Port(); }
    std::size_t Clients() const { return Connections_.size(); }
    std::size_t Links() const { return Links_.size(); }
    // Stops listening and closes every connection and link.
    void Close();

    // What happens to connections and links, one line each, for a log.
    std::function<void(const std::string&)> OnNotice;

private:
    using TClock = std::chrono::steady_clock;
    // A call whose reply waits: a read for its answer, a write for room.
    struct TPending {
        uint32_t Xid = 0;
        uint32_t Procedure = 0;
        uint32_t Link = 0;
        std::size_t RequestSize = 0;
        std::optional<char> TermChar;
        std::string Data;
        bool End = false;
        TClock::time_point Deadline;
    };
    // The socket is declared first and closes last, after the watch on it.
    struct TConnection {
        TConnection(TTcpSocket socket, std::string peer, std::size_t maxRecordBytes)
            : Socket(std::move(socket)), Peer(std::move(peer)), Input(maxRecordBytes) {}

        TTcpSocket Socket;
        std::string Peer;
        TRpcRecordFramer Input;
        std::string Output;
        std::size_t Sent = 0;
        bool Ending = false;  // the peer closed its side: closed once its replies are out
        std::optional<TPending> Pending;
        TClock::time_point Active = TClock::now();
        std::unique_ptr<TSocketWatch> Watch;
    };
    struct THeldLink {
        std::unique_ptr<TVxi11Link> Link;
        TConnection* Owner = nullptr;
    };

    void Accepted(TTcpSocket socket, std::string peer);
    void Receive(TConnection& connection);
    // Up to a few of the connection's calls; false when that dropped it.
    bool Serve(TConnection& connection);
    void Call(TConnection& connection, std::string record);
    void CoreCall(TConnection& connection, uint32_t xid, uint32_t procedure, TXdrReader& in);
    void AbortCall(TConnection& connection, uint32_t xid, TXdrReader& in);
    void CreateLink(TConnection& connection, uint32_t xid, TXdrReader& in);
    void Write(TConnection& connection, TVxi11Link& link, const TPending& call);
    // A message as a record to the peer, sent as the socket takes it.
    void Send(TConnection& connection, const std::string& message);
    void Reply(TConnection& connection, uint32_t xid, const std::string& results);
    // The waiting call answered when it can be; error ends it with that error.
    void Complete(TConnection& connection, std::optional<uint32_t> error = std::nullopt);
    void RunLink(THeldLink& held);
    void Resume(uint32_t link);
    void Turns();
    void CheckDeadlines();
    void CloseIdle();
    void WantInput(TConnection& connection);
    bool Flush(TConnection& connection);
    void Drop(TConnection& connection, const std::string& why);
    bool Holds(const TConnection* connection) const;
    THeldLink* FindLink(uint32_t id);
    // Another link than this one (none: a link to come) holds the lock.
    bool LockedByOther(const TVxi11Link* link) const;
    void Notice(const std::string& text);

    TNetworking Networking_;  // first made, last gone: every socket lives inside it
    TEventLoop& Loop_;
    const TServiceFactory MakeService_;
    const TVxi11ServerLimits Limits_;
    TTcpListener Listener_;
    std::unique_ptr<TLoopTimer> Deadlines_;
    std::unique_ptr<TLoopTimer> IdleCheck_;
    // Every client with work waiting has its turn, once for all that asked.
    TPostedOnce TurnsPass_{Loop_, [this] { Turns(); }};
    std::shared_ptr<char> Alive_ = std::make_shared<char>();
    std::vector<std::unique_ptr<TConnection>> Connections_;
    std::vector<std::unique_ptr<THeldLink>> Links_;
    uint32_t NextLink_ = 1;
    std::string Error_;
};

}  // namespace tavik::net
