#pragma once
// A recording read back row by row, whichever wrote it: tavik-cli log (its
// rows of reports or of intervals) or the window (semicolon-separated, local
// time without offset, the report's status byte before its volts). Memory
// stays that of one row. A torn last line, or a line that is not a row, is
// skipped and counted.
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

namespace tavik::cli {

// One channel in one row: a report's value (count 1), or an interval's.
struct TRowValue {
    double Mean = 0;
    double Min = 0;
    double Max = 0;
    int64_t Count = 1;
};

struct TRecordedRow {
    double Time = 0;  // seconds since 1970-01-01 UTC; window files: their local time read as UTC
    std::optional<int> OffsetMinutes;  // none in window files
    std::optional<TRowValue> V1;
    std::optional<TRowValue> V2;
    std::optional<TRowValue> Hertz;
    std::string Event;
    bool HasData() const { return V1 || V2 || Hertz; }
};

class TRecordingReader {
public:
    // False, with the reason, when the file cannot be read or is no recording.
    bool Open(const std::string& path, std::string& error);
    bool Next(TRecordedRow& row);

    bool WindowFormat() const { return Window_; }
    // The seconds an interval row stands for; 0 in files of one row per report.
    double IntervalSeconds() const { return Interval_; }
    long long Skipped() const { return Skipped_; }

private:
    bool ReadHeader(std::string& error);
    bool ParseOwn(const std::string& line, TRecordedRow& row) const;
    bool ParseWindow(const std::string& line, TRecordedRow& row) const;

    std::ifstream In_;
    bool Window_ = false;
    double Interval_ = 0;
    std::string Pending_;  // the first row, read while the format was found
    long long Skipped_ = 0;
    // The columns of our own files, by position.
    int Columns_ = 0;
};

// "2026-12-09T17:31:54.123+03:00" as seconds since 1970 UTC and its offset.
std::optional<std::pair<double, int>> ParseIsoTime(const std::string& text);
// A moment as ISO 8601 with milliseconds, at the offset given (none: no offset written).
std::string IsoText(double seconds, std::optional<int> offsetMinutes);

}  // namespace tavik::cli
