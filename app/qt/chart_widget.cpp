#include "chart_widget.h"

#include <QFontMetrics>
#include <QPainter>

#include "fonts.h"
#include "qt_colour.h"

namespace tavik {

using namespace chart;

TChartWidget::TChartWidget(QWidget* parent) : QWidget(parent), LabelFont_(FontFor(TFontRole::ChartLabel)) {
    Polyline_.reserve(ChartPointsAcross);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
}

void TChartWidget::SetModel(const TChartModel* model) {
    Model_ = model;
    Backdrop_ = QPixmap();  // the labels follow the model's separators
    update();
}

QString TChartWidget::LabelText(double value) const {
    const char decimal = Model_ ? Model_->DecimalSeparator : ',';
    const std::string group = Model_ ? Model_->GroupSeparator : std::string(" ");
    return QString::fromStdString(AxisLabelText(value, decimal, group));
}

int TChartWidget::LabelAreaWidth() const {
    const QFontMetrics metrics(LabelFont_);
    // Room for the widest label the fixed range can show.
    int widest = 0;
    for (double v = AxisMinimum; v <= AxisMaximum + 1e-9; v += 0.5)
        widest = std::max(widest, metrics.horizontalAdvance(LabelText(v)));
    return chart::LabelAreaWidth(widest);
}

TPlotRect TChartWidget::PlotRect() const { return PlotRectOf(width(), height(), LabelAreaWidth()); }

double TChartWidget::LabelStep() const {
    return ChooseLabelStep(AxisMaximum - AxisMinimum, PlotRect().Height(), QFontMetrics(LabelFont_).height());
}

// The border, the axis, its labels and ticks: the same for every paint, so
// drawn once per size (and device pixel ratio) into a pixmap.
void TChartWidget::DrawBackdrop(QPainter& painter) const {
    painter.fillRect(rect(), QtColour(Background));

    QPen border(QtColour(BorderColour), BorderWidth);
    border.setCapStyle(Qt::SquareCap);
    border.setJoinStyle(Qt::MiterJoin);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(BorderWidth / 2.0, BorderWidth / 2.0, -BorderWidth / 2.0, -BorderWidth / 2.0));

    const TPlotRect plot = PlotRect();
    const QColor axis = QtColour(AxisColour);
    const QFontMetrics metrics(LabelFont_);
    painter.setFont(LabelFont_);
    const int axisX = plot.Left - AxisLineWidth / 2;
    const double step = LabelStep();
    const std::vector<double> values = LabelValues(step);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double value = values[i];
        const int y = static_cast<int>(std::lround(YOf(plot, value)));
        painter.setPen(QPen(axis, 1));
        painter.drawLine(axisX - OuterTickLength, y, axisX, y);
        painter.drawLine(axisX, y, axisX + InnerTickLength, y);
        if (i + 1 < values.size()) {
            for (int m = 1; m <= MinorTicksBetweenLabels; ++m) {
                const double minor = value + step * m / (MinorTicksBetweenLabels + 1);
                const int my = static_cast<int>(std::lround(YOf(plot, minor)));
                painter.drawLine(axisX - MinorTickLength, my, axisX, my);
            }
        }
        const QString label = LabelText(value);
        painter.setPen(QtColour(LabelColour));
        const int textRight = axisX - OuterTickLength - LabelGap;
        painter.drawText(QRect(textRight - metrics.horizontalAdvance(label), y - metrics.height() / 2,
                               metrics.horizontalAdvance(label), metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label);
    }
    painter.setPen(QPen(axis, AxisLineWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(axisX + 0.5, plot.Top), QPointF(axisX + 0.5, plot.Bottom + 1));
}

void TChartWidget::paintEvent(QPaintEvent*) {
    ++PaintCount_;
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    if (Backdrop_.size() != size() * ratio || Backdrop_.devicePixelRatio() != ratio) {
        Backdrop_ = QPixmap(size() * ratio);
        Backdrop_.setDevicePixelRatio(ratio);
        QPainter backdrop(&Backdrop_);
        DrawBackdrop(backdrop);
        Plot_ = PlotRect();
    }
    painter.drawPixmap(0, 0, Backdrop_);
    if (!Model_) return;

    const TPlotRect plot = Plot_;
    // Series in list order, cut at the plot's edges.
    painter.setClipRect(QRect(QPoint(plot.Left, plot.Top), QPoint(plot.Right, plot.Bottom)));
    for (const TChartSeries& series : Model_->AllSeries()) {
        if (series.Points.size() < 2) continue;
        const std::vector<double>& points = series.Points;
        Polyline_.clear();
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (InsideLevelRun(points, i)) continue;
            Polyline_.append(QPointF(XOf(plot, static_cast<double>(i)), YOf(plot, points[i])));
        }
        QPen pen(QtColour(series.Colour), series.Width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawPolyline(Polyline_);
    }
}

}  // namespace tavik
