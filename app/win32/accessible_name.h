#pragma once
// A control's name for screen readers (Narrator, NVDA, JAWS), given outright:
// Active Accessibility would otherwise guess an edit's name from the label
// before it among its siblings, and the window keeps its controls in keyboard
// order instead, each a group of its own, so that the guess finds nothing.
// The control answers WM_GETOBJECT with Windows' own accessible object for
// it, its name (and, where given, its role) replaced.
#include <windows.h>

#include <string>

namespace tavik {

// For the control's life; role 0 keeps the standard object's role.
void NameForScreenReaders(HWND control, const std::wstring& name, LONG role = 0);

}  // namespace tavik
