#pragma once
// How an error that escapes a handler is put to the user.
#include <optional>
#include <string>

namespace tavik {

struct TErrorReport {
    std::string Caption;
    std::string Text;
};

// A full stop is added when the message's last character comes after the full
// stop in code order (so "..." or "!" get none).
std::string ErrorBoxText(const std::string& message);

// What the error box says of the exception being handled (call it inside a
// catch block); nothing for a silent abort.
std::optional<TErrorReport> ReportOfCurrentError(const char* place);

}  // namespace tavik
