#include "scpi_harness.h"

#include "scpi/scpi_client.h"

namespace tavik::scpi::test {

TQueuedError ParseErrorAnswer(const std::string& answer) {
    TQueuedError error;
    const std::size_t comma = answer.find(',');
    EXPECT_NE(comma, std::string::npos) << answer;
    if (comma == std::string::npos) return error;
    std::size_t used = 0;
    error.Code = std::stoi(answer.substr(0, comma), &used);
    EXPECT_EQ(used, comma) << answer;
    const std::string quoted = answer.substr(comma + 1);
    EXPECT_TRUE(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"') << answer;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        error.Text += quoted[i];
        if (quoted[i] == '"') {
            EXPECT_EQ(quoted[i + 1], '"') << "a quote inside is doubled: " << answer;
            ++i;
        }
    }
    return error;
}

void TScpiHarness::Start() {
    Instrument = std::make_unique<TScpiInstrument>(M.Platform, M.Loop);
    Client = Instrument->NewClient();
}

std::string TScpiHarness::AskNow(std::string_view line) {
    std::string out;
    Client->Line(line, out);
    return out;
}

std::string TScpiHarness::Later() {
    std::string out;
    Client->TakeLater(out);
    return out;
}

std::string TScpiHarness::Ask(std::string_view line) {
    std::string out = AskNow(line);
    const auto& client = dynamic_cast<const TScpiClient&>(*Client);
    for (int i = 0; i < 20 && Client->Waiting(); ++i)
        if (const std::optional<TInstrumentKind> kind = client.WaitingOn()) {
            Tick(*kind, 1);
            M.ProcessEvents();  // the waiting line goes on from the loop
        }
    EXPECT_FALSE(Client->Waiting()) << line << ": no fresh reading after 20 polls";
    return out + Later();
}

std::vector<TQueuedError> TScpiHarness::Errors() {
    std::vector<TQueuedError> errors;
    for (int i = 0; i < 64; ++i) {
        const std::string answer = Ask("SYST:ERR?");
        EXPECT_TRUE(!answer.empty() && answer.back() == '\n') << answer;
        const TQueuedError error = ParseErrorAnswer(answer.substr(0, answer.size() - 1));
        if (error.Code == 0) {
            EXPECT_EQ(error.Text, "No error");
            return errors;
        }
        errors.push_back(error);
    }
    ADD_FAILURE() << "the queue does not empty";
    return errors;
}

std::vector<int> TScpiHarness::ErrorCodes() {
    std::vector<int> codes;
    for (const TQueuedError& error : Errors()) codes.push_back(error.Code);
    return codes;
}

void TScpiHarness::Tick(TInstrumentKind kind, int count) {
    auto& timer = static_cast<TManualEventLoop::TTimer&>(*Instrument->Session.PollingTimer(kind));
    for (int i = 0; i < count; ++i) timer.Fire();
}

std::vector<std::string> Drain(sim::TModuleSimulator& module) {
    std::vector<std::string> frames;
    for (const TFrame& frame : module.Received) frames.push_back(tavik::test::Hex(frame));
    module.Received.clear();
    return frames;
}

}  // namespace tavik::scpi::test
