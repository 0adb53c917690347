#pragma once
// A view with no toolkit: it keeps what the window tells each control, counts
// the chart's changes and records every error box, and plays the user's acts
// as a toolkit reports them.
#include <array>
#include <string>
#include <vector>

#include "window/window_layout.h"
#include "window/window_view.h"

namespace tavik::test {

class TRecordingView : public TWindowView {
public:
    struct TControlState {
        std::string Text;
        TColour TextColour = colours::Normal;
        bool Checked = false;
        std::vector<std::string> Items;
        int Selection = -1;
    };

    // Every control with its layout's text, colour and items.
    TRecordingView();

    const TControlState& operator[](TControlId id) const { return Controls_[IndexOf(id)]; }
    std::vector<std::string> Errors;  // "caption|text" of every error box
    int ChartChanges = 0;
    const TChartModel* ChartModel = nullptr;

    // The user's acts: a click (a check box toggles first), typing a whole
    // new text into an edit or a combo box's field, choosing a combo item.
    void Click(TControlId id);
    void Type(TControlId id, const std::string& text);
    void Choose(TControlId id, int index);

    // TWindowView
    void Connect(TWindowEvents& events, const TChartModel& chart) override;
    void SetText(TControlId id, const std::string& text) override { State(id).Text = text; }
    std::string Text(TControlId id) const override { return (*this)[id].Text; }
    void SetTextColour(TControlId id, TColour colour) override { State(id).TextColour = colour; }
    void SetChecked(TControlId id, bool checked) override { State(id).Checked = checked; }
    bool Checked(TControlId id) const override { return (*this)[id].Checked; }
    void AddItems(TControlId id, const std::vector<std::string>& items) override;
    void SetSelection(TControlId id, int index) override;
    int Selection(TControlId id) const override { return (*this)[id].Selection; }
    void ChartChanged() override { ++ChartChanges; }
    void ShowError(const std::string& caption, const std::string& text) override { Errors.push_back(caption + "|" + text); }

private:
    TControlState& State(TControlId id) { return Controls_[IndexOf(id)]; }
    std::array<TControlState, ControlCount> Controls_;
    TWindowEvents* Events_ = nullptr;
};

}  // namespace tavik::test
