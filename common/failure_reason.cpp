#include "failure_reason.h"

#include <algorithm>

namespace tavik {

void TFailureReason::Set(std::string_view operation, std::string_view reason) noexcept {
    Size_ = 0;
    Append(operation);
    Append(": ");
    Append(reason.empty() ? std::string_view("failed") : reason);
}

void TFailureReason::Append(std::string_view part) noexcept {
    std::size_t count = std::min(part.size(), Capacity - Size_);
    // A cut part ends before the sequence it would split.
    if (count < part.size())
        while (count > 0 && (static_cast<unsigned char>(part[count]) & 0xC0) == 0x80) --count;
    std::copy_n(part.data(), count, Text_.data() + Size_);
    Size_ += count;
}

}  // namespace tavik
