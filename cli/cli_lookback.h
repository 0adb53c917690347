#pragma once
// tavik-cli stats and plot: a look back at recordings (tavik-cli log's and
// the window's), with no module and no session.
#include "cli_console.h"
#include "cli_options.h"

namespace tavik::cli {

int RunStats(const TCommand& command, TCliConsole& console);
int RunPlot(const TCommand& command, TCliConsole& console);

}  // namespace tavik::cli
