#pragma once
// The generator module: the frequency tables of its two outputs, its control
// report and its byte read/write service path. One buffer each lives as long
// as the generator: a report changes only some bytes and sends the whole
// buffer.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "device/report_exchange.h"
#include "frequency_tables.h"

namespace tavik::generator {

// Output flags, byte 2 of the control report.
constexpr uint8_t FlagOUT1FromPC = 0x01;
constexpr uint8_t FlagOUT2FromPC = 0x02;
constexpr uint8_t FlagOUT1High = 0x04;
constexpr uint8_t FlagOUT2High = 0x08;
constexpr uint8_t FlagOUT3High = 0x10;
constexpr uint8_t FlagChannel2Frequency = 0x20;

enum class TControl { OUT1Type, OUT1Freq, OUT2Type, OUT2Freq, Level };

// The state of the generator area's controls when one of them changed.
struct TControlState {
    bool OUT1FromGenerator = true;  // item 0 of the source box selected
    bool OUT2FromGenerator = true;
    int OUT1FreqIndex = 0;          // -1 when no item is selected
    int OUT2FreqIndex = 0;
    bool OUT1High = false;
    bool OUT2High = false;
    bool OUT3High = false;
};

class TGenerator {
public:
    TGenerator(TInstrumentPort& port, char separator)
        : OUT1FreqTable(std::make_unique<TFreqTable>()), OUT2FreqTable(std::make_unique<TFreqTable>()),
          Port_(port), Separator_(separator) {}

    std::unique_ptr<TFreqTable> OUT1FreqTable;
    std::unique_ptr<TFreqTable> OUT2FreqTable;
    TFrame ControlBuffer{};
    TFrame RawBuffer{};

    bool Present() const { return Port_.Present(); }
    // Binding a generator reads nothing from it.
    void OnBound() {}

    // Fills both tables (labels with the separator); done once at start-up.
    void BuildTables();
    std::size_t OUT1Count() const { return OUT1Count_; }
    std::size_t OUT2Count() const { return OUT2Count_; }

    // One control report for the control that changed; false when nothing
    // was sent. A frequency box with no selected item sends nothing and keeps
    // the buffer as it was.
    bool ControlChanged(TControl sender, const TControlState& state);
    // Where the last report put each switchable output's source.
    bool OUT1FromPC() const { return (ControlBuffer[2] & FlagOUT1FromPC) != 0; }
    bool OUT2FromPC() const { return (ControlBuffer[2] & FlagOUT2FromPC) != 0; }

    // The service path. The texts go through the integer test; a text that
    // fails raises EConvertError after bytes 0 and 1 are written.
    // Returns the byte read (0 after a failed read); nothing when unbound.
    std::optional<uint8_t> RawRead(std::string_view addressText);
    void RawWrite(std::string_view addressText, std::string_view dataText);

private:
    TInstrumentPort& Port_;
    char Separator_;
    std::size_t OUT1Count_ = 0;
    std::size_t OUT2Count_ = 0;
};

}  // namespace tavik::generator
