// Which devices become modules, which slot they fill, and what the window
// shows and runs as they come and go.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/window_harness.h"

namespace tavik {
namespace {

using test::TWindowHarness;

using test::I;
const TColour Green = colours::Green;
const TColour Red = colours::Red;

TEST(Binding, ModulesPresentAtStartAreBoundAfterTheWindowExists) {
    TWindowHarness h;
    auto logger = h.PlugLogger();
    auto generator = h.PlugGenerator();
    auto meter = h.PlugFrequencyMeter();
    EXPECT_FALSE(h.Window->Instruments.Binding.Present(TInstrumentKind::Logger)) << "nothing is bound before the event loop runs";
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Red);
    h.ProcessEvents();
    EXPECT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::Generator));
    EXPECT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::FrequencyMeter));
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Green);
    EXPECT_EQ(h.View[I::VXGenerator_Label].TextColour, Green);
    EXPECT_EQ(h.View[I::VXFrequencyMeter_Label].TextColour, Green);
    EXPECT_TRUE(h.Window->VXLogger_MainTimer->Active());
    EXPECT_TRUE(h.Window->VXFrequencyMeter_Timer->Active());
    // The bind actions read the calibration factors: eight memory reads for
    // the logger, four for the frequency meter, nothing for the generator.
    EXPECT_EQ(logger->ReceivedWithCode(5).size(), 8u);
    EXPECT_EQ(meter->ReceivedWithCode(5).size(), 4u);
    EXPECT_TRUE(generator->Received.empty()) << "binding a generator sends nothing";
    EXPECT_FLOAT_EQ(h.Window->Instruments.Logger.CalFactor1, 1.0f);
}

TEST(Binding, ProductStringsCompareExactly) {
    TWindowHarness h;
    h.Plug(std::make_shared<sim::TLoggerSimulator>(u"tavik.example", u"vxlogger"));
    h.Plug(std::make_shared<sim::TLoggerSimulator>(u"tavik.example", u"VXLogger "));
    h.Plug(std::make_shared<sim::TGeneratorSimulator>(u"tavik.example", u"QM411x"));
    h.ProcessEvents();
    EXPECT_FALSE(h.Window->Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_FALSE(h.Window->Instruments.Binding.Present(TInstrumentKind::Generator));
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Red);
}

TEST(Binding, SecondNamesAndSecondManufacturerAreAccepted) {
    TWindowHarness h;
    h.Plug(std::make_shared<sim::TLoggerSimulator>(u"www.tavik.example", u"QM410"));
    h.Plug(std::make_shared<sim::TGeneratorSimulator>(u"tavik.example", u"QM411"));
    h.Plug(std::make_shared<sim::TFrequencyMeterSimulator>(u"www.tavik.example", u"QM412"));
    h.ProcessEvents();
    EXPECT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::Generator));
    EXPECT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::FrequencyMeter));
}

TEST(Binding, ForeignVendorOrManufacturerIsIgnoredAtArrivalAndRemoval) {
    TWindowHarness h;
    uint32_t bound = 0;
    h.PlugLogger(&bound);
    h.ProcessEvents();
    ASSERT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::Logger));

    auto foreignMaker = std::make_shared<sim::TLoggerSimulator>(u"example.com", u"VXLogger");
    auto foreignVendorDevice = std::make_shared<sim::TSimulatedDevice>(std::make_shared<sim::TLoggerSimulator>());
    foreignVendorDevice->Attributes.VendorID = 0x16C0;
    uint32_t maker = 0;
    h.Plug(foreignMaker, &maker);
    const uint32_t vendor = h.Platform.Plug(foreignVendorDevice);
    h.Notify();
    EXPECT_TRUE(foreignMaker->Received.empty());
    THidDevice* slot = h.Window->Instruments.Binding.Device(TInstrumentKind::Logger);
    h.Platform.Unplug(maker);
    h.Platform.Unplug(vendor);
    h.Notify();
    EXPECT_EQ(h.Window->Instruments.Binding.Device(TInstrumentKind::Logger), slot) << "their removal leaves the bound logger alone";
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Green);
    EXPECT_TRUE(h.Window->VXLogger_MainTimer->Active());
}

TEST(Binding, RemovalEmptiesTheSlotStopsTheTimerAndTouchesNoOtherArea) {
    TWindowHarness h;
    uint32_t logger = 0;
    h.PlugLogger(&logger);
    h.PlugGenerator();
    auto meter = h.PlugFrequencyMeter();
    h.ProcessEvents();
    const std::size_t meterFrames = meter->Received.size();
    h.Platform.Unplug(logger);
    h.Notify();
    EXPECT_FALSE(h.Window->Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Red);
    EXPECT_FALSE(h.Window->VXLogger_MainTimer->Active());
    EXPECT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::Generator));
    EXPECT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::FrequencyMeter));
    EXPECT_TRUE(h.Window->VXFrequencyMeter_Timer->Active());
    EXPECT_EQ(h.View[I::VXFrequencyMeter_Label].TextColour, Green);
    EXPECT_EQ(meter->Received.size(), meterFrames) << "nothing is sent at removal";
    EXPECT_EQ(h.Platform.OpenHandleCount(), 2);
}

TEST(Binding, TwoLoggersTheLaterIsBoundAndTheSpareLeavesItBound) {
    TWindowHarness h;
    uint32_t first = 0;
    uint32_t second = 0;
    auto a = h.PlugLogger(&first);
    auto b = h.PlugLogger(&second);
    h.ProcessEvents();
    THidDevice* bound = h.Window->Instruments.Binding.Device(TInstrumentKind::Logger);
    ASSERT_NE(bound, nullptr);
    EXPECT_EQ(bound->PnPInfo().DeviceInstance, second) << "the one enumerated later is bound";
    EXPECT_EQ(b->ReceivedWithCode(5).size(), 8u);
    // Unplugging the logger that is not bound keeps the bound one working.
    h.Platform.Unplug(first);
    h.Notify();
    EXPECT_EQ(h.Window->Instruments.Binding.Device(TInstrumentKind::Logger), bound);
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Green);
    EXPECT_TRUE(h.Window->VXLogger_MainTimer->Active());
    h.Platform.Unplug(second);
    h.Notify();
    EXPECT_FALSE(h.Window->Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Red);
}

TEST(Binding, ASwapWithinOneNoticeEndsBoundToTheNewcomer) {
    TWindowHarness h;
    uint32_t old = 0;
    h.PlugLogger(&old);
    h.ProcessEvents();
    h.Platform.Unplug(old);
    uint32_t fresh = 0;
    auto newcomer = h.PlugLogger(&fresh);
    h.Notify();
    ASSERT_TRUE(h.Window->Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_EQ(h.Window->Instruments.Binding.Device(TInstrumentKind::Logger)->PnPInfo().DeviceInstance, fresh);
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Green);
    EXPECT_TRUE(h.Window->VXLogger_MainTimer->Active());
    EXPECT_EQ(newcomer->ReceivedWithCode(5).size(), 8u);
}

TEST(Binding, AZeroAccessModuleIsBoundAndItsReportsFail) {
    TWindowHarness z;
    auto zero = std::make_shared<sim::TSimulatedDevice>(std::make_shared<sim::TLoggerSimulator>());
    zero->RefuseReadWrite = true;
    z.Platform.Plug(zero);
    z.ProcessEvents();
    EXPECT_TRUE(z.Window->Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_FLOAT_EQ(z.Window->Instruments.Logger.CalFactor1, 1.0f) << "failed reads give the factor 1.0";
}

// A logger that stops answering stays bound, its title orange, and turns
// green again when it answers: no replug.
TEST(Binding, AModuleThatStopsAnsweringIsShownUntilItAnswersAgain) {
    TWindowHarness h;
    h.Platform.DeliverThrough(h.Loop);
    uint32_t instance = 0;
    h.PlugLogger(&instance);
    h.ProcessEvents();
    TMemoryHidDevice& device = *h.Platform.Device(instance);
    device.Answer = TMemoryHidDevice::TAnswer::Never;
    h.Window->VXLogger_MainTimerTimer();
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Green) << "not yet overdue";
    std::this_thread::sleep_for(std::chrono::milliseconds(NotAnsweringMs + 10));
    h.Window->VXLogger_MainTimerTimer();
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, colours::Orange);
    EXPECT_EQ(h.View[I::VXFrequencyMeter_Label].TextColour, Red) << "other areas as they were";
    device.Answer = TMemoryHidDevice::TAnswer::AtOnce;
    h.Platform.Release(instance);
    h.ProcessEvents();
    EXPECT_EQ(h.View[I::VXLogger_Label].TextColour, Green);
}

}  // namespace
}  // namespace tavik
