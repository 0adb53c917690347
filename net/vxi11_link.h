#pragma once
// One VXI-11 link (create_link to destroy_link): the service its program
// messages go to, the lines written and not yet run, and the answers not yet
// read, each answer a response message of its own that device_read ends
// with END.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/line_service.h"
#include "line_framer.h"

namespace tavik::net {

class TVxi11Link {
public:
    TVxi11Link(uint32_t id, std::unique_ptr<TLineService> service, std::size_t maxLineBytes);

    uint32_t Id() const { return Id_; }
    TLineService& Service() { return *Service_; }

    // A device_write's data; with END, the program message ends here even
    // without a line end.
    void Write(std::string_view data, bool end);
    std::size_t HeldInput() const { return Framer_.Held(); }

    // Lines may run: some wait, the service is not waiting on one, and the
    // answers not yet read are within the bound.
    bool CanRun(std::size_t maxPendingOutput) const;
    // Up to count of its lines run.
    void Run(std::size_t count, std::size_t maxPendingOutput);
    // The line the service waited on is done: its answers join the rest.
    void TakeLater();
    // Something the link holds may still become an answer.
    bool Busy() const { return Framer_.HasLine() || Service_->Waiting(); }

    struct TPiece {
        std::string Data;
        uint32_t Reason = 0;
    };
    bool HasAnswer() const { return Read_ < Output_.size(); }
    std::size_t Unread() const { return Output_.size() - Read_; }
    // At most size bytes of the answers, up to the end of one (END) or a
    // term character when one is given (CHR).
    TPiece Read(std::size_t size, std::optional<char> termChar);

    // device_clear: the lines not yet run and the answers not yet read are
    // gone, and so is the answer of a line the service waits on.
    void Clear();

    bool Locked = false;

private:
    void Answered(std::size_t before);

    const uint32_t Id_;
    std::unique_ptr<TLineService> Service_;
    TLineFramer Framer_;
    std::string Output_;
    std::size_t Read_ = 0;             // bytes of Output_ read
    std::deque<std::size_t> Ends_;     // where each answer in Output_ ends
    bool DropLater_ = false;           // cleared while its service waited
};

}  // namespace tavik::net
