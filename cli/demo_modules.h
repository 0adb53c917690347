#pragma once
// tavik-cli --demo: the demonstration's three modules simulated in memory,
// over an event loop that ticks in real time. No hardware, no kernel support,
// no rights needed.
#include "device/platform/memory/memory_hid_platform.h"
#include "loop/manual/manual_event_loop.h"
#include "sim/demo_modules.h"

namespace tavik::cli {

class TDemoModules {
public:
    TDemoModules();

    TMemoryHidPlatform Platform;
    TManualEventLoop Loop;
    sim::TDemoModules Modules;
};

}  // namespace tavik::cli
