// Painting the chart with four full series, beside a widget that paints the
// same four polylines and nothing else, and a bare widget that paints nothing.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "app/qt/chart_widget.h"
#include "bench_util.h"

namespace {
// The floor the chart is held to: the four polylines alone, already mapped.
class TBarePolylines : public QWidget {
public:
    explicit TBarePolylines(const tavik::TChartModel& model) {
        const tavik::TPlotRect plot = tavik::chart::PlotRectOf(512, 256, 30);
        for (const tavik::TChartSeries& series : model.AllSeries()) {
            QPolygonF line;
            for (std::size_t i = 0; i < series.Points.size(); ++i)
                line << QPointF(tavik::chart::XOf(plot, static_cast<double>(i)), tavik::chart::YOf(plot, series.Points[i]));
            Lines_.push_back(line);
            QPen pen(QColor(series.Colour.R, series.Colour.G, series.Colour.B), series.Width, Qt::SolidLine, Qt::SquareCap,
                     Qt::BevelJoin);
            pen.setCosmetic(true);
            Pens_.push_back(pen);
        }
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (std::size_t i = 0; i < Lines_.size(); ++i) {
            painter.setPen(Pens_[i]);
            painter.drawPolyline(Lines_[i]);
        }
    }

private:
    std::vector<QPolygonF> Lines_;
    std::vector<QPen> Pens_;
};
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    tavik::TChartModel model;
    for (int s = 0; s < 4; ++s)
        for (int i = 0; i < tavik::ChartPointsAcross; ++i)
            model.AppendPoint(model.SeriesAt(s), s < 2 ? 4.0 + 3.0 * std::sin(i * 0.05 + s) : 2.0 + s);
    tavik::TChartWidget chart;
    chart.resize(512, 256);
    chart.SetModel(&model);
    TBarePolylines polylines(model);
    polylines.resize(512, 256);
    QWidget bare;
    bare.resize(512, 256);
    QImage image(512, 256, QImage::Format_RGB32);
    const int runs = 300;
    const auto floor = tavik::bench::TimeRuns(runs, [&] { bare.render(&image); });
    const auto lines = tavik::bench::TimeRuns(runs, [&] { polylines.render(&image); });
    const auto full = tavik::bench::TimeRuns(runs, [&] { chart.render(&image); });
    std::printf("chart paint, 4 x 512 points: median %.1f us, worst %.1f us\n", full.Median, full.Worst);
    std::printf("four bare polylines:         median %.1f us, worst %.1f us\n", lines.Median, lines.Worst);
    std::printf("bare widget paint (floor):   median %.1f us, worst %.1f us\n", floor.Median, floor.Worst);
    std::printf("ratio chart / four polylines: %.2f\n", full.Median / lines.Median);
    return 0;
}
