// One acquisition tick with a bound simulated logger and a recording open:
// read, decode, averages, chart append, the record line and the Qt view's
// updates, without painting. Counts the allocations the ticks make once
// recording runs.
#include <QApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "app/qt/qt_window_view.h"
#include "bench_util.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "loop/manual/manual_event_loop.h"
#include "sim/logger_simulator.h"
#include "window/tavik.h"

namespace {
std::atomic<long> Allocations{0};
}

void* operator new(std::size_t size) {
    ++Allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "tavik-acquisition-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    tavik::TMemoryHidPlatform platform;
    auto logger = std::make_shared<tavik::sim::TLoggerSimulator>();
    logger->Csr = 0x02;
    logger->Channel1 = {tavik::sim::TSignal::TShape::Sine, 0.5, 7.0, 128};
    logger->Channel2 = {tavik::sim::TSignal::TShape::Ramp, 0.5, 6.0, 200};
    platform.Plug(std::make_shared<tavik::sim::TSimulatedDevice>(logger));
    tavik::TTavikOptions options;
    options.DecimalSeparator = ',';
    options.RecordDirectory = folder.string();
    tavik::TManualEventLoop loop;
    tavik::TQtWindowView view;
    tavik::TTavik window(platform, loop, view, options);
    loop.ProcessEvents();
    window.VXLogger_StartStopClick();

    // Settle: mirroring, the first sweep, the simulator's own logs.
    for (int i = 0; i < 600; ++i) window.VXLogger_MainTimerTimer();
    logger->Received.reserve(100000);
    logger->Answered.reserve(100000);
    platform.ClearWire();
    platform.LogWire = false;

    const int ticks = 5000;
    std::vector<double> samples;
    samples.reserve(ticks);
    long allocationsInTicks = 0;
    for (int i = 0; i < ticks; ++i) {
        const long before = Allocations.load();
        const auto start = tavik::bench::Clock::now();
        window.VXLogger_MainTimerTimer();
        samples.push_back(tavik::bench::Microseconds(tavik::bench::Clock::now() - start));
        allocationsInTicks += Allocations.load() - before;
    }
    const auto stats = tavik::bench::Summarise(samples);
    std::printf("acquisition tick (bound logger, recording): median %.1f us, worst %.1f us\n", stats.Median, stats.Worst);
    std::printf("share of the 50 ms period: median %.4f %%, worst %.4f %%\n", stats.Median / 500.0, stats.Worst / 500.0);
    std::printf("allocations per tick: %.2f\n",
                static_cast<double>(allocationsInTicks) / ticks);
    window.VXLogger_StartStopClick();
    std::filesystem::remove_all(folder);
    return 0;
}
