#pragma once
// A recording drawn as SVG, by hand: both voltages in one panel, the
// frequency in another, against the time; stretches without values are
// left empty and shaded. Up to two points a pixel column the values are
// drawn as they are; beyond that (a week of reports) each column shows the
// min/max envelope and the mean, so memory stays that of the picture.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "recording_reader.h"

namespace tavik::cli {

constexpr int PlotColumns = 1080;
constexpr std::size_t PlotSeries = 3;  // v1, v2, frequency

// The first pass: the span of time and values, the gaps, the points per series.
struct TPlotSpan {
    double Start = 0;
    double End = 0;
    std::optional<int> OffsetMinutes;
    std::array<double, 2> VoltRange{};
    std::array<double, 2> HertzRange{};
    std::array<long long, PlotSeries> Points{};
    std::vector<std::pair<double, double>> Gaps;

    void Add(const TRecordedRow& row, double gapSeconds);
    bool Any() const { return Points[0] + Points[1] + Points[2] > 0; }

private:
    std::optional<double> LastData_;
    bool AnyVolts_ = false;
    bool AnyHertz_ = false;
};

class TSvgPlot {
public:
    explicit TSvgPlot(const TPlotSpan& span);
    void Add(const TRecordedRow& row, double gapSeconds);
    std::string Svg() const;

private:
    struct TColumn {
        double Min = 0;
        double Max = 0;
        double Sum = 0;
        long long Count = 0;
    };
    struct TSeries {
        bool Envelope = false;
        std::vector<TColumn> Columns;
        std::vector<std::pair<double, double>> Points;  // time, value; NaN value: a break
        std::optional<double> Last;
    };

    double X(double time) const;
    std::string SeriesPaths(std::size_t series, double top, double bottom, const std::array<double, 2>& range) const;

    TPlotSpan Span_;
    std::array<TSeries, PlotSeries> Series_;
};

}  // namespace tavik::cli
