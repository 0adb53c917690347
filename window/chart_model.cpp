#include "chart_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavik {

namespace chart {

double ChooseLabelStep(double range, int axisLengthPixels, int labelHeightPixels) {
    const int gap = static_cast<int>(std::lround(0.1 * labelHeightPixels));
    const long fits = std::lround(static_cast<double>(axisLengthPixels) / (labelHeightPixels + gap));
    static constexpr double Mantissas[] = {1, 2, 5};
    double decade = 0.1;
    for (int i = 0;; i = (i + 1) % 3) {
        const double step = Mantissas[i] * decade;
        if (std::lround(range / step) <= fits || step > range) return step;
        if (i == 2) decade *= 10;
    }
}

std::string AxisLabelText(double value, char decimalSeparator, const std::string& groupSeparator) {
    const long long thousandths = std::llround(std::fabs(value) * 1000.0);
    const std::string digits = std::to_string(thousandths / 1000);
    std::string text = value < 0 && thousandths != 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += groupSeparator;
        text += digits[i];
    }
    if (const int fraction = static_cast<int>(thousandths % 1000); fraction != 0) {
        char decimals[4];
        std::snprintf(decimals, sizeof decimals, "%03d", fraction);
        std::string kept(decimals);
        while (kept.back() == '0') kept.pop_back();
        text += decimalSeparator + kept;
    }
    return text;
}

std::vector<double> LabelValues(double step) {
    std::vector<double> values;
    const long steps = std::lround((AxisMaximum - AxisMinimum) / step);
    for (long i = 0; i <= steps; ++i) values.push_back(AxisMinimum + i * step);
    return values;
}

int LabelAreaWidth(int widestLabelPixels) { return widestLabelPixels + LabelGap + OuterTickLength + AxisLineWidth; }

TPlotRect PlotRectOf(int chartWidth, int chartHeight, int labelAreaWidth) {
    TPlotRect plot;
    plot.Left = BorderWidth + MarginLeft + labelAreaWidth;
    plot.Top = BorderWidth + MarginTop;
    plot.Right = chartWidth - BorderWidth - MarginRight - 1;
    plot.Bottom = chartHeight - BorderWidth - MarginBottom - 1;
    return plot;
}

double YOf(const TPlotRect& plot, double volts) {
    return plot.Bottom - (volts - AxisMinimum) * (plot.Height() - 2) / (AxisMaximum - AxisMinimum);
}

double XOf(const TPlotRect& plot, double position) {
    return plot.Left + position * (plot.Width() - 1) / (ChartPointsAcross - 1);
}

}  // namespace chart

TChartModel::TChartModel() {
    Series_ = {
        {colours::Lime, 2, {}},    // Channel2TraceSeries
        {colours::Red, 2, {}},     // Channel1TraceSeries
        {colours::Blue, 1, {}},    // Channel1LevelSeries
        {colours::Yellow, 1, {}},  // Channel2LevelSeries
    };
    for (TChartSeries& series : Series_) series.Points.reserve(ChartPointsAcross);
}

void TChartModel::ClearPoints(TChartSeries& series) {
    series.Points.clear();
    Changed();
}

void TChartModel::AppendPoint(TChartSeries& series, double y) {
    if (series.Points.size() >= static_cast<std::size_t>(ChartPointsAcross)) return;
    series.Points.push_back(y);
    Changed();
}

namespace chart {

TChartBackdrop BackdropOf(int width, int height, char decimalSeparator, const std::string& groupSeparator,
                          const std::function<int(const std::string&)>& labelWidth, int labelHeight) {
    // Room for the widest label the fixed range can show.
    int widest = 0;
    for (double v = AxisMinimum; v <= AxisMaximum + 1e-9; v += 0.5)
        widest = std::max(widest, labelWidth(AxisLabelText(v, decimalSeparator, groupSeparator)));
    TChartBackdrop b;
    b.Plot = PlotRectOf(width, height, LabelAreaWidth(widest));
    b.AxisX = b.Plot.Left - AxisLineWidth / 2;
    const double step = ChooseLabelStep(AxisMaximum - AxisMinimum, b.Plot.Height(), labelHeight);
    const std::vector<double> values = LabelValues(step);
    const int x = b.AxisX;
    auto row = [&](double value) { return static_cast<int>(std::lround(YOf(b.Plot, value))); };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int y = row(values[i]);
        b.Ticks.push_back({x - OuterTickLength, y, x, y});
        b.Ticks.push_back({x, y, x + InnerTickLength, y});
        if (i + 1 < values.size())
            for (int m = 1; m <= MinorTicksBetweenLabels; ++m) {
                const int minor = row(values[i] + step * m / (MinorTicksBetweenLabels + 1));
                b.Ticks.push_back({x - MinorTickLength, minor, x, minor});
            }
        b.Labels.push_back({AxisLabelText(values[i], decimalSeparator, groupSeparator), x - OuterTickLength - LabelGap,
                            y - labelHeight / 2});
    }
    return b;
}

}  // namespace chart

}  // namespace tavik
