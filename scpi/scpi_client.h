#pragma once
// One client of the SCPI instrument: reads each line as a program message,
// runs its commands through the tree in order and answers its queries in one
// response, joined by ';' as IEEE 488.2 has it. Errors go to the client's own
// queue. A query that answers a fresh reading holds the line until it has
// one: the client waits, and the line's answers go out when it is done.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/line_service.h"
#include "scpi_command.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

class TScpiInstrument;

// The answers of one line stop growing past this: the line's later commands
// are not run, and -225 says so. What one line makes a client hold is bounded.
constexpr std::size_t MaxAnswerBytes = std::size_t{1} << 20;

class TScpiClient : public TLineService, private TScpiInstrument::TWaiter {
public:
    explicit TScpiClient(TScpiInstrument& instrument);
    ~TScpiClient() override;

    void Line(std::string_view line, std::string& out) override;
    void Overrun() override;
    bool Waiting() const override { return Line_.has_value(); }
    void TakeLater(std::string& out) override;
    uint8_t StatusByte() override;

    const TClientState& State() const { return State_; }
    // The kind whose fresh reading the client waits for.
    std::optional<TInstrumentKind> WaitingOn() const;

private:
    // A line on its way: its commands, the next to run, the header path so
    // far and the answers so far.
    struct TLineRun {
        TProgramMessage Message;
        std::size_t Next = 0;
        std::vector<TMnemonic> Path;
        std::vector<std::string> Answers;
        std::size_t Answered = 0;  // bytes of the answers so far, with their separators
    };
    // Runs the line's commands from Next; false when one waits.
    bool Go(TLineRun& run);
    void Finish(TLineRun& run, std::string& out);
    // False when the command waits for a fresh reading.
    bool Run(const TProgramCommand& command, const std::vector<TMnemonic>& header, std::vector<std::string>& answers);
    void Retry() override;
    void Fail(TError error);

    TScpiInstrument& Instrument_;
    TClientState State_;
    std::optional<TLineRun> Line_;  // the line that waits
    std::string Later_;             // its answers, once done
};

}  // namespace tavik::scpi
