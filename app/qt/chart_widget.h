#pragma once
// The logger's strip chart drawn with QPainter from the window's chart model:
// the backdrop (border, axis, labels) once per size into a pixmap, then the
// four series as polylines cut at the plot's edges.
#include <QFont>
#include <QPixmap>
#include <QPolygonF>
#include <QWidget>

#include "window/chart_model.h"

namespace tavik {

class TChartWidget : public QWidget {
    Q_OBJECT
public:
    explicit TChartWidget(QWidget* parent = nullptr);

    // The model to draw; set before the first paint.
    void SetModel(const TChartModel* model);

    // What the backdrop shows at the widget's size, the plot among it.
    chart::TChartBackdrop Backdrop() const;
    TPlotRect PlotRect() const;
    int PaintCount() const { return PaintCount_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawBackdrop(QPainter& painter, const chart::TChartBackdrop& backdrop) const;

    const TChartModel* Model_ = nullptr;
    QFont LabelFont_;
    int PaintCount_ = 0;
    QPolygonF Polyline_;  // reused by every paint
    QPixmap Backdrop_;    // border, axis and labels, drawn once per size
    TPlotRect Plot_;
};

}  // namespace tavik
