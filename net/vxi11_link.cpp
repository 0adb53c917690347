#include "vxi11_link.h"

#include <algorithm>

#include "vxi11_protocol.h"

namespace tavik::net {

namespace {
// Read answers are cut off the buffer once this much has gone.
constexpr std::size_t CompactAfter = 64 * 1024;
}  // namespace

TVxi11Link::TVxi11Link(uint32_t id, std::unique_ptr<TLineService> service, std::size_t maxLineBytes)
    : Id_(id), Service_(std::move(service)), Framer_(maxLineBytes) {}

void TVxi11Link::Write(std::string_view data, bool end) {
    Framer_.Add(data);
    if (end && Framer_.Pending() > 0) Framer_.Add("\n");
}

bool TVxi11Link::CanRun(std::size_t maxPendingOutput) const {
    return Framer_.HasLine() && !Service_->Waiting() && Unread() <= maxPendingOutput;
}

void TVxi11Link::Run(std::size_t count, std::size_t maxPendingOutput) {
    for (std::size_t run = 0; run < count && CanRun(maxPendingOutput); ++run) {
        const std::size_t before = Output_.size();
        Framer_.RunNext(*Service_, Output_);
        Answered(before);
    }
}

void TVxi11Link::TakeLater() {
    if (Service_->Waiting()) return;
    const std::size_t before = Output_.size();
    Service_->TakeLater(Output_);
    if (DropLater_) {
        Output_.resize(before);
        DropLater_ = false;
    }
    Answered(before);
}

void TVxi11Link::Answered(std::size_t before) {
    if (Output_.size() > before) Ends_.push_back(Output_.size());
}

TVxi11Link::TPiece TVxi11Link::Read(std::size_t size, std::optional<char> termChar) {
    TPiece piece;
    if (!HasAnswer()) return piece;
    const std::size_t end = Ends_.front();
    std::size_t take = std::min(size, end - Read_);
    if (termChar) {
        const std::size_t at = Output_.find(*termChar, Read_);
        if (at != std::string::npos && at < Read_ + take) {
            take = at + 1 - Read_;
            piece.Reason |= vxi11::ReasonTermChar;
        }
    }
    piece.Data = Output_.substr(Read_, take);
    Read_ += take;
    if (Read_ == end) {
        piece.Reason |= vxi11::ReasonEnd;
        Ends_.pop_front();
    } else if (take == size) {
        piece.Reason |= vxi11::ReasonRequestCount;
    }
    if (Read_ == Output_.size() || Read_ >= CompactAfter) {
        Output_.erase(0, Read_);
        for (std::size_t& at : Ends_) at -= Read_;
        Read_ = 0;
    }
    return piece;
}

void TVxi11Link::Clear() {
    Framer_.Clear();
    Output_.clear();
    Ends_.clear();
    Read_ = 0;
    DropLater_ = Service_->Waiting();
}

}  // namespace tavik::net
