// tavik-cli: the modules from a terminal, a script or a headless board, over
// the same instrument core as the window. `tavik-cli --help` lists the
// commands. Only the event loop and the locale's decimal separator are the
// system's here; everything else is cli/'s.
#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "cli_program.h"
#include "common/decimal_separator.h"
#include "device/platform/system_hid_platform.h"

#if defined(_WIN32)
#include <windows.h>

#include <csignal>

#include "cli_session.h"
#include "loop/win32/win32_event_loop.h"
#else
#include "loop/manual/manual_event_loop.h"
#endif

namespace {
#if defined(_WIN32)
// Ctrl-C and Ctrl-Break end a command as SIGINT does elsewhere; a closed
// console window, a log-off or a shut-down as SIGTERM. Windows ends the
// process once this returns from those, so it gives the command a moment to
// close its file; main returning ends the process sooner.
BOOL WINAPI OnConsoleControl(DWORD event) {
    using tavik::cli::TCliSession;
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        TCliSession::StopSignal = SIGINT;
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        TCliSession::StopSignal = SIGTERM;
        Sleep(3000);
        return TRUE;
    default:
        return FALSE;
    }
}
#endif
}  // namespace

int main(int argc, char** argv) {
    // The user's locale: nothing printed may depend on LC_NUMERIC.
    std::setlocale(LC_ALL, "");
    tavik::cli::TSystemServices system;
    system.MakePlatform = [](tavik::TEventLoop& loop) { return tavik::CreateSystemHidPlatform(loop); };
    system.DecimalSeparator = tavik::UserDecimalSeparator();
#if defined(_WIN32)
    // The console takes UTF-8, so the Russian texts arrive whole.
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    // The Windows platform's device notifications come as window messages,
    // which this loop dispatches.
    system.MakeLoop = []() -> std::unique_ptr<tavik::TEventLoop> { return std::make_unique<tavik::TWin32EventLoop>(); };
#else
    // The udev monitor is a descriptor the manual loop polls.
    system.MakeLoop = []() -> std::unique_ptr<tavik::TEventLoop> {
        auto loop = std::make_unique<tavik::TManualEventLoop>();
        loop->RealTime = true;
        return loop;
    };
#endif
    tavik::cli::TStdioConsole console;
    return tavik::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), system, console);
}
