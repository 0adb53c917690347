#pragma once
// tavik-cli on a Windows console: the command line as the user typed it
// (UTF-16, so a Cyrillic folder arrives whole), UTF-8 output for the time the
// program runs, and the ends a console program meets there (Ctrl-C,
// Ctrl-Break, a closed console, a log-off or a shut-down) ending a command as
// the signals do elsewhere.
#include <windows.h>

#include <string>
#include <vector>

namespace tavik::cli {

// The arguments after the program's name, in UTF-8.
std::vector<std::string> CommandLineArguments();

// Sets the console's output code page to UTF-8 and gives the user's back at
// exit; stops a command at Ctrl-C, a closed console and the session's end.
class TWindowsConsole {
public:
    TWindowsConsole();
    ~TWindowsConsole();
    TWindowsConsole(const TWindowsConsole&) = delete;
    TWindowsConsole& operator=(const TWindowsConsole&) = delete;

private:
    UINT OutputCodePage_ = 0;
    HWND SessionWindow_ = nullptr;
};

}  // namespace tavik::cli
