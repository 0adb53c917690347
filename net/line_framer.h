#pragma once
// One connection's input cut into lines for its service. A line ends at "\n",
// a "\r" just before it going too; bytes are bytes (NULs and invalid UTF-8 go
// through as they are). A line longer than the limit is told to the service
// once as an overrun and skipped up to its terminator; the next line is
// framed as usual.
#include <cstddef>
#include <string>
#include <string_view>

#include "common/line_service.h"

namespace tavik::net {

class TLineFramer {
public:
    explicit TLineFramer(std::size_t maxLineBytes) : MaxLineBytes_(maxLineBytes) {}

    // Frames bytes after those fed before; the service's answers go to out.
    void Feed(std::string_view bytes, TLineService& service, std::string& out);

    // The bytes of the line in progress held so far.
    std::size_t Pending() const { return Line_.size(); }

private:
    void Append(std::string_view part, TLineService& service);

    const std::size_t MaxLineBytes_;
    std::string Line_;
    bool Skipping_ = false;  // past the limit: the rest of the line goes unread
};

}  // namespace tavik::net
