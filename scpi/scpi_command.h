#pragma once
// What a command of the tree is given and gives back: its header's suffixes
// and its parameters in, an answer or an error out. Each family of commands
// (common and system, logger, generator, frequency meter) keeps its own
// table of header patterns and handlers.
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/instrument_identity.h"
#include "scpi_error.h"
#include "scpi_message.h"
#include "scpi_status.h"
#include "scpi_values.h"

namespace tavik::scpi {

class TScpiInstrument;

// How trace data is answered: a list of numbers, or a block of 32-bit floats.
enum class TDataFormat { Ascii, Real32 };

// What one client has of its own: its error queue, the IEEE 488.2 status
// registers, SCPI's OPERation and QUEStionable registers, its data format.
struct TClientState {
    TErrorQueue Errors;
    uint8_t EventStatus = 0;        // *ESR?
    uint8_t EventStatusEnable = 0;  // *ESE
    uint8_t ServiceRequestEnable = 0;  // *SRE
    TStatusRegister Operation;
    TStatusRegister Questionable;
    TDataFormat Format = TDataFormat::Ascii;
    bool Swapped = false;  // FORMat:BORDer SWAPped: least significant byte first
    // INITiate's mark of each kind (the readings it had then): FETCh? answers
    // a reading taken after it. ABORt and *RST take the marks back.
    std::array<std::optional<uint64_t>, InstrumentKindCount> Initiated{};
    // The command waiting for a fresh reading: of which kind, the count of
    // readings that makes one fresh, and when it gives up.
    struct TFreshWait {
        TInstrumentKind Kind;
        uint64_t Needed;
        std::chrono::steady_clock::time_point Deadline;
    };
    std::optional<TFreshWait> Waiting;
};

// The standard event status register's operation complete bit.
constexpr uint8_t OperationCompleteBit = 0x01;

struct TCall {
    TScpiInstrument& Instrument;
    TClientState& Client;
    const std::vector<uint32_t>& Suffixes;  // of the pattern's '#' nodes, 1 where none was typed
    const std::vector<TParameter>& Parameters;
    std::string Answer;  // a query's answer, without the line end
    std::vector<TError> Further;  // errors after the one the handler returns, in order
    // The handler waits for a fresh reading (TScpiInstrument::Fresh): it runs
    // again, with the same call, when one comes or the wait ends.
    bool Deferred = false;

    // -109 or -108 unless the count of parameters lies between the two.
    std::optional<TError> Expect(std::size_t minimum, std::size_t maximum) const;
    // The suffix of the pattern's index-th '#' node, -114 outside the range.
    TRead<uint32_t> Suffix(std::size_t index, uint32_t minimum, uint32_t maximum) const;
};

using TOutcome = std::optional<TError>;
using THandler = TOutcome (*)(TCall& call);

struct TCommandEntry {
    const char* Pattern;
    THandler Set;    // null: the header is a query alone
    THandler Query;  // null: no query form
};

// The IEEE 488.2 status byte of the client, as *STB? answers it (MAV, bit
// 4, is the transport's to add: only it knows of unread answers).
uint8_t StatusByteOf(TScpiInstrument& instrument, TClientState& client);

const std::vector<TCommandEntry>& CommonCommands();
const std::vector<TCommandEntry>& LoggerCommands();
const std::vector<TCommandEntry>& GeneratorCommands();
const std::vector<TCommandEntry>& FrequencyMeterCommands();
const std::vector<TCommandEntry>& StatusCommands();

}  // namespace tavik::scpi
