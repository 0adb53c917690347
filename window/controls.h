#pragma once
// The window's controls as TTavik holds them: each names one control of the
// view and carries the event rules the handlers rely on — a check box set from
// the program runs its click handler when its state changes; an edit whose
// text changes, from the program too, runs its change handler; a combo box's
// selection from the program runs nothing.
#include <string>
#include <vector>

#include "window_view.h"

namespace tavik {

// What a control needs of the window it belongs to.
class TControlHost {
public:
    virtual TWindowView& View() const = 0;
    // Runs the handler bound to the control's event, if any.
    virtual void Raise(TControlId id) = 0;

protected:
    ~TControlHost() = default;
};

class TControl {
public:
    TControl(TControlHost& host, TControlId id) : Host_(host), Id_(id) {}
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    TControlId Id() const { return Id_; }
    void SetTextColour(TColour colour) { View().SetTextColour(Id_, colour); }

protected:
    TWindowView& View() const { return Host_.View(); }
    TControlHost& Host_;
    const TControlId Id_;
};

class TLabel : public TControl {
public:
    using TControl::TControl;
    void SetCaption(const std::string& text) { View().SetText(Id_, text); }
    std::string Caption() const { return View().Text(Id_); }
};

class TButton : public TLabel {
public:
    using TLabel::TLabel;
};

class TEdit : public TControl {
public:
    using TControl::TControl;
    std::string Text() const { return View().Text(Id_); }
    void SetText(const std::string& text);
};

class TCheckBox : public TControl {
public:
    using TControl::TControl;
    bool Checked() const { return View().Checked(Id_); }
    void SetChecked(bool checked);
    // Shows a state whose consequences the program has already drawn: no
    // click handler runs.
    void ShowChecked(bool checked) { View().SetChecked(Id_, checked); }
};

class TRadioButton : public TControl {
public:
    using TControl::TControl;
    bool Checked() const { return View().Checked(Id_); }
    void SetChecked(bool checked) { View().SetChecked(Id_, checked); }
};

class TComboBox : public TControl {
public:
    // Starts with the items the layout gives it.
    TComboBox(TControlHost& host, TControlId id);
    void AddItems(const std::vector<std::string>& items);
    int Count() const { return static_cast<int>(Items_.size()); }
    const std::string& Item(int index) const { return Items_[static_cast<std::size_t>(index)]; }
    void SetItemIndex(int index) { View().SetSelection(Id_, index); }
    std::string Text() const { return View().Text(Id_); }
    // The position of the item the box's text stands for, or -1: the
    // selected item when the text is still its label, else the first item
    // with exactly that label.
    int SelectedIndex() const;

private:
    std::vector<std::string> Items_;  // as the view holds them
};

}  // namespace tavik
