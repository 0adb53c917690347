// The STATus subsystem: the OPERation and QUEStionable registers, each with
// its condition, its event register (read and cleared) and its enable mask,
// which feed *STB? bits 7 and 3.
#include "scpi_command.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

namespace {

TConditionRegister& Condition(TCall& call, bool questionable) {
    return questionable ? call.Instrument.Status.Questionable : call.Instrument.Status.Operation;
}
TStatusRegister& Register(TCall& call, bool questionable) {
    return questionable ? call.Client.Questionable : call.Client.Operation;
}

TOutcome Event(TCall& call, bool questionable) {
    if (auto error = call.Expect(0, 0)) return error;
    TStatusRegister& reg = Register(call, questionable);
    Condition(call, questionable).Latch(reg);
    call.Answer = Nr1(reg.Event);
    reg.Event = 0;
    return std::nullopt;
}

TOutcome ConditionQuery(TCall& call, bool questionable) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = Nr1(Condition(call, questionable).Condition());
    return std::nullopt;
}

TOutcome SetEnable(TCall& call, bool questionable) {
    if (auto error = call.Expect(1, 1)) return error;
    const TRead<int64_t> value = ReadWhole(call.Parameters[0], 0, 65535, TUnit::None, int64_t{0});
    if (const TError* error = std::get_if<TError>(&value)) return *error;
    Register(call, questionable).Enable = static_cast<uint16_t>(std::get<int64_t>(value) & 0x7FFF);
    return std::nullopt;
}

TOutcome Enable(TCall& call, bool questionable) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = Nr1(Register(call, questionable).Enable);
    return std::nullopt;
}

// As SCPI has it: both enable masks cleared, the events left as they are.
TOutcome Preset(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Client.Operation.Enable = 0;
    call.Client.Questionable.Enable = 0;
    return std::nullopt;
}

}  // namespace

const std::vector<TCommandEntry>& StatusCommands() {
    static const std::vector<TCommandEntry> commands = {
        {"STATus:OPERation[:EVENt]", nullptr, [](TCall& call) { return Event(call, false); }},
        {"STATus:OPERation:CONDition", nullptr, [](TCall& call) { return ConditionQuery(call, false); }},
        {"STATus:OPERation:ENABle", [](TCall& call) { return SetEnable(call, false); },
         [](TCall& call) { return Enable(call, false); }},
        {"STATus:QUEStionable[:EVENt]", nullptr, [](TCall& call) { return Event(call, true); }},
        {"STATus:QUEStionable:CONDition", nullptr, [](TCall& call) { return ConditionQuery(call, true); }},
        {"STATus:QUEStionable:ENABle", [](TCall& call) { return SetEnable(call, true); },
         [](TCall& call) { return Enable(call, true); }},
        {"STATus:PRESet", Preset, nullptr},
    };
    return commands;
}

}  // namespace tavik::scpi
