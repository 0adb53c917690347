#pragma once
// The window drawn with Qt Widgets: one widget per row of the layout table,
// named as laid out. It shows what TTavik tells it and reports the user's
// clicks, edits and choices back; it holds no behaviour of its own.
#include <QWidget>
#include <array>
#include <functional>

#include "chart_widget.h"
#include "window/window_layout.h"
#include "window/window_view.h"

namespace tavik {

class TQtWindowView : public QWidget, public TWindowView {
    Q_OBJECT
public:
    TQtWindowView();

    QWidget* Widget(TControlId id) const { return Widgets_[IndexOf(id)]; }
    template <typename W>
    W* As(TControlId id) const { return static_cast<W*>(Widget(id)); }
    TChartWidget* Chart() const { return As<TChartWidget>(TControlId::VXLogger_OSC); }

    // How errors are shown: the modal box, unless a test puts another here.
    std::function<void(const std::string& caption, const std::string& text)> ErrorPresenter;

    // TWindowView
    void Connect(TWindowEvents& events, const TChartModel& chart) override;
    void SetText(TControlId id, const std::string& text) override;
    std::string Text(TControlId id) const override;
    void SetTextColour(TControlId id, TColour colour) override;
    void SetChecked(TControlId id, bool checked) override;
    bool Checked(TControlId id) const override;
    void AddItems(TControlId id, const std::vector<std::string>& items) override;
    void SetSelection(TControlId id, int index) override;
    int Selection(TControlId id) const override;
    void ChartChanged() override;
    void ShowError(const std::string& caption, const std::string& text) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* Build(const TControlLayout& layout);
    void SetTabOrder();

    std::array<QWidget*, ControlCount> Widgets_{};
    TWindowEvents* Events_ = nullptr;
    bool Setting_ = false;  // the view itself is changing an edit's text or a box's item
};

}  // namespace tavik
