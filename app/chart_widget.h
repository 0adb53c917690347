#pragma once
// The logger's strip chart: a dark plot with a fixed 0-8 V scale on the left,
// 512 sample positions across, and four line series. Appending only marks the
// chart dirty; it is painted when the event loop gets to it.
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QPixmap>
#include <QPolygonF>
#include <QString>
#include <QWidget>
#include <vector>

namespace tavik {

constexpr int ChartPointsAcross = 512;

// The finest label step whose labels fit: steps 0.1, 0.2, 0.5, 1, 2, 5, ...
// until range / step is no more than the number of label rows that fit.
double ChooseLabelStep(double range, int axisLengthPixels, int labelHeightPixels);
// "#,##0.###": up to three decimals, no trailing zeros, thousands grouped.
QString AxisLabelText(double value, QChar decimalSeparator, QChar groupSeparator);

struct TChartSeries {
    QColor Color;
    int Width = 1;
    std::vector<QPointF> Points;
};

class TChartWidget : public QWidget {
    Q_OBJECT
public:
    TChartWidget(QChar decimalSeparator, QChar groupSeparator, QWidget* parent = nullptr);

    // Positions: 0 channel 2 trace, 1 channel 1 trace, 2 channel 1 level,
    // 3 channel 2 level.
    TChartSeries& SeriesAt(int position) { return Series_[static_cast<std::size_t>(position)]; }
    const TChartSeries& SeriesAt(int position) const { return Series_[static_cast<std::size_t>(position)]; }
    int PointCount(const TChartSeries& series) const { return static_cast<int>(series.Points.size()); }
    void ClearPoints(TChartSeries& series);
    void AppendPoint(TChartSeries& series, double y);

    // The plot area inside the border, margins and the axis labels.
    QRect PlotRect() const;
    // Where a position (0 to 511) and a voltage land in the plot.
    static double XOf(const QRect& plot, double position);
    static double YOf(const QRect& plot, double volts);
    double LabelStep() const;
    int PaintCount() const { return PaintCount_; }

    static constexpr double AxisMinimum = 0.0;
    static constexpr double AxisMaximum = 8.0;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int LabelAreaWidth() const;
    void DrawBackdrop(QPainter& painter) const;

    std::vector<TChartSeries> Series_;
    QFont LabelFont_;
    QChar DecimalSeparator_;
    QChar GroupSeparator_;
    int PaintCount_ = 0;
    QPolygonF Polyline_;  // reused by every paint
    QPixmap Backdrop_;    // border, axis and labels, drawn once per size
    QRect Plot_;
};

}  // namespace tavik
