#include "line_framer.h"

namespace tavik::net {

namespace {
// What a waiting line costs beyond its bytes, near enough.
constexpr std::size_t PerLine = sizeof(std::string) + sizeof(bool);
}  // namespace

void TLineFramer::Push(TWaiting waiting) {
    WaitingBytes_ += waiting.Line.size() + PerLine;
    Waiting_.push_back(std::move(waiting));
}

// The line may hold one byte over the limit while that byte could yet be the
// "\r" of its terminator.
void TLineFramer::Add(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        if (!Skipping_) {
            if (Line_.size() + part.size() > MaxLineBytes_ + 1) {
                Line_.clear();
                Skipping_ = true;
                Push({{}, true});
            } else {
                Line_.append(part);
            }
        }
        if (end == std::string_view::npos) return;
        bytes.remove_prefix(end + 1);
        if (Skipping_) {
            Skipping_ = false;
            continue;
        }
        if (!Line_.empty() && Line_.back() == '\r') Line_.pop_back();
        if (Line_.size() > MaxLineBytes_)
            Push({{}, true});
        else
            Push({std::move(Line_), false});
        Line_.clear();
    }
}

bool TLineFramer::RunNext(TLineService& service, std::string& out) {
    if (Waiting_.empty()) return false;
    const TWaiting waiting = std::move(Waiting_.front());
    Waiting_.pop_front();
    WaitingBytes_ -= waiting.Line.size() + PerLine;
    if (waiting.Overrun)
        service.Overrun();
    else
        service.Line(waiting.Line, out);
    return true;
}

}  // namespace tavik::net
