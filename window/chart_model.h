#pragma once
// The logger's strip chart without a toolkit: four line series over a fixed
// 0-8 V scale and 512 positions across, how the axis is labelled, and where a
// point lands on the plot. Appending only marks the chart changed; a view
// draws it when its toolkit gets to it.
#include <functional>
#include <string>
#include <vector>

#include "colour.h"

namespace tavik {

constexpr int ChartPointsAcross = 512;

struct TChartSeries {
    TColour Colour;
    int Width = 1;
    std::vector<double> Points;  // a point's position is its index
};

// The plot's pixels inside the border, margins and the axis labels; right and
// bottom are the last column and row inside it.
struct TPlotRect {
    int Left = 0, Top = 0, Right = -1, Bottom = -1;
    int Width() const { return Right - Left + 1; }
    int Height() const { return Bottom - Top + 1; }
};

namespace chart {
constexpr double AxisMinimum = 0.0;
constexpr double AxisMaximum = 8.0;
constexpr TColour Background = colours::Rgb(11, 11, 11);
constexpr TColour BorderColour = colours::Rgb(0, 0, 64);
constexpr TColour AxisColour = colours::Rgb(0, 64, 64);
constexpr TColour LabelColour = colours::Rgb(128, 128, 128);
constexpr int BorderWidth = 3;
constexpr int MarginTop = 5;
constexpr int MarginBottom = 5;
constexpr int MarginLeft = 3;
constexpr int MarginRight = 3;
constexpr int AxisLineWidth = 2;
constexpr int OuterTickLength = 5;
constexpr int InnerTickLength = 475;
constexpr int MinorTickLength = 3;
constexpr int MinorTicksBetweenLabels = 5;
constexpr int LabelGap = 2;

// The finest label step whose labels fit: steps 0.1, 0.2, 0.5, 1, 2, 5, ...
// until range / step is no more than the number of label rows that fit.
double ChooseLabelStep(double range, int axisLengthPixels, int labelHeightPixels);
// "#,##0.###": up to three decimals, no trailing zeros, thousands grouped.
std::string AxisLabelText(double value, char decimalSeparator, const std::string& groupSeparator);
// The values the axis labels: every multiple of the step from the minimum up.
std::vector<double> LabelValues(double step);
// Room for the axis left of the plot, given the widest label's width.
int LabelAreaWidth(int widestLabelPixels);
TPlotRect PlotRectOf(int chartWidth, int chartHeight, int labelAreaWidth);
// Where a position (0 to 511) and a voltage land: 0 V on the plot's bottom
// row, 8 V one row below its top (a 2-px trace keeps both rows at either
// end), position 0 on its first column and the last on its last.
double XOf(const TPlotRect& plot, double position);
double YOf(const TPlotRect& plot, double volts);
// A point inside a level run lies on the segment that passes over it: leaving
// it out of the polyline draws the same pixels (a level line is one segment).
inline bool InsideLevelRun(const std::vector<double>& points, std::size_t i) {
    return i > 0 && i + 1 < points.size() && points[i - 1] == points[i] && points[i + 1] == points[i];
}

// The corners of a series' polyline on the plot, in order: each point but
// those inside a level run, at its column and row (unrounded).
template <typename TCorner>
void ForEachCorner(const std::vector<double>& points, const TPlotRect& plot, TCorner&& corner) {
    for (std::size_t i = 0; i < points.size(); ++i)
        if (!InsideLevelRun(points, i)) corner(XOf(plot, static_cast<double>(i)), YOf(plot, points[i]));
}

struct TSegment {
    int X1, Y1, X2, Y2;  // both ends on the line
};

// A label's text, right-aligned to Right, its line box from Top down.
struct TAxisLabel {
    std::string Text;
    int Right, Top;
};

// Everything the chart shows behind its series for one size, in its pixels:
// the plot, the axis line at column AxisX from the plot's top to one row
// below its bottom, the ticks (each label's outer and inner tick, and the
// minor ticks up to the next label) and the labels.
struct TChartBackdrop {
    TPlotRect Plot;
    int AxisX = 0;
    std::vector<TSegment> Ticks;
    std::vector<TAxisLabel> Labels;
};

// labelWidth tells how wide a label's text is in the view's label font, whose
// line is labelHeight pixels high; the labels take the separators given.
TChartBackdrop BackdropOf(int width, int height, char decimalSeparator, const std::string& groupSeparator,
                          const std::function<int(const std::string&)>& labelWidth, int labelHeight);
}  // namespace chart

// The series' positions: the channel 2 trace is drawn first, under channel
// 1's, then the two level lines.
constexpr int Channel2TraceSeries = 0;
constexpr int Channel1TraceSeries = 1;
constexpr int Channel1LevelSeries = 2;
constexpr int Channel2LevelSeries = 3;

class TChartModel {
public:
    TChartModel();

    TChartSeries& SeriesAt(int position) { return Series_[static_cast<std::size_t>(position)]; }
    const TChartSeries& SeriesAt(int position) const { return Series_[static_cast<std::size_t>(position)]; }
    int PointCount(const TChartSeries& series) const { return static_cast<int>(series.Points.size()); }
    void ClearPoints(TChartSeries& series);
    // A series never holds more points than the chart is wide.
    void AppendPoint(TChartSeries& series, double y);

    const std::vector<TChartSeries>& AllSeries() const { return Series_; }

    // Told after every change: the view marks itself for drawing.
    std::function<void()> OnChanged;

    // The axis labels' separators: the user's locale's.
    char DecimalSeparator = ',';
    std::string GroupSeparator = " ";

private:
    void Changed() {
        if (OnChanged) OnChanged();
    }
    std::vector<TChartSeries> Series_;
};

}  // namespace tavik
