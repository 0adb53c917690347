#include "vxi11_server.h"

#include <algorithm>
#include <cctype>

#include "rpc_message.h"
#include "vxi11_protocol.h"

namespace tavik::net {

namespace {
constexpr std::size_t ReadChunk = 16 * 1024;
// Calls of one connection run in its turn before the others have theirs.
constexpr int CallsPerTurn = 4;
constexpr int DeadlineCheckMs = 50;
constexpr int IdleCheckMs = 1000;
constexpr std::size_t MaxDeviceNameBytes = 256;

// The one device the instrument is, by the name VISA gives it.
bool IsOurDevice(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == "inst0";
}
}  // namespace

TVxi11Server::TVxi11Server(TEventLoop& loop, TServiceFactory makeService, TVxi11ServerLimits limits)
    : Loop_(loop),
      MakeService_(std::move(makeService)),
      Limits_(limits),
      Listener_(
          loop, [this](TTcpSocket socket, std::string peer) { Accepted(std::move(socket), std::move(peer)); },
          limits.AcceptRetryMs) {
    Listener_.OnNotice = [this](const std::string& text) { Notice(text); };
}

TVxi11Server::~TVxi11Server() { Close(); }

bool TVxi11Server::Listen(const TListenAddress& address) {
    Close();
    Error_ = Networking_.Error();
    if (!Error_.empty() || !Listener_.Listen(address, Error_)) return false;
    Deadlines_ = Loop_.MakeTimer(DeadlineCheckMs, [this] { CheckDeadlines(); });
    IdleCheck_ = Loop_.MakeTimer(IdleCheckMs, [this] { CloseIdle(); });
    if (Limits_.IdleSeconds > 0) IdleCheck_->Start();
    return true;
}

void TVxi11Server::Close() {
    Deadlines_.reset();
    IdleCheck_.reset();
    Listener_.Close();
    Links_.clear();
    Connections_.clear();
}

void TVxi11Server::Notice(const std::string& text) {
    if (OnNotice) OnNotice(text);
}

void TVxi11Server::Accepted(TTcpSocket socket, std::string peer) {
    if (Connections_.size() >= Limits_.MaxClients)
        return Notice(peer + " refused: " + std::to_string(Limits_.MaxClients) + " VXI-11 clients already connected");
    // A write's record: its data and the call's header around it.
    auto connection = std::make_unique<TConnection>(std::move(socket), std::move(peer), Limits_.MaxWriteBytes + 1024);
    TConnection* const raw = connection.get();
    connection->Watch = Loop_.WatchSocket(
        raw->Socket.Handle(), [this, raw] { Receive(*raw); }, [this, raw] { Flush(*raw); });
    if (!connection->Watch) return;
    Notice(raw->Peer + " connected (VXI-11)");
    Connections_.push_back(std::move(connection));
}

void TVxi11Server::Receive(TConnection& connection) {
    char buffer[ReadChunk];
    while (!connection.Ending && connection.Input.Held() < 2 * Limits_.MaxWriteBytes) {
        std::string error;
        const TIoResult got = connection.Socket.Receive(buffer, sizeof buffer, error);
        if (got.Status == TIoStatus::WouldBlock) break;
        if (got.Status == TIoStatus::Failed) return Drop(connection, "dropped: " + error);
        if (got.Status == TIoStatus::Ended) {
            connection.Ending = true;
            break;
        }
        connection.Active = TClock::now();
        if (!connection.Input.Add(std::string_view(buffer, got.Bytes)))
            return Drop(connection, "dropped: a record over " + std::to_string(Limits_.MaxWriteBytes + 1024) + " bytes");
    }
    if (Serve(connection)) WantInput(connection);
}

bool TVxi11Server::Serve(TConnection& connection) {
    for (int call = 0; call < CallsPerTurn; ++call) {
        if (connection.Pending || !connection.Input.HasRecord()) break;
        if (connection.Output.size() - connection.Sent > Limits_.MaxPendingOutput) break;
        Call(connection, connection.Input.TakeRecord());
        if (!Holds(&connection)) return false;  // the call dropped it
    }
    if (!connection.Pending && connection.Input.HasRecord()) TurnsPass_.Post();
    if (connection.Ending && !connection.Pending && !connection.Input.HasRecord() &&
        connection.Output.size() == connection.Sent) {
        Drop(connection, "disconnected");
        return false;
    }
    return true;
}

void TVxi11Server::Call(TConnection& connection, std::string record) {
    TRpcCall call;
    switch (ReadRpcCall(record, call)) {
    case TRpcCallVerdict::NotCall: return Drop(connection, "dropped: not an ONC RPC call");
    case TRpcCallVerdict::RpcMismatch: return Send(connection, RpcReplyDenied(call.Xid));
    case TRpcCallVerdict::Call: break;
    }
    if (call.Program != vxi11::CoreProgram && call.Program != vxi11::AbortProgram)
        return Send(connection, RpcReplyError(call.Xid, TRpcAcceptStat::ProgUnavail));
    if (call.Version != vxi11::Version)
        return Send(connection, RpcReplyError(call.Xid, TRpcAcceptStat::ProgMismatch, vxi11::Version, vxi11::Version));
    TXdrReader in(call.Arguments);
    if (call.Program == vxi11::AbortProgram)
        AbortCall(connection, call.Xid, in);
    else
        CoreCall(connection, call.Xid, call.Procedure, in);
}

void TVxi11Server::Send(TConnection& connection, const std::string& message) {
    connection.Output += RpcRecord(message);
    Flush(connection);
}

void TVxi11Server::Reply(TConnection& connection, uint32_t xid, const std::string& results) {
    Send(connection, RpcReply(xid, results));
}

TVxi11Server::THeldLink* TVxi11Server::FindLink(uint32_t id) {
    const auto found = std::find_if(Links_.begin(), Links_.end(),
                                    [id](const std::unique_ptr<THeldLink>& held) { return held->Link->Id() == id; });
    return found == Links_.end() ? nullptr : found->get();
}

bool TVxi11Server::LockedByOther(const TVxi11Link* link) const {
    return std::any_of(Links_.begin(), Links_.end(), [link](const std::unique_ptr<THeldLink>& held) {
        return held->Link.get() != link && held->Link->Locked;
    });
}

void TVxi11Server::CreateLink(TConnection& connection, uint32_t xid, TXdrReader& in) {
    in.I32();  // the client's own id, for itself
    const bool lock = in.Bool();
    in.U32();  // how long to wait for a lock: a lock held is refused at once
    const std::string_view device = in.Opaque(MaxDeviceNameBytes);
    if (!in.Ok()) return Send(connection, RpcReplyError(xid, TRpcAcceptStat::GarbageArgs));
    auto results = [&](uint32_t error, uint32_t id) {
        return TXdrWriter().U32(error).U32(id).U32(Port()).U32(static_cast<uint32_t>(Limits_.MaxWriteBytes)).Take();
    };
    if (!IsOurDevice(device)) return Reply(connection, xid, results(vxi11::DeviceNotAccessible, 0));
    if (Links_.size() >= Limits_.MaxLinks) return Reply(connection, xid, results(vxi11::OutOfResources, 0));
    if (lock && LockedByOther(nullptr)) return Reply(connection, xid, results(vxi11::DeviceLockedByAnotherLink, 0));
    auto held = std::make_unique<THeldLink>();
    const uint32_t id = NextLink_++;
    held->Link = std::make_unique<TVxi11Link>(id, MakeService_(), Limits_.MaxLineBytes);
    held->Owner = &connection;
    held->Link->Locked = lock;
    held->Link->Service().Resumed = [this, id, alive = std::weak_ptr<char>(Alive_)] {
        Loop_.Post([this, id, alive] {
            if (alive.lock()) Resume(id);
        });
    };
    Links_.push_back(std::move(held));
    Notice(connection.Peer + " link " + std::to_string(id) + " to " + std::string(device) + " created");
    Reply(connection, xid, results(vxi11::NoError, id));
}

bool TVxi11Server::Holds(const TConnection* connection) const {
    return std::any_of(Connections_.begin(), Connections_.end(),
                       [connection](const std::unique_ptr<TConnection>& held) { return held.get() == connection; });
}

void TVxi11Server::RunLink(THeldLink& held) {
    held.Link->Run(Limits_.LinesPerTurn, Limits_.MaxPendingOutput);
    TConnection& owner = *held.Owner;
    const uint32_t id = held.Link->Id();
    if (owner.Pending && owner.Pending->Link == id) Complete(owner);
    // Complete may have dropped the owner, and the link with it.
    if (THeldLink* still = FindLink(id); still && still->Link->CanRun(Limits_.MaxPendingOutput)) TurnsPass_.Post();
}

void TVxi11Server::Resume(uint32_t id) {
    THeldLink* held = FindLink(id);
    if (!held) return;
    held->Link->TakeLater();
    RunLink(*held);
}

void TVxi11Server::Turns() {
    // By index, each looked up again: a turn may drop a connection and its links.
    for (std::size_t i = 0; i < Links_.size(); ++i)
        if (Links_[i]->Link->CanRun(Limits_.MaxPendingOutput)) RunLink(*Links_[i]);
    for (std::size_t i = 0; i < Connections_.size();) {
        TConnection& connection = *Connections_[i];
        if (!connection.Pending && connection.Input.HasRecord()) {
            if (!Serve(connection)) continue;
            WantInput(connection);
        }
        ++i;
    }
}

void TVxi11Server::CheckDeadlines() {
    const TClock::time_point now = TClock::now();
    bool waiting = false;
    for (std::size_t i = 0; i < Connections_.size();) {
        TConnection& connection = *Connections_[i];
        if (connection.Pending && now >= connection.Pending->Deadline) {
            Complete(connection, vxi11::IoTimeout);
            if (!Holds(&connection)) continue;
        }
        waiting = waiting || connection.Pending.has_value();
        ++i;
    }
    if (!waiting) Deadlines_->Stop();
}

void TVxi11Server::CloseIdle() {
    const auto bound = std::chrono::seconds(Limits_.IdleSeconds);
    const TClock::time_point now = TClock::now();
    for (std::size_t i = 0; i < Connections_.size();) {
        TConnection& connection = *Connections_[i];
        if (!connection.Pending && now - connection.Active >= bound) {
            Drop(connection, "dropped: idle for " + std::to_string(Limits_.IdleSeconds) + " s");
            continue;
        }
        ++i;
    }
}

void TVxi11Server::WantInput(TConnection& connection) {
    connection.Watch->WantReadable(!connection.Ending && connection.Input.Held() < 2 * Limits_.MaxWriteBytes);
}

bool TVxi11Server::Flush(TConnection& connection) {
    while (connection.Sent < connection.Output.size()) {
        std::string error;
        const TIoResult sent = connection.Socket.Send(connection.Output.data() + connection.Sent,
                                                      connection.Output.size() - connection.Sent, error);
        if (sent.Status == TIoStatus::WouldBlock) break;
        if (sent.Status != TIoStatus::Done) {
            Drop(connection, "dropped: " + error);
            return false;
        }
        connection.Sent += sent.Bytes;
        connection.Active = TClock::now();
    }
    const std::size_t pending = connection.Output.size() - connection.Sent;
    if (pending == 0) {
        connection.Output.clear();
        connection.Sent = 0;
        // Calls held back behind unread replies go on.
        if (connection.Input.HasRecord() && !connection.Pending) TurnsPass_.Post();
        if (connection.Ending && !connection.Pending && !connection.Input.HasRecord()) {
            Drop(connection, "disconnected");
            return false;
        }
    }
    connection.Watch->WantWritable(pending != 0);
    return true;
}

void TVxi11Server::Drop(TConnection& connection, const std::string& why) {
    Notice(connection.Peer + ' ' + why);
    std::erase_if(Links_, [&connection](const std::unique_ptr<THeldLink>& held) { return held->Owner == &connection; });
    std::erase_if(Connections_, [&connection](const std::unique_ptr<TConnection>& held) { return held.get() == &connection; });
}

}  // namespace tavik::net
