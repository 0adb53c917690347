// tavik-cli: the modules from a terminal, a script or a headless board, over
// the same instrument core as the window. `tavik-cli --help` lists the
// commands. Only the event loop, the console and the locale's decimal
// separator are the system's here; everything else is cli/'s.
#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "cli_program.h"
#include "common/decimal_separator.h"
#include "device/platform/system_hid_platform.h"

#if defined(_WIN32)
#include "loop/win32/win32_event_loop.h"
#include "windows_console.h"
#else
#include "loop/manual/manual_event_loop.h"
#endif

int main(int argc, char** argv) {
    // The user's locale: nothing printed may depend on LC_NUMERIC.
    std::setlocale(LC_ALL, "");
    tavik::cli::TSystemServices system;
    system.MakePlatform = [](tavik::TEventLoop& loop) { return tavik::CreateSystemHidPlatform(loop); };
    system.DecimalSeparator = tavik::UserDecimalSeparator();
#if defined(_WIN32)
    const tavik::cli::TWindowsConsole windowsConsole;
    // The Windows platform's device notifications come as window messages,
    // which this loop dispatches.
    system.MakeLoop = []() -> std::unique_ptr<tavik::TEventLoop> { return std::make_unique<tavik::TWin32EventLoop>(); };
    // argv is in the ANSI code page: what it cannot hold is lost there.
    (void)argc;
    (void)argv;
    const std::vector<std::string> arguments = tavik::cli::CommandLineArguments();
#else
    // The udev monitor is a descriptor the manual loop polls.
    system.MakeLoop = []() -> std::unique_ptr<tavik::TEventLoop> {
        auto loop = std::make_unique<tavik::TManualEventLoop>();
        loop->RealTime = true;
        return loop;
    };
    const std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
    tavik::cli::TStdioConsole console;
    return tavik::cli::RunCli(arguments, system, console);
}
