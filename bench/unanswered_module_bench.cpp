// The loop while the logger never answers: the session polls the logger and
// the frequency meter in real time over the in-memory modules, a probe timer
// every 10 ms measures how late the loop comes to it (its worst stall), and
// the meter's readings are counted. Then one command to the hung logger,
// which waits for it at most NotAnsweringMs, and one to the generator.
#include <cstdio>
#include <memory>

#include "bench_util.h"
#include "device/platform/memory/memory_hid_platform.h"
#include "instruments/instrument_session.h"
#include "loop/manual/manual_event_loop.h"
#include "sim/frequency_meter_simulator.h"
#include "sim/generator_simulator.h"
#include "sim/logger_simulator.h"

int main() {
    using namespace tavik;
    TMemoryHidPlatform platform;
    TManualEventLoop loop;
    loop.RealTime = true;
    platform.DeliverThrough(loop);
    platform.LogWire = false;
    const uint32_t logger = platform.Plug(std::make_shared<sim::TSimulatedDevice>(std::make_shared<sim::TLoggerSimulator>()));
    platform.Plug(std::make_shared<sim::TSimulatedDevice>(std::make_shared<sim::TGeneratorSimulator>()));
    auto meter = std::make_shared<sim::TFrequencyMeterSimulator>();
    meter->RawCount = 100000;
    platform.Plug(std::make_shared<sim::TSimulatedDevice>(meter));

    long readings = 0;
    long cycles = 0;
    TSessionSubscriber subscriber;
    subscriber.LoggerCycle = [&](const logger::TLoggerCycle&) { ++cycles; };
    subscriber.MeterReading = [&](const freqmeter::TReading&) { ++readings; };
    TInstrumentSession session(platform, loop, '.', &subscriber);
    platform.Device(logger)->Answer = TMemoryHidDevice::TAnswer::Never;

    constexpr int ProbeMs = 10;
    constexpr double Seconds = 3.0;
    double worstLateUs = 0;
    auto due = bench::Clock::now() + std::chrono::milliseconds(ProbeMs);
    const auto probe = loop.MakeTimer(ProbeMs, [&] {
        const auto now = bench::Clock::now();
        worstLateUs = std::max(worstLateUs, bench::Microseconds(now - due));
        due = now + std::chrono::milliseconds(ProbeMs);
    });
    probe->Start();
    const auto start = bench::Clock::now();
    while (bench::Clock::now() - start < std::chrono::duration<double>(Seconds)) loop.ProcessEvents(ProbeMs);
    std::printf("logger never answering, %.0f s: loop's worst stall %.2f ms (probe every %d ms)\n", Seconds,
                worstLateUs / 1000.0, ProbeMs);
    std::printf("frequency meter readings: %.2f a second (polled every %d ms); logger cycles: %ld; answering: %s\n",
                static_cast<double>(readings) / Seconds, FrequencyMeterPollMs, cycles,
                session.Answering(TInstrumentKind::Logger) ? "yes" : "no");

    const auto timed = [](const char* what, auto&& command) {
        const auto begin = bench::Clock::now();
        const TCommandResult result = command();
        std::printf("%s: %.2f ms, %s\n", what, bench::Microseconds(bench::Clock::now() - begin) / 1000.0,
                    result.Done() ? "done" : std::string(result.Reason.Text()).c_str());
    };
    timed("a logger command while it hangs", [&] { return session.Instruments.Logger.SendControl(); });
    timed("the next one", [&] { return session.Instruments.Logger.SendControl(); });
    timed("a generator command", [&] { return session.Instruments.Generator.SendSettings(1); });
    return 0;
}
