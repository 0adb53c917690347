#include "chart_widget.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace tavik {

namespace {
const QColor Background(11, 11, 11);
const QColor BorderColor(0, 0, 64);
const QColor AxisColor(0, 64, 64);
const QColor LabelColor(128, 128, 128);
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
}  // namespace

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

QString AxisLabelText(double value, QChar decimalSeparator, QChar groupSeparator) {
    const bool negative = value < 0;
    const long long thousandths = std::llround(std::fabs(value) * 1000.0);
    const long long whole = thousandths / 1000;
    int fraction = static_cast<int>(thousandths % 1000);
    QString digits = QString::number(whole);
    QString grouped;
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += groupSeparator;
        grouped += digits[i];
    }
    QString text = (negative && thousandths != 0 ? QStringLiteral("-") : QString()) + grouped;
    if (fraction != 0) {
        QString decimals = QString::number(fraction).rightJustified(3, QLatin1Char('0'));
        while (decimals.endsWith(QLatin1Char('0'))) decimals.chop(1);
        text += decimalSeparator + decimals;
    }
    return text;
}

TChartWidget::TChartWidget(QChar decimalSeparator, QChar groupSeparator, QWidget* parent)
    : QWidget(parent), DecimalSeparator_(decimalSeparator), GroupSeparator_(groupSeparator) {
    Series_ = {
        {QColor(0, 255, 0), 2, {}},    // Series2: channel 2 trace
        {QColor(255, 0, 0), 2, {}},    // Series1: channel 1 trace
        {QColor(0, 0, 255), 1, {}},    // Series3: channel 1 level line
        {QColor(255, 255, 0), 1, {}},  // Series4: channel 2 level line
    };
    for (TChartSeries& series : Series_) series.Points.reserve(ChartPointsAcross);
    Polyline_.reserve(ChartPointsAcross);
    LabelFont_.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    LabelFont_.setPixelSize(11);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
}

void TChartWidget::ClearPoints(TChartSeries& series) {
    series.Points.clear();
    update();
}

void TChartWidget::AppendPoint(TChartSeries& series, double y) {
    // A series never holds more points than the chart is wide.
    if (series.Points.size() >= static_cast<std::size_t>(ChartPointsAcross)) return;
    series.Points.emplace_back(static_cast<double>(series.Points.size()), y);
    update();
}

int TChartWidget::LabelAreaWidth() const {
    const QFontMetrics metrics(LabelFont_);
    // Room for the widest label the fixed range can show.
    int widest = 0;
    for (double v = AxisMinimum; v <= AxisMaximum + 1e-9; v += 0.5)
        widest = std::max(widest, metrics.horizontalAdvance(AxisLabelText(v, DecimalSeparator_, GroupSeparator_)));
    return widest + LabelGap + OuterTickLength + AxisLineWidth;
}

QRect TChartWidget::PlotRect() const {
    const int left = BorderWidth + MarginLeft + LabelAreaWidth();
    const int top = BorderWidth + MarginTop;
    const int right = width() - BorderWidth - MarginRight;
    const int bottom = height() - BorderWidth - MarginBottom;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// The scale's ends lie inside the plot: 0 V on its bottom row, 8 V one row
// below its top, so that a 2-px trace keeps both rows at either end; position
// 0 on its first column and the last position on its last.
double TChartWidget::YOf(const QRect& plot, double volts) {
    return plot.bottom() - (volts - AxisMinimum) * (plot.height() - 2) / (AxisMaximum - AxisMinimum);
}

double TChartWidget::XOf(const QRect& plot, double position) {
    return plot.left() + position * (plot.width() - 1) / (ChartPointsAcross - 1);
}

double TChartWidget::LabelStep() const {
    return ChooseLabelStep(AxisMaximum - AxisMinimum, PlotRect().height(), QFontMetrics(LabelFont_).height());
}

// The border, the axis, its labels and ticks: the same for every paint, so
// drawn once per size (and device pixel ratio) into a pixmap.
void TChartWidget::DrawBackdrop(QPainter& painter) const {
    painter.fillRect(rect(), Background);

    QPen border(BorderColor, BorderWidth);
    border.setCapStyle(Qt::SquareCap);
    border.setJoinStyle(Qt::MiterJoin);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(BorderWidth / 2.0, BorderWidth / 2.0, -BorderWidth / 2.0, -BorderWidth / 2.0));

    const QRect plot = PlotRect();
    auto yOf = [&](double volts) { return YOf(plot, volts); };

    const double step = LabelStep();
    const QFontMetrics metrics(LabelFont_);
    painter.setFont(LabelFont_);
    const int axisX = plot.left() - AxisLineWidth / 2;
    const long steps = std::lround((AxisMaximum - AxisMinimum) / step);
    for (long i = 0; i <= steps; ++i) {
        const double value = AxisMinimum + i * step;
        const int y = static_cast<int>(std::lround(yOf(value)));
        painter.setPen(QPen(AxisColor, 1));
        painter.drawLine(axisX - OuterTickLength, y, axisX, y);
        painter.drawLine(axisX, y, axisX + InnerTickLength, y);
        if (i < steps) {
            for (int m = 1; m <= MinorTicksBetweenLabels; ++m) {
                const double minor = value + step * m / (MinorTicksBetweenLabels + 1);
                const int my = static_cast<int>(std::lround(yOf(minor)));
                painter.drawLine(axisX - MinorTickLength, my, axisX, my);
            }
        }
        const QString label = AxisLabelText(value, DecimalSeparator_, GroupSeparator_);
        painter.setPen(LabelColor);
        const int textRight = axisX - OuterTickLength - LabelGap;
        painter.drawText(QRect(textRight - metrics.horizontalAdvance(label), y - metrics.height() / 2,
                               metrics.horizontalAdvance(label), metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label);
    }
    painter.setPen(QPen(AxisColor, AxisLineWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(axisX + 0.5, plot.top()), QPointF(axisX + 0.5, plot.bottom() + 1));
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

    const QRect plot = Plot_;
    // Series in list order, cut at the plot's edges.
    painter.setClipRect(plot);
    for (const TChartSeries& series : Series_) {
        if (series.Points.size() < 2) continue;
        Polyline_.clear();
        for (const QPointF& point : series.Points) Polyline_.append(QPointF(XOf(plot, point.x()), YOf(plot, point.y())));
        QPen pen(series.Color, series.Width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawPolyline(Polyline_);
    }
}

}  // namespace tavik
