#pragma once
// The in-memory platform with simulated modules plugged in and out, and a
// private folder for recordings: what the instrument and window harnesses
// share.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/local_time.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "frames.h"
#include "loop/manual/manual_event_loop.h"
#include "sim/frequency_meter_simulator.h"
#include "sim/generator_simulator.h"
#include "sim/logger_simulator.h"

namespace tavik::test {

class TSimulatedModules {
public:
    TSimulatedModules();
    ~TSimulatedModules();
    TSimulatedModules(const TSimulatedModules&) = delete;
    TSimulatedModules& operator=(const TSimulatedModules&) = delete;

    TMemoryHidPlatform Platform;
    TManualEventLoop Loop;
    TLocalTime Now{2026, 12, 6, 23, 24, 15, 42};
    std::filesystem::path Folder;

    template <typename Simulator>
    std::shared_ptr<Simulator> Plug(std::shared_ptr<Simulator> module, uint32_t* instance = nullptr) {
        const uint32_t plugged = Platform.Plug(std::make_shared<sim::TSimulatedDevice>(module));
        if (instance) *instance = plugged;
        return module;
    }
    std::shared_ptr<sim::TLoggerSimulator> PlugLogger(uint32_t* instance = nullptr) {
        return Plug(std::make_shared<sim::TLoggerSimulator>(), instance);
    }
    std::shared_ptr<sim::TGeneratorSimulator> PlugGenerator(uint32_t* instance = nullptr) {
        return Plug(std::make_shared<sim::TGeneratorSimulator>(), instance);
    }
    std::shared_ptr<sim::TFrequencyMeterSimulator> PlugFrequencyMeter(uint32_t* instance = nullptr) {
        return Plug(std::make_shared<sim::TFrequencyMeterSimulator>(), instance);
    }

    // Runs queued events: the start-up pass among them.
    void ProcessEvents() { Loop.ProcessEvents(); }
    // One device-tree-changed notice.
    void Notify() { Platform.NotifyDeviceChange(); }

    // The files in the recording folder, sorted by name.
    std::vector<std::filesystem::path> RecordFiles() const;
    static std::string ReadFile(const std::filesystem::path& path);
};

}  // namespace tavik::test
