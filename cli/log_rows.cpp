#include "log_rows.h"

#include <charconv>

#include "common/local_time.h"
#include "instruments/logger/logger_protocol.h"

namespace tavik::cli {

namespace {
// Fields after time and elapsed_s, before event.
constexpr const char* ReportColumns = "v1_V,v2_V,mode,freq_Hz,freq_in";
constexpr const char* IntervalColumns =
    "v1_count,v1_min_V,v1_mean_V,v1_max_V,v2_count,v2_min_V,v2_mean_V,v2_max_V,mode,"
    "freq_count,freq_min_Hz,freq_mean_Hz,freq_max_Hz,freq_in";
constexpr int ReportFields = 5;
constexpr int IntervalFields = 14;
constexpr int VoltDecimals = 4;
constexpr int HertzDecimals = 3;

std::string Optional(const std::optional<double>& value) { return value ? PointText(*value, VoltDecimals) : ""; }

void Stats(std::string& row, const TChannelStats& s, int decimals) {
    row += std::to_string(s.Count);
    if (s.Count == 0) {
        row += ",,,";
        return;
    }
    row += ',' + PointText(s.Min, decimals) + ',' + PointText(s.Sum / static_cast<double>(s.Count), decimals) + ',' +
           PointText(s.Max, decimals);
}
}  // namespace

std::string LogHeader(bool intervals) {
    return std::string("time,elapsed_s,") + (intervals ? IntervalColumns : ReportColumns) + ",event\n";
}

std::string PointText(double value, int decimals) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return "";
    std::string result(text, end);
    // No "-0.0000": a value that rounds to zero is zero.
    if (result[0] == '-' && result.find_first_not_of("-0.") == std::string::npos) result.erase(0, 1);
    return result;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

const char* LoggerModeName(uint8_t csr) {
    switch (logger::ModeOf(csr)) {
    case logger::TMode::EightBit: return "8bit";
    case logger::TMode::EightBitPeak: return "8bit-peak";
    case logger::TMode::TenBit: return "10bit";
    case logger::TMode::TenBitPeakChannel1: return "10bit-peak-ch1";
    case logger::TMode::TenBitPeakChannel2: return "10bit-peak-ch2";
    }
    return "";
}

std::string RowStart(int64_t epochMs, double elapsedSeconds) {
    const int64_t seconds = epochMs >= 0 ? epochMs / 1000 : -((-epochMs + 999) / 1000);
    const TLocalTime local = LocalTimeAt(static_cast<std::time_t>(seconds), static_cast<int>(epochMs - seconds * 1000));
    return IsoTimeText(local) + ',' + PointText(elapsedSeconds, 3) + ',';
}

std::string LoggerRow(const TLoggerValues& v) {
    return Optional(v.V1) + ',' + Optional(v.V2) + ',' + LoggerModeName(v.ModuleCsr) + ",,,\n";
}

std::string MeterRow(const TMeterValues& v) {
    return std::string(",,,") + std::to_string(v.Hertz) + ',' + (v.InputIn ? "1" : "0") + ",\n";
}

void TChannelStats::Add(double value) {
    if (Count == 0 || value < Min) Min = value;
    if (Count == 0 || value > Max) Max = value;
    Sum += value;
    ++Count;
}

std::string IntervalRow(const TIntervalValues& v) {
    std::string row;
    row.reserve(160);
    Stats(row, v.V1, VoltDecimals);
    row += ',';
    Stats(row, v.V2, VoltDecimals);
    row += ',';
    if (v.ModuleCsr) row += LoggerModeName(*v.ModuleCsr);
    row += ',';
    Stats(row, v.Hertz, HertzDecimals);
    row += ',';
    if (v.InputIn) row += *v.InputIn ? "1" : "0";
    return row + ",\n";
}

std::string EventRow(bool intervals, std::string_view event) {
    return std::string(intervals ? IntervalFields : ReportFields, ',') + CsvField(event) + '\n';
}

}  // namespace tavik::cli
