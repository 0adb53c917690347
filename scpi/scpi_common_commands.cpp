// IEEE 488.2's common commands and the SYSTem, INSTrument and FORMat
// subsystems: identity, reset, status, the error queue and the data format.
#include <cctype>

#include "device/instrument_identity.h"
#include "scpi_command.h"
#include "scpi_identity.h"
#include "scpi_instrument.h"

namespace tavik::scpi {

// Bit 2 an error in the queue, bit 3 an enabled QUEStionable event, bit 5 an
// enabled standard event, bit 7 an enabled OPERation event; bit 6 any of
// those enabled for a service request.
uint8_t StatusByteOf(TScpiInstrument& instrument, TClientState& c) {
    instrument.Status.Latch(c.Operation, c.Questionable);
    uint8_t status = 0;
    if (c.Errors.Count() > 0) status |= 0x04;
    if (c.Questionable.Event & c.Questionable.Enable) status |= 0x08;
    if (c.EventStatus & c.EventStatusEnable) status |= 0x20;
    if (c.Operation.Event & c.Operation.Enable) status |= 0x80;
    if (status & c.ServiceRequestEnable) status |= 0x40;
    return status;
}

namespace {

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
    const TScpiIdentity& i = scpi::Identity();
    return Answer(call, i.Manufacturer + "," + i.Model + "," + i.SerialNumber + "," + i.FirmwareVersion);
}

TOutcome Reset(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Client.Initiated = {};
    return call.Instrument.Reset();
}

// INITiate marks now for each measuring kind: FETCh? then answers a reading
// taken after the mark. ABORt takes the marks back.
TOutcome Initiate(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    for (const TInstrumentKind kind : {TInstrumentKind::Logger, TInstrumentKind::FrequencyMeter})
        call.Client.Initiated[SlotOf(kind)] = call.Instrument.Readings(kind);
    return std::nullopt;
}

TOutcome Abort(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    call.Client.Initiated = {};
    return std::nullopt;
}

// The error queue and every event register, OPERation's and QUEStionable's
// too (their rises so far latched and dropped).
TOutcome Clear(TCall& call) {
    if (auto error = call.Expect(0, 0)) return error;
    TClientState& c = call.Client;
    c.Errors.Clear();
    c.EventStatus = 0;
    call.Instrument.Status.Latch(c.Operation, c.Questionable);
    c.Operation.Event = 0;
    c.Questionable.Event = 0;
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

TOutcome StatusByte(TCall& call) { return Answer(call, Nr1(StatusByteOf(call.Instrument, call.Client))); }

TOutcome SetFormat(TCall& call) {
    if (auto error = call.Expect(1, 2)) return error;
    const auto format = ReadChoice(call.Parameters[0], {"ASCii", "REAL"});
    if (const TError* error = std::get_if<TError>(&format)) return *error;
    const bool real = std::get<std::size_t>(format) == 1;
    if (call.Parameters.size() == 2) {
        // ASCii's digits are the shortest that give each float back; REAL has 32 bits.
        const auto length = ReadWhole(call.Parameters[1], real ? 32 : 0, real ? 32 : 0, TUnit::None, real ? 32 : 0);
        if (const TError* error = std::get_if<TError>(&length)) return *error;
    }
    call.Client.Format = real ? TDataFormat::Real32 : TDataFormat::Ascii;
    return std::nullopt;
}

TOutcome Format(TCall& call) { return Answer(call, call.Client.Format == TDataFormat::Real32 ? "REAL,32" : "ASC,0"); }

TOutcome SetByteOrder(TCall& call) {
    if (auto error = call.Expect(1, 1)) return error;
    const auto order = ReadChoice(call.Parameters[0], {"NORMal", "SWAPped"});
    if (const TError* error = std::get_if<TError>(&order)) return *error;
    call.Client.Swapped = std::get<std::size_t>(order) == 1;
    return std::nullopt;
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
        {"*OPT", nullptr, [](TCall& call) { return Answer(call, "0"); }},
        {"FORMat[:DATA]", SetFormat, Format},
        {"FORMat:BORDer", SetByteOrder, [](TCall& call) { return Answer(call, call.Client.Swapped ? "SWAP" : "NORM"); }},
        {"SYSTem:ERRor[:NEXT]", nullptr, NextError},
        {"SYSTem:ERRor:COUNt", nullptr,
         [](TCall& call) { return Answer(call, Nr1(static_cast<int64_t>(call.Client.Errors.Count()))); }},
        {"SYSTem:ERRor:ALL", nullptr, AllErrors},
        {"SYSTem:VERSion", nullptr, [](TCall& call) { return Answer(call, ScpiVersion); }},
        {"INSTrument:CATalog", nullptr, Catalog},
        {"INITiate[:IMMediate]", Initiate, nullptr},
        {"ABORt", Abort, nullptr},
    };
    return commands;
}

}  // namespace tavik::scpi
