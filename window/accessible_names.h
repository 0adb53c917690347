#pragma once
// What a screen reader calls each control whose own text does not name it:
// an edit or a combo box by the labels it belongs to (its row and column,
// and its unit), the chart by what it is. Labels, buttons and check boxes
// are named by their own text.
#include <string>

#include "control_id.h"

namespace tavik {

// Empty for a control named by its own text, and for the hidden service
// fields no one reaches.
std::string AccessibleNameOf(TControlId id);

}  // namespace tavik
