#include "recording_stats.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "cli_output.h"
#include "log_rows.h"

namespace tavik::cli {

namespace {
// The shortest text that reads back as the same double, a point always.
std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char text[40];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : "null";
}

int DecimalsFor(const char* name) { return std::string(name) == "freq_Hz" ? 3 : 4; }
}  // namespace

double TChannelSummary::Std() const { return Weight > 1 ? std::sqrt(M2 / (Weight - 1)) : 0; }

// Welford's update. The mean weighs each row by its count of readings; the
// spread is that of the rows' values (an interval row holds none within).
void TChannelSummary::Add(const TRowValue& v) {
    if (Count == 0 || v.Min < Min) Min = v.Min;
    if (Count == 0 || v.Max > Max) Max = v.Max;
    const int64_t total = Count + v.Count;
    Mean += (v.Mean - Mean) * static_cast<double>(v.Count) / static_cast<double>(total);
    Count = total;
    Weight += 1;
    const double delta = v.Mean - SpreadMean;
    SpreadMean += delta / Weight;
    M2 += delta * (v.Mean - SpreadMean);
}

void TStatsBuilder::TAllanBins::Close() {
    if (Count == 0) return;
    const double mean = Sum / static_cast<double>(Count);
    if (Previous && PreviousBin == Bin - 1) {
        SquareSum += (mean - *Previous) * (mean - *Previous);
        ++Pairs;
    }
    Previous = mean;
    PreviousBin = Bin;
    Sum = 0;
    Count = 0;
}

double GapSecondsFor(double intervalSeconds) { return intervalSeconds > 0 ? 2.5 * intervalSeconds : 2.0; }

void TStatsBuilder::Add(const TRecordedRow& row) {
    if (!FirstTime_) {
        FirstTime_ = row.Time;
        Summary_.Start = row.Time;
        Summary_.OffsetMinutes = row.OffsetMinutes;
    }
    Summary_.Start = std::min(Summary_.Start, row.Time);
    Summary_.End = std::max(Summary_.End, row.Time);
    ++Summary_.Rows;
    if (!row.Event.empty()) ++Summary_.Events;
    if (!row.HasData()) return;
    if (LastData_ && row.Time - *LastData_ > GapSeconds_) Summary_.Gaps.push_back({*LastData_, row.Time});
    LastData_ = row.Time;
    if (row.V1) Summary_.V1.Add(*row.V1);
    if (row.V2) Summary_.V2.Add(*row.V2);
    if (!row.Hertz) return;
    Summary_.Hertz.Add(*row.Hertz);
    if (!FirstHertz_) FirstHertz_ = row.Time;
    const double t = (row.Time - *FirstTime_) / 3600.0;
    const double f = row.Hertz->Mean;
    ++DriftN_;
    const double dt = t - MeanT_;
    MeanT_ += dt / static_cast<double>(DriftN_);
    MeanF_ += (f - MeanF_) / static_cast<double>(DriftN_);
    Ctt_ += dt * (t - MeanT_);
    Ctf_ += dt * (f - MeanF_);
    for (std::size_t i = 0; i < AllanTaus.size(); ++i) {
        TAllanBins& bins = Bins_[i];
        const auto bin = static_cast<int64_t>(std::floor((row.Time - *FirstHertz_) / AllanTaus[i]));
        if (bin != bins.Bin) {
            bins.Close();
            bins.Bin = bin;
        }
        bins.Sum += f;
        ++bins.Count;
    }
}

TRecordingSummary TStatsBuilder::Result() const {
    TRecordingSummary result = Summary_;
    if (DriftN_ >= 2 && Ctt_ > 0) result.DriftHzPerHour = Ctf_ / Ctt_;
    for (std::size_t i = 0; i < AllanTaus.size(); ++i) {
        // The last average is left out: the recording may end inside it.
        const TAllanBins& bins = Bins_[i];
        if (bins.Pairs >= 2) result.Allan.push_back({AllanTaus[i], std::sqrt(bins.SquareSum / (2.0 * static_cast<double>(bins.Pairs))), bins.Pairs});
    }
    return result;
}

std::string SummaryText(const TRecordingSummary& s, const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& file : files) text += "file: " + file + "\n";
    text += "from " + IsoText(s.Start, s.OffsetMinutes) + " to " + IsoText(s.End, s.OffsetMinutes) + ": " +
            PointText(s.End - s.Start, 3) + " s, " + std::to_string(s.Rows) + " rows, " + std::to_string(s.Events) +
            " events, " + std::to_string(s.Skipped) + " lines skipped\n";
    for (const TGap& gap : s.Gaps)
        text += "gap: " + IsoText(gap.From, s.OffsetMinutes) + " to " + IsoText(gap.To, s.OffsetMinutes) + " (" +
                PointText(gap.To - gap.From, 3) + " s)\n";
    for (const auto& [name, c] : {std::pair{"v1_V", &s.V1}, std::pair{"v2_V", &s.V2}, std::pair{"freq_Hz", &s.Hertz}}) {
        if (c->Count == 0) {
            text += std::string(name) + ": no values\n";
            continue;
        }
        const int d = DecimalsFor(name);
        text += std::string(name) + ": count " + std::to_string(c->Count) + ", min " + PointText(c->Min, d) + ", mean " +
                PointText(c->Mean, d) + ", max " + PointText(c->Max, d) + ", std " + PointText(c->Std(), d) + "\n";
    }
    if (s.DriftHzPerHour) text += "freq drift: " + PointText(*s.DriftHzPerHour, 6) + " Hz/h\n";
    for (const TAllanPoint& a : s.Allan)
        text += "Allan deviation at " + PointText(a.Tau, 0) + " s: " + PointText(a.Deviation, 6) + " Hz (" +
                std::to_string(a.Pairs) + " pairs)\n";
    return text;
}

std::string SummaryJson(const TRecordingSummary& s, const std::vector<std::string>& files) {
    std::string json = "{\"files\":[";
    for (std::size_t i = 0; i < files.size(); ++i) json += (i ? "," : "") + JsonString(files[i]);
    json += "],\"start\":" + JsonString(IsoText(s.Start, s.OffsetMinutes)) +
            ",\"end\":" + JsonString(IsoText(s.End, s.OffsetMinutes)) + ",\"duration_s\":" + JsonNumber(s.End - s.Start) +
            ",\"rows\":" + std::to_string(s.Rows) + ",\"events\":" + std::to_string(s.Events) +
            ",\"skipped\":" + std::to_string(s.Skipped) + ",\"gaps\":[";
    for (std::size_t i = 0; i < s.Gaps.size(); ++i)
        json += std::string(i ? "," : "") + "{\"from\":" + JsonString(IsoText(s.Gaps[i].From, s.OffsetMinutes)) +
                ",\"to\":" + JsonString(IsoText(s.Gaps[i].To, s.OffsetMinutes)) +
                ",\"seconds\":" + JsonNumber(s.Gaps[i].To - s.Gaps[i].From) + "}";
    json += "],\"channels\":{";
    bool first = true;
    for (const auto& [name, c] : {std::pair{"v1_V", &s.V1}, std::pair{"v2_V", &s.V2}, std::pair{"freq_Hz", &s.Hertz}}) {
        json += std::string(first ? "" : ",") + "\"" + name + "\":";
        first = false;
        if (c->Count == 0) {
            json += "null";
            continue;
        }
        json += "{\"count\":" + std::to_string(c->Count) + ",\"min\":" + JsonNumber(c->Min) + ",\"mean\":" +
                JsonNumber(c->Mean) + ",\"max\":" + JsonNumber(c->Max) + ",\"std\":" + JsonNumber(c->Std()) + "}";
    }
    json += "},\"freq_drift_Hz_per_h\":" + (s.DriftHzPerHour ? JsonNumber(*s.DriftHzPerHour) : "null") +
            ",\"allan_deviation_Hz\":{";
    for (std::size_t i = 0; i < s.Allan.size(); ++i)
        json += std::string(i ? "," : "") + "\"" + PointText(s.Allan[i].Tau, 0) + "\":" + JsonNumber(s.Allan[i].Deviation);
    return json + "}}";
}

}  // namespace tavik::cli
