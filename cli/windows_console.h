#pragma once
// tavik-cli on a Windows console: the command line as the user typed it
// (UTF-16, so a Cyrillic folder arrives whole), and the ends a console
// program meets there (Ctrl-C, Ctrl-Break, a closed console, a log-off or a
// shut-down) ending a command as the signals do elsewhere. The output itself
// goes to the console in UTF-16 (cli_console.cpp), whatever its code page,
// which the program leaves alone.
#include <windows.h>

#include <string>
#include <vector>

namespace tavik::cli {

// The arguments after the program's name, in UTF-8.
std::vector<std::string> CommandLineArguments();

// Stops a command at Ctrl-C, a closed console and the session's end.
class TWindowsConsole {
public:
    TWindowsConsole();
    ~TWindowsConsole();
    TWindowsConsole(const TWindowsConsole&) = delete;
    TWindowsConsole& operator=(const TWindowsConsole&) = delete;

private:
    HWND SessionWindow_ = nullptr;
};

}  // namespace tavik::cli
