#pragma once
// The generator module: the frequency tables of its two outputs, its control
// report and its byte read/write service path. One buffer each lives as long
// as the generator: a report changes only some bytes and sends the whole
// buffer.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "device/report_exchange.h"
#include "frequency_tables.h"
#include "generator_protocol.h"

namespace tavik::generator {

// The answer to a raw read: the byte, 0 when the answer did not come.
struct TRawByte {
    uint8_t Value = 0;
    TCommandResult Result;  // done: the request went out and the answer came
};

// The settings of one switchable output, which the module cannot be asked
// for: what the front-ends last set.
struct TOutputSetting {
    TSource Source = TSource::Generator;
    std::size_t FreqIndex = 0;
};

// The outputs as a new window has them until a front-end changes them: both
// from the generator at their lists' first entries, all levels low.
struct TGeneratorSettings {
    std::array<TOutputSetting, 2> Outputs{};
    std::array<bool, 3> High{};
};

class TGenerator {
public:
    explicit TGenerator(TInstrumentPort& port)
        : OUT1FreqTable(std::make_unique<TFreqTable>()), OUT2FreqTable(std::make_unique<TFreqTable>()), Port_(port) {}

    std::unique_ptr<TFreqTable> OUT1FreqTable;
    std::unique_ptr<TFreqTable> OUT2FreqTable;
    TFrame ControlBuffer{};
    TFrame RawBuffer{};

    bool Present() const { return Port_.Present(); }
    // Binding a generator reads nothing from it; what was owed the one before
    // is not this one's.
    void OnBound() { Owed_ = {}; }

    // Fills both tables; done once at start-up.
    void BuildTables();
    // The list of a switchable output (1 or 2) and how many entries it holds.
    const TFreqTable& Table(int output) const { return output == 1 ? *OUT1FreqTable : *OUT2FreqTable; }
    std::size_t EntryCount(int output) const { return output == 1 ? OUT1EntryCount : OUT2EntryCount; }

    // One control report. Not sent while unbound or for a frequency outside
    // the output's list (the buffer and the counter then stay as they were).
    TCommandResult SetOutputs(const TGeneratorOutputs& outputs);
    // The same from a click: to a generator that does not answer it is owed,
    // the latest for each output, and goes out with SendOwed once the
    // generator takes transfers again.
    TCommandResult ClickOutputs(const TGeneratorOutputs& outputs);
    void SendOwed();
    bool Owes() const;
    // What the front-ends last set, and a report that tells the module:
    // concerning output 1 or 2, or with 0 the levels alone.
    TGeneratorSettings Settings;
    TCommandResult SendSettings(int output);
    // Where the last report put each switchable output's source.
    bool OUT1FromPC() const { return (ControlBuffer[2] & FlagOUT1FromPC) != 0; }
    bool OUT2FromPC() const { return (ControlBuffer[2] & FlagOUT2FromPC) != 0; }

    // The service path. A read sends its request and reads the answer
    // whatever the send gave (a failure's reason is the last transfer's);
    // nothing while unbound.
    TRawByte RawRead(uint16_t address);
    TCommandResult RawWrite(uint16_t address, uint8_t data);
    // A raw command whose operand a front-end could not read: its code and
    // sequence number are spent, as they were when the conversion failed, and
    // nothing is sent. Unbound, nothing changes.
    void RawCommandAborted(TCommandCode code);

private:
    TInstrumentPort& Port_;
    // By output, 0 the levels alone; each goes out with the latest levels.
    std::array<std::optional<TGeneratorOutputs>, 3> Owed_{};
    std::array<bool, 3> OwedHigh_{};
};

}  // namespace tavik::generator
