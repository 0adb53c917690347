#pragma once
// ONC RPC's record marking over TCP read back: each fragment is a 32-bit
// header (its length, and a last-fragment bit) and its bytes; a record is its
// fragments joined. A record bigger than the bound is a broken or hostile
// peer: the framer fails, and the connection should close.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace tavik::net {

class TRpcRecordFramer {
public:
    explicit TRpcRecordFramer(std::size_t maxRecordBytes) : MaxRecordBytes_(maxRecordBytes) {}

    // False once a record passed the bound (nothing more is framed).
    bool Add(std::string_view bytes);
    bool HasRecord() const { return !Records_.empty(); }
    std::string TakeRecord();
    // Bytes held: whole records waiting and the one in progress.
    std::size_t Held() const { return Held_ + Partial_.size() + Header_.size(); }

private:
    const std::size_t MaxRecordBytes_;
    std::string Header_;        // of the fragment in progress, until it has its 4 bytes
    std::size_t FragmentLeft_ = 0;
    bool LastFragment_ = false;
    bool InFragment_ = false;
    std::string Partial_;       // the record in progress
    std::deque<std::string> Records_;
    std::size_t Held_ = 0;
    bool Failed_ = false;
};

}  // namespace tavik::net
