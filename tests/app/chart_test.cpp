// The chart as the Qt view paints it: background, border, lines where the
// model maps them, cut at the plot's edges, and one paint for many appends.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <cmath>

#include "app/qt/chart_widget.h"
#include "tests/support/qt_window_harness.h"

namespace tavik {
namespace {

class ChartPicture : public ::testing::Test {
protected:
    TChartModel Model;
    TChartWidget Chart;
    void SetUp() override {
        Chart.resize(512, 256);
        Chart.SetModel(&Model);
    }
    QImage Render() {
        QImage image(Chart.size(), QImage::Format_RGB32);
        Chart.render(&image);
        return image;
    }
    QRect Plot() const {
        const TPlotRect plot = Chart.PlotRect();
        return QRect(QPoint(plot.Left, plot.Top), QPoint(plot.Right, plot.Bottom));
    }
    // The row an aliased line at that voltage is drawn on.
    int RowOf(double volts) const { return static_cast<int>(std::floor(chart::YOf(Chart.PlotRect(), volts))); }
};

TEST_F(ChartPicture, BackgroundBorderAndALevelLineWhereTheyBelong) {
    for (int i = 0; i < 512; ++i) Model.AppendPoint(Model.SeriesAt(2), 3.3);
    const QImage image = Render();
    EXPECT_EQ(QColor(image.pixel(1, 128)), QColor(0, 0, 64)) << "border";
    EXPECT_EQ(QColor(image.pixel(255, 1)), QColor(0, 0, 64));
    const QRect plot = Plot();
    EXPECT_EQ(QColor(image.pixel(plot.center().x(), RowOf(4.1))), QColor(11, 11, 11)) << "background";
    EXPECT_EQ(QColor(image.pixel(plot.center().x(), RowOf(3.3))), QColor(0, 0, 255)) << "the level line";
    EXPECT_EQ(Chart.Backdrop().Labels.size(), 17u) << "a label every 0,5 V";
}

TEST_F(ChartPicture, TracesAreCutAtThePlotEdges) {
    for (int i = 0; i < 512; ++i) Model.AppendPoint(Model.SeriesAt(1), i < 256 ? 12.0 : -3.0);
    const QImage image = Render();
    const QRect plot = Plot();
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
        Model.AppendPoint(Model.SeriesAt(2), 0.0);  // level lines, 1 px
        Model.AppendPoint(Model.SeriesAt(3), 8.0);
    }
    QImage image = Render();
    const QRect plot = Plot();
    const int x = plot.center().x();
    EXPECT_EQ(QColor(image.pixel(x, plot.bottom())), QColor(0, 0, 255)) << "a level line at 0 V";
    EXPECT_EQ(QColor(image.pixel(x, plot.top() + 1)), QColor(255, 255, 0)) << "a level line at 8 V";
    Model.ClearPoints(Model.SeriesAt(2));
    Model.ClearPoints(Model.SeriesAt(3));
    for (int i = 0; i < 512; ++i) Model.AppendPoint(Model.SeriesAt(1), i < 511 ? 0.0 : 4.0);  // a 2-px trace
    image = Render();
    EXPECT_EQ(QColor(image.pixel(x, plot.bottom())), QColor(255, 0, 0)) << "both rows of a 0 V trace";
    EXPECT_EQ(QColor(image.pixel(x, plot.bottom() - 1)), QColor(255, 0, 0));
    int redInLastColumn = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) redInLastColumn += QColor(image.pixel(plot.right(), y)) == QColor(255, 0, 0);
    EXPECT_GT(redInLastColumn, 10) << "position 511 is the plot's last column";
}

TEST(ChartRepaint, ManyAppendsInOneHandlerCostOnePaint) {
    test::TQtWindowHarness h;
    h.View.show();
    TChartWidget& chart = *h.View.Chart();
    h.ProcessEvents();
    const int before = chart.PaintCount();
    h.Widget<QLineEdit>(TControlId::VXLogger_LevelEdit_CH2)->setText(QStringLiteral("1,5"));
    h.ProcessEvents();
    EXPECT_EQ(chart.PaintCount(), before + 1);
}

}  // namespace
}  // namespace tavik
