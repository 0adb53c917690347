#pragma once
// A window over the in-memory platform with simulated modules, a fixed clock,
// a private folder for recordings and an error box that only records.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/tavik_window.h"
#include "device/memory_hid_platform.h"
#include "sim/frequency_meter_simulator.h"
#include "sim/generator_simulator.h"
#include "sim/logger_simulator.h"

namespace tavik::test {

// Bytes written as text, "02 01 10 00 00 00 00 EF".
std::string Hex(const TFrame& frame);
std::string Hex(const std::vector<uint8_t>& bytes);
TFrame Frame(std::initializer_list<uint8_t> bytes);

struct TPlugged {
    uint32_t Instance;
    std::shared_ptr<sim::TModuleSimulator> Module;
};

class TWindowHarness {
public:
    explicit TWindowHarness(QLocale locale = QLocale(QLocale::Russian, QLocale::Russia));
    ~TWindowHarness();

    TMemoryHidPlatform Platform;
    std::unique_ptr<TTavik> Window;
    TLocalTime Now{2026, 12, 6, 23, 24, 15, 42};
    QStringList Errors;  // "caption|text" of every error box
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
    static void ProcessEvents() { QCoreApplication::processEvents(); }
    // One device-tree-changed notice.
    void Notify() { Platform.NotifyDeviceChange(); }

    void LoggerTicks(int count);
    void FrequencyMeterTicks(int count);

    // The files in the recording folder, sorted by name.
    std::vector<std::filesystem::path> RecordFiles() const;
    static std::string ReadFile(const std::filesystem::path& path);
};

// A window under the given locale with a simulated logger bound and its
// calibration answers behind it: the next tick reads a measurement, and the
// module's log starts empty.
template <QLocale::Language Language>
class TBoundLoggerTest : public ::testing::Test {
protected:
    TWindowHarness H{Language == QLocale::C ? QLocale::c() : QLocale(Language, QLocale::AnyTerritory)};
    std::shared_ptr<sim::TLoggerSimulator> Logger = H.PlugLogger();
    TTavik& W = *H.Window;

    void SetUp() override {
        H.ProcessEvents();
        H.LoggerTicks(1);  // answers the last memory read with a measurement request
        Logger->Received.clear();
    }
};

}  // namespace tavik::test
