// Painting the chart with four full series, beside a bare widget of the same
// size that paints nothing.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include "app/chart_widget.h"
#include "bench_util.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    tavik::TChartWidget chart(',', ' ');
    chart.resize(512, 256);
    for (int s = 0; s < 4; ++s)
        for (int i = 0; i < tavik::ChartPointsAcross; ++i)
            chart.AppendPoint(chart.SeriesAt(s), s < 2 ? 4.0 + 3.0 * std::sin(i * 0.05 + s) : 2.0 + s);
    QWidget bare;
    bare.resize(512, 256);
    QImage image(512, 256, QImage::Format_RGB32);
    const int runs = 300;
    const auto floor = tavik::bench::TimeRuns(runs, [&] { bare.render(&image); });
    const auto full = tavik::bench::TimeRuns(runs, [&] { chart.render(&image); });
    std::printf("chart paint, 4 x 512 points: median %.1f us, worst %.1f us\n", full.Median, full.Worst);
    std::printf("bare widget paint (floor):   median %.1f us, worst %.1f us\n", floor.Median, floor.Worst);
    std::printf("ratio chart / floor: %.1f\n", full.Median / floor.Median);
    return 0;
}
