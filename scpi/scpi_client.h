#pragma once
// One client of the SCPI instrument: reads each line as a program message,
// runs its commands through the tree in order and answers its queries in one
// response, joined by ';' as IEEE 488.2 has it. Errors go to the client's own
// queue.
#include <string>
#include <string_view>
#include <vector>

#include "common/line_service.h"
#include "scpi_command.h"

namespace tavik::scpi {

class TScpiInstrument;

// The answers of one line stop growing past this: the line's later commands
// are not run, and -225 says so. What one line makes a client hold is bounded.
constexpr std::size_t MaxAnswerBytes = std::size_t{1} << 20;

class TScpiClient : public TLineService {
public:
    explicit TScpiClient(TScpiInstrument& instrument);

    void Line(std::string_view line, std::string& out) override;
    void Overrun() override;

    const TClientState& State() const { return State_; }

private:
    void Run(const TProgramCommand& command, const std::vector<TMnemonic>& header, std::vector<std::string>& answers);
    void Fail(TError error);

    TScpiInstrument& Instrument_;
    TClientState State_;
};

}  // namespace tavik::scpi
