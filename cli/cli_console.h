#pragma once
// Where tavik-cli's lines go: standard output for what a command prints,
// standard error for what went wrong. Output that cannot be written (a full
// disk, a pipe whose reader is gone) ends the command with an error.
#include <string>

namespace tavik::cli {

class TCliConsole {
public:
    virtual ~TCliConsole() = default;
    // One line (or lines) to standard output, a line end added; false once
    // output cannot be written.
    virtual bool Say(const std::string& text) = 0;
    // One line to standard error, after "tavik-cli: ".
    virtual void Complain(const std::string& line) = 0;
};

class TStdioConsole final : public TCliConsole {
public:
    bool Say(const std::string& text) override;
    void Complain(const std::string& line) override;

private:
    bool Broken_ = false;
};

}  // namespace tavik::cli
