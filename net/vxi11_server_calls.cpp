// The procedures of VXI-11's core and abort channels, each call's arguments
// read as the protocol lays them out and answered, or kept waiting, here.
#include <algorithm>

#include "rpc_message.h"
#include "vxi11_link.h"
#include "vxi11_protocol.h"
#include "vxi11_server.h"

namespace tavik::net {

namespace {
constexpr std::size_t MaxSrqHandleBytes = 40;
constexpr uint32_t MaxIoTimeoutMs = 24 * 3600 * 1000;  // longer is taken as a day
// Bit 4 of the status byte: an answer waits to be read.
constexpr uint8_t MessageAvailable = 0x10;

std::string ErrorOnly(uint32_t error) { return TXdrWriter().U32(error).Take(); }
std::string ReadResults(uint32_t error, uint32_t reason = 0, std::string_view data = {}) {
    return TXdrWriter().U32(error).U32(reason).Opaque(data).Take();
}
std::string WriteResults(uint32_t error, std::size_t size = 0) {
    return TXdrWriter().U32(error).U32(static_cast<uint32_t>(size)).Take();
}
}  // namespace

void TVxi11Server::CoreCall(TConnection& connection, uint32_t xid, uint32_t procedure, TXdrReader& in) {
    if (procedure == vxi11::CreateLink) return CreateLink(connection, xid, in);
    if (procedure == vxi11::CreateInterruptChannel) return Reply(connection, xid, ErrorOnly(vxi11::OperationNotSupported));
    if (procedure == vxi11::DestroyInterruptChannel) return Reply(connection, xid, ErrorOnly(vxi11::ChannelNotEstablished));
    TPending call;
    call.Xid = xid;
    call.Procedure = procedure;
    call.Link = in.U32();
    uint32_t ioTimeout = 0;
    uint32_t flags = 0;
    bool enable = false;
    switch (procedure) {
    case vxi11::DeviceWrite:
        ioTimeout = in.U32();
        in.U32();  // lock timeout
        flags = in.U32();
        call.Data = in.Opaque(Limits_.MaxWriteBytes);
        call.End = (flags & vxi11::FlagEnd) != 0;
        break;
    case vxi11::DeviceRead: {
        call.RequestSize = std::min<std::size_t>(in.U32(), Limits_.MaxReadBytes);
        ioTimeout = in.U32();
        in.U32();  // lock timeout
        flags = in.U32();
        const char term = static_cast<char>(in.U32() & 0xFF);
        if (flags & vxi11::FlagTermCharSet) call.TermChar = term;
        break;
    }
    case vxi11::DeviceReadStb:
    case vxi11::DeviceTrigger:
    case vxi11::DeviceClear:
    case vxi11::DeviceRemote:
    case vxi11::DeviceLocal:
        in.U32(), in.U32(), in.U32();  // flags, lock and I/O timeouts
        break;
    case vxi11::DeviceLock: in.U32(), in.U32(); break;  // flags, lock timeout
    case vxi11::DeviceEnableSrq:
        enable = in.Bool();
        in.Opaque(MaxSrqHandleBytes);
        break;
    case vxi11::DeviceUnlock:
    case vxi11::DestroyLink:
    case vxi11::DeviceDoCmd: break;
    default: return Send(connection, RpcReplyError(xid, TRpcAcceptStat::ProcUnavail));
    }
    if (!in.Ok()) return Send(connection, RpcReplyError(xid, TRpcAcceptStat::GarbageArgs));
    THeldLink* held = FindLink(call.Link);
    const bool ours = held && held->Owner == &connection;
    if (procedure == vxi11::DeviceRead)
        if (!ours || LockedByOther(held->Link.get()))
            return Reply(connection, xid, ReadResults(ours ? vxi11::DeviceLockedByAnotherLink : vxi11::InvalidLinkIdentifier));
    if (procedure == vxi11::DeviceWrite)
        if (!ours || LockedByOther(held->Link.get()))
            return Reply(connection, xid, WriteResults(ours ? vxi11::DeviceLockedByAnotherLink : vxi11::InvalidLinkIdentifier));
    if (!ours) {
        const std::string invalid = ErrorOnly(vxi11::InvalidLinkIdentifier);
        return Reply(connection, xid, procedure == vxi11::DeviceReadStb ? invalid + ErrorOnly(0) : invalid);
    }
    TVxi11Link& link = *held->Link;
    call.Deadline = TClock::now() + std::chrono::milliseconds(std::min(ioTimeout, MaxIoTimeoutMs));
    switch (procedure) {
    case vxi11::DeviceWrite: return Write(connection, link, call);
    case vxi11::DeviceRead:
        connection.Pending = std::move(call);
        Complete(connection);
        return;
    case vxi11::DeviceReadStb: {
        const uint8_t status = link.Service().StatusByte() | (link.HasAnswer() ? MessageAvailable : 0);
        return Reply(connection, xid, TXdrWriter().U32(vxi11::NoError).U32(status).Take());
    }
    case vxi11::DeviceClear: link.Clear(); return Reply(connection, xid, ErrorOnly(vxi11::NoError));
    case vxi11::DeviceRemote:
    case vxi11::DeviceLocal: return Reply(connection, xid, ErrorOnly(vxi11::NoError));
    case vxi11::DeviceLock: {
        const bool free = !LockedByOther(&link);
        link.Locked = link.Locked || free;
        return Reply(connection, xid, ErrorOnly(free ? vxi11::NoError : vxi11::DeviceLockedByAnotherLink));
    }
    case vxi11::DeviceUnlock: {
        const bool held = link.Locked;
        link.Locked = false;
        return Reply(connection, xid, ErrorOnly(held ? vxi11::NoError : vxi11::NoLockHeldByThisLink));
    }
    case vxi11::DeviceEnableSrq:
        // No interrupt channel, so no service request to send: enabling one
        // cannot be done, disabling is what is already so.
        return Reply(connection, xid, ErrorOnly(enable ? vxi11::OperationNotSupported : vxi11::NoError));
    case vxi11::DestroyLink:
        Notice(connection.Peer + " link " + std::to_string(call.Link) + " destroyed");
        std::erase_if(Links_, [&link](const std::unique_ptr<THeldLink>& h) { return h->Link.get() == &link; });
        return Reply(connection, xid, ErrorOnly(vxi11::NoError));
    default:  // device_trigger, device_docmd
        return Reply(connection, xid, ErrorOnly(vxi11::OperationNotSupported));
    }
}

// device_abort: the link's waiting call ends with "abort".
void TVxi11Server::AbortCall(TConnection& connection, uint32_t xid, TXdrReader& in) {
    const uint32_t id = in.U32();
    if (!in.Ok()) return Send(connection, RpcReplyError(xid, TRpcAcceptStat::GarbageArgs));
    THeldLink* held = FindLink(id);
    if (!held) return Reply(connection, xid, ErrorOnly(vxi11::InvalidLinkIdentifier));
    TConnection& owner = *held->Owner;
    Reply(connection, xid, ErrorOnly(vxi11::NoError));
    if (Holds(&owner) && owner.Pending && owner.Pending->Link == id) Complete(owner, vxi11::Abort);
}

void TVxi11Server::Write(TConnection& connection, TVxi11Link& link, const TPending& call) {
    if (link.HeldInput() + call.Data.size() > Limits_.MaxPendingInput) {
        // No room until the link's lines run: the reply waits for it.
        connection.Pending = call;
        if (!Deadlines_->Active()) Deadlines_->Start();
        return;
    }
    const uint32_t id = link.Id();
    link.Write(call.Data, call.End);
    Reply(connection, call.Xid, WriteResults(vxi11::NoError, call.Data.size()));
    if (THeldLink* held = FindLink(id)) RunLink(*held);
}

void TVxi11Server::Complete(TConnection& connection, std::optional<uint32_t> error) {
    if (!connection.Pending) return;
    const TPending call = *connection.Pending;
    THeldLink* held = FindLink(call.Link);
    const bool isRead = call.Procedure == vxi11::DeviceRead;
    if (!held || error) {
        connection.Pending.reset();
        const uint32_t code = error.value_or(vxi11::InvalidLinkIdentifier);
        Reply(connection, call.Xid, isRead ? ReadResults(code) : WriteResults(code));
    } else if (!isRead) {
        if (held->Link->HeldInput() + call.Data.size() > Limits_.MaxPendingInput) return;
        connection.Pending.reset();
        Write(connection, *held->Link, call);
    } else if (held->Link->HasAnswer()) {
        connection.Pending.reset();
        const TVxi11Link::TPiece piece = held->Link->Read(call.RequestSize, call.TermChar);
        Reply(connection, call.Xid, ReadResults(vxi11::NoError, piece.Reason, piece.Data));
    } else if (!held->Link->Busy()) {
        // Nothing was asked that an answer could come of.
        connection.Pending.reset();
        Reply(connection, call.Xid, ReadResults(vxi11::IoTimeout));
    } else {
        if (!Deadlines_->Active()) Deadlines_->Start();
        return;
    }
    if (Holds(&connection) && connection.Input.HasRecord()) TurnsPass_.Post();
}

}  // namespace tavik::net
