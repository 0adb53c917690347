// tavik-cli: the modules from a terminal, a script or a headless board, over
// the same instrument core as the window. `tavik-cli --help` lists the
// commands. Only the event loop and the locale's decimal separator are the
// system's here; everything else is cli/'s.
#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "cli_program.h"
#include "device/platform/system_hid_platform.h"

#if TAVIK_CLI_QT_LOOP
#include <QCoreApplication>
#include <QLocale>

#include "loop/qt/qt_event_loop.h"
#elif defined(_WIN32)
#include <windows.h>

#include "loop/win32/win32_event_loop.h"
#include "windows_console.h"
#else
#include "loop/manual/manual_event_loop.h"
#endif

namespace {
#if TAVIK_CLI_QT_LOOP
char SeparatorOf(const QLocale& locale) {
    const QString point = locale.decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}
#elif defined(_WIN32)
char UserDecimalSeparator() {
    wchar_t point[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, point, 8) != 2 || point[0] >= 0x80) return '.';
    return static_cast<char>(point[0]);
}
#endif
}  // namespace

int main(int argc, char** argv) {
    // The user's locale, as Qt would set it anyway: nothing printed may
    // depend on LC_NUMERIC.
    std::setlocale(LC_ALL, "");
    tavik::cli::TSystemServices system;
    system.MakePlatform = [] { return tavik::CreateSystemHidPlatform(); };
#if TAVIK_CLI_QT_LOOP
    system.DecimalSeparator = SeparatorOf(QLocale::system());
    // Qt's loop carries the udev monitor; made only when a command needs it.
    std::unique_ptr<QCoreApplication> application;
    int qtArguments = 1;  // the command line is ours, not Qt's
    system.MakeLoop = [&]() -> std::unique_ptr<tavik::TEventLoop> {
        application = std::make_unique<QCoreApplication>(qtArguments, argv);
        return std::make_unique<tavik::TQtEventLoop>();
    };
#elif defined(_WIN32)
    const tavik::cli::TWindowsConsole windowsConsole;
    system.DecimalSeparator = UserDecimalSeparator();
    // The Windows platform's device notifications come as window messages,
    // which this loop dispatches.
    system.MakeLoop = []() -> std::unique_ptr<tavik::TEventLoop> { return std::make_unique<tavik::TWin32EventLoop>(); };
#else
    system.MakeLoop = []() -> std::unique_ptr<tavik::TEventLoop> {
        auto loop = std::make_unique<tavik::TManualEventLoop>();
        loop->RealTime = true;
        return loop;
    };
#endif
    tavik::cli::TStdioConsole console;
#if defined(_WIN32) && !TAVIK_CLI_QT_LOOP
    // argv is in the ANSI code page: what it cannot hold is lost there.
    (void)argc;
    (void)argv;
    const std::vector<std::string> arguments = tavik::cli::CommandLineArguments();
#else
    const std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
    return tavik::cli::RunCli(arguments, system, console);
}
