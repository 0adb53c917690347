#pragma once
// tavik-cli serve: the modules as one SCPI instrument on the network, until a
// signal ends it. It holds the modules itself (their binding and polling are
// the SCPI instrument's), so it runs beside the other commands' session, not
// inside it.
#include "cli_console.h"
#include "cli_options.h"
#include "common/event_loop.h"
#include "device/platform/hid_platform.h"

namespace tavik::cli {

int Serve(THidPlatform& platform, TEventLoop& loop, const TCommand& command, TCliConsole& console);

}  // namespace tavik::cli
