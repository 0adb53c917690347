#include "line_framer.h"

namespace tavik::net {

// The line may hold one byte over the limit while that byte could yet be the
// "\r" of its terminator.
void TLineFramer::Append(std::string_view part, TLineService& service) {
    if (Skipping_) return;
    if (Line_.size() + part.size() > MaxLineBytes_ + 1) {
        Line_.clear();
        Skipping_ = true;
        service.Overrun();
        return;
    }
    Line_.append(part);
}

void TLineFramer::Feed(std::string_view bytes, TLineService& service, std::string& out) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            Append(bytes, service);
            return;
        }
        Append(bytes.substr(0, end), service);
        bytes.remove_prefix(end + 1);
        if (Skipping_) {
            Skipping_ = false;
            continue;
        }
        if (!Line_.empty() && Line_.back() == '\r') Line_.pop_back();
        if (Line_.size() > MaxLineBytes_)
            service.Overrun();
        else
            service.Line(Line_, out);
        Line_.clear();
    }
}

}  // namespace tavik::net
