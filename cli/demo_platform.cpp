#include "demo_platform.h"

#include <cstdlib>

namespace tavik::cli {

TDemoPlatform::TDemoPlatform() : Modules(sim::PlugDemoModules(Platform)) {
    Loop.RealTime = true;
    // Modules as slow as real USB ones, for load tests: every feature
    // report answered that many milliseconds later, from the loop.
    const char* ms = std::getenv("TAVIK_DEMO_TRANSFER_MS");
    if (const long delay = ms ? std::strtol(ms, nullptr, 10) : 0; delay > 0 && delay <= 60000) {
        Platform.DeliverThrough(Loop);
        for (uint32_t instance = Modules.LoggerInstance; instance < Modules.LoggerInstance + 3; ++instance)
            if (TMemoryHidDevice* device = Platform.Device(instance)) {
                device->Answer = TMemoryHidDevice::TAnswer::AfterDelay;
                device->AnswerAfterMs = static_cast<int>(delay);
            }
    }
    const char* path = std::getenv("TAVIK_DEMO_WIRE");
    if (!path || !*path) return;
    Wire_.reset(std::fopen(path, "w"));
    if (!Wire_) return;
    // The logger is plugged first, then the generator, then the meter.
    const uint32_t first = Modules.LoggerInstance;
    Platform.OnWire = [this, first](const TWireEvent& event) {
        if (event.Call != TWireCall::GetFeature && event.Call != TWireCall::SetFeature) return;
        static const char* const Names[] = {"logger", "generator", "freqmeter"};
        const uint32_t index = event.DeviceInstance - first;
        std::fprintf(Wire_.get(), "%s %s:", index < 3 ? Names[index] : "module",
                     event.Call == TWireCall::SetFeature ? "<-" : "->");
        // The report ID first, then the frame.
        for (std::size_t i = 1; i < event.Bytes.size(); ++i) std::fprintf(Wire_.get(), " %02X", event.Bytes[i]);
        std::fprintf(Wire_.get(), event.Ok ? "\n" : " (failed)\n");
        std::fflush(Wire_.get());
    };
}

}  // namespace tavik::cli
