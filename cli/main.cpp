// tavik-cli: the modules from a terminal, a script or a headless board, over
// the same instrument core as the window. `tavik-cli --help` lists the commands.
#include <QCoreApplication>
#include <QLocale>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_options.h"
#include "cli_session.h"
#include "device/platform/system_hid_platform.h"
#include "loop/qt/qt_event_loop.h"

namespace {
void OnSignal(int) { tavik::cli::TCliSession::StopRequested = true; }

char SeparatorOf(const QLocale& locale) {
    const QString point = locale.decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}
}  // namespace

int main(int argc, char** argv) {
    using namespace tavik::cli;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const TParsed parsed = ParseCommandLine(arguments);
    if (!parsed.Error.empty()) {
        std::fprintf(stderr, "tavik-cli: %s\n", parsed.Error.c_str());
        return ExitUsage;
    }
    if (parsed.Command.Verb == TVerb::Help) {
        std::fputs(UsageText, stdout);
        return ExitOk;
    }
    int qtArguments = 1;  // the command line is ours, not Qt's
    QCoreApplication application(qtArguments, argv);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const std::unique_ptr<tavik::THidPlatform> platform = tavik::CreateSystemHidPlatform();
    if (!platform->Available()) {
        std::fprintf(stderr, "tavik-cli: the system's HID services could not be opened\n");
        return ExitTransfer;
    }
    tavik::TQtEventLoop loop;
    TCliSession session(*platform, loop, SeparatorOf(QLocale::system()));
    return session.Run(parsed.Command);
}
