#include "freqmeter_protocol.h"

namespace tavik::freqmeter {

int32_t RawCountOf(const TFrame& r) {
    return static_cast<int32_t>(static_cast<uint32_t>(r[3]) | static_cast<uint32_t>(r[4]) << 8 |
                                static_cast<uint32_t>(r[5]) << 16 | static_cast<uint32_t>(r[6]) << 24);
}

}  // namespace tavik::freqmeter
