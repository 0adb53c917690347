#pragma once
// ONC RPC version 2 messages as a server over TCP reads and writes them: a
// call's header (credentials of any flavour taken and not looked at, as the
// server trusts no one more for them), the replies a server makes, and the
// record marking that carries each message over TCP.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavik::net {

struct TRpcCall {
    uint32_t Xid = 0;
    uint32_t Program = 0;
    uint32_t Version = 0;
    uint32_t Procedure = 0;
    std::string_view Arguments;  // XDR, within the record read
};

enum class TRpcCallVerdict {
    Call,
    NotCall,      // a reply, or too short to be a call: nothing to answer
    RpcMismatch,  // not RPC version 2: denied
};

// The header of the record's call; the arguments point into the record.
TRpcCallVerdict ReadRpcCall(std::string_view record, TRpcCall& call);

enum class TRpcAcceptStat : uint32_t {
    Success = 0,
    ProgUnavail = 1,
    ProgMismatch = 2,
    ProcUnavail = 3,
    GarbageArgs = 4,
    SystemErr = 5,
};

// An accepted call's reply: its results after the header when it succeeded;
// the versions the server has when the program's version is not one of them.
std::string RpcReply(uint32_t xid, std::string_view results);
std::string RpcReplyError(uint32_t xid, TRpcAcceptStat stat, uint32_t lowVersion = 0, uint32_t highVersion = 0);
// The reply to a call of another RPC version.
std::string RpcReplyDenied(uint32_t xid);

// A message as one record of one fragment.
std::string RpcRecord(std::string_view message);

}  // namespace tavik::net
