#pragma once
// One connection's input cut into lines for its service. A line ends at "\n",
// a "\r" just before it going too; bytes are bytes (NULs and invalid UTF-8 go
// through as they are). A line longer than the limit is told to the service
// once as an overrun and skipped up to its terminator; the next line is
// framed as usual. Lines are held until they are run, one at a time, so that
// the server decides how many a client gets in a turn.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "common/line_service.h"

namespace tavik::net {

class TLineFramer {
public:
    explicit TLineFramer(std::size_t maxLineBytes) : MaxLineBytes_(maxLineBytes) {}

    // Bytes after those added before: whole lines wait to be run, an overlong
    // one's bytes are dropped as they come.
    void Add(std::string_view bytes);
    // The oldest line waiting to the service (its answers to out), or its
    // overrun; false when none waits.
    bool RunNext(TLineService& service, std::string& out);
    bool HasLine() const { return !Waiting_.empty(); }
    // Every line of the bytes run at once.
    void Feed(std::string_view bytes, TLineService& service, std::string& out) {
        Add(bytes);
        while (RunNext(service, out)) {
        }
    }

    // Every line waiting, and the one in progress, gone.
    void Clear() {
        Line_.clear();
        Skipping_ = false;
        Waiting_.clear();
        WaitingBytes_ = 0;
    }

    // What the framer holds, in bytes (each waiting line counted at least a
    // few): the server reads no more while this is past its bound.
    std::size_t Held() const { return WaitingBytes_ + Line_.size(); }
    // The bytes of the line in progress held so far.
    std::size_t Pending() const { return Line_.size(); }

private:
    struct TWaiting {
        std::string Line;
        bool Overrun = false;
    };
    void Push(TWaiting waiting);

    const std::size_t MaxLineBytes_;
    std::string Line_;
    bool Skipping_ = false;  // past the limit: the rest of the line goes unread
    std::deque<TWaiting> Waiting_;
    std::size_t WaitingBytes_ = 0;
};

}  // namespace tavik::net
