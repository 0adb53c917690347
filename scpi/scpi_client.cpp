#include "scpi_client.h"

#include <utility>

#include "scpi_header.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

namespace {

const std::vector<TCommandEntry>* const Families[] = {
    &CommonCommands(), &StatusCommands(), &LoggerCommands(), &GeneratorCommands(), &FrequencyMeterCommands()};

bool MatchesCommon(const char* pattern, const TProgramCommand& command) {
    return pattern[0] == '*' && command.Header.front().Name == pattern + 1;
}

}  // namespace

TScpiClient::TScpiClient(TScpiInstrument& instrument) : Instrument_(instrument) {
    Instrument_.Status.Operation.Join(State_.Operation);
    Instrument_.Status.Questionable.Join(State_.Questionable);
}

std::optional<TError> TCall::Expect(std::size_t minimum, std::size_t maximum) const {
    if (Parameters.size() < minimum) return TError{MissingParameter, {}};
    if (Parameters.size() > maximum) return TError{ParameterNotAllowed, {}};
    return std::nullopt;
}

TRead<uint32_t> TCall::Suffix(std::size_t index, uint32_t minimum, uint32_t maximum) const {
    const uint32_t suffix = index < Suffixes.size() ? Suffixes[index] : 1;
    if (suffix < minimum || suffix > maximum) return TError{HeaderSuffixOutOfRange, {}};
    return suffix;
}

void TScpiClient::Line(std::string_view line, std::string& out) {
    TLineRun run{ParseProgramMessage(line), 0, {}, {}, 0};
    if (Go(run)) return Finish(run, out);
    Line_ = std::move(run);
    Instrument_.Await(*this);
}

bool TScpiClient::Go(TLineRun& run) {
    // After a ';' a header goes on from its predecessor's level; a leading
    // ':' or a new line starts again at the root; common commands leave the
    // level where it was.
    for (; run.Next < run.Message.Commands.size(); ++run.Next) {
        const TProgramCommand& command = run.Message.Commands[run.Next];
        if (run.Answered > MaxAnswerBytes) {
            Fail({OutOfMemory, "the answers of one line stop past " + std::to_string(MaxAnswerBytes) + " bytes"});
            run.Next = run.Message.Commands.size();
            break;
        }
        const std::size_t before = run.Answers.size();
        std::vector<TMnemonic> header = command.Header;
        if (!command.Common) {
            header = command.Rooted ? std::vector<TMnemonic>{} : run.Path;
            header.insert(header.end(), command.Header.begin(), command.Header.end());
        }
        if (!Run(command, header, run.Answers)) return false;
        if (!command.Common) run.Path.assign(header.begin(), header.end() - 1);
        if (run.Answers.size() > before) run.Answered += run.Answers.back().size() + 1;
    }
    return true;
}

void TScpiClient::Finish(TLineRun& run, std::string& out) {
    if (run.Message.Syntax) Fail(*run.Message.Syntax);
    if (run.Answers.empty()) return;
    for (std::size_t i = 0; i < run.Answers.size(); ++i) out += (i ? ";" : "") + run.Answers[i];
    out += '\n';
}

void TScpiClient::Retry() {
    if (!Line_ || !Go(*Line_)) return;
    Instrument_.StopAwaiting(*this);
    TLineRun run = std::move(*Line_);
    Line_.reset();
    Finish(run, Later_);
    if (Resumed) Resumed();
}

void TScpiClient::TakeLater(std::string& out) {
    out += Later_;
    Later_.clear();
}

uint8_t TScpiClient::StatusByte() { return StatusByteOf(Instrument_, State_); }

std::optional<TInstrumentKind> TScpiClient::WaitingOn() const {
    if (!Line_ || !State_.Waiting) return std::nullopt;
    return State_.Waiting->Kind;
}

TScpiClient::~TScpiClient() { Instrument_.StopAwaiting(*this); }

void TScpiClient::Overrun() { Fail({InputBufferOverrun, {}}); }

void TScpiClient::Fail(TError error) {
    State_.EventStatus |= static_cast<uint8_t>(EventBitOf(error.Code));
    State_.Errors.Push(std::move(error));
}

bool TScpiClient::Run(const TProgramCommand& command, const std::vector<TMnemonic>& header,
                      std::vector<std::string>& answers) {
    for (const std::vector<TCommandEntry>* family : Families) {
        for (const TCommandEntry& entry : *family) {
            std::optional<std::vector<uint32_t>> suffixes;
            if (command.Common) {
                if (MatchesCommon(entry.Pattern, command)) suffixes.emplace();
            } else if (entry.Pattern[0] != '*') {
                suffixes = MatchHeader(entry.Pattern, header);
            }
            if (!suffixes) continue;
            const THandler handler = command.Query ? entry.Query : entry.Set;
            if (!handler) continue;  // the other form may stand further on
            TCall call{Instrument_, State_, *suffixes, command.Parameters, {}, {}};
            const TOutcome error = handler(call);
            if (call.Deferred && !error) return false;
            State_.Waiting.reset();
            if (error) {
                Fail(*error);
                for (TError& further : call.Further) Fail(std::move(further));
            } else if (command.Query) {
                answers.push_back(std::move(call.Answer));
            }
            return true;
        }
    }
    Fail({UndefinedHeader, {}});
    return true;
}

}  // namespace tavik::scpi
