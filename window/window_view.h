#pragma once
// What the window's behaviour asks of a toolkit. A view builds every control
// from the layout table, sets and reads what it is told, draws the chart
// model, and reports the user's clicks, edits and choices back. Nothing it is
// told to set raises an event: the event rules live in TTavik.
#include <string>
#include <vector>

#include "chart_model.h"
#include "colour.h"
#include "control_id.h"

namespace tavik {

// The user's acts, as a view reports them, after the control shows their
// result (a check box its new state, an edit its new text, a combo box the
// chosen item).
class TWindowEvents {
public:
    virtual ~TWindowEvents() = default;
    virtual void Clicked(TControlId id) = 0;   // check box, radio button, button
    virtual void Changed(TControlId id) = 0;   // typing in an edit or a combo box's text field
    virtual void Selected(TControlId id) = 0;  // choosing a combo box's item
};

class TWindowView {
public:
    virtual ~TWindowView() = default;

    // Where the user's acts go, and the chart the view draws; given once,
    // before any handler can run.
    virtual void Connect(TWindowEvents& events, const TChartModel& chart) = 0;

    // A label's text (it keeps its top-left corner and takes its text's
    // width), an edit's text, a button's or check box's caption, a combo
    // box's text field. UTF-8.
    virtual void SetText(TControlId id, const std::string& text) = 0;
    virtual std::string Text(TControlId id) const = 0;
    virtual void SetTextColour(TControlId id, TColour colour) = 0;
    virtual void SetChecked(TControlId id, bool checked) = 0;
    virtual bool Checked(TControlId id) const = 0;
    // Appends to a combo box's list.
    virtual void AddItems(TControlId id, const std::vector<std::string>& items) = 0;
    // Selects a combo box's item and shows its text; -1 selects none.
    virtual void SetSelection(TControlId id, int index) = 0;
    virtual int Selection(TControlId id) const = 0;
    // The chart model changed: draw it when the toolkit next paints.
    virtual void ChartChanged() = 0;
    // A modal error box; the loop goes on dispatching while it is open.
    virtual void ShowError(const std::string& caption, const std::string& text) = 0;
};

}  // namespace tavik
