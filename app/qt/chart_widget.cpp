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

TChartBackdrop TChartWidget::Backdrop() const {
    const QFontMetrics metrics(LabelFont_);
    return BackdropOf(
        width(), height(), Model_ ? Model_->DecimalSeparator : ',', Model_ ? Model_->GroupSeparator : std::string(" "),
        [&](const std::string& text) { return metrics.horizontalAdvance(QString::fromStdString(text)); }, metrics.height());
}

TPlotRect TChartWidget::PlotRect() const { return Backdrop().Plot; }

// The border, the axis, its labels and ticks: the same for every paint, so
// drawn once per size (and device pixel ratio) into a pixmap.
void TChartWidget::DrawBackdrop(QPainter& painter, const TChartBackdrop& backdrop) const {
    painter.fillRect(rect(), QtColour(Background));

    QPen border(QtColour(BorderColour), BorderWidth);
    border.setCapStyle(Qt::SquareCap);
    border.setJoinStyle(Qt::MiterJoin);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(BorderWidth / 2.0, BorderWidth / 2.0, -BorderWidth / 2.0, -BorderWidth / 2.0));

    painter.setPen(QPen(QtColour(AxisColour), 1));
    for (const TSegment& tick : backdrop.Ticks) painter.drawLine(tick.X1, tick.Y1, tick.X2, tick.Y2);
    const QFontMetrics metrics(LabelFont_);
    painter.setFont(LabelFont_);
    painter.setPen(QtColour(LabelColour));
    for (const TAxisLabel& label : backdrop.Labels) {
        const QString text = QString::fromStdString(label.Text);
        const int advance = metrics.horizontalAdvance(text);
        painter.drawText(QRect(label.Right - advance, label.Top, advance, metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
                         text);
    }
    const TPlotRect& plot = backdrop.Plot;
    painter.setPen(QPen(QtColour(AxisColour), AxisLineWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(backdrop.AxisX + 0.5, plot.Top), QPointF(backdrop.AxisX + 0.5, plot.Bottom + 1));
}

void TChartWidget::paintEvent(QPaintEvent*) {
    ++PaintCount_;
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    if (Backdrop_.size() != size() * ratio || Backdrop_.devicePixelRatio() != ratio) {
        Backdrop_ = QPixmap(size() * ratio);
        Backdrop_.setDevicePixelRatio(ratio);
        const TChartBackdrop geometry = Backdrop();
        QPainter backdrop(&Backdrop_);
        DrawBackdrop(backdrop, geometry);
        Plot_ = geometry.Plot;
    }
    painter.drawPixmap(0, 0, Backdrop_);
    if (!Model_) return;

    const TPlotRect plot = Plot_;
    // Series in list order, cut at the plot's edges.
    painter.setClipRect(QRect(QPoint(plot.Left, plot.Top), QPoint(plot.Right, plot.Bottom)));
    for (const TChartSeries& series : Model_->AllSeries()) {
        if (series.Points.size() < 2) continue;
        Polyline_.clear();
        ForEachCorner(series.Points, plot, [this](double x, double y) { Polyline_.append(QPointF(x, y)); });
        QPen pen(QtColour(series.Colour), series.Width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawPolyline(Polyline_);
    }
}

}  // namespace tavik
