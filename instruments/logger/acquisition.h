#pragma once
// What one measurement report with samples does: the channel voltages, the
// five-report averages behind the voltmeter, the points for both traces and
// the fields of the record line.
#include <cstddef>
#include <optional>
#include <string>

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
    std::string VCH1Text = "V1 = 0.000 В";
    std::string VCH2Text = "V2 = 0.000 В";
    // The calibrated volts the texts show; nothing where a text reads NA.
    std::optional<double> VCH1Volts = 0.0;
    std::optional<double> VCH2Volts = 0.0;
    // How the texts round those volts: significant digits and decimals of
    // the latest report's resolution.
    int TextPrecision = 5;
    int TextDecimals = 3;

    void ClearHistory();
    void UpdateAverages();

    // Decodes a report that carries samples, in the order the cycle needs:
    // raw voltages, averages, voltmeter texts, trace points, record fields.
    TTracePoints Process(const TFrame& report, float k1, float k2, char separator, TRecordFields* fields);

private:
    void SetText(std::string& text, const char* prefix, double volts, int precision, int decimals, char separator);
};

// The record fields of one report (notation and formats of the record file).
void FormatRecordFields(const TFrame& report, const TSamples& samples, float k1, float k2, char separator,
                        TRecordFields& fields);

}  // namespace tavik::logger
