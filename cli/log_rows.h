#pragma once
// The rows of a long recording: comma-separated, a point before the decimals
// whatever the locale, an empty field where there is no value. One row per
// report, or with an interval one row per interval with count, min, mean and
// max of each channel. Event rows carry only their time and the event.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::cli {

// The header row (with its line end) of either kind of recording.
std::string LogHeader(bool intervals);

// A number with a point and exactly `decimals` decimals.
std::string PointText(double value, int decimals);
// A field as CSV needs it: quoted when it holds a comma, a quote or a line end.
std::string CsvField(std::string_view text);

// The logger's mode as a row names it, from the status byte of its report.
const char* LoggerModeName(uint8_t moduleCsr);

// The first two fields of every row: the local time with its offset, and the
// seconds on the monotonic clock since recording began.
std::string RowStart(int64_t epochMs, double elapsedSeconds);

struct TLoggerValues {
    std::optional<double> V1;  // calibrated volts; none where the mode has no such channel
    std::optional<double> V2;
    uint8_t ModuleCsr = 0;
};
struct TMeterValues {
    int64_t Hertz = 0;  // calibrated
    bool InputIn = false;
};

// A row of one report, after RowStart.
std::string LoggerRow(const TLoggerValues& values);
std::string MeterRow(const TMeterValues& values);

// count, min, mean and max of one channel over an interval.
struct TChannelStats {
    int64_t Count = 0;
    double Min = 0;
    double Max = 0;
    double Sum = 0;
    void Add(double value);
};
struct TIntervalValues {
    TChannelStats V1;
    TChannelStats V2;
    TChannelStats Hertz;
    std::optional<uint8_t> ModuleCsr;  // the last report's
    std::optional<bool> InputIn;
    bool Empty() const { return V1.Count == 0 && V2.Count == 0 && Hertz.Count == 0; }
};
std::string IntervalRow(const TIntervalValues& values);

// An event row, after RowStart, in either kind of recording.
std::string EventRow(bool intervals, std::string_view event);

}  // namespace tavik::cli
