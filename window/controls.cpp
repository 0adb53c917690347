#include "controls.h"

#include <algorithm>

#include "window_layout.h"

namespace tavik {

void TEdit::SetText(const std::string& text) {
    if (View().Text(Id_) == text) return;
    View().SetText(Id_, text);
    Host_.Raise(Id_);
}

void TCheckBox::SetChecked(bool checked) {
    if (View().Checked(Id_) == checked) return;
    View().SetChecked(Id_, checked);
    Host_.Raise(Id_);
}

TComboBox::TComboBox(TControlHost& host, TControlId id) : TControl(host, id) {
    for (const char* item : LayoutOf(id).Items) Items_.emplace_back(item);
}

void TComboBox::AddItems(const std::vector<std::string>& items) {
    Items_.insert(Items_.end(), items.begin(), items.end());
    View().AddItems(Id_, items);
}

int TComboBox::SelectedIndex() const {
    const std::string text = Text();
    const int current = View().Selection(Id_);
    if (current >= 0 && current < Count() && Item(current) == text) return current;
    const auto found = std::find(Items_.begin(), Items_.end(), text);
    return found == Items_.end() ? -1 : static_cast<int>(found - Items_.begin());
}

}  // namespace tavik
