// A module that does not answer at once, over the in-memory platform: its
// transfer waits while the loop runs, the other modules are served meanwhile,
// and its wire keeps the order it has when every answer comes at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "instruments/instrument_session.h"
#include "tests/support/simulated_modules.h"

namespace tavik {
namespace {

using TAnswer = TMemoryHidDevice::TAnswer;

class UnansweredModule : public ::testing::Test {
protected:
    test::TSimulatedModules M;
    uint32_t LoggerInstance = 0;
    std::shared_ptr<sim::TLoggerSimulator> Logger = M.PlugLogger(&LoggerInstance);
    uint32_t GeneratorInstance = 0;
    std::shared_ptr<sim::TGeneratorSimulator> Generator = M.PlugGenerator(&GeneratorInstance);
    uint32_t MeterInstance = 0;
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = M.PlugFrequencyMeter(&MeterInstance);
    std::vector<std::string> Heard;
    TSessionSubscriber Subscriber{
        .LoggerCycle = [this](const logger::TLoggerCycle&) { Heard.push_back("cycle"); },
        .MeterReading = [this](const freqmeter::TReading& r) { Heard.push_back("reading " + std::to_string(r.Hertz)); },
        .Binding = [this](TInstrumentKind kind, bool bound) {
            Heard.push_back(std::string(bound ? "bound " : "gone ") + InfoOf(kind).Name);
        },
        .Ready = nullptr,
        .TransferFailed = [this](TInstrumentKind kind,
                                 std::string_view reason) { Heard.push_back(std::string(InfoOf(kind).Name) + ": " + std::string(reason)); },
        .ArrivalFailed = nullptr,
        .Answering = [this](TInstrumentKind kind, bool answering) {
            Heard.push_back(std::string(InfoOf(kind).Name) + (answering ? " answers" : " not answering"));
        },
    };

    void SetUp() override {
        M.Platform.DeliverThrough(M.Loop);
        Logger->Csr = 0;
        Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
        Meter->RawCount = 100000;
    }
    TMemoryHidDevice& LoggerDevice() { return *M.Platform.Device(LoggerInstance); }
    static void Fire(const TInstrumentSession& session, TInstrumentKind kind) {
        static_cast<TManualEventLoop::TTimer&>(*session.PollingTimer(kind)).Fire();
    }
    // Every frame the logger was sent or answered, as the session left it.
    std::size_t LoggerWire() const { return Logger->Received.size() + Logger->Answered.size(); }
};

TEST_F(UnansweredModule, AHungLoggerHoldsUpNeitherTheMeterNorAGeneratorClickAndIsPolledAgainWhenItAnswers) {
    TInstrumentSession session(M.Platform, M.Loop, '.', &Subscriber);
    Fire(session, TInstrumentKind::Logger);  // answers the last factor read with a request
    Heard.clear();

    LoggerDevice().Answer = TAnswer::Never;
    Fire(session, TInstrumentKind::Logger);
    ASSERT_EQ(M.Platform.PendingTransfers(), 1u) << "the tick's read waits on the logger";
    const std::size_t wire = LoggerWire();
    Fire(session, TInstrumentKind::Logger);
    EXPECT_EQ(M.Platform.PendingTransfers(), 1u) << "a tick while the logger is busy is dropped";

    for (int i = 0; i < 2; ++i) Fire(session, TInstrumentKind::FrequencyMeter);
    EXPECT_EQ(Heard, (std::vector<std::string>{"reading 100000"})) << "the meter is polled meanwhile";

    const std::size_t sent = Generator->Received.size();
    EXPECT_TRUE(session.Instruments.Generator.SendSettings(1).Done());
    ASSERT_EQ(Generator->Received.size(), sent + 1) << "a generator click reaches its wire at once";
    EXPECT_EQ(Generator->Received.back()[0], CmdSetControl);

    std::this_thread::sleep_for(std::chrono::milliseconds(NotAnsweringMs + 10));
    Fire(session, TInstrumentKind::Logger);
    EXPECT_EQ(Heard.back(), "logger not answering");
    EXPECT_FALSE(session.Answering(TInstrumentKind::Logger));
    EXPECT_EQ(LoggerWire(), wire) << "nothing more went to the logger";
    // A click meanwhile gives up on the tick's read and is owed.
    EXPECT_EQ(session.Instruments.Logger.ControlClick(logger::TSettingBox::Peak, true).Reason.Text(),
              "SetFeature: not answering");
    EXPECT_TRUE(session.Instruments.Logger.ControlOwed());

    // The system gives the transfer up (usbhid's and uhid's five seconds):
    // no answer, and the next tick waits on the logger again.
    LoggerDevice().FailGetFeature = true;
    M.Platform.Release(LoggerInstance);
    M.ProcessEvents();
    EXPECT_FALSE(session.Answering(TInstrumentKind::Logger)) << "a transfer the system gave up on is no answer";
    LoggerDevice().FailGetFeature = false;
    Fire(session, TInstrumentKind::Logger);
    ASSERT_EQ(M.Platform.PendingTransfers(), 1u);
    const std::size_t received = Logger->Received.size();

    Heard.clear();
    LoggerDevice().Answer = TAnswer::AtOnce;
    M.Platform.Release(LoggerInstance);
    M.ProcessEvents();
    EXPECT_EQ(Heard, (std::vector<std::string>{"logger answers", "cycle"}))
        << "the held tick goes on with the answer, without a replug";
    ASSERT_GT(Logger->Received.size(), received);
    const TFrame owed = Logger->Received[received];
    EXPECT_EQ(owed[0], CmdSetControl) << "the owed click goes out first, before the read";
    Fire(session, TInstrumentKind::Logger);
    EXPECT_EQ(Heard.back(), "cycle");
    EXPECT_EQ(owed[2] & logger::CsrPeak, logger::CsrPeak);
    EXPECT_FALSE(session.Instruments.Logger.ControlOwed());
    EXPECT_TRUE(session.Instruments.Logger.BoxChecked(logger::TSettingBox::Peak)) << "the module took the click";
}

// A command from a front-end waits for a tick under way and then goes out
// after it, numbered after it; one to a module that does not answer gives up
// within NotAnsweringMs, and every later one fails at once until it answers.
TEST_F(UnansweredModule, ACommandWaitsForTheTickUnderWayOrGivesUpOnAModuleThatDoesNotAnswer) {
    TInstrumentSession session(M.Platform, M.Loop, '.', &Subscriber);
    Fire(session, TInstrumentKind::Logger);
    Fire(session, TInstrumentKind::Logger);
    Logger->Csr = 0x04;  // peak: the next tick's boxes follow with a SetControl
    LoggerDevice().Answer = TAnswer::AfterDelay;
    LoggerDevice().AnswerAfterMs = 20;
    const std::size_t before = Logger->Received.size();
    Fire(session, TInstrumentKind::Logger);
    ASSERT_EQ(M.Platform.PendingTransfers(), 1u);
    EXPECT_TRUE(session.Instruments.Logger.SendControl().Done());
    LoggerDevice().Answer = TAnswer::AtOnce;
    ASSERT_EQ(Logger->Received.size(), before + 2) << "the tick's SetControl, then the command's";
    const TFrame& tick = Logger->Received[before];
    const TFrame& command = Logger->Received[before + 1];
    EXPECT_EQ(tick[0], CmdSetControl);
    EXPECT_EQ(command[0], CmdSetControl);
    EXPECT_EQ(static_cast<uint8_t>(tick[1] + 1), command[1]);

    Heard.clear();
    LoggerDevice().Answer = TAnswer::Held;
    const auto start = std::chrono::steady_clock::now();
    const TCommandResult given = session.Instruments.Logger.SendControl();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(NotAnsweringMs + 50));
    EXPECT_EQ(given.Reason.Text(), "SetFeature: not answering");
    EXPECT_EQ(Heard, (std::vector<std::string>{"logger not answering"}));
    const std::size_t held = Logger->Received.size();
    const auto again = std::chrono::steady_clock::now();
    EXPECT_EQ(session.Instruments.Logger.SendControl().Reason.Text(), "SetFeature: not answering");
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(5)) << "at once now";
    Fire(session, TInstrumentKind::Logger);
    EXPECT_EQ(M.Platform.PendingTransfers(), 1u) << "no tick while the given-up transfer is out";

    LoggerDevice().Answer = TAnswer::AtOnce;
    M.Platform.Release(LoggerInstance);
    M.ProcessEvents();
    EXPECT_EQ(Heard.back(), "logger answers");
    EXPECT_EQ(Logger->Received.size(), held + 1) << "the held command reached the logger when released";
    EXPECT_TRUE(session.Instruments.Logger.SendControl().Done());
}

// Clicks on a generator that does not answer are owed, the latest of each
// output, and go out with the latest levels once it takes transfers again:
// tried again when the system gives the held one up, sent when it answers.
TEST_F(UnansweredModule, ClicksOnAGeneratorThatDoesNotAnswerGoOutOnceItTakesThemAgain) {
    TInstrumentSession session(M.Platform, M.Loop, '.', &Subscriber);
    generator::TGenerator& generator = session.Instruments.Generator;
    TMemoryHidDevice& device = *M.Platform.Device(GeneratorInstance);
    device.Answer = TAnswer::Held;
    generator::TGeneratorOutputs out1{.Output = 1, .Source = generator::TSource::Generator, .FreqIndex = 3, .High = {}};
    generator::TGeneratorOutputs levels{.Output = 0, .Source = generator::TSource::Generator, .FreqIndex = 0,
                                        .High = {true, false, true}};
    EXPECT_EQ(generator.ClickOutputs(out1).Reason.Text(), "SetFeature: not answering");
    EXPECT_EQ(generator.ClickOutputs(levels).Reason.Text(), "SetFeature: not answering");
    EXPECT_TRUE(generator.Owes());
    const std::size_t sent = Generator->Received.size();

    device.FailSetFeature = true;  // the system gives the held one up: tried again, held again
    M.Platform.Release(GeneratorInstance);
    M.ProcessEvents();
    M.ProcessEvents();  // the retry, posted from the transfer's end
    EXPECT_EQ(M.Platform.PendingTransfers(), 1u);
    EXPECT_TRUE(generator.Owes());
    device.FailSetFeature = false;
    device.Answer = TAnswer::AtOnce;
    M.Platform.Release(GeneratorInstance);
    M.ProcessEvents();
    M.ProcessEvents();
    EXPECT_FALSE(generator.Owes());
    // The retry given up on went through in the end; what was owed goes out
    // again all the same: settings, which twice leave as once.
    ASSERT_EQ(Generator->Received.size(), sent + 3);
    TFrame levelsFrame{}, out1Frame{};
    generator::PutOutputs(levelsFrame, levels, nullptr);
    generator::PutOutputs(out1Frame, {out1.Output, out1.Source, out1.FreqIndex, levels.High}, &generator.Table(1)[3]);
    EXPECT_EQ(Generator->Received[sent][2], levelsFrame[2]) << "the levels";
    EXPECT_EQ(Generator->Received[sent + 1][2], levelsFrame[2]) << "the levels";
    EXPECT_EQ(std::vector<uint8_t>(Generator->Received[sent + 2].begin() + 2, Generator->Received[sent + 2].begin() + 7),
              std::vector<uint8_t>(out1Frame.begin() + 2, out1Frame.begin() + 7))
        << "output 1's click with the latest levels";
    EXPECT_TRUE(session.Answering(TInstrumentKind::Generator));
}

// A front-end that describes the modules as it starts (tavik-cli list) waits
// for a binding's reads answered late, and hears a module ready only once its
// factors are read; one that does not answer holds it up only so long.
TEST_F(UnansweredModule, StartingWaitsForAModulesLateFactorsAndNotForOneThatDoesNotAnswer) {
    Meter->Memory.StoreFloat(freqmeter::CalFactorAddress, 1.125f);
    TMemoryHidDevice& meter = *M.Platform.Device(MeterInstance);
    meter.Answer = TAnswer::AfterDelay;
    meter.AnswerAfterMs = 5;
    LoggerDevice().Answer = TAnswer::Never;
    Subscriber.Ready = [this](TInstrumentKind kind) { Heard.push_back(std::string("ready ") + InfoOf(kind).Name); };
    Subscriber.MeterReading = nullptr;
    M.Loop.RealTime = true;  // the delayed answers and the polls come as time passes
    TInstrumentSession session(M.Platform, M.Loop, '.', &Subscriber, TStartUpPass::LeftQueued);
    M.Loop.ProcessEvents(0);  // the start-up pass
    EXPECT_TRUE(session.Describing(TInstrumentKind::FrequencyMeter));
    EXPECT_EQ(session.Instruments.FrequencyMeter.FreqCalFactor, 0.0f) << "not read yet";
    const auto start = std::chrono::steady_clock::now();
    session.AwaitDescriptions(200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(session.Instruments.FrequencyMeter.FreqCalFactor, 1.125f);
    EXPECT_FALSE(session.Describing(TInstrumentKind::Logger));
    ASSERT_EQ(Heard.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(Heard.begin(), Heard.begin() + 4),
              (std::vector<std::string>{"bound logger", "bound generator", "ready generator", "bound freqmeter"}));
    std::sort(Heard.begin() + 4, Heard.end());
    EXPECT_EQ(Heard[4], "logger not answering");
    EXPECT_EQ(Heard[5], "ready freqmeter");
}

// The slot empties at once and the waiting tick ends with nothing sent; under
// the sanitizers nothing is touched after it is gone.
TEST_F(UnansweredModule, UnplugOrCloseDuringAHeldTransferEndsItUnheard) {
    for (const bool unplug : {true, false}) {
        SCOPED_TRACE(unplug ? "unplug" : "close");
        {
            TInstrumentSession session(M.Platform, M.Loop, '.', &Subscriber);
            Fire(session, TInstrumentKind::Logger);
            LoggerDevice().Answer = TAnswer::Held;
            Fire(session, TInstrumentKind::Logger);
            ASSERT_EQ(M.Platform.PendingTransfers(), 1u);
            Heard.clear();
            if (unplug) {
                M.Platform.Unplug(LoggerInstance);
                M.Notify();
                EXPECT_EQ(Heard, (std::vector<std::string>{"gone logger"})) << "nothing from the held tick";
                EXPECT_FALSE(session.Instruments.Logger.Present());
                Fire(session, TInstrumentKind::Logger);
            }
            M.ProcessEvents();
        }
        EXPECT_EQ(M.Platform.PendingTransfers(), 0u);
        EXPECT_EQ(M.Platform.OpenHandleCount(), 0);
        const std::size_t wire = LoggerWire();
        M.ProcessEvents();
        EXPECT_EQ(LoggerWire(), wire) << "nothing sent after the end";
        if (unplug) LoggerInstance = M.Platform.Plug(std::make_shared<sim::TSimulatedDevice>(Logger));
    }
}

}  // namespace
}  // namespace tavik
