// VXI-11's ONC RPC stream as a peer may send it: the first byte says where
// the stream is cut in two (as TCP may deliver it), the rest is the stream.
// Its records are the same whether the stream comes whole or cut, none is
// over the bound, each written again as a record reads back the same; a
// call's arguments are the end of its record; XDR read in any order of
// items never reads past its bytes, and once it fails, nothing more is read.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/rpc_message.h"
#include "net/rpc_record_framer.h"
#include "net/xdr.h"

namespace {

using namespace tavik::net;

constexpr std::size_t MaxRecord = 4096;

void Check(bool condition) {
    if (!condition) std::abort();
}

struct TFramed {
    std::vector<std::string> Records;
    bool Ok = true;
    bool operator==(const TFramed&) const = default;
};

TFramed Frame(std::string_view stream, std::size_t cut) {
    TRpcRecordFramer framer(MaxRecord);
    TFramed framed;
    framed.Ok = framer.Add(stream.substr(0, cut)) && framer.Add(stream.substr(cut));
    while (framer.HasRecord()) framed.Records.push_back(framer.TakeRecord());
    return framed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = data[0] % (stream.size() + 1);
    const TFramed whole = Frame(stream, stream.size());
    Check(Frame(stream, cut) == whole);
    for (const std::string& record : whole.Records) {
        Check(record.size() <= MaxRecord);
        const TFramed again = Frame(RpcRecord(record), 0);
        Check(again.Ok && again.Records == std::vector<std::string>{record});

        TRpcCall call;
        if (ReadRpcCall(record, call) == TRpcCallVerdict::Call) {
            Check(record.size() >= 40 + call.Arguments.size());
            Check(std::string_view(record).ends_with(call.Arguments));
        }
        // The record's own bytes choose what to read: a word or opaque data.
        TXdrReader in(record);
        std::size_t left = in.Left();
        for (std::size_t i = 0; i < record.size() && in.Ok(); ++i) {
            if (static_cast<unsigned char>(record[i]) & 1)
                in.U32();
            else
                Check(in.Opaque(static_cast<unsigned char>(record[i])).size() <= static_cast<unsigned char>(record[i]));
            Check(in.Left() <= left);
            left = in.Left();
        }
        if (!in.Ok()) Check(in.Left() == 0 && in.U32() == 0 && in.Opaque().empty() && !in.Ok());
    }
    return 0;
}
