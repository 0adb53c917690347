#pragma once
// tavik-cli from its command line to its exit status, whatever the system:
// the front-end's main gives the system's HID platform, event loop and
// decimal separator, and they are made only when a command needs them (not
// for --help, --demo or a usage error).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli_console.h"
#include "common/event_loop.h"
#include "device/platform/hid_platform.h"

namespace tavik::cli {

struct TSystemServices {
    std::function<std::unique_ptr<THidPlatform>(TEventLoop&)> MakePlatform;  // over the loop MakeLoop made
    std::function<std::unique_ptr<TEventLoop>()> MakeLoop;
    char DecimalSeparator = '.';  // the user's locale's
};

int RunCli(const std::vector<std::string>& arguments, const TSystemServices& system, TCliConsole& console);

}  // namespace tavik::cli
