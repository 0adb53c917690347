// The session every front-end holds: what its subscribers hear, in order, and
// what reaches the modules, over the simulators.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "instruments/instrument_session.h"
#include "tests/support/frames.h"
#include "tests/support/simulated_modules.h"

namespace tavik {
namespace {

// Every event a subscriber hears, as one line each.
struct TRecorder {
    std::vector<std::string> Heard;
    // The memory bytes a module has been asked for so far, when known.
    std::function<std::size_t(TInstrumentKind)> Reads;
    TSessionSubscriber Subscriber{
        .LoggerCycle = [this](const logger::TLoggerCycle& c) { Heard.push_back("cycle " + std::to_string(c.Csr)); },
        .MeterReading = [this](const freqmeter::TReading& r) { Heard.push_back("reading " + std::to_string(r.Hertz)); },
        .Binding = [this](TInstrumentKind kind,
                          bool bound) { Heard.push_back(std::string(bound ? "bound " : "gone ") + InfoOf(kind).Name); },
        .Ready =
            [this](TInstrumentKind kind) {
                Heard.push_back(std::string("ready ") + InfoOf(kind).Name +
                                (Reads ? " after " + std::to_string(Reads(kind)) + " memory reads" : ""));
            },
        .TransferFailed =
            [this](TInstrumentKind kind, std::string_view reason) {
                Heard.push_back(std::string("failed ") + InfoOf(kind).Name + ": " + std::string(reason));
            },
        .ArrivalFailed = nullptr,
        .Answering = nullptr,
    };
};

class InstrumentSession : public ::testing::Test {
protected:
    test::TSimulatedModules M;
    std::shared_ptr<sim::TLoggerSimulator> Logger = M.PlugLogger();
    uint32_t MeterInstance = 0;
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = M.PlugFrequencyMeter(&MeterInstance);
    TRecorder Recorder;

    void SetUp() override {
        Recorder.Reads = [this](TInstrumentKind kind) {
            return kind == TInstrumentKind::Logger ? Logger->ReceivedWithCode(5).size() : Meter->ReceivedWithCode(5).size();
        };
        Logger->Csr = 0;
        Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
        Meter->RawCount = 100000;
    }
    static void Fire(const TInstrumentSession& session, TInstrumentKind kind) {
        static_cast<TManualEventLoop::TTimer&>(*session.PollingTimer(kind)).Fire();
    }
};

TEST_F(InstrumentSession, SubscribersHearEachEventInOrderAndOnlyListenedKindsArePolled) {
    TInstrumentSession session(M.Platform, M.Loop, '.', &Recorder.Subscriber);
    EXPECT_EQ(Recorder.Heard, (std::vector<std::string>{"bound logger", "ready logger after 8 memory reads",
                                                        "bound freqmeter", "ready freqmeter after 4 memory reads"}))
        << "bound before the constructor returns, in enumeration order, each ready once its factors are read";
    Recorder.Heard.clear();

    // A second subscriber that hears bindings alone polls nothing.
    TRecorder quiet;
    quiet.Subscriber.LoggerCycle = nullptr;
    quiet.Subscriber.MeterReading = nullptr;
    session.Unsubscribe(Recorder.Subscriber);
    session.Subscribe(quiet.Subscriber);
    const std::size_t wire = Logger->Received.size() + Logger->Answered.size() + Meter->Received.size() +
                             Meter->Answered.size();
    Fire(session, TInstrumentKind::Logger);
    Fire(session, TInstrumentKind::FrequencyMeter);
    EXPECT_EQ(Logger->Received.size() + Logger->Answered.size() + Meter->Received.size() + Meter->Answered.size(), wire)
        << "nothing sent, no report read";

    session.Subscribe(Recorder.Subscriber);
    const struct {
        std::function<void()> Act;
        std::vector<std::string> Heard;
    } steps[] = {
        {[&] { Fire(session, TInstrumentKind::Logger); }, {}},  // the answer to the last factor read: a request
        {[&] { Fire(session, TInstrumentKind::Logger); }, {"cycle 0"}},
        {[&] { Fire(session, TInstrumentKind::FrequencyMeter); }, {}},  // the meter's first read starts its count
        {[&] { Fire(session, TInstrumentKind::FrequencyMeter); }, {"reading 100000"}},
        {[&] { Logger->FailReads = 1; Fire(session, TInstrumentKind::Logger); },
         {"failed logger: GetFeature: the device answered no report"}},
        {[&] { M.Platform.Unplug(MeterInstance); M.Notify(); M.ProcessEvents(); }, {"gone freqmeter"}},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        Recorder.Heard.clear();
        quiet.Heard.clear();
        steps[i].Act();
        EXPECT_EQ(Recorder.Heard, steps[i].Heard);
    }
    EXPECT_EQ(quiet.Heard, (std::vector<std::string>{"gone freqmeter"})) << "every subscriber hears it";
    // The one measurement's two points a channel, channel 1 first.
    ASSERT_EQ(session.Sweep()[0].size(), 2u);
    ASSERT_EQ(session.Sweep()[1].size(), 2u);
    EXPECT_DOUBLE_EQ(session.Sweep()[0][1], 3.76575f);
    EXPECT_DOUBLE_EQ(session.Sweep()[1][1], 1.882875f);
    EXPECT_FALSE(session.PollingTimer(TInstrumentKind::FrequencyMeter)->Active());
    EXPECT_EQ(session.PollingTimer(TInstrumentKind::Generator), nullptr);

    // Plugged in again: bound, and ready once the new module's factor is read.
    Recorder.Heard.clear();
    Meter = M.PlugFrequencyMeter(&MeterInstance);
    M.Notify();
    M.ProcessEvents();
    EXPECT_EQ(Recorder.Heard, (std::vector<std::string>{"bound freqmeter", "ready freqmeter after 4 memory reads"}));
}

}  // namespace
}  // namespace tavik
