#pragma once
// What one measurement report with samples does: the channel voltages, the
// five-report averages behind the voltmeter, the points for both traces and
// the fields of the record line. The voltmeter is numbers: a front-end writes
// its texts (voltmeter_text.h).
#include <cstddef>
#include <optional>

#include "device/report_exchange.h"
#include "logger_protocol.h"

namespace tavik::logger {

constexpr int HistoryLength = 5;

// The two points each trace receives from one report, in calibrated volts.
struct TTracePoints {
    double Channel1[2];
    double Channel2[2];
};

// Room for one record line's fields; filled without allocating.
struct TRecordFields {
    char Text[192];
    std::size_t Length = 0;
};

class TAcquisition {
public:
    float V1Raw = 0.0f;
    float V2Raw = 0.0f;
    float V1History[HistoryLength] = {};
    float V2History[HistoryLength] = {};
    uint8_t HistoryIndex = 0;
    float V1Avg = 0.0f;
    float V2Avg = 0.0f;
    // The voltmeter: each channel's calibrated five-report average, nothing
    // where the latest report's mode gives the channel no reading.
    std::optional<double> VCH1Volts = 0.0;
    std::optional<double> VCH2Volts = 0.0;
    // How finely the latest report's resolution gives those volts:
    // significant digits and decimals (8 bit: 4 and 2; 10 bit: 5 and 3).
    int VoltsPrecision = 5;
    int VoltsDecimals = 3;
    // A report with samples has been decoded since start.
    bool Decoded = false;

    void ClearHistory();
    void UpdateAverages();

    // Takes the samples of one report, in the order the cycle needs: raw
    // voltages, averages, voltmeter, and the points it returns.
    TTracePoints Process(const TSamples& samples, float k1, float k2);
};

// The record fields of one report (notation and formats of the record file,
// with its decimal separator).
void FormatRecordFields(const TFrame& report, const TSamples& samples, float k1, float k2, char separator,
                        TRecordFields& fields);

}  // namespace tavik::logger
