#include "rpc_message.h"

#include "xdr.h"

namespace tavik::net {

namespace {
constexpr uint32_t MsgCall = 0;
constexpr uint32_t MsgReply = 1;
constexpr uint32_t MsgAccepted = 0;
constexpr uint32_t MsgDenied = 1;
constexpr uint32_t RpcMismatch = 0;
constexpr uint32_t RpcVersion = 2;
constexpr uint32_t AuthNone = 0;
// An authentication body holds 400 bytes at most.
constexpr std::size_t MaxAuthBytes = 400;

TXdrWriter ReplyHead(uint32_t xid, TRpcAcceptStat stat) {
    TXdrWriter out;
    out.U32(xid).U32(MsgReply).U32(MsgAccepted).U32(AuthNone).Opaque({}).U32(static_cast<uint32_t>(stat));
    return out;
}
}  // namespace

TRpcCallVerdict ReadRpcCall(std::string_view record, TRpcCall& call) {
    TXdrReader in(record);
    call.Xid = in.U32();
    if (in.U32() != MsgCall || !in.Ok()) return TRpcCallVerdict::NotCall;
    if (in.U32() != RpcVersion) return in.Ok() ? TRpcCallVerdict::RpcMismatch : TRpcCallVerdict::NotCall;
    call.Program = in.U32();
    call.Version = in.U32();
    call.Procedure = in.U32();
    for (int auth = 0; auth < 2; ++auth) {  // the credentials, then the verifier
        in.U32();
        in.Opaque(MaxAuthBytes);
    }
    if (!in.Ok()) return TRpcCallVerdict::NotCall;
    call.Arguments = record.substr(record.size() - in.Left());
    return TRpcCallVerdict::Call;
}

std::string RpcReply(uint32_t xid, std::string_view results) {
    std::string reply = ReplyHead(xid, TRpcAcceptStat::Success).Take();
    reply += results;
    return reply;
}

std::string RpcReplyError(uint32_t xid, TRpcAcceptStat stat, uint32_t lowVersion, uint32_t highVersion) {
    TXdrWriter out = ReplyHead(xid, stat);
    if (stat == TRpcAcceptStat::ProgMismatch) out.U32(lowVersion).U32(highVersion);
    return out.Take();
}

std::string RpcReplyDenied(uint32_t xid) {
    TXdrWriter out;
    out.U32(xid).U32(MsgReply).U32(MsgDenied).U32(RpcMismatch).U32(RpcVersion).U32(RpcVersion);
    return out.Take();
}

std::string RpcRecord(std::string_view message) {
    TXdrWriter mark;
    mark.U32(0x80000000u | static_cast<uint32_t>(message.size()));
    std::string record = mark.Take();
    record += message;
    return record;
}

}  // namespace tavik::net
