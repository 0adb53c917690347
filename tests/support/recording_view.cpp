#include "recording_view.h"

#include <gtest/gtest.h>

namespace tavik::test {

TRecordingView::TRecordingView() {
    for (const TControlLayout& layout : WindowLayout) {
        TControlState& state = State(layout.Id);
        state.Text = layout.Text;
        state.TextColour = layout.TextColour.value_or(colours::Normal);
        for (const char* item : layout.Items) state.Items.emplace_back(item);
        if (!state.Items.empty()) state.Selection = 0;
    }
}

void TRecordingView::Connect(TWindowEvents& events, const TChartModel& chart) {
    Events_ = &events;
    ChartModel = &chart;
}

void TRecordingView::AddItems(TControlId id, const std::vector<std::string>& items) {
    State(id).Items.insert(State(id).Items.end(), items.begin(), items.end());
}

void TRecordingView::SetSelection(TControlId id, int index) {
    TControlState& state = State(id);
    state.Selection = index;
    if (index >= 0 && index < static_cast<int>(state.Items.size())) state.Text = state.Items[static_cast<std::size_t>(index)];
}

void TRecordingView::Click(TControlId id) {
    ASSERT_NE(Events_, nullptr);
    const TControlKind kind = LayoutOf(id).Kind;
    if (kind == TControlKind::CheckBox) State(id).Checked = !State(id).Checked;
    if (kind == TControlKind::RadioButton) State(id).Checked = true;
    Events_->Clicked(id);
}

void TRecordingView::Type(TControlId id, const std::string& text) {
    ASSERT_NE(Events_, nullptr);
    State(id).Text = text;
    Events_->Changed(id);
}

void TRecordingView::Choose(TControlId id, int index) {
    ASSERT_NE(Events_, nullptr);
    SetSelection(id, index);
    Events_->Selected(id);
}

}  // namespace tavik::test
