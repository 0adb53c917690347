// The chart's model: its label step and texts, its four operations, the
// mapping onto the plot, and the level lines the window draws on it.
#include <gtest/gtest.h>

#include "tests/support/window_harness.h"
#include "window/chart_model.h"

namespace tavik {
namespace {

using namespace chart;
using test::I;
using test::TWindowHarness;

TEST(ChartAxis, LabelStepIsTheFinestThatFits) {
    EXPECT_DOUBLE_EQ(ChooseLabelStep(8, 240, 13), 0.5) << "17 rows fit: 0.5 gives 16";
    EXPECT_DOUBLE_EQ(ChooseLabelStep(8, 1200, 13), 0.1) << "86 rows fit 80";
    EXPECT_DOUBLE_EQ(ChooseLabelStep(8, 1000, 13), 0.2) << "71 rows do not fit 80";
    EXPECT_DOUBLE_EQ(ChooseLabelStep(8, 700, 13), 0.2);
    EXPECT_DOUBLE_EQ(ChooseLabelStep(8, 500, 13), 0.5);
    EXPECT_DOUBLE_EQ(ChooseLabelStep(8, 150, 13), 1.0);
    EXPECT_DOUBLE_EQ(ChooseLabelStep(8, 100, 13), 2.0);
    EXPECT_DOUBLE_EQ(ChooseLabelStep(8, 40, 13), 5.0);
    EXPECT_EQ(LabelValues(0.5).size(), 17u);
    EXPECT_DOUBLE_EQ(LabelValues(0.5).back(), 8.0);
}

TEST(ChartAxis, LabelTextsFollowTheLocale) {
    EXPECT_EQ(AxisLabelText(0, ',', " "), "0");
    EXPECT_EQ(AxisLabelText(0.5, ',', " "), "0,5");
    EXPECT_EQ(AxisLabelText(0.5, '.', ","), "0.5");
    EXPECT_EQ(AxisLabelText(7.25, '.', ","), "7.25");
    EXPECT_EQ(AxisLabelText(0.1 + 0.2, '.', ","), "0.3");
    EXPECT_EQ(AxisLabelText(1234.5, '.', ","), "1,234.5");
    EXPECT_EQ(AxisLabelText(1234567, ',', "\u00A0"), "1\u00A0234\u00A0567");
    EXPECT_EQ(AxisLabelText(-0.0001, ',', " "), "0");
    EXPECT_EQ(AxisLabelText(8, ',', " "), "8");
}

TEST(ChartMapping, BothEndsOfTheScaleAndOfTheSweepLieInsideThePlot) {
    const TPlotRect plot = PlotRectOf(512, 256, 30);
    EXPECT_EQ(plot.Left, 36);
    EXPECT_EQ(plot.Top, 8);
    EXPECT_EQ(plot.Right, 505);
    EXPECT_EQ(plot.Bottom, 247);
    EXPECT_DOUBLE_EQ(YOf(plot, 0.0), plot.Bottom) << "0 V on the bottom row";
    EXPECT_DOUBLE_EQ(YOf(plot, 8.0), plot.Top + 1) << "8 V one row inside the top";
    EXPECT_DOUBLE_EQ(XOf(plot, 0), plot.Left);
    EXPECT_DOUBLE_EQ(XOf(plot, ChartPointsAcross - 1), plot.Right);
}

TEST(ChartSeries, AppendTakesTheNextPositionAndNeverPassesTheWidth) {
    TChartModel chart;
    int changes = 0;
    chart.OnChanged = [&] { ++changes; };
    TChartSeries& trace = chart.SeriesAt(1);
    chart.AppendPoint(trace, 1.5);
    chart.AppendPoint(trace, 2.5);
    ASSERT_EQ(chart.PointCount(trace), 2);
    EXPECT_EQ(trace.Points[1], 2.5);
    EXPECT_EQ(changes, 2);
    for (int i = 0; i < 600; ++i) chart.AppendPoint(trace, 1.0);
    EXPECT_EQ(chart.PointCount(trace), ChartPointsAcross);
    chart.ClearPoints(trace);
    chart.AppendPoint(trace, 3.0);
    EXPECT_EQ(trace.Points, std::vector<double>{3.0}) << "after a clear the next point starts at position 0";
    EXPECT_EQ(chart.SeriesAt(0).Colour, colours::Lime);
    EXPECT_EQ(chart.SeriesAt(1).Colour, colours::Red);
    EXPECT_EQ(chart.SeriesAt(2).Colour, colours::Blue);
    EXPECT_EQ(chart.SeriesAt(3).Colour, colours::Yellow);
    EXPECT_EQ(chart.SeriesAt(0).Width, 2);
    EXPECT_EQ(chart.SeriesAt(3).Width, 1);
}

TEST(ChartLevels, BothLinesAreDrawnAtStartUnderADecimalComma) {
    TWindowHarness h(',');
    const TChartModel& chart = h.Chart();
    ASSERT_EQ(chart.PointCount(chart.SeriesAt(2)), 512);
    ASSERT_EQ(chart.PointCount(chart.SeriesAt(3)), 512);
    EXPECT_DOUBLE_EQ(chart.SeriesAt(2).Points[511], 5.0);
    EXPECT_DOUBLE_EQ(chart.SeriesAt(3).Points[0], 2.5);
}

TEST(ChartLevels, UnderADecimalPointTheLayoutTextsAreRedAndNoLineIsDrawn) {
    TWindowHarness h('.');
    EXPECT_EQ(h.Points(2), 0);
    EXPECT_EQ(h.Points(3), 0);
    EXPECT_EQ(h.View[I::VXLogger_LevelEdit_CH1].TextColour, colours::Red);
    const int changes = h.View.ChartChanges;
    h.View.Type(I::VXLogger_LevelEdit_CH1, "3.3");
    EXPECT_EQ(h.Points(2), 512);
    EXPECT_GT(h.View.ChartChanges, changes);
    EXPECT_EQ(h.View[I::VXLogger_LevelEdit_CH1].TextColour, colours::White);
    h.View.Type(I::VXLogger_LevelEdit_CH1, "3,3");
    EXPECT_EQ(h.Points(2), 512) << "a text that does not parse leaves the line as it was";
    EXPECT_DOUBLE_EQ(h.Chart().SeriesAt(2).Points[0], 3.3f);
}

}  // namespace
}  // namespace tavik
