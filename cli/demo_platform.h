#pragma once
// tavik-cli --demo: the demonstration's three modules simulated in memory,
// over an event loop that ticks in real time. No hardware, no kernel support,
// no rights needed. With TAVIK_DEMO_WIRE=FILE in the environment every
// feature report the modules take and give is written to FILE as tavik-sim
// --verbose shows it ("logger <-: 01 01 …", "logger ->: …"), for a script
// that checks what reached the modules. TAVIK_DEMO_TRANSFER_MS=N answers
// every feature report N ms late, as a module on a real bus does.
#include <cstdio>
#include <memory>

#include "device/platform/memory/memory_hid_platform.h"
#include "loop/manual/manual_event_loop.h"
#include "sim/demo_modules.h"

namespace tavik::cli {

class TDemoPlatform {
public:
    TDemoPlatform();

    TMemoryHidPlatform Platform;
    TManualEventLoop Loop;
    sim::TDemoModules Modules;

private:
    struct TCloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, TCloseFile> Wire_;
};

}  // namespace tavik::cli
