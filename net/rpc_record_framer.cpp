#include "rpc_record_framer.h"

#include <algorithm>
#include <cstdint>

namespace tavik::net {

bool TRpcRecordFramer::Add(std::string_view bytes) {
    while (!Failed_ && !bytes.empty()) {
        if (!InFragment_) {
            const std::size_t take = std::min(4 - Header_.size(), bytes.size());
            Header_.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            if (Header_.size() < 4) break;
            uint32_t mark = 0;
            for (char byte : Header_) mark = mark << 8 | static_cast<unsigned char>(byte);
            Header_.clear();
            LastFragment_ = (mark & 0x80000000u) != 0;
            FragmentLeft_ = mark & 0x7FFFFFFFu;
            InFragment_ = true;
            if (Partial_.size() + FragmentLeft_ > MaxRecordBytes_) {
                Failed_ = true;
                break;
            }
        }
        const std::size_t take = std::min(FragmentLeft_, bytes.size());
        Partial_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        FragmentLeft_ -= take;
        if (FragmentLeft_ > 0) break;
        InFragment_ = false;
        if (LastFragment_) {
            Held_ += Partial_.size();
            Records_.push_back(std::move(Partial_));
            Partial_.clear();
        }
    }
    return !Failed_;
}

std::string TRpcRecordFramer::TakeRecord() {
    std::string record = std::move(Records_.front());
    Records_.pop_front();
    Held_ -= record.size();
    return record;
}

}  // namespace tavik::net
