#pragma once
// What a recording holds, gathered row by row in bounded memory: its span,
// rows, gaps, each channel's count, min, mean, max and standard deviation,
// and the frequency's drift (least squares) and Allan deviation.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording_reader.h"

namespace tavik::cli {

struct TChannelSummary {
    int64_t Count = 0;
    double Min = 0;
    double Max = 0;
    double Mean = 0;
    double M2 = 0;       // sum of squared distances from the mean, weighted by count
    double Weight = 0;   // rows that carried the channel
    double SpreadMean = 0;  // their values' mean, each row once
    double Std() const;
    void Add(const TRowValue& value);
};

struct TGap {
    double From = 0;  // the last row with values before it
    double To = 0;    // the first one after it
};

constexpr std::array<double, 4> AllanTaus = {1, 10, 100, 1000};

struct TAllanPoint {
    double Tau = 0;
    double Deviation = 0;  // hertz
    int64_t Pairs = 0;     // neighbouring averages compared
};

struct TRecordingSummary {
    double Start = 0;
    double End = 0;
    std::optional<int> OffsetMinutes;  // the first row's
    int64_t Rows = 0;
    int64_t Events = 0;
    long long Skipped = 0;
    std::vector<TGap> Gaps;
    TChannelSummary V1;
    TChannelSummary V2;
    TChannelSummary Hertz;
    std::optional<double> DriftHzPerHour;
    std::vector<TAllanPoint> Allan;
};

class TStatsBuilder {
public:
    // A stretch without values longer than this is a gap.
    explicit TStatsBuilder(double gapSeconds) : GapSeconds_(gapSeconds) {}
    void SetGapSeconds(double seconds) { GapSeconds_ = seconds; }
    void Add(const TRecordedRow& row);
    void AddSkipped(long long lines) { Summary_.Skipped += lines; }
    TRecordingSummary Result() const;

private:
    struct TAllanBins {
        int64_t Bin = INT64_MIN;
        double Sum = 0;
        int64_t Count = 0;
        std::optional<double> Previous;  // the mean of the bin just before
        int64_t PreviousBin = INT64_MIN;
        double SquareSum = 0;
        int64_t Pairs = 0;
        void Close();
    };

    double GapSeconds_;
    TRecordingSummary Summary_;
    std::optional<double> LastData_;
    std::optional<double> FirstTime_;
    std::optional<double> FirstHertz_;  // the averages of the Allan deviation start here
    // Drift: the frequency against hours since the first reading, online.
    int64_t DriftN_ = 0;
    double MeanT_ = 0, MeanF_ = 0, Ctf_ = 0, Ctt_ = 0;
    std::array<TAllanBins, AllanTaus.size()> Bins_{};
};

// The gap a reader's file calls for: 2 s for rows of reports, 2.5 intervals.
double GapSecondsFor(double intervalSeconds);

// The summary as text lines, or as one JSON object.
std::string SummaryText(const TRecordingSummary& summary, const std::vector<std::string>& files);
std::string SummaryJson(const TRecordingSummary& summary, const std::vector<std::string>& files);

}  // namespace tavik::cli
