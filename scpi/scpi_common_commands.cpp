// IEEE 488.2's common commands and the SYSTem and INSTrument subsystems:
// identity, reset, status and the error queue.
#include <cctype>

#include "common/utf8_text.h"
#include "device/instrument_identity.h"
#include "scpi_command.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

namespace {

constexpr const char* Model = "Tavik";
constexpr const char* SerialNumber = "0";  // the modules carry none
constexpr const char* ScpiVersion = "1999.0";

// *ESE and *SRE: a register's new value, 0 to 255, rounded; the bits the
// register has not (*SRE's bit 6, the summary itself) read 0.
TOutcome SetRegister(TCall& call, uint8_t& reg, uint8_t bits = 0xFF) {
    if (auto error = call.Expect(1, 1)) return error;
    const TRead<int64_t> value = ReadWhole(call.Parameters[0], 0, 255);
    if (const TError* error = std::get_if<TError>(&value)) return *error;
    reg = static_cast<uint8_t>(std::get<int64_t>(value) & bits);
    return std::nullopt;
}

TOutcome Answer(TCall& call, std::string answer) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = std::move(answer);
    return std::nullopt;
}

TOutcome Identity(TCall& call) {
    return Answer(call, Utf8Of(FirstManufacturerString) + "," + Model + "," + SerialNumber + "," + TAVIK_VERSION);
}

TOutcome Reset(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    return call.Instrument.Reset();
}

TOutcome Clear(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Client.Errors.Clear();
    call.Client.EventStatus = 0;
    return std::nullopt;
}

TOutcome OperationComplete(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Client.EventStatus |= OperationCompleteBit;
    return std::nullopt;
}

// Every command is done before the next is read: nothing to wait for.
TOutcome Wait(TCall& call) { return call.Expect(0, 0); }

TOutcome EventStatus(TCall& call) {
    const uint8_t status = call.Client.EventStatus;
    if (auto error = Answer(call, Nr1(status))) return error;
    call.Client.EventStatus = 0;
    return std::nullopt;
}

// Bit 2 an error in the queue, bit 5 an enabled event, bit 6 either of those
// enabled for a service request.
TOutcome StatusByte(TCall& call) {
    const TClientState& c = call.Client;
    uint8_t status = 0;
    if (c.Errors.Count() > 0) status |= 0x04;
    if (c.EventStatus & c.EventStatusEnable) status |= 0x20;
    if (status & c.ServiceRequestEnable) status |= 0x40;
    return Answer(call, Nr1(status));
}

TOutcome NextError(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = call.Client.Errors.Next();
    return std::nullopt;
}

TOutcome AllErrors(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Answer = call.Client.Errors.Next();
    while (call.Client.Errors.Count() > 0) call.Answer += "," + call.Client.Errors.Next();
    return std::nullopt;
}

TOutcome Catalog(TCall& call) {
    std::string names;
    for (const TInstrumentKindInfo& info : InstrumentKinds) {
        if (!call.Instrument.Session.Present(info.Kind)) continue;
        std::string name = info.Name;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names += (names.empty() ? "\"" : ",\"") + name + "\"";
    }
    return Answer(call, names.empty() ? "\"\"" : names);
}

}  // namespace

const std::vector<TCommandEntry>& CommonCommands() {
    static const std::vector<TCommandEntry> commands = {
        {"*IDN", nullptr, Identity},
        {"*RST", Reset, nullptr},
        {"*CLS", Clear, nullptr},
        {"*OPC", OperationComplete, [](TCall& call) { return Answer(call, "1"); }},
        {"*WAI", Wait, nullptr},
        {"*TST", nullptr, [](TCall& call) { return Answer(call, "0"); }},
        {"*ESR", nullptr, EventStatus},
        {"*ESE", [](TCall& call) { return SetRegister(call, call.Client.EventStatusEnable); },
         [](TCall& call) { return Answer(call, Nr1(call.Client.EventStatusEnable)); }},
        {"*SRE", [](TCall& call) { return SetRegister(call, call.Client.ServiceRequestEnable, 0xBF); },
         [](TCall& call) { return Answer(call, Nr1(call.Client.ServiceRequestEnable)); }},
        {"*STB", nullptr, StatusByte},
        {"SYSTem:ERRor[:NEXT]", nullptr, NextError},
        {"SYSTem:ERRor:COUNt", nullptr,
         [](TCall& call) { return Answer(call, Nr1(static_cast<int64_t>(call.Client.Errors.Count()))); }},
        {"SYSTem:ERRor:ALL", nullptr, AllErrors},
        {"SYSTem:VERSion", nullptr, [](TCall& call) { return Answer(call, ScpiVersion); }},
        {"INSTrument:CATalog", nullptr, Catalog},
    };
    return commands;
}

}  // namespace tavik::scpi
