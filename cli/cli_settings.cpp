// tavik-cli logger, generator and raw: one report each, as the window sends
// it.
#include <cstdio>

#include "cli_session.h"
#include "common/number_text.h"

namespace tavik::cli {

namespace {
// Why a command failed, as ": reason", or nothing when the platform gave none.
std::string Because(const TCommandResult& result) {
    return result.Reason.Empty() ? std::string() : ": " + std::string(result.Reason.Text());
}
}  // namespace

int TCliSession::LoggerControl(const TCommand& command) {
    if (const int code = Await({TInstrumentKind::Logger}, command.Wait)) return code;
    // Settings not given are the window's start-up ones: the module tells
    // nothing of its own until it reports.
    uint8_t csr = 0;
    if (command.EightBit.value_or(false)) csr |= logger::Csr8Bit;
    if (command.Peak.value_or(false)) csr |= logger::CsrPeak;
    if (command.Channel.value_or(1) == 2) csr |= logger::CsrChannel2;
    Session_.Instruments.Logger.SetCsr(csr);
    const TCommandResult sent = Session_.Instruments.Logger.SendControl();
    if (!sent.Done()) {
        Complain("the logger did not take the control report" + Because(sent));
        return ExitTransfer;
    }
    Say("logger: CSR = " + std::to_string(Session_.Instruments.Logger.Csr()));
    return ExitOk;
}

int TCliSession::GeneratorControl(const TCommand& command) {
    if (const int code = Await({TInstrumentKind::Generator}, command.Wait)) return code;
    generator::TGenerator& g = Session_.Instruments.Generator;
    // One report carries the source and frequency of the output given (the
    // options allow one); the levels of all three, as a new window has them.
    generator::TGeneratorOutputs outputs;
    outputs.High = {command.Out1.High.value_or(false), command.Out2.High.value_or(false), command.Out3High.value_or(false)};
    for (const int output : {1, 2}) {
        const TOutputOptions& out = output == 1 ? command.Out1 : command.Out2;
        if (!out.FromGenerator && !out.Frequency) continue;
        outputs.Output = output;
        outputs.Source = out.FromGenerator.value_or(true) ? generator::TSource::Generator : generator::TSource::PC;
        if (!out.Frequency) continue;
        outputs.FreqIndex = static_cast<std::size_t>(out.FreqIndex);
        const generator::TFreqTableEntry& entry = g.Table(output)[outputs.FreqIndex];
        if (out.Nearest)
            Say("out" + std::to_string(output) + ": " + *out.Frequency + " -> " +
                generator::FrequencyLabel(entry.Frequency, Separator_) + " (" + FixedText(entry.Frequency, 9, 3, Separator_) +
                " Hz)");
    }
    const TCommandResult sent = g.SetOutputs(outputs);
    if (!sent.Done()) {
        Complain("the generator did not take the control report" + Because(sent));
        return ExitTransfer;
    }
    char frame[32];
    const TFrame& b = g.ControlBuffer;
    std::snprintf(frame, sizeof frame, "%02X %02X %02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    Say(std::string("generator: ") + frame);
    return ExitOk;
}

int TCliSession::Raw(const TCommand& command) {
    if (const int code = Await({TInstrumentKind::Generator}, command.Wait)) return code;
    generator::TGenerator& g = Session_.Instruments.Generator;
    if (command.Verb == TVerb::RawWrite) {
        const TCommandResult written = g.RawWrite(command.Address, command.Data);
        if (!written.Done()) {
            Complain("the generator did not take the write" + Because(written));
            return ExitTransfer;
        }
        return ExitOk;
    }
    // Both the request and its answer must go through: a request that was
    // not taken leaves nothing to read.
    const generator::TRawByte read = g.RawRead(command.Address);
    if (!read.Result.Done()) {
        Complain("the generator did not answer the read" + Because(read.Result));
        return ExitTransfer;
    }
    Say(std::to_string(read.Value));
    return ExitOk;
}

}  // namespace tavik::cli
