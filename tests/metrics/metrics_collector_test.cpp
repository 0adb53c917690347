// The session's readings as families over the simulators: each module's
// gauges while it is bound and has read, none once it is gone (and none of a
// new one until it has read), counters of reports, bindings and failed polls.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include "instruments/instrument_session.h"
#include "metrics/metrics_collector.h"
#include "tests/support/simulated_modules.h"

namespace tavik::metrics {
namespace {

// Every sample by its name and labels ("tavik_module_up{kind=logger}").
std::map<std::string, double> Samples(const TMetricsCollector& collector) {
    std::map<std::string, double> samples;
    for (const TMetricFamily& family : collector.Families())
        for (const TMetricSample& sample : family.Samples) {
            std::string key = family.Name + (family.Type == TMetricType::Counter ? "_total" : "");
            if (!sample.Labels.empty()) {
                key += '{';
                for (std::size_t i = 0; i < sample.Labels.size(); ++i)
                    key += (i ? "," : "") + sample.Labels[i].first + '=' + sample.Labels[i].second;
                key += '}';
            }
            samples[key] = sample.Value;
        }
    return samples;
}

std::optional<double> Find(const std::map<std::string, double>& samples, const std::string& key) {
    const auto found = samples.find(key);
    return found == samples.end() ? std::nullopt : std::optional(found->second);
}

class MetricsCollector : public ::testing::Test {
protected:
    test::TSimulatedModules M;
    uint32_t LoggerInstance = 0;
    std::shared_ptr<sim::TLoggerSimulator> Logger = M.PlugLogger(&LoggerInstance);
    uint32_t MeterInstance = 0;
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = M.PlugFrequencyMeter(&MeterInstance);
    TInstrumentSession Session{M.Platform, M.Loop, '.'};
    TMetricsCollector Collector{Session, "9.9.9"};

    void SetUp() override {
        Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
        Meter->RawCount = 100000;
    }
    void Poll(TInstrumentKind kind, int times = 1) {
        for (int i = 0; i < times; ++i) static_cast<TManualEventLoop::TTimer&>(*Session.PollingTimer(kind)).Fire();
    }
    void Unplug(uint32_t instance) {
        M.Platform.Unplug(instance);
        M.Notify();
        M.ProcessEvents();
    }
};

TEST_F(MetricsCollector, ReadingsOfBoundModulesAndNoneOfAbsentOnes) {
    auto samples = Samples(Collector);
    EXPECT_EQ(Find(samples, "tavik_build{version=9.9.9}"), 1);
    EXPECT_EQ(Find(samples, "tavik_module_up{kind=logger}"), 1);
    EXPECT_EQ(Find(samples, "tavik_module_up{kind=generator}"), 0);
    EXPECT_EQ(Find(samples, "tavik_module_state{kind=generator,state=absent}"), 1);
    EXPECT_EQ(Find(samples, "tavik_module_state{kind=logger,state=not_answering}"), 0);
    EXPECT_FALSE(Find(samples, "tavik_generator_output_high{output=1}"));
    // Bound, not yet read: factors, but no reading.
    EXPECT_EQ(Find(samples, "tavik_logger_calibration_factor{channel=1}"), 1);
    EXPECT_FALSE(Find(samples, "tavik_logger_voltage_volts{channel=1}"));
    EXPECT_FALSE(Find(samples, "tavik_frequency_hertz"));

    Poll(TInstrumentKind::Logger, 3);
    Poll(TInstrumentKind::FrequencyMeter, 2);
    samples = Samples(Collector);
    ASSERT_TRUE(Find(samples, "tavik_logger_voltage_volts{channel=1}"));
    EXPECT_DOUBLE_EQ(*Find(samples, "tavik_logger_voltage_volts{channel=1}"), *Session.Instruments.Logger.Acquisition.VCH1Volts);
    EXPECT_GT(*Find(samples, "tavik_logger_voltage_volts{channel=1}"), 0);
    EXPECT_EQ(Find(samples, "tavik_frequency_hertz"), 100000);
    EXPECT_EQ(Find(samples, "tavik_freqmeter_input_in"), Meter->InputIn ? 1 : 0);
    const std::optional<double> meterReports = Find(samples, "tavik_reports_total{kind=freqmeter}");
    EXPECT_GE(meterReports, 1);
    EXPECT_GE(Find(samples, "tavik_reports_total{kind=logger}"), 1);

    Unplug(MeterInstance);
    samples = Samples(Collector);
    EXPECT_EQ(Find(samples, "tavik_module_up{kind=freqmeter}"), 0);
    EXPECT_EQ(Find(samples, "tavik_module_state{kind=freqmeter,state=absent}"), 1);
    EXPECT_FALSE(Find(samples, "tavik_frequency_hertz"));
    EXPECT_FALSE(Find(samples, "tavik_freqmeter_calibration_factor"));
    EXPECT_EQ(Find(samples, "tavik_reports_total{kind=freqmeter}"), meterReports);  // counters stay

    // Plugged in again: bound twice, and no reading until one comes; a
    // module with a serial number tells it.
    EXPECT_EQ(Find(samples, "tavik_module{kind=logger,manufacturer=tavik.example,product=VXLogger,serial=,version=1.00}"), 1);
    auto replugged = std::make_shared<sim::TSimulatedDevice>(Meter);
    replugged->Serial = u"F-0042";
    M.Platform.Plug(replugged);
    M.Notify();
    M.ProcessEvents();
    samples = Samples(Collector);
    EXPECT_EQ(Find(samples, "tavik_module_bindings_total{kind=freqmeter}"), 2);
    EXPECT_FALSE(Find(samples, "tavik_frequency_hertz"));
    EXPECT_EQ(
        Find(samples, "tavik_module{kind=freqmeter,manufacturer=tavik.example,product=VXFrequencyMeter,serial=F-0042,version=1.00}"),
        1);

    Unplug(LoggerInstance);
    samples = Samples(Collector);
    EXPECT_FALSE(Find(samples, "tavik_logger_voltage_volts{channel=1}"));
    EXPECT_FALSE(Find(samples, "tavik_logger_calibration_factor{channel=1}"));
}

// Nothing stale that looks live: a logger that does not answer is marked so,
// and its readings are back once it answers.
TEST_F(MetricsCollector, AModuleThatDoesNotAnswerIsMarkedAndShowsNoReadings) {
    M.Platform.DeliverThrough(M.Loop);
    Poll(TInstrumentKind::Logger, 3);
    TMemoryHidDevice& device = *M.Platform.Device(LoggerInstance);
    device.Answer = TMemoryHidDevice::TAnswer::Never;
    Poll(TInstrumentKind::Logger);
    std::this_thread::sleep_for(std::chrono::milliseconds(NotAnsweringMs + 10));
    Poll(TInstrumentKind::Logger);
    auto samples = Samples(Collector);
    EXPECT_EQ(Find(samples, "tavik_module_up{kind=logger}"), 0);
    EXPECT_EQ(Find(samples, "tavik_module_state{kind=logger,state=not_answering}"), 1);
    EXPECT_EQ(Find(samples, "tavik_module_state{kind=logger,state=bound}"), 0);
    EXPECT_FALSE(Find(samples, "tavik_logger_voltage_volts{channel=1}"));
    EXPECT_EQ(Find(samples, "tavik_module_up{kind=freqmeter}"), 1) << "the meter is not the logger";

    device.Answer = TMemoryHidDevice::TAnswer::AtOnce;
    M.Platform.Release(LoggerInstance);
    M.ProcessEvents();
    Poll(TInstrumentKind::Logger);
    samples = Samples(Collector);
    EXPECT_EQ(Find(samples, "tavik_module_up{kind=logger}"), 1);
    EXPECT_TRUE(Find(samples, "tavik_logger_voltage_volts{channel=1}"));
}

TEST_F(MetricsCollector, FailedPollsCountByOperation) {
    Logger->FailReads = 2;
    Poll(TInstrumentKind::Logger, 3);
    const auto samples = Samples(Collector);
    EXPECT_EQ(Find(samples, "tavik_transfer_failures_total{kind=logger,operation=GetFeature}"), 2);
    EXPECT_EQ(Find(samples, "tavik_transfer_failures_total{kind=logger,operation=SetFeature}"), 0);
    EXPECT_EQ(Find(samples, "tavik_transfer_failures_total{kind=freqmeter,operation=GetFeature}"), 0);
}

}  // namespace
}  // namespace tavik::metrics
