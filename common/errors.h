#pragma once
// The program's error classes. Handlers report ordinary failures as results;
// these are for the few places where an error is meant to reach the error box.
#include <stdexcept>
#include <string>

namespace tavik {

// An error the window shows in its error box, with the message as it stands.
class ETavikError : public std::runtime_error {
public:
    explicit ETavikError(const std::string& message) : std::runtime_error(message) {}
};

// A silent abort: caught by the window and dropped without a word.
class EAbort : public ETavikError {
public:
    EAbort() : ETavikError(std::string()) {}
};

// A text that should have held an integer did not.
class EConvertError : public ETavikError {
public:
    using ETavikError::ETavikError;
};

}  // namespace tavik
