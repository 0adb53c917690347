#pragma once
// How an error that escapes a handler is put to the user.
#include <QString>
#include <functional>

namespace tavik {

extern const QString ProgramTitle;

// A full stop is added when the message's last character comes after the full
// stop in code order (so "..." or "!" get none).
QString ErrorBoxText(const QString& message);

// Shows a modal error box; tests replace it.
using TErrorPresenter = std::function<void(const QString& caption, const QString& text)>;
void ShowErrorBox(const QString& caption, const QString& text);

}  // namespace tavik
