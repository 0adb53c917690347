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
    const TProgramMessage message = ParseProgramMessage(line);
    std::vector<std::string> answers;
    // After a ';' a header goes on from its predecessor's level; a leading
    // ':' or a new line starts again at the root; common commands leave the
    // level where it was.
    std::vector<TMnemonic> path;
    std::size_t answered = 0;  // bytes of the answers so far, with their separators
    for (const TProgramCommand& command : message.Commands) {
        if (answered > MaxAnswerBytes) {
            Fail({OutOfMemory, "the answers of one line stop past " + std::to_string(MaxAnswerBytes) + " bytes"});
            break;
        }
        const std::size_t before = answers.size();
        if (command.Common) {
            Run(command, command.Header, answers);
        } else {
            std::vector<TMnemonic> header = command.Rooted ? std::vector<TMnemonic>{} : path;
            header.insert(header.end(), command.Header.begin(), command.Header.end());
            path.assign(header.begin(), header.end() - 1);
            Run(command, header, answers);
        }
        if (answers.size() > before) answered += answers.back().size() + 1;
    }
    if (message.Syntax) Fail(*message.Syntax);
    if (answers.empty()) return;
    for (std::size_t i = 0; i < answers.size(); ++i) out += (i ? ";" : "") + answers[i];
    out += '\n';
}

void TScpiClient::Overrun() { Fail({InputBufferOverrun, {}}); }

void TScpiClient::Fail(TError error) {
    State_.EventStatus |= static_cast<uint8_t>(EventBitOf(error.Code));
    State_.Errors.Push(std::move(error));
}

void TScpiClient::Run(const TProgramCommand& command, const std::vector<TMnemonic>& header,
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
            if (const TOutcome error = handler(call)) {
                Fail(*error);
                for (TError& further : call.Further) Fail(std::move(further));
            } else if (command.Query) {
                answers.push_back(std::move(call.Answer));
            }
            return;
        }
    }
    Fail({UndefinedHeader, {}});
}

}  // namespace tavik::scpi
