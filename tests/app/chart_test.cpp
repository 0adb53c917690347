// The strip chart: its label step and texts, its four operations, and what a
// rendered picture holds.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>

#include "app/chart_widget.h"
#include "tests/support/window_harness.h"

namespace tavik {
namespace {

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
}

TEST(ChartAxis, LabelTextsFollowTheLocale) {
    EXPECT_EQ(AxisLabelText(0, ',', ' '), QStringLiteral("0"));
    EXPECT_EQ(AxisLabelText(0.5, ',', ' '), QStringLiteral("0,5"));
    EXPECT_EQ(AxisLabelText(0.5, '.', ','), QStringLiteral("0.5"));
    EXPECT_EQ(AxisLabelText(7.25, '.', ','), QStringLiteral("7.25"));
    EXPECT_EQ(AxisLabelText(0.1 + 0.2, '.', ','), QStringLiteral("0.3"));
    EXPECT_EQ(AxisLabelText(1234.5, '.', ','), QStringLiteral("1,234.5"));
    EXPECT_EQ(AxisLabelText(8, ',', ' '), QStringLiteral("8"));
}

TEST(ChartSeries, AppendTakesTheNextPositionAndNeverPassesTheWidth) {
    TChartWidget chart(',', ' ');
    TChartSeries& trace = chart.SeriesAt(1);
    chart.AppendPoint(trace, 1.5);
    chart.AppendPoint(trace, 2.5);
    ASSERT_EQ(chart.PointCount(trace), 2);
    EXPECT_EQ(trace.Points[1], QPointF(1, 2.5));
    for (int i = 0; i < 600; ++i) chart.AppendPoint(trace, 1.0);
    EXPECT_EQ(chart.PointCount(trace), ChartPointsAcross);
    chart.ClearPoints(trace);
    chart.AppendPoint(trace, 3.0);
    EXPECT_EQ(trace.Points[0], QPointF(0, 3.0)) << "after a clear the next point starts at X 0";
    EXPECT_EQ(chart.SeriesAt(0).Color, QColor(0, 255, 0));
    EXPECT_EQ(chart.SeriesAt(1).Color, QColor(255, 0, 0));
    EXPECT_EQ(chart.SeriesAt(2).Color, QColor(0, 0, 255));
    EXPECT_EQ(chart.SeriesAt(3).Color, QColor(255, 255, 0));
    EXPECT_EQ(chart.SeriesAt(0).Width, 2);
    EXPECT_EQ(chart.SeriesAt(3).Width, 1);
}

TEST(ChartLevels, BothLinesAreDrawnAtStartUnderADecimalComma) {
    TWindowHarness h(QLocale(QLocale::Russian, QLocale::Russia));
    TChartWidget& chart = *h.Window->VXLogger_OSC;
    ASSERT_EQ(chart.PointCount(chart.SeriesAt(2)), 512);
    ASSERT_EQ(chart.PointCount(chart.SeriesAt(3)), 512);
    EXPECT_DOUBLE_EQ(chart.SeriesAt(2).Points[511].y(), 5.0);
    EXPECT_EQ(chart.SeriesAt(2).Points[511].x(), 511);
    EXPECT_DOUBLE_EQ(chart.SeriesAt(3).Points[0].y(), 2.5);
}

TEST(ChartLevels, UnderADecimalPointTheLayoutTextsAreRedAndNoLineIsDrawn) {
    TWindowHarness h(QLocale(QLocale::English, QLocale::UnitedStates));
    TChartWidget& chart = *h.Window->VXLogger_OSC;
    EXPECT_EQ(chart.PointCount(chart.SeriesAt(2)), 0);
    EXPECT_EQ(chart.PointCount(chart.SeriesAt(3)), 0);
    EXPECT_EQ(h.Window->VXLogger_LevelEdit_CH1->palette().color(QPalette::Text), QColor(255, 0, 0));
    h.Window->VXLogger_LevelEdit_CH1->setText(QStringLiteral("3.3"));
    EXPECT_EQ(chart.PointCount(chart.SeriesAt(2)), 512);
    EXPECT_EQ(h.Window->VXLogger_LevelEdit_CH1->palette().color(QPalette::Text), QColor(255, 255, 255));
}

class ChartPicture : public ::testing::Test {
protected:
    TChartWidget Chart{',', ' '};
    void SetUp() override { Chart.resize(512, 256); }
    QImage Render() {
        QImage image(Chart.size(), QImage::Format_RGB32);
        Chart.render(&image);
        return image;
    }
    // The row an aliased line at that voltage is drawn on.
    int RowOf(double volts) const { return static_cast<int>(std::floor(TChartWidget::YOf(Chart.PlotRect(), volts))); }
};

TEST_F(ChartPicture, BackgroundBorderAndALevelLineWhereTheyBelong) {
    for (int i = 0; i < 512; ++i) Chart.AppendPoint(Chart.SeriesAt(2), 3.3);
    const QImage image = Render();
    EXPECT_EQ(QColor(image.pixel(1, 128)), QColor(0, 0, 64)) << "border";
    EXPECT_EQ(QColor(image.pixel(255, 1)), QColor(0, 0, 64));
    const QRect plot = Chart.PlotRect();
    EXPECT_EQ(QColor(image.pixel(plot.center().x(), RowOf(4.1))), QColor(11, 11, 11)) << "background";
    EXPECT_EQ(QColor(image.pixel(plot.center().x(), RowOf(3.3))), QColor(0, 0, 255)) << "the level line";
    EXPECT_DOUBLE_EQ(Chart.LabelStep(), 0.5);
}

TEST_F(ChartPicture, TracesAreCutAtThePlotEdges) {
    for (int i = 0; i < 512; ++i) Chart.AppendPoint(Chart.SeriesAt(1), i < 256 ? 12.0 : -3.0);
    const QImage image = Render();
    const QRect plot = Chart.PlotRect();
    // Above the plot (in the top margin) and below it nothing red is drawn.
    for (int x = plot.left(); x <= plot.right(); ++x) {
        EXPECT_NE(QColor(image.pixel(x, plot.top() - 2)), QColor(255, 0, 0));
        EXPECT_NE(QColor(image.pixel(x, plot.bottom() + 2)), QColor(255, 0, 0));
    }
    // The drop from 12 V to -3 V crosses the whole plot and is cut at its edges.
    int redInTopRow = 0;
    for (int x = plot.left(); x <= plot.right(); ++x)
        if (QColor(image.pixel(x, plot.top())) == QColor(255, 0, 0)) ++redInTopRow;
    EXPECT_GT(redInTopRow, 0);
}

TEST_F(ChartPicture, BothEndsOfTheScaleAndOfTheSweepLieInsideThePlot) {
    for (int i = 0; i < 512; ++i) {
        Chart.AppendPoint(Chart.SeriesAt(2), 0.0);  // level lines, 1 px
        Chart.AppendPoint(Chart.SeriesAt(3), 8.0);
    }
    QImage image = Render();
    const QRect plot = Chart.PlotRect();
    const int x = plot.center().x();
    EXPECT_EQ(QColor(image.pixel(x, plot.bottom())), QColor(0, 0, 255)) << "a level line at 0 V";
    EXPECT_EQ(QColor(image.pixel(x, plot.top() + 1)), QColor(255, 255, 0)) << "a level line at 8 V";
    Chart.ClearPoints(Chart.SeriesAt(2));
    Chart.ClearPoints(Chart.SeriesAt(3));
    for (int i = 0; i < 512; ++i) Chart.AppendPoint(Chart.SeriesAt(1), i < 511 ? 0.0 : 4.0);  // a 2-px trace
    image = Render();
    EXPECT_EQ(QColor(image.pixel(x, plot.bottom())), QColor(255, 0, 0)) << "both rows of a 0 V trace";
    EXPECT_EQ(QColor(image.pixel(x, plot.bottom() - 1)), QColor(255, 0, 0));
    int redInLastColumn = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) redInLastColumn += QColor(image.pixel(plot.right(), y)) == QColor(255, 0, 0);
    EXPECT_GT(redInLastColumn, 10) << "position 511 is the plot's last column";
}

TEST(ChartRepaint, ManyAppendsInOneHandlerCostOnePaint) {
    TWindowHarness h;
    h.Window->show();
    TChartWidget& chart = *h.Window->VXLogger_OSC;
    h.ProcessEvents();
    const int before = chart.PaintCount();
    h.Window->VXLogger_LevelEdit_CH2->setText(QStringLiteral("1,5"));
    h.ProcessEvents();
    EXPECT_EQ(chart.PaintCount(), before + 1);
}

}  // namespace
}  // namespace tavik
