// The settings register and the two-channel calibration, as the module sees
// them.
#include <gtest/gtest.h>

#include "instruments/logger/logger.h"
#include "instruments/logger/voltmeter_text.h"
#include "tests/support/instrument_harness.h"

namespace tavik {
namespace {

using test::Hex;
using logger::TSettingBox;

class Settings : public test::TBoundLogger {
protected:
    // Five reports of a steady 8-bit reading on both channels.
    void Average(uint8_t raw1, uint8_t raw2) {
        Module->Csr = logger::Csr8Bit;
        Module->FixedSamples = std::array<uint8_t, 4>{raw1, raw1, raw2, raw2};
        H.LoggerTicks(5);
        Module->Received.clear();
    }
};

TEST_F(Settings, EachBoxSetsOrClearsItsBitAndSendsOneSetControl) {
    const std::pair<TSettingBox, bool> clicks[] = {{TSettingBox::EightBit, true}, {TSettingBox::Peak, true},
                                                   {TSettingBox::CH2, true},      {TSettingBox::TenBit, true},
                                                   {TSettingBox::CH1, true},      {TSettingBox::Peak, false}};
    const uint8_t expected[] = {0x02, 0x06, 0x07, 0x05, 0x04, 0x00};
    for (const auto& [box, checked] : clicks) Logger.ControlClick(box, checked);
    const auto controls = Module->ReceivedWithCode(2);
    ASSERT_EQ(controls.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(controls[i][2], expected[i]) << i;
    EXPECT_EQ(Hex(controls[0]).substr(6), "02 00 00 00 00 FD");
    EXPECT_EQ(Module->Csr, 0x00);
}

TEST_F(Settings, ChangesWhileUnboundSendNothingAndKeepTheCopy) {
    H.Platform.UnplugAll();
    H.Notify();
    const uint8_t sequence = H.Instruments.Binding.Port(TInstrumentKind::Logger).Sequence;
    Logger.ControlClick(TSettingBox::Peak, true);
    EXPECT_EQ(Logger.Csr(), 0);
    EXPECT_EQ(H.Instruments.Binding.Port(TInstrumentKind::Logger).Sequence, sequence);
}

TEST_F(Settings, CalibrationWritesTheFactorByteByByteAndReadsBothBack) {
    // 4.9 V on channel 1 (as the average), nothing on channel 2.
    Logger.Acquisition.V1Avg = 4.9f;
    Logger.Acquisition.V2Avg = 0.0f;
    Logger.Calibrate(5.0f);
    const auto writes = Module->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(Hex(writes[0]).substr(6), "10 00 BC 00 00 33");
    EXPECT_EQ(writes[1][4], 0x9C);
    EXPECT_EQ(writes[2][4], 0x82);
    EXPECT_EQ(writes[3][4], 0x3F);
    EXPECT_EQ(writes[3][2], 19);
    EXPECT_EQ(Module->ReceivedWithCode(5).size(), 8u) << "both factors are read back";
    EXPECT_FLOAT_EQ(Logger.CalFactor1, 1.0204082f);
    EXPECT_EQ(Logger.CalFactor2, 1.0f);
}

TEST_F(Settings, AFactorOutOfRangeSkipsOnlyItsChannel) {
    Logger.Acquisition.V1Avg = 3.9f;  // 5.0 / 3.9 = 1.282
    Logger.Acquisition.V2Avg = 4.5f;  // 1.111
    Logger.Calibrate(5.0f);
    const auto writes = Module->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0][2], 20) << "only channel 2 is written";
    EXPECT_EQ(Module->ReceivedWithCode(5).size(), 8u);
    EXPECT_FLOAT_EQ(Logger.CalFactor2, 5.0f / 4.5f);
}

TEST_F(Settings, AReferenceBelowOnePointFiveWritesNothingButRereads) {
    Average(160, 160);
    Logger.Calibrate(1.4f);
    EXPECT_TRUE(Module->ReceivedWithCode(6).empty());
    EXPECT_EQ(Module->ReceivedWithCode(5).size(), 8u);
}

TEST_F(Settings, CalibrationFromALiveAverage) {
    Average(160, 170);  // 4.707 V and 5.001 V uncalibrated
    Logger.Calibrate(5.0f);
    EXPECT_EQ(Module->ReceivedWithCode(6).size(), 8u);
    EXPECT_FLOAT_EQ(Logger.CalFactor1, static_cast<float>(5.0 / Logger.Acquisition.V1Avg));
    EXPECT_FLOAT_EQ(Module->Memory.LoadFloat(20), static_cast<float>(5.0 / Logger.Acquisition.V2Avg));
}

TEST_F(Settings, EightBitPeakAveragesBothSamplesAndFactorsInUseDoNotCompound) {
    Module->Memory.StoreFloat(16, 1.25f);
    Module->Memory.StoreFloat(20, 0.8f);
    Logger.ReadCalibrationFactors();
    Logger.RequestMeasurement();
    H.LoggerTicks(1);
    Module->Csr = logger::Csr8Bit | logger::CsrPeak;
    Module->FixedSamples = std::array<uint8_t, 4>{128, 130, 64, 66};
    H.LoggerTicks(5);
    const float mean1 = static_cast<float>((static_cast<double>(logger::Volts8(128)) + logger::Volts8(130)) * 0.5);
    EXPECT_FLOAT_EQ(Logger.Acquisition.V1Avg, mean1) << "the mean of both samples, uncalibrated";
    EXPECT_EQ(logger::VoltmeterText(Logger.Acquisition, 1, ','), "V1 = 4,74 В") << "3.7952 V x 1.25";
    EXPECT_EQ(logger::VoltmeterText(Logger.Acquisition, 2, ','), "V2 = 1,53 В") << "1.9123 V x 0.8";
    Module->Received.clear();
    Logger.Calibrate(4.0f);
    EXPECT_FLOAT_EQ(Logger.CalFactor1, 4.0f / mean1) << "reference over the raw average, not over the calibrated one";
}

TEST(SettingsFaults, ALoggerUnpluggedInTheMiddleOfACalibration) {
    test::TInstrumentHarness h;
    auto logger = std::make_shared<sim::TLoggerSimulator>();
    auto device = std::make_shared<sim::TSimulatedDevice>(logger);
    const uint32_t instance = h.Platform.Plug(device);
    h.ProcessEvents();
    h.Logger().Acquisition.V1Avg = 4.9f;
    // The second byte written is the last thing the module sees.
    device->VanishAfterTransfers = 2;
    device->OnVanish = [&] { h.Platform.Unplug(instance); };
    h.Logger().Calibrate(5.0f);
    const auto writes = logger->ReceivedWithCode(6);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(logger->Memory.Bytes[16], 0xBC);
    EXPECT_EQ(logger->Memory.Bytes[17], 0x9C);
    EXPECT_EQ(h.Logger().CalFactor1, 1.0f) << "the re-read fails: the factor falls back to 1.0";
    EXPECT_TRUE(h.Instruments.Binding.Present(TInstrumentKind::Logger)) << "until the operating system says the module is gone";
    h.LoggerTicks(3);
    h.Notify();
    EXPECT_FALSE(h.Instruments.Binding.Present(TInstrumentKind::Logger));
    EXPECT_FALSE(h.Polling[SlotOf(TInstrumentKind::Logger)]);
}

}  // namespace
}  // namespace tavik
